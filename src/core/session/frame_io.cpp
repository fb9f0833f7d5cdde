// Client frame senders, the server connection's reassembler and the
// synchronisation sequence.
#include "core/session/frame_io.h"

#include <cstring>

#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "core/wire/frame.h"
#include "core/wire/frame_trace.h"

namespace {

// Lives for the whole run: a frame may be split across any number of receives.
FrameReassembler g_reassembler;

FrameTransport g_transport;
ServerMessageHandler g_messageHandler;

void DeliverToHandler(void*, const uint8_t* payload, size_t length) {
    if (FrameTraceOpen()) {
        uint8_t frame[FRAME_HEADER_SIZE + FRAME_MAX_PAYLOAD];
        const size_t frameLength = BuildFrame(frame, sizeof frame, payload, length);
        TraceFrame("recv", frame, frameLength);
    }
    if (g_messageHandler != nullptr)
        g_messageHandler(payload, length);
}

int SendFramed(const void* record, size_t length) {
    uint8_t packet_buf[FRAME_BUFFER_SIZE];
    const size_t frameLength = BuildFrame(packet_buf, sizeof packet_buf, record, length);
    if (frameLength == 0 || g_transport == nullptr)
        return 0;
    const int rc = g_transport(packet_buf, frameLength);
    TraceFrame(rc == 1 ? "sent" : "not sent", packet_buf, frameLength);
    return rc;
}

}  // namespace

void SetFrameTransport(FrameTransport transport) {
    g_transport = transport;
}

void SetServerMessageHandler(ServerMessageHandler handler) {
    g_messageHandler = handler;
}

int SendPkt(const Pkt* pkt) {
    return SendFramed(pkt, sizeof(Pkt));
}

int SendRecord(const void* record, size_t length) {
    if (g_connectionState != CONN_CONNECTED)
        return 0;
    return SendFramed(record, length);
}

void FeedFrameBytes(const uint8_t* bytes, size_t count) {
    FeedFrameReassembler(g_reassembler, bytes, count, DeliverToHandler, nullptr);
}

void ResetFrameReassembler() {
    g_reassembler.Reset();
}

void SendSyncSequence(uint32_t depth) {
    ForgetServerSettings();

    Cfg cfg;
    std::memset(&cfg, 0, sizeof cfg);
    cfg.kind = KIND_REQUEST;
    cfg.code = CODE_SETTINGS_GET;
    SendRecord(&cfg, sizeof cfg);

    const Pkt items = MakeRequest(CODE_ITEM_LIST);
    SendPkt(&items);

    const Pkt events = MakeRequest(CODE_EVENTS, 0, depth);
    SendPkt(&events);
}
