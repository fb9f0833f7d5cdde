// Connect dialog, first form: it only opens centred and closes again; OK does
// not connect yet. Cancel gives the panel's Connect button back so the user
// can reopen the dialog.
#include "link/connect_dialog.h"

#include "app/app.h"
#include "res/resource.h"

namespace {

INT_PTR OnCommand(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDC_CONNECT_OK:
        DestroyWindow(dialog);
        return TRUE;
    case IDCANCEL:
        DestroyWindow(dialog);
        EnableWindow(GetDlgItem(g_monitorPanel, IDC_PANEL_CONNECT), TRUE);
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK ConnectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog);
        return TRUE;
    case WM_COMMAND: return OnCommand(dialog, wParam);
    default: return FALSE;
    }
}
