// Reading the panel's list views from a test in the same process.
#pragma once

#include <windows.h>

#include <string>

int RowCount(HWND list);
std::string CellText(HWND list, int row, int column);
LPARAM RowParam(HWND list, int row);
// The message column of the newest status-log line ("" when the log is empty).
std::string LastLogLine();
int LogLineCount();
// True when some status-log line carries exactly this message.
bool LogContains(const std::string& text);

// Makes a list view refuse every new row (LVM_INSERTITEMA answers -1), as
// one out of memory does; false gives it back its own procedure.
void RefuseRows(HWND list, bool refuse);
