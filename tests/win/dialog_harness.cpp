// See dialog_harness.h.
#include "dialog_harness.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "link/frame_io.h"
#include "link/item_rows.h"
#include "panel/monitor_panel.h"
#include "res/resource.h"

std::vector<Bytes> g_sent;

int FrameTransportSend(const uint8_t* frame, size_t length) {
    g_sent.emplace_back(frame, frame + length);
    return 1;  // queued whole
}

void ClearSent() {
    g_sent.clear();
}

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

Pkt Request(uint32_t code, uint32_t itemId, uint32_t param) {
    Pkt pkt;
    std::memset(&pkt, 0, sizeof pkt);
    pkt.kind = KIND_REQUEST;
    pkt.code = code;
    pkt.itemId = itemId;
    pkt.param = param;
    return pkt;
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
    auto* event = static_cast<EventRecord*>(std::calloc(1, sizeof(EventRecord)));
    lstrcpynA(event->text, text, sizeof event->text);
    AddEventRow(event, 0);
}

int RowCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

int LogLineCount() {
    return RowCount(GetDlgItem(g_monitorPanel, IDC_PANEL_STATUS_LOG));
}

std::string LastLogLine() {
    HWND log = GetDlgItem(g_monitorPanel, IDC_PANEL_STATUS_LOG);
    const int rows = RowCount(log);
    if (rows == 0)
        return "";
    char text[512] = "";
    LVITEMA item = {};
    item.iSubItem = 1;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(log, LVM_GETITEMTEXTA, rows - 1, reinterpret_cast<LPARAM>(&item));
    return text;
}

void MenuCommand(int id) {
    SendMessageA(g_mainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void PanelCommand(int id) {
    SendMessageA(g_monitorPanel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(g_monitorPanel, id)));
}
