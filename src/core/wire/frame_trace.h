// A trace of the server connection for the day a server misbehaves: every
// frame received and sent, timestamped and hex-dumped, appended to a file.
// Off unless OpenFrameTrace is called (the program does so when the
// QUORVEX_TRACE environment variable names a file). The SMTP password of a
// settings record is written as asterisks, so a trace can be attached to a
// bug report. Portable: no Win32.
//
// The file has a size cap, counted with what earlier runs left in it: a
// frame that would take it past the cap is not written, and a last line
// says that the trace stopped there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint64_t FRAME_TRACE_DEFAULT_CAP = 512ull << 20;

// The cap in bytes from QUORVEX_TRACE_MAX_MB's text (a whole number of MiB);
// the default when it is missing, zero or not a number.
uint64_t FrameTraceCap(const char* megabytes);

// Appends to `path` from now on, until the file holds `capBytes`; false
// (trace stays off) when it does not open.
bool OpenFrameTrace(const char* path, uint64_t capBytes = FRAME_TRACE_DEFAULT_CAP);
void CloseFrameTrace();
bool FrameTraceOpen();

// Writes one frame (header included) if the trace is open; `direction` is
// "recv" or "sent".
void TraceFrame(const char* direction, const uint8_t* frame, size_t length);

// The text TraceFrame writes for a frame after `stamp` (the time, as
// "yyyy-mm-dd hh:mm:ss.mmm"): a heading line, then 16 bytes a line in hex
// and as characters. The password field is masked.
std::string FormatFrameTrace(const char* stamp, const char* direction, const uint8_t* frame,
                             size_t length);
