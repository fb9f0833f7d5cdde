// The process-wide state that every layer reads: the handles of the single
// dialog rule. This is the bottom of the program: it includes nothing
// of its own, so any layer may include it.
#pragma once

#include <windows.h>

#include <cstdint>

struct TestItem;

// What the item dialog opens for, set by the command that opens it.
extern uint32_t g_itemDialogMode;  // 1: creates an item; 0: edits g_itemUnderEdit
extern TestItem* g_itemUnderEdit;  // row record shown by the item dialog in edit mode
