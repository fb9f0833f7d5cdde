// Shared by the command and dialog tests: the frames the client sends are
// captured instead of reaching a socket (this executable defines
// FrameTransportSend), plus helpers for rows, the status log and the
// expected frames.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "link/wire.h"

using Bytes = std::vector<uint8_t>;

// Every frame handed to the transport since the last ClearSent().
extern std::vector<Bytes> g_sent;
void ClearSent();

// The frame the client must send for a record: magic, big-endian length, bytes.
Bytes FrameOf(const void* record, size_t length);
Bytes FrameOf(const Pkt& pkt);

// A zero-filled request Pkt with a code and an item id.
Pkt Request(uint32_t code, uint32_t itemId = 0, uint32_t param = 0);

// Appends a row for a new heap TestItem; returns its record.
TestItem* AddItem(uint32_t itemId, const char* name, const char* host = "10.0.0.1");
// Sets the row's selected and focused states.
void MarkRow(int row, bool selected, bool focused);
void SelectRow(int row);
void AddEvent(const char* text);
int RowCount(HWND list);

int LogLineCount();
std::string LastLogLine();

// The About box, settings dialog and item dialog, by handle global, or the
// command ids that open them.
void MenuCommand(int id);
void PanelCommand(int id);
