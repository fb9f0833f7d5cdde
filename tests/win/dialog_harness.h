// Shared by the command and dialog tests: helpers for rows and the expected
// frames. The frames the client sends are captured by the fake transport
// (capture.h, registered with UseCapture); the lists and the status log are
// read with list_reader.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture.h"
#include "core/wire/wire.h"
#include "list_reader.h"

// The frame the client must send for a record: magic, big-endian length, bytes.
Bytes FrameOf(const void* record, size_t length);
Bytes FrameOf(const Pkt& pkt);

// Appends a row for a new heap TestItem; returns its record.
TestItem* AddItem(uint32_t itemId, const char* name, const char* host = "10.0.0.1");
// Sets the row's selected and focused states.
void MarkRow(int row, bool selected, bool focused);
void SelectRow(int row);
void AddEvent(const char* text);

// The About box, settings dialog and item dialog, by handle global, or the
// command ids that open them.
void MenuCommand(int id);
void PanelCommand(int id);
