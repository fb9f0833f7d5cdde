// The monitor panel: the child dialog (template 101) that is the whole
// visible content of the main window, with the test items list, the events
// list, the status log, the command buttons and the event view depth.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

INT_PTR CALLBACK MonitorPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the Connect / Disconnect button's caption (unless null) and whether it
// is enabled; registered with the server connection's handlers.
void SetConnectButton(const char* caption, bool enabled);

// Rescales what the panel sizes in pixels itself (the list columns and the
// button images) for a new DPI, after the main window moved to a monitor
// with another scale.
void ScalePanelForDpi(UINT dpi);

// The program is ending: the three lists' rows go with the process. Under
// Wine a list view that is emptied or destroyed deletes its rows one by one
// and looks each up in a table of all of them, half a minute for 400,000
// rows; without their list-view window procedure the lists are destroyed as
// plain windows, and nothing reads the rows again.
void LeaveListRowsToTheProcess();
