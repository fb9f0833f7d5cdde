// The connect dialog (template 125): the server address and port, confirmed
// with OK or dismissed with Cancel. Opened by the main window on
// WM_SHOW_CONNECT while disconnected.
#pragma once

#include <windows.h>

INT_PTR CALLBACK ConnectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
