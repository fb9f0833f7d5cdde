// Frames: the "QX" magic, a big-endian 16-bit payload length, the payload.
//
// BuildFrame is the pure builder used by the client's senders and by the
// reference server. FrameReassembler cuts a byte stream back into payloads,
// however the stream was split; its state survives between calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/wire/wire.h"

// Writes the frame for `length` record bytes into out (outSize bytes).
// Returns the frame's length, or 0 when length is 0 or the frame does not fit
// (the client's 2048-byte buffer takes payloads of at most 2044 bytes).
size_t BuildFrame(uint8_t* out, size_t outSize, const void* record, size_t length);

enum FrameState : uint8_t {
    WAIT_MAGIC1,
    WAIT_MAGIC2,
    WAIT_LEN_HIGH,
    WAIT_LEN_LOW,
    READ_PAYLOAD,
};

// Called once per complete payload, synchronously, before the next byte is looked at.
// The payload buffer is reused by the next frame: copy what you keep.
using FrameSink = void (*)(void* context, const uint8_t* payload, size_t length);

struct FrameReassembler {
    FrameState state = WAIT_MAGIC1;
    uint16_t length = 0;
    uint16_t count = 0;
    uint8_t payload[FRAME_MAX_PAYLOAD] = {};

    // Drops any half-received frame: the next byte is searched for the magic.
    void Reset() {
        state = WAIT_MAGIC1;
        length = 0;
        count = 0;
    }
};

// Runs every byte through the reassembler. A header announcing more than
// 2048 bytes is dropped and the search for the magic resumes with the next
// byte; a header announcing 0 bytes is dropped the same way (nothing to deliver).
void FeedFrameReassembler(FrameReassembler& r, const uint8_t* bytes, size_t count, FrameSink sink,
                          void* context);
