// Display scaling; see dpi.h.
#include "ui/common/dpi.h"

namespace {

template <typename Proc>
Proc User32Proc(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 == nullptr
               ? nullptr
               : reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

UINT ScreenDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = dc == nullptr ? 0 : GetDeviceCaps(dc, LOGPIXELSX);
    if (dc != nullptr)
        ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT WindowDpi(HWND window) {
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Proc<GetDpiForWindowProc>("GetDpiForWindow");
    if (window != nullptr && getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0)
            return dpi;
    }
    return ScreenDpi();
}

int ScaleForDpi(int pixels, UINT dpi) {
    return dpi == USER_DEFAULT_SCREEN_DPI
               ? pixels
               : MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

int SmallIconSize(UINT dpi) {
    using GetSystemMetricsForDpiProc = int(WINAPI*)(int, UINT);
    static const auto forDpi = User32Proc<GetSystemMetricsForDpiProc>("GetSystemMetricsForDpi");
    if (forDpi != nullptr)
        return forDpi(SM_CXSMICON, dpi);
    // Without per-monitor DPI every window has the system DPI, which the
    // plain metric already follows.
    return GetSystemMetrics(SM_CXSMICON);
}
