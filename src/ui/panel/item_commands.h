// The commands the user gives on test items and the server (from the panel's
// buttons and the "Tools" menu) and the selection lookup. Each command either
// opens a modeless dialog or sends one Pkt.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/wire/wire.h"

// The single dialog rule: true while the item dialog, the settings dialog or
// the About box is open (each dialog keeps its own handle).
bool ItemSettingsOrAboutOpen();

void CmdNewItem();
void CmdEditItem();
void CmdDeleteItem();
void CmdStartTest();
void CmdStopTest();
void CmdSettings();
void CmdReloadEvents();

// The one routing of the commands, shared by the "Tools" menu and the
// panel's buttons: runs the command of a menu id or of a button id and
// returns true; false for an id that names no command (Reload Events has
// only its button).
bool RunMenuCommand(int menuId);
bool RunButtonCommand(int buttonId);

// The TestItem of the row that is both selected and focused, and its index
// in *row; null (and *row -1) when there is none.
TestItem* GetSelectedItem(int* row);
