// Client frame senders, the server connection's reassembler and the
// synchronisation sequence.
#include "link/frame_io.h"

#include <cstring>

#include "link/frame.h"
#include "link/session.h"

namespace {

// Lives for the whole run: a frame may be split across any number of receives.
FrameReassembler g_reassembler;

void DeliverToDispatcher(void*, const uint8_t* payload, size_t length) {
    HandleServerMessage(payload, length);
}

int SendFramed(const void* record, size_t length) {
    uint8_t packet_buf[FRAME_BUFFER_SIZE];
    const size_t frameLength = BuildFrame(packet_buf, sizeof packet_buf, record, length);
    if (frameLength == 0)
        return 0;
    return FrameTransportSend(packet_buf, frameLength);
}

}  // namespace

int SendPkt(const Pkt* pkt) {
    return SendFramed(pkt, sizeof(Pkt));
}

int SendRecord(const void* record, size_t length) {
    if (g_connectionState != CONN_CONNECTED)
        return 0;
    return SendFramed(record, length);
}

void FeedFrameBytes(const uint8_t* bytes, size_t count) {
    FeedFrameReassembler(g_reassembler, bytes, count, DeliverToDispatcher, nullptr);
}

void ResetFrameReassembler() {
    ResetFrameReassembler(g_reassembler);
}

void SendSyncSequence(uint32_t depth) {
    g_settingsAvailable = 0;

    Cfg cfg;
    std::memset(&cfg, 0, sizeof cfg);
    cfg.kind = KIND_REQUEST;
    cfg.code = CODE_SETTINGS_GET;
    SendRecord(&cfg, sizeof cfg);

    Pkt pkt;
    std::memset(&pkt, 0, sizeof pkt);
    pkt.kind = KIND_REQUEST;
    pkt.code = CODE_ITEM_LIST;
    SendPkt(&pkt);

    std::memset(&pkt, 0, sizeof pkt);
    pkt.kind = KIND_REQUEST;
    pkt.code = CODE_EVENTS;
    pkt.param = depth;
    SendPkt(&pkt);
}
