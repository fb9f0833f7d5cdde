// About box, first form: centred, shows the version line in the title font,
// closes on OK or the close box and then clears g_aboutBox so that the other
// dialogs can open again. The links come later.
#include "dialogs/about_dialog.h"

#include "app/app.h"
#include "res/resource.h"

namespace {

INT_PTR OnInitDialog(HWND dialog) {
    CenterWindow(dialog);
    SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, QX_VERSION_TEXT);
    SendDlgItemMessageA(dialog, IDC_ABOUT_VERSION, WM_SETFONT, reinterpret_cast<WPARAM>(g_titleFont), TRUE);
    SetDlgItemTextA(dialog, IDC_ABOUT_NOTICE, "");
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            DestroyWindow(dialog);
        return TRUE;
    case WM_DESTROY:
        g_aboutBox = nullptr;
        return FALSE;
    default: return FALSE;
    }
}
