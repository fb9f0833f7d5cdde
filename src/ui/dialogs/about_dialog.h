// The About box (template 132): logo, version line, notice and two links.
#pragma once

#include <windows.h>

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the box owned by `owner`. The box keeps its own handle: from its
// WM_INITDIALOG until it is destroyed.
void OpenAboutBox(HWND owner);

// The open About box, or null.
HWND AboutBoxWindow();

// The title font of the version line: "MS Sans Serif" 14 points, weight 600,
// sized for the screen that `window` is on. Made once the main window
// exists, deleted at its WM_DESTROY; null before and after.
void CreateTitleFont(HWND window);
void DeleteTitleFont();
