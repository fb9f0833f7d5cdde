// The server message dispatcher: the only place where the client's mirror of the
// server (item rows, event rows, the settings copy) changes on the server's
// word. Called once per complete payload by the frame reassembler.
//
// Payloads are copied into zero-filled records first, so a short payload is
// never read past its end, and every text is read only up to the end of its
// field, so a server that leaves out a NUL cannot make the client overrun.
#include "link/server_messages.h"

#include "link/frame_io.h"
#include "link/item_rows.h"
#include "link/session.h"
#include "link/status_report.h"
#include "panel/tray_icon.h"

namespace {

void LogResponseText(const Pkt& pkt) {
    // Logged exactly as sent (also when empty), never used as a format.
    char text[sizeof pkt.text + 1];
    CopyFieldText(text, pkt.text);
    ReportStatus(text);
}

void OnItemAnnounced(const Pkt& pkt) {
    TestItem* item = NewTestItem();
    if (item != nullptr) {
        item->config = pkt.config;
        item->itemId = pkt.itemId;
        item->started = pkt.started;
        item->up = pkt.up;
    }
    // Memory for the row (the list's or the index's) can run out too.
    if (item == nullptr || !AddItemRow(item, 0))
        ReportStatus("Failed to allocated test item in client memory");
}

void OnItemStatus(const Pkt& pkt) {
    int row;
    TestItem* item = FindItemRow(pkt.itemId, &row);
    if (item == nullptr)
        return;
    const uint32_t oldStarted = item->started, oldUp = item->up;
    item->up = pkt.up;
    item->started = 1;
    TrayItemChanged(*item, oldStarted, oldUp, true);
    char text[sizeof pkt.text + 1];
    CopyFieldText(text, pkt.text);
    SetItemStatusText(row, text);
}

// Returns false when the event could not be kept (its copy or its row).
bool OnEvent(const Pkt& pkt) {
    EventRecord* copy = NewEventCopy(pkt.event);
    if (copy == nullptr || !AddEventRow(copy, 1)) {
        ReportStatus("failed to allocate memory for event");
        return false;
    }
    return true;
}

void OnItemResponse(const Pkt& pkt) {
    int row;
    TestItem* item = pkt.param == 0 ? FindItemRow(pkt.itemId, &row) : nullptr;
    if (item != nullptr) {
        switch (pkt.code) {
        case CODE_ITEM_EDIT:
            item->config = pkt.config;
            RefreshItemRow(item, row);
            break;
        case CODE_ITEM_DELETE: DeleteItemRow(item, row); break;
        case CODE_ITEM_START: SetItemStatusText(row, "Started"); break;
        case CODE_ITEM_STOP: {
            const uint32_t oldStarted = item->started, oldUp = item->up;
            item->started = 0;
            item->up = 0;
            TrayItemChanged(*item, oldStarted, oldUp, false);
            SetItemStatusText(row, "Stopped");
            break;
        }
        }
    }
    LogResponseText(pkt);
}

void OnNotice(const Pkt& pkt) {
    switch (pkt.code) {
    case CODE_ITEM_NEW: OnItemAnnounced(pkt); break;
    case CODE_ITEM_STATUS: OnItemStatus(pkt); break;
    case CODE_EVENTS: OnEvent(pkt); break;
    case CODE_EVENT_ACK:
        // The server waits for the notice to come back unchanged.
        if (OnEvent(pkt))
            SendPkt(&pkt);
        break;
    }
}

void OnResponse(const Pkt& pkt, const uint8_t* payload, size_t length) {
    switch (pkt.code) {
    case CODE_ITEM_NEW:
        LogResponseText(pkt);  // the row comes with the server's notice
        break;
    case CODE_ITEM_EDIT:
    case CODE_ITEM_DELETE:
    case CODE_ITEM_START:
    case CODE_ITEM_STOP: OnItemResponse(pkt); break;
    case CODE_SETTINGS_GET:
        DecodeRecord(&g_settingsCopy, sizeof g_settingsCopy, payload, length);
        g_settingsAvailable = 1;
        break;
    }
}

}  // namespace

void HandleServerMessage(const uint8_t* payload, size_t length) {
    if (length == 0)
        return;
    Pkt pkt;
    DecodeRecord(&pkt, sizeof pkt, payload, length);
    if (pkt.kind == KIND_REQUEST)
        OnNotice(pkt);
    else if (pkt.kind == KIND_RESPONSE)
        OnResponse(pkt, payload, length);
}
