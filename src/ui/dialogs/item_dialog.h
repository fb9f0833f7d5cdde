// The test item dialog (template 111): creates a new test item or edits the
// configuration of an existing one, and sends it to the server on Save.
#pragma once

#include <windows.h>

INT_PTR CALLBACK TestItemDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the dialog owned by `owner`. The dialog keeps its own handle: from
// its WM_INITDIALOG until it is destroyed, however it goes.
void OpenItemDialog(HWND owner);

// The open test item dialog, or null.
HWND ItemDialogWindow();

// The heading line's font: made at the dialog's first opening and kept for
// every later one, deleted at the main window's WM_DESTROY; null before and
// after.
void DeleteHeadingFont();
HFONT HeadingFont();
