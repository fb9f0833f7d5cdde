// The connect dialog: the server's address and port, confirmed by the user.
#pragma once

#include <windows.h>

INT_PTR CALLBACK ConnectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
