// The two pages of the server settings dialog. Each loads its controls from
// the settings copy when it is created and writes them back when it is
// destroyed, whatever destroys it: a page switch, Save or Cancel.
#pragma once

#include <windows.h>

// The page shown in the settings dialog's frame, or null: a page is shown
// from its WM_INITDIALOG until it is destroyed, whatever destroys it.
HWND ShownSettingsPage();

// Destroys the page shown, if any; it writes its fields back as it goes.
void CloseSettingsPage();

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EmailPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
