// The tests' one fake of the framing's seams: frames handed to the transport
// and payloads delivered to the message handler are recorded instead of
// reaching a socket or the dispatcher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct Capture {
    std::vector<Bytes> sentFrames;
    std::vector<Bytes> delivered;
    int transportResult = 1;  // what the fake transport answers (1: queued whole)
    void Clear() {
        sentFrames.clear();
        delivered.clear();
        transportResult = 1;
    }
};

extern Capture g_capture;

int CaptureTransport(const uint8_t* frame, size_t length);
void CaptureMessage(const uint8_t* payload, size_t length);

// Clears the record and registers the fake transport; with `messages` also
// the fake message handler (otherwise the registered handler stays).
void UseCapture(bool messages);
