// What one of the panel's three lists shows, read the way the list itself
// reads it: the server-fed lists' cells from the server mirror (the texts
// their LVN_GETDISPINFOA answers give), the status log's from its own rows.
// Copy and Export to CSV take their texts from here.
#pragma once

#include <windows.h>

#include <cstddef>

// Room for the longest cell of any list (a status log line).
constexpr size_t LIST_CELL_TEXT = 1024;

int ListColumnCount(HWND list);
void ListColumnTitle(HWND list, int column, char* out, size_t size);
int ListRowCount(HWND list);
// "" past the last row or column.
void ListCellText(HWND list, int row, int column, char* out, size_t size);
