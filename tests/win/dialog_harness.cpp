// See dialog_harness.h.
#include "dialog_harness.h"

#include <commctrl.h>

#include <cstring>

#include "app/main_window.h"
#include "core/mirror/server_mirror.h"
#include "core/session/frame_io.h"
#include "res/resource.h"
#include "ui/panel/monitor_panel.h"
#include "ui/panel/panel_windows.h"

Bytes FrameOf(const void* record, size_t length) {
    Bytes frame(4 + length);
    frame[0] = 0x51;
    frame[1] = 0x58;
    frame[2] = static_cast<uint8_t>(length >> 8);
    frame[3] = static_cast<uint8_t>(length & 0xFF);
    std::memcpy(frame.data() + 4, record, length);
    return frame;
}

Bytes FrameOf(const Pkt& pkt) {
    return FrameOf(&pkt, sizeof pkt);
}

TestItem* AddItem(uint32_t itemId, const char* name, const char* host) {
    TestItem* item = NewTestItem();
    item->itemId = itemId;
    lstrcpynA(item->config.name, name, sizeof item->config.name);
    lstrcpynA(item->config.host, host, sizeof item->config.host);
    item->config.interval = 60;
    item->config.timeout = 3;
    item->config.retries = 3;
    AddItemRow(item, 0);
    return item;
}

void MarkRow(int row, bool selected, bool focused) {
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = (selected ? LVIS_SELECTED : 0) | (focused ? LVIS_FOCUSED : 0);
    SendMessageA(g_itemsList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

void SelectRow(int row) {
    MarkRow(row, true, true);
}

void AddEvent(const char* text) {
    EventRecord event = {};
    lstrcpynA(event.text, text, sizeof event.text);
    AddEventRow(event, 0);
}

void MenuCommand(int id) {
    SendMessageA(g_mainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void PanelCommand(int id) {
    SendMessageA(g_monitorPanel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(g_monitorPanel, id)));
}
