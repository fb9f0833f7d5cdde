// IPv4 address texts; portable, no Winsock needed.
#pragma once

#include <cstdint>

// True for 7..15 characters forming exactly four groups of 1..3 decimal
// digits separated by single dots (group values are not limited).
bool IsDottedQuad(const char* text);

// Writes "%u.%u.%u.%u" from the least significant byte up into out (16 bytes).
void FormatDottedQuad(uint32_t address, char* out16);
