// The right-click menu and the keys of the panel's three lists: Copy,
// Select All and Export to CSV.
#pragma once

#include <windows.h>
#include <commctrl.h>

// WM_CONTEXTMENU from one of the lists: at `at` (screen coordinates) or,
// from the keyboard (-1, -1), at the focused row. A right-click on a row
// that is not selected selects it first.
void OnListContextMenu(HWND list, POINT at);

// LVN_KEYDOWN of one of the lists: Ctrl+C and Ctrl+A.
void OnListKeyDown(HWND list, const NMLVKEYDOWN* key);
