// Filling a drop-down list from a table of texts; used by the monitor panel
// and the test item dialog.
#pragma once

#include <windows.h>

// Adds every text of the null-terminated table in order, then selects the
// entry whose text begins with texts[selectIndex] (CB_SELECTSTRING searching
// from the entry after the first, wrapping round).
void FillCombo(HWND dialog, const char* const* texts, int comboId, int selectIndex);
