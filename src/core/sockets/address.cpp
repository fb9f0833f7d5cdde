// Dotted-quad texts without Winsock: the check that decides whether a host
// needs a name look-up, and the formatting of a network-order address.
#include "core/sockets/address.h"

#include <cstdio>
#include <cstring>

bool IsDottedQuad(const char* text) {
    if (text == nullptr)
        return false;
    const size_t length = std::strlen(text);
    if (length < 7 || length > 15)
        return false;
    int groups = 0;
    int digits = 0;
    for (size_t i = 0; i <= length; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (++digits > 3)
                return false;
        } else if (c == '.' || c == '\0') {
            if (digits == 0)
                return false;  // empty group: leading, doubled or trailing dot
            ++groups;
            digits = 0;
        } else {
            return false;
        }
    }
    return groups == 4;
}

void FormatDottedQuad(uint32_t address, char* out16) {
    if (out16 == nullptr)
        return;
    std::snprintf(out16, 16, "%u.%u.%u.%u", static_cast<unsigned>(address & 0xFF),
                  static_cast<unsigned>((address >> 8) & 0xFF),
                  static_cast<unsigned>((address >> 16) & 0xFF),
                  static_cast<unsigned>(address >> 24));
}
