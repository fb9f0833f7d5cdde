// The test item dialog (template 111): creates a new test item or edits the
// configuration of an existing one, and sends it to the server on Save.
#pragma once

#include <windows.h>

// Heading colours: black for the greeting, this red-orange for a failed Save.
constexpr COLORREF ITEM_HEADING_ERROR_COLOUR = RGB(255, 51, 0);

INT_PTR CALLBACK TestItemDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
