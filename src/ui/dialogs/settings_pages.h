// The two pages of the server settings dialog. Each loads its controls from
// the settings copy when it is created and writes them back when it is
// destroyed, whatever destroys it: a page switch, Save or Cancel.
#pragma once

#include <windows.h>

// The page dialog shown in the settings dialog's frame, or null. The page
// clears it too when it closes itself.
extern HWND g_settingsPage;

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EmailPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
