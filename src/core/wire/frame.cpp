// Frame builder and reassembler.
#include "core/wire/frame.h"

#include <cstring>

size_t BuildFrame(uint8_t* out, size_t outSize, const void* record, size_t length) {
    if (length == 0 || length > 0xFFFF || outSize < FRAME_HEADER_SIZE ||
        length > outSize - FRAME_HEADER_SIZE)
        return 0;
    out[0] = FRAME_MAGIC1;
    out[1] = FRAME_MAGIC2;
    out[2] = static_cast<uint8_t>(length >> 8);
    out[3] = static_cast<uint8_t>(length & 0xFF);
    std::memcpy(out + FRAME_HEADER_SIZE, record, length);
    return FRAME_HEADER_SIZE + length;
}

void FeedFrameReassembler(FrameReassembler& r, const uint8_t* bytes, size_t count, FrameSink sink,
                          void* context) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        switch (r.state) {
        case WAIT_MAGIC1:
            if (b == FRAME_MAGIC1)
                r.state = WAIT_MAGIC2;
            break;
        case WAIT_MAGIC2:
            // A second 0x51 does not restart the magic: the byte is dropped.
            r.state = b == FRAME_MAGIC2 ? WAIT_LEN_HIGH : WAIT_MAGIC1;
            break;
        case WAIT_LEN_HIGH:
            r.length = static_cast<uint16_t>(b << 8);
            r.state = WAIT_LEN_LOW;
            break;
        case WAIT_LEN_LOW:
            r.length = static_cast<uint16_t>(r.length | b);
            r.count = 0;
            r.state = (r.length == 0 || r.length > FRAME_MAX_PAYLOAD) ? WAIT_MAGIC1 : READ_PAYLOAD;
            break;
        case READ_PAYLOAD: {
            // Copy as much of this frame as the input holds in one go.
            size_t take = r.length - r.count;
            if (take > count - i)
                take = count - i;
            std::memcpy(r.payload + r.count, bytes + i, take);
            r.count = static_cast<uint16_t>(r.count + take);
            i += take - 1;
            if (r.count == r.length) {
                r.state = WAIT_MAGIC1;
                if (sink != nullptr)
                    sink(context, r.payload, r.length);
            }
            break;
        }
        }
    }
}
