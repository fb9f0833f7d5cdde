// Export to CSV: all rows of one of the panel's lists, as they were when the
// user chose the file, written to a file in slices between the messages of
// the loop, so the window goes on answering while a long list is written.
// Only the whole file ever takes the chosen name; a failure or an emptied
// list leaves an earlier file with that name as it was.
#pragma once

#include <windows.h>
#include <commdlg.h>

// The Save As dialog. Tests register their own to choose the file; null
// restores GetSaveFileNameA.
using SaveNameCall = BOOL(WINAPI*)(LPOPENFILENAMEA dialog);
void SetSaveNameCall(SaveNameCall call);

// Asks for the file, then starts writing; the status log tells how it ended.
// Nothing happens while an export is under way.
void ExportListToCsv(HWND list);

bool ExportUnderWay();
