#include "outside_user.h"

#include <algorithm>
#include <cstdlib>

#include "client_process.h"

namespace {

bool PressCentre(HWND window, DWORD down, DWORD up) {
    RECT r;
    if (!GetWindowRect(window, &r))
        return false;
    SetForegroundWindow(GetAncestor(window, GA_ROOT));
    // Two clicks on one spot within the double-click time make a double
    // click: every other click lands a little to the right, as a person's
    // clicks would not all hit the same pixel.
    static bool aside;
    const int shift = (aside = !aside) ? 2 * GetSystemMetrics(SM_CXDOUBLECLK) : 0;
    // Absolute positions run from 0 to 65535 across the screen.
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT& one : input)
        one.type = INPUT_MOUSE;
    input[0].mi.dx = MulDiv((r.left + r.right) / 2 + shift, 65536, width);
    input[0].mi.dy = MulDiv((r.top + r.bottom) / 2, 65536, height);
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = down;
    input[2].mi.dwFlags = up;
    return SendInput(3, input, sizeof(INPUT)) == 3;
}

}  // namespace

bool ClickCentre(HWND window) {
    return PressCentre(window, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
}

bool RightClickCentre(HWND window) {
    return PressCentre(window, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
}

bool PressKeys(const std::vector<WORD>& keys) {
    std::vector<INPUT> input;
    for (WORD key : keys)
        for (DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT one = {};
            one.type = INPUT_KEYBOARD;
            one.ki.wVk = key;
            one.ki.dwFlags = flags;
            input.push_back(one);
        }
    const UINT count = static_cast<UINT>(input.size());
    return SendInput(count, input.data(), sizeof(INPUT)) == count;
}

HWND ShownWindowOf(DWORD thread, const char* windowClass) {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, windowClass, nullptr)) != nullptr)
        if (GetWindowThreadProcessId(window, nullptr) == thread && IsWindowVisible(window))
            return window;
    return nullptr;
}

// A drop-down list is a window of its own, a child of the desktop, with no
// owner; its combo box's thread made it, and it sits where it drops, under
// the combo box: of that thread's lists, the one nearest to the combo.
HWND DropDownOf(HWND combo) {
    RECT at;
    if (!GetWindowRect(combo, &at))
        return nullptr;
    const DWORD thread = GetWindowThreadProcessId(combo, nullptr);
    HWND list = nullptr, nearest = nullptr;
    long best = 0;
    while ((list = FindWindowExA(nullptr, list, "ComboLBox", nullptr)) != nullptr) {
        RECT r;
        if (GetWindowThreadProcessId(list, nullptr) != thread || !GetWindowRect(list, &r))
            continue;
        const long distance = std::labs(r.left - at.left) + std::labs(r.top - at.bottom);
        if (nearest == nullptr || distance < best) {
            nearest = list;
            best = distance;
        }
    }
    return nearest;
}

double ComboAnswerMs(HWND combo, DWORD limitMs) {
    const HWND list = DropDownOf(combo);
    if (list == nullptr)
        return -1;
    auto shown = [&] { return IsWindowVisible(list) != FALSE; };
    auto close = [&] { return ClickCentre(combo) && WaitFor([&] { return !shown(); }, limitMs); };
    if (shown() && !close())
        return limitMs;
    const DWORD start = GetTickCount();
    if (!ClickCentre(combo) || !WaitFor(shown, limitMs, 2))
        return limitMs;
    const double ms = GetTickCount() - start;
    close();
    return ms;
}

RECT RowsOnScreen(HWND list) {
    RECT rows = {};
    if (!GetClientRect(list, &rows))
        return RECT{};
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rows), 2);
    RECT header;
    HWND headerWindow = FindWindowExA(list, nullptr, "SysHeader32", nullptr);
    if (headerWindow != nullptr && IsWindowVisible(headerWindow) &&
        GetWindowRect(headerWindow, &header))
        rows.top = std::max(rows.top, header.bottom);
    return rows;
}

std::vector<uint32_t> ScreenPixels(const RECT& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::vector<uint32_t> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(copy, bitmap);
        if (BitBlt(copy, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY)) {
            GdiFlush();
            const uint32_t* from = static_cast<const uint32_t*>(bits);
            pixels.assign(from, from + static_cast<size_t>(width) * height);
            for (uint32_t& pixel : pixels)
                pixel &= 0xFFFFFF;
        }
        SelectObject(copy, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    return pixels;
}

uint64_t PictureSum(const std::vector<uint32_t>& pixels) {
    uint64_t sum = 14695981039346656037ull;  // FNV-1a
    for (uint32_t pixel : pixels)
        sum = (sum ^ pixel) * 1099511628211ull;
    return sum;
}

bool IsPlain(const std::vector<uint32_t>& pixels) {
    return !pixels.empty() &&
           std::all_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return p == pixels[0]; });
}
