// The two window operations that every dialog of the program goes through:
// opening a modeless dialog and centring a window over its owner.
#include "ui/common/window_ops.h"

HINSTANCE InstanceOf(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}

HWND OpenModelessDialog(HINSTANCE instance, HWND owner, DLGPROC proc, int templateId,
                        LPARAM param) {
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), owner, proc, param);
    if (dialog != nullptr) {
        ShowWindow(dialog, SW_SHOWDEFAULT);
        UpdateWindow(dialog);
    }
    return dialog;
}

void CenterWindow(HWND window) {
    HWND owner = GetParent(window);
    if (owner == nullptr)
        owner = GetDesktopWindow();

    RECT rcOwner, rcDlg, rc;
    GetWindowRect(owner, &rcOwner);
    GetWindowRect(window, &rcDlg);
    CopyRect(&rc, &rcOwner);

    // After these moves rc.right and rc.bottom hold the owner's size minus the
    // window's, negative when the window is the larger one. Halving them with
    // signed division (towards zero) is what places a larger window up and to
    // the left of the owner's corner.
    OffsetRect(&rcDlg, -rcDlg.left, -rcDlg.top);
    OffsetRect(&rc, -rc.left, -rc.top);
    OffsetRect(&rc, -rcDlg.right, -rcDlg.bottom);

    SetWindowPos(window, HWND_TOP, rcOwner.left + rc.right / 2, rcOwner.top + rc.bottom / 2, 0, 0,
                 SWP_NOSIZE);
}
