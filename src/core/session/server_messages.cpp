// The server message handler: the only place where the client's mirror of
// the server (items, events, the settings copy) changes on the server's
// word. Called once per complete payload by the frame reassembler. It
// changes the mirror only; the mirror tells its view, and the status lines
// go to the registered reporter, so the handler needs no window.
//
// Payloads are copied into zero-filled records first, so a short payload is
// never read past its end, and every text is read only up to the end of its
// field, so a server that leaves out a NUL cannot make the client overrun.
#include "core/session/server_messages.h"

#include "core/mirror/item_state.h"
#include "core/mirror/server_mirror.h"
#include "core/session/frame_io.h"
#include "core/session/server_settings.h"
#include "core/session/status_report.h"

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
    // Memory for the row (the mirror's or the list's) can run out too.
    if (item == nullptr || !AddItemRow(item, 0))
        ReportStatus("Failed to allocated test item in client memory");
}

void OnItemStatus(const Pkt& pkt) {
    size_t row;
    if (FindItemRow(pkt.itemId, &row) == nullptr)
        return;
    char text[sizeof pkt.text + 1];
    CopyFieldText(text, pkt.text);
    SetItemState(row, STARTED_BY_STATUS_NOTICE, pkt.up, text, true);
}

// Returns false when the event could not be kept (its copy or its row).
bool OnEvent(const Pkt& pkt) {
    if (!AddEventRow(pkt.event, 1)) {
        ReportStatus("failed to allocate memory for event");
        return false;
    }
    return true;
}

void OnItemResponse(const Pkt& pkt) {
    size_t row;
    TestItem* item = pkt.param == 0 ? FindItemRow(pkt.itemId, &row) : nullptr;
    if (item != nullptr) {
        switch (pkt.code) {
        case CODE_ITEM_EDIT:
            item->config = pkt.config;
            RefreshItemRow(row);
            break;
        case CODE_ITEM_DELETE: DeleteItemRow(row); break;
        case CODE_ITEM_START: SetItemState(row, item->started, item->up, "Started", false); break;
        case CODE_ITEM_STOP: SetItemState(row, 0, 0, "Stopped", false); break;
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
    case CODE_SETTINGS_GET: {
        Cfg settings;
        DecodeRecord(&settings, sizeof settings, payload, length);
        StoreServerSettings(settings);
        break;
    }
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
