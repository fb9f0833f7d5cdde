// The monitor panel: the child dialog (template 101) that is the whole
// visible content of the main window, with the test items list, the events
// list, the status log, the command buttons and the event view depth.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

extern HWND g_itemsList;   // test items list (1026); row lParam: heap TestItem
extern HWND g_eventsList;  // events list (1028); row lParam: heap EventRecord copy

INT_PTR CALLBACK MonitorPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the Connect / Disconnect button's caption (unless null) and whether it
// is enabled; registered as the server connection's button handler.
void SetConnectButton(const char* caption, BOOL enabled);

// The index of the Event View Depth selection (0 "Today", 1 "This Month",
// 2 "All Time"); 2 when nothing is selected. The param of an events request.
uint32_t SelectedEventDepth();

// Custom-draw answers of the two server-fed lists; each sets the cell colours
// in `draw` where its rule says and returns the value for DWLP_MSGRESULT.
LRESULT ItemListCustomDraw(NMLVCUSTOMDRAW* draw);
LRESULT EventListCustomDraw(NMLVCUSTOMDRAW* draw);
