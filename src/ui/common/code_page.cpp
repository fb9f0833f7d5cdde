#include "ui/common/code_page.h"

#include <windows.h>

std::wstring AnsiToWide(const char* text, size_t length) {
    std::wstring wide;
    if (length == 0)
        return wide;
    const int size = static_cast<int>(length);
    const int count = MultiByteToWideChar(CP_ACP, 0, text, size, nullptr, 0);
    if (count <= 0)
        return wide;
    wide.resize(static_cast<size_t>(count));
    MultiByteToWideChar(CP_ACP, 0, text, size, &wide[0], count);
    return wide;
}

void AnsiToUtf8(const char* text, size_t length, std::string* out) {
    bool ascii = true;
    for (size_t i = 0; i < length && ascii; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    if (ascii) {  // most texts, and the same bytes in UTF-8: no two conversions
        out->append(text, length);
        return;
    }
    const std::wstring wide = AnsiToWide(text, length);
    const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                          nullptr, 0, nullptr, nullptr);
    if (count <= 0)
        return;
    const size_t start = out->size();
    out->resize(start + static_cast<size_t>(count));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &(*out)[start],
                        count, nullptr, nullptr);
}
