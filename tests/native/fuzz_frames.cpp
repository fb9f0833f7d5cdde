// libFuzzer target: arbitrary server bytes through the reassembler and the
// record decoding that the dispatcher does. Any out-of-bounds access fails.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "link/frame.h"
#include "link/wire.h"

namespace {

volatile size_t g_sink;

void Decode(void*, const uint8_t* payload, size_t length) {
    Pkt p;
    DecodeRecord(&p, sizeof p, payload, length);
    Cfg c;
    DecodeRecord(&c, sizeof c, payload, length);
    char text[256];
    CopyFieldText(text, p.text);
    g_sink += std::strlen(text);
    CopyFieldText(text, p.config.name);
    CopyFieldText(text, p.config.host);
    CopyFieldText(text, p.event.date);
    CopyFieldText(text, p.event.time);
    CopyFieldText(text, p.event.itemName);
    CopyFieldText(text, p.event.host);
    CopyFieldText(text, p.event.text);
    CopyFieldText(text, c.smtpServer);
    CopyFieldText(text, c.smtpPassword);
    g_sink += std::strlen(TestTypeText(p.config.testType)) + std::strlen(text);
}

FrameReassembler g_reassembler;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks where the input is cut, so splits are explored too.
    ResetFrameReassembler(g_reassembler);
    if (size == 0)
        return 0;
    size_t cut = data[0] % size;
    FeedFrameReassembler(g_reassembler, data + 1, cut, Decode, nullptr);
    FeedFrameReassembler(g_reassembler, data + 1 + cut, size - 1 - cut, Decode, nullptr);
    return 0;
}
