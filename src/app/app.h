// The process-wide state that every layer reads: the handles of the single
// dialog rule. This is the bottom of the program: it includes nothing
// of its own, so any layer may include it.
#pragma once

#include <windows.h>

#include <cstdint>

struct TestItem;

// The single dialog rule: at most one of these three is open. Each dialog
// clears its own handle when it is destroyed.
extern HWND g_itemDialog;      // open test item dialog or null
extern HWND g_settingsDialog;  // open server settings dialog or null
extern HWND g_aboutBox;        // open About box or null

// What the item dialog opens for, set by the command that opens it.
extern uint32_t g_itemDialogMode;  // 1: creates an item; 0: edits g_itemUnderEdit
extern TestItem* g_itemUnderEdit;  // row record shown by the item dialog in edit mode

// True while the item dialog, the settings dialog or the About box is open.
bool AnyItemDialogOpen();
