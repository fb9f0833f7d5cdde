// Texts of the ANSI code page, in which every list holds its texts, as
// UTF-16 for the clipboard and as UTF-8 for a file.
#pragma once

#include <cstddef>
#include <string>

// The UTF-16 form of text (length bytes), without a terminating NUL.
std::wstring AnsiToWide(const char* text, size_t length);

// Appends the UTF-8 form of text (length bytes) to out (a ToUtf8Fn).
void AnsiToUtf8(const char* text, size_t length, std::string* out);
