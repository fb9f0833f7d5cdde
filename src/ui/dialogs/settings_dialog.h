// The server settings dialog (template 123): a tree of pages on the left and
// one page dialog at a time on the right; edits the settings copy in place
// and sends it whole on Save.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/dialogs/settings_pages.h"

INT_PTR CALLBACK SettingsDialogProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the dialog owned by `owner`. The dialog keeps its own handle: from
// its WM_INITDIALOG until it is destroyed, however it goes.
void OpenSettingsDialog(HWND owner);

// The open server settings dialog, or null.
HWND SettingsDialogWindow();

// Inserts a text item as the last child of `parent` (null: at the root) and
// scrolls it into view, which expands its parent.
HTREEITEM AddTreeItem(HWND tree, const char* text, HTREEITEM parent);

// Title the page, replace the page shown (which writes its fields back as it
// goes) and open the new one.
void ShowGeneralPage(HWND frame);
void ShowEmailPage(HWND frame);

// The white brush behind the page title: made at start-up, deleted at the
// main window's WM_DESTROY; null before and after.
void CreateWhiteBrush();
void DeleteWhiteBrush();
