#include "ui/common/theme_images.h"

#include <uxtheme.h>
#include <vssym32.h>

#include "ui/common/gdi_object.h"

void LoadScrollBarPictures(HWND window) {
    HTHEME theme = OpenThemeData(window, L"Scrollbar");
    if (theme == nullptr)
        return;  // no visual style: scroll bars are drawn without pictures
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(window, screen);
    if (dc != nullptr && bitmap != nullptr) {
        HGDIOBJ was = SelectObject(dc, bitmap);
        const RECT rect = {0, 0, 16, 16};
        for (int part = SBP_ARROWBTN; part <= SBP_SIZEBOX; ++part)
            DrawThemeBackground(theme, dc, part, 1, &rect, nullptr);
        SelectObject(dc, was);
    }
    DeleteGdiObject(bitmap);
    if (dc != nullptr)
        DeleteDC(dc);
    CloseThemeData(theme);
}
