// The About box: logo, version line in the title font, notice line, and two
// links (web page and support mail) made with the hyperlink control. Opened
// from the "About" menu under the single dialog rule; forgets its handle when
// it is destroyed so that the other dialogs can open again. The link texts,
// their targets and the notice live in resource.h.
#include "ui/dialogs/about_dialog.h"

#include <shellapi.h>

#include "res/resource.h"
#include "ui/common/dpi.h"
#include "ui/common/gdi_object.h"
#include "ui/common/window_ops.h"
#include "ui/dialogs/hyperlink.h"

namespace {

HWND g_aboutBox;
HFONT g_titleFont;

INT_PTR OnInitDialog(HWND box) {
    g_aboutBox = box;
    CenterWindow(box);
    MakeHyperlink(GetDlgItem(box, IDC_ABOUT_WEB));
    MakeHyperlink(GetDlgItem(box, IDC_ABOUT_MAIL));
    SetDlgItemTextA(box, IDC_ABOUT_VERSION, QX_VERSION_TEXT);
    SendDlgItemMessageA(box, IDC_ABOUT_VERSION, WM_SETFONT, reinterpret_cast<WPARAM>(g_titleFont),
                        TRUE);
    SetDlgItemTextA(box, IDC_ABOUT_NOTICE, QX_NOTICE_TEXT);
    return TRUE;
}

void Open(HWND box, const char* target) {
    // No browser or mail program is not reported.
    ShellExecuteA(box, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

// Only the id counts: a double-click notification from a link opens its
// target once more, after the click has.
INT_PTR OnCommand(HWND box, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL: DestroyWindow(box); break;
    case IDC_ABOUT_WEB: Open(box, QX_WEB_URL); break;
    case IDC_ABOUT_MAIL: Open(box, QX_MAIL_URL); break;
    default: break;
    }
    return TRUE;
}

}  // namespace

void OpenAboutBox(HWND owner) {
    OpenModelessDialog(InstanceOf(owner), owner, AboutDialogProc, IDD_ABOUT);
}

HWND AboutBoxWindow() {
    return g_aboutBox;
}

void CreateTitleFont(HWND window) {
    LOGFONTA fnt = {};
    fnt.lfHeight = -MulDiv(14, static_cast<int>(WindowDpi(window)), 72);
    fnt.lfWeight = 600;
    lstrcpynA(fnt.lfFaceName, "MS Sans Serif", sizeof fnt.lfFaceName);
    g_titleFont = CreateFontIndirectA(&fnt);
}

void DeleteTitleFont() {
    DeleteGdiObject(g_titleFont);
}

INT_PTR CALLBACK AboutDialogProc(HWND box, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(box);
    case WM_COMMAND: return OnCommand(box, wParam);
    case WM_DESTROY: g_aboutBox = nullptr; return FALSE;
    default: return FALSE;
    }
}
