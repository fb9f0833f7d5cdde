// Copy: a list's selected rows onto the clipboard as text.
#pragma once

#include <windows.h>

#include <string>

// The selected rows in list order, the cells of a row separated by tabs,
// CR LF between rows; "" when nothing is selected.
std::string SelectedRowsText(HWND list);

// Puts that text on the clipboard as CF_UNICODETEXT and CF_TEXT; nothing
// happens when no row is selected or the clipboard is held by another
// program.
void CopySelectedRows(HWND list);
