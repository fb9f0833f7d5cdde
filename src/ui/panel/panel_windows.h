// The monitor panel and its three lists: one panel fills the main window for
// the life of the program, so their handles are process-wide. They are found
// once, when the panel opens (under Wine every GetDlgItem asks the window
// server, which would be the larger part of the cost of a row), and
// forgotten when it is destroyed.
#pragma once

#include <windows.h>

extern HWND g_monitorPanel;  // the child dialog (101) filling the main window, or null
extern HWND g_itemsList;     // test items list (1026); row lParam: the row's TestItem
extern HWND g_eventsList;    // events list (1028); row lParam: the row's EventRecord copy
extern HWND g_statusLog;     // status log (1037)

// At the panel's WM_INITDIALOG and at its WM_DESTROY.
void FindPanelWindows(HWND panel);
void ForgetPanelWindows();

// A fresh list took the place of `old` (retired_lists.h).
void ReplacePanelList(HWND old, HWND fresh);
