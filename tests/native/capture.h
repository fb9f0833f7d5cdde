// Test doubles for the client's link-time seams: frames handed to the
// transport and payloads delivered to the dispatcher are recorded.
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct Capture {
    std::vector<Bytes> sentFrames;
    std::vector<Bytes> delivered;
    int transportResult = 1;
    void Clear() {
        sentFrames.clear();
        delivered.clear();
        transportResult = 1;
    }
};

extern Capture g_capture;
