// The commands the user gives on test items and the server (from the panel's
// buttons and the "Tools" menu) and the selection lookup. Each command either
// opens a modeless dialog or sends one Pkt. The single dialog rule and its
// handles are in app/app.h.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/wire/wire.h"

void CmdNewItem();
void CmdEditItem();
void CmdDeleteItem();
void CmdStartTest();
void CmdStopTest();
void CmdSettings();
void CmdReloadEvents();

// NM_CLICK on the test items list: the selected item becomes the item under
// edit, unless the item dialog is open.
void OnItemRowClick();

// The TestItem of the row that is both selected and focused, and its index
// in *row; null (and *row -1) when there is none.
TestItem* GetSelectedItem(int* row);
