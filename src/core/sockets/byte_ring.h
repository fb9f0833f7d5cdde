// The byte ring behind every connection's send queue. Portable (no Winsock):
// the locking and the socket calls live with the socket layer.
#pragma once

#include <cstdint>

// A ring of `capacity` bytes that holds at most capacity - 1 of them, so that
// full and empty never look alike. Positions wrap to 0 at `capacity`.
struct ByteRing {
    uint8_t* buffer;  // null when the ring does not exist
    uint32_t capacity;
    uint32_t count;     // bytes waiting
    uint32_t writePos;  // where the next stored byte goes
    uint32_t readPos;   // where the next byte to send is taken from
};

// Allocates an empty ring; false (ring left without buffer) when memory is short.
bool RingCreate(ByteRing& ring, uint32_t capacity);
void RingDestroy(ByteRing& ring);

// Bytes that can still be stored.
uint32_t RingRoom(const ByteRing& ring);

// Stores as many of the bytes as fit, in order; returns how many.
uint32_t RingPut(ByteRing& ring, const uint8_t* data, uint32_t length);

// Points *run at the oldest byte and returns how many bytes follow it without
// a wrap, at most `limit`. 0 when the ring is empty.
uint32_t RingPeekRun(const ByteRing& ring, uint32_t limit, const uint8_t** run);

// Drops the `n` oldest bytes (n <= count).
void RingConsume(ByteRing& ring, uint32_t n);

// Test seam: the next `count` calls of RingCreate fail as if memory were short.
void RingFailAllocationsForTesting(int count);
