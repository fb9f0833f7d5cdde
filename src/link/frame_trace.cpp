// The frame trace: formatting, masking and the file.
#include "link/frame_trace.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "link/wire.h"

namespace {

FILE* g_traceFile;

// A settings record, from the client (get, set) or from the server (its
// answer to a get), carries the SMTP password at the same offset. The whole
// field becomes asterisks, so neither the password nor its length shows.
void MaskPassword(std::vector<uint8_t>& frame) {
    if (frame.size() < FRAME_HEADER_SIZE + 8)
        return;
    const uint8_t* payload = frame.data() + FRAME_HEADER_SIZE;
    const uint32_t code =
        static_cast<uint32_t>(payload[4]) | static_cast<uint32_t>(payload[5]) << 8 |
        static_cast<uint32_t>(payload[6]) << 16 | static_cast<uint32_t>(payload[7]) << 24;
    if (code != CODE_SETTINGS_GET && code != CODE_SETTINGS_SET)
        return;
    const size_t first = FRAME_HEADER_SIZE + offsetof(Cfg, smtpPassword);
    const size_t end = first + sizeof(Cfg::smtpPassword);
    for (size_t i = first; i < end && i < frame.size(); ++i)
        frame[i] = '*';
}

void FormatStamp(char* out, size_t size) {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const unsigned ms =
        static_cast<unsigned>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local = {};
    if (const std::tm* t = std::localtime(&seconds))
        local = *t;
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(out, size, "%s.%03u", date, ms);
}

}  // namespace

bool OpenFrameTrace(const char* path) {
    CloseFrameTrace();
    if (path == nullptr || path[0] == '\0')
        return false;
    g_traceFile = std::fopen(path, "a");
    return g_traceFile != nullptr;
}

void CloseFrameTrace() {
    if (g_traceFile != nullptr)
        std::fclose(g_traceFile);
    g_traceFile = nullptr;
}

bool FrameTraceOpen() {
    return g_traceFile != nullptr;
}

std::string FormatFrameTrace(const char* stamp, const char* direction, const uint8_t* frame,
                             size_t length) {
    std::vector<uint8_t> bytes(frame, frame + length);
    MaskPassword(bytes);

    char line[128];
    std::snprintf(line, sizeof line, "%s %s %u bytes\n", stamp, direction,
                  static_cast<unsigned>(length));
    std::string text = line;
    for (size_t at = 0; at < bytes.size(); at += 16) {
        int n = std::snprintf(line, sizeof line, "  %04x ", static_cast<unsigned>(at));
        for (size_t i = at; i < at + 16; ++i) {
            if (i < bytes.size())
                n += std::snprintf(line + n, sizeof line - n, " %02x", bytes[i]);
            else
                n += std::snprintf(line + n, sizeof line - n, "   ");
        }
        n += std::snprintf(line + n, sizeof line - n, "  ");
        for (size_t i = at; i < at + 16 && i < bytes.size(); ++i)
            line[n++] = bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
        line[n++] = '\n';
        text.append(line, static_cast<size_t>(n));
    }
    return text;
}

void TraceFrame(const char* direction, const uint8_t* frame, size_t length) {
    if (g_traceFile == nullptr)
        return;
    // Called from window procedures: a trace short of memory loses its line,
    // nothing else.
    try {
        char stamp[48];
        FormatStamp(stamp, sizeof stamp);
        const std::string text = FormatFrameTrace(stamp, direction, frame, length);
        std::fwrite(text.data(), 1, text.size(), g_traceFile);
        std::fflush(g_traceFile);  // a trace must survive the crash it is meant to explain
    } catch (...) {
    }
}
