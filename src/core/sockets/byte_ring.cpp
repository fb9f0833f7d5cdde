// Ring storage for the send queues: whole runs are copied with memcpy, so
// queuing and sending cost one or two copies instead of a loop per byte.
#include "core/sockets/byte_ring.h"

#include <cstring>
#include <new>

static int g_failAllocations;

bool RingCreate(ByteRing& ring, uint32_t capacity) {
    std::memset(&ring, 0, sizeof ring);
    if (capacity < 2)
        return false;
    if (g_failAllocations > 0) {
        --g_failAllocations;
        return false;
    }
    ring.buffer = new (std::nothrow) uint8_t[capacity];
    if (ring.buffer == nullptr)
        return false;
    ring.capacity = capacity;
    return true;
}

void RingDestroy(ByteRing& ring) {
    delete[] ring.buffer;
    std::memset(&ring, 0, sizeof ring);
}

uint32_t RingRoom(const ByteRing& ring) {
    if (ring.buffer == nullptr)
        return 0;
    return ring.capacity - 1 - ring.count;
}

uint32_t RingPut(ByteRing& ring, const uint8_t* data, uint32_t length) {
    uint32_t stored = 0;
    uint32_t want = length < RingRoom(ring) ? length : RingRoom(ring);
    while (want > 0) {
        // At most two passes: up to the end of the buffer, then from its start.
        uint32_t run = ring.capacity - ring.writePos;
        if (run > want)
            run = want;
        std::memcpy(ring.buffer + ring.writePos, data + stored, run);
        ring.writePos += run;
        if (ring.writePos == ring.capacity)
            ring.writePos = 0;
        ring.count += run;
        stored += run;
        want -= run;
    }
    return stored;
}

uint32_t RingPeekRun(const ByteRing& ring, uint32_t limit, const uint8_t** run) {
    *run = nullptr;
    if (ring.buffer == nullptr || ring.count == 0)
        return 0;
    uint32_t n = ring.capacity - ring.readPos;
    if (n > ring.count)
        n = ring.count;
    if (n > limit)
        n = limit;
    *run = ring.buffer + ring.readPos;
    return n;
}

void RingConsume(ByteRing& ring, uint32_t n) {
    if (n > ring.count)
        n = ring.count;
    ring.readPos = (ring.readPos + n) % ring.capacity;
    ring.count -= n;
}

void RingFailAllocationsForTesting(int count) {
    g_failAllocations = count;
}
