// The panel's Event View Depth selector: its three choices and the one
// selected, which is the param of every events request.
#pragma once

#include <windows.h>

#include <cstdint>

// Fills the selector (control 1050 of the panel) and selects "This Month".
void FillEventDepth(HWND panel);

// The index of the selection (0 "Today", 1 "This Month", 2 "All Time"); 2
// when nothing is selected.
uint32_t SelectedEventDepth();
