#include "capture.h"

#include "core/session/frame_io.h"

Capture g_capture;

int CaptureTransport(const uint8_t* frame, size_t length) {
    g_capture.sentFrames.emplace_back(frame, frame + length);
    return g_capture.transportResult;
}

void CaptureMessage(const uint8_t* payload, size_t length) {
    g_capture.delivered.emplace_back(payload, payload + length);
}

void UseCapture(bool messages) {
    g_capture.Clear();
    SetFrameTransport(CaptureTransport);
    if (messages)
        SetServerMessageHandler(CaptureMessage);
}
