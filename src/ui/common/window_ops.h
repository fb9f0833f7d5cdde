// The two window operations that every dialog of the program goes through:
// opening a modeless dialog and centring a window over its owner.
#pragma once

#include <windows.h>

// The module that `window` was made from: the program's, whose resources
// hold every dialog template, menu and icon that its windows load.
HINSTANCE InstanceOf(HWND window);

// CreateDialogParamA with MAKEINTRESOURCE(templateId), then shown and updated.
// `param` reaches the dialog procedure as the lParam of WM_INITDIALOG.
HWND OpenModelessDialog(HINSTANCE instance, HWND owner, DLGPROC proc, int templateId,
                        LPARAM param = 0);

// Centres `window` over its parent (for a dialog: its owner), or over the
// desktop when it has none.
void CenterWindow(HWND window);
