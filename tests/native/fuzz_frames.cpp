// libFuzzer target: arbitrary server bytes through the client's own framing,
// the real message dispatcher and the server mirror. The registered view
// reads back every cell it is told of, through buffers allocated to the
// byte; memory runs out and the view refuses rows where the input says. Any
// out-of-bounds access, or a broken promise of the mirror (row numbers,
// counts, frames sent back), fails.
#include <cstdlib>
#include <cstring>

#include "core/mirror/record_memory.h"
#include "core/mirror/server_lists.h"
#include "core/mirror/server_mirror.h"
#include "core/session/frame_io.h"
#include "core/session/server_messages.h"
#include "core/session/session.h"
#include "core/session/status_report.h"
#include "core/wire/frame.h"

#define CHECK(condition) ((condition) ? (void)0 : __builtin_trap())

namespace {

// Bit i of a mask: refuse every allocation (or row) whose number is i mod 8.
uint8_t g_refusals, g_rowsRefused;
unsigned g_allocations, g_appends;

bool Refuse(RecordMemoryUse, size_t) {
    return (g_refusals >> (g_allocations++ % 8)) & 1;
}

void ReadCells(MirrorList list, size_t row) {
    CHECK(row < MirrorRows(list));
    for (int column = -1; column <= 5; ++column)
        for (size_t size = 1; size <= 200; size = size * 3 + 1) {
            char* cell = static_cast<char*>(std::malloc(size));
            MirrorCellText(list, row, column, cell, size);
            CHECK(std::strlen(cell) < size);
            std::free(cell);
        }
}

bool OnAppended(MirrorList list, size_t row, const void* record, bool) {
    CHECK(row + 1 == MirrorRows(list));
    CHECK(record == (list == MirrorList::Items ? static_cast<const void*>(MirrorItem(row))
                                               : static_cast<const void*>(MirrorEvent(row))));
    ReadCells(list, row);
    return !((g_rowsRefused >> (g_appends++ % 8)) & 1);
}

const MirrorView kView = {
    OnAppended, [](MirrorList list, size_t row, const ItemChange&) { ReadCells(list, row); },
    [](MirrorList list, size_t row) { CHECK(row < MirrorRows(list)); }, nullptr};

void OnMessage(const uint8_t* payload, size_t length) {
    HandleServerMessage(payload, length);
    const ItemCounts& counts = MirrorItemCounts();
    CHECK(counts.Up() + counts.Down() + counts.Stopped() == MirrorRows(MirrorList::Items));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetMirrorView(&kView);
    SetStatusReporter([](const char* text) { CHECK(std::strlen(text) <= 128); });
    // Only acknowledgements go back, each a whole 640-byte Pkt.
    SetFrameTransport([](const uint8_t* frame, size_t length) {
        CHECK(length == 644 && std::memcmp(frame, "QX\x02\x80", 4) == 0 && frame[8] == 8);
        return 1;
    });
    SetServerMessageHandler(OnMessage);
    SetMemoryRefusal(Refuse);
    g_connectionState = CONN_CONNECTED;
    if (size < 3)
        return 0;
    // The first bytes choose the refusals and how the rest arrives: as a
    // byte stream cut in two anywhere, or as payloads framed here, each after
    // a byte that picks its length (mostly a whole Pkt or Cfg), so that the
    // fuzzer reaches the dispatcher at once.
    g_refusals = data[0];
    g_rowsRefused = data[1];
    g_allocations = g_appends = 0;
    const uint8_t how = data[2];
    data += 3;
    size -= 3;
    ResetFrameReassembler();
    if (how & 1) {
        while (size > 0) {
            size_t length = data[0] < 128   ? sizeof(Pkt)
                            : data[0] < 192 ? sizeof(Cfg)
                                            : data[0] - 190u;
            length = length < size - 1 ? length : size - 1;
            uint8_t frame[FRAME_HEADER_SIZE + FRAME_MAX_PAYLOAD];
            FeedFrameBytes(frame, BuildFrame(frame, sizeof frame, data + 1, length));
            data += 1 + length;
            size -= 1 + length;
        }
    } else {
        const size_t cut = size > 0 ? how % size : 0;
        FeedFrameBytes(data, cut);
        FeedFrameBytes(data + cut, size - cut);
    }
    ClearServerLists();
    CHECK(MirrorRows(MirrorList::Items) == 0 && MirrorRows(MirrorList::Events) == 0);
    return 0;
}
