// libFuzzer target: arbitrary server bytes through the client's own framing,
// the real message dispatcher and the server mirror. The registered view
// reads back every cell it is told of, through buffers of several sizes
// allocated to the byte; memory runs out where the input says, and the view
// refuses rows where it says. Any out-of-bounds access, or a broken promise
// of the mirror (row numbers, counts, frames sent back), fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "link/frame.h"
#include "link/frame_io.h"
#include "link/record_memory.h"
#include "link/server_lists.h"
#include "link/server_messages.h"
#include "link/server_mirror.h"
#include "link/session.h"
#include "link/status_report.h"

namespace {

uint8_t g_refusals;     // bit i: refuse every allocation whose number is i mod 8
uint8_t g_rowsRefused;  // bit i: the view refuses every row whose number is i mod 8
unsigned g_allocations;
unsigned g_appends;

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool Refuse(RecordMemoryUse, size_t) {
    return (g_refusals >> (g_allocations++ % 8)) & 1;
}

void ReadCells(MirrorList list, size_t row) {
    for (int column = -1; column <= 5; ++column) {
        for (size_t size : {size_t{1}, size_t{2}, size_t{5}, size_t{200}}) {
            char* cell = static_cast<char*>(std::malloc(size));
            MirrorCellText(list, row, column, cell, size);
            Check(std::strlen(cell) < size);
            std::free(cell);
        }
    }
}

bool OnAppended(MirrorList list, size_t row, const void* record, bool) {
    Check(row + 1 == MirrorRows(list));
    Check(record == (list == MirrorList::Items ? static_cast<const void*>(MirrorItem(row))
                                               : static_cast<const void*>(MirrorEvent(row))));
    ReadCells(list, row);
    return !((g_rowsRefused >> (g_appends++ % 8)) & 1);
}

void OnChanged(MirrorList list, size_t row, const ItemChange&) {
    Check(list == MirrorList::Items && row < MirrorRows(list));
    ReadCells(list, row);
}

void OnRemoved(MirrorList list, size_t row) {
    Check(list == MirrorList::Items && row < MirrorRows(list));
}

const MirrorView kView = {OnAppended, OnChanged, OnRemoved, nullptr};

void OnStatusLine(const char* text) {
    Check(std::strlen(text) <= 128);
}

int OnFrameSent(const uint8_t* frame, size_t length) {
    // Only acknowledgements go back, each a whole 640-byte Pkt.
    Check(length == 644 && frame[0] == 0x51 && frame[1] == 0x58 && frame[2] == 0x02 &&
          frame[3] == 0x80 && frame[8] == CODE_EVENT_ACK);
    return 1;
}

void OnMessage(const uint8_t* payload, size_t length) {
    HandleServerMessage(payload, length);
    const ItemCounts& counts = MirrorItemCounts();
    Check(counts.Up() + counts.Down() + counts.Stopped() == MirrorRows(MirrorList::Items));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = false;
    if (!started) {
        SetMirrorView(&kView);
        SetStatusReporter(OnStatusLine);
        SetFrameTransport(OnFrameSent);
        SetServerMessageHandler(OnMessage);
        SetMemoryRefusal(Refuse);
        g_connectionState = CONN_CONNECTED;
        started = true;
    }
    if (size < 3)
        return 0;
    // The first bytes choose the refusals and how the rest arrives: as a
    // byte stream cut in two anywhere, or as payloads that are framed here,
    // each after a byte that says how long it is (mostly a whole Pkt or
    // Cfg), so that the fuzzer reaches the dispatcher at once.
    g_refusals = data[0];
    g_rowsRefused = data[1];
    g_allocations = g_appends = 0;
    ResetFrameReassembler();
    data += 3;
    size -= 3;
    if (data[-1] & 1) {
        while (size > 0) {
            const uint8_t pick = data[0];
            size_t length = pick < 128 ? sizeof(Pkt) : pick < 192 ? sizeof(Cfg) : pick - 190u;
            ++data;
            --size;
            length = length < size ? length : size;
            uint8_t frame[FRAME_HEADER_SIZE + FRAME_MAX_PAYLOAD];
            const size_t n = BuildFrame(frame, sizeof frame, data, length);
            FeedFrameBytes(frame, n);
            data += length;
            size -= length;
        }
    } else {
        const size_t cut = size > 0 ? data[-1] % size : 0;
        FeedFrameBytes(data, cut);
        FeedFrameBytes(data + cut, size - cut);
    }
    ClearServerLists();
    Check(MirrorRows(MirrorList::Items) == 0 && MirrorRows(MirrorList::Events) == 0);
    return 0;
}
