// The frame trace: formatting, masking and the file.
#include "core/wire/frame_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "core/wire/wire.h"

namespace {

FILE* g_traceFile;
uint64_t g_traceCap;
uint64_t g_traceBytes;  // in the file, from earlier runs too

// The file is written in text mode: on Windows every line end takes two bytes.
#ifdef _WIN32
constexpr size_t LINE_END_BYTES = 2;
#else
constexpr size_t LINE_END_BYTES = 1;
#endif

uint64_t BytesOnDisk(const char* text, size_t length) {
    uint64_t bytes = length;
    for (size_t i = 0; i < length; ++i)
        bytes += text[i] == '\n' ? LINE_END_BYTES - 1 : 0;
    return bytes;
}

uint64_t FileSize(FILE* file) {
#ifdef _WIN32
    const long long size = _fseeki64(file, 0, SEEK_END) == 0 ? _ftelli64(file) : -1;
#else
    const long long size = fseeko(file, 0, SEEK_END) == 0 ? ftello(file) : -1;
#endif
    return size > 0 ? static_cast<uint64_t>(size) : 0;
}

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

uint64_t FrameTraceCap(const char* megabytes) {
    if (megabytes == nullptr || megabytes[0] < '0' || megabytes[0] > '9')
        return FRAME_TRACE_DEFAULT_CAP;
    char* end = nullptr;
    const unsigned long long mb = std::strtoull(megabytes, &end, 10);
    if (*end != '\0' || mb == 0)
        return FRAME_TRACE_DEFAULT_CAP;
    return mb < (1ull << 40) ? mb << 20 : UINT64_MAX;
}

bool OpenFrameTrace(const char* path, uint64_t capBytes) {
    CloseFrameTrace();
    if (path == nullptr || path[0] == '\0')
        return false;
    g_traceFile = std::fopen(path, "a");
    if (g_traceFile == nullptr)
        return false;
    g_traceCap = capBytes;
    g_traceBytes = FileSize(g_traceFile);
    return true;
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
        // The last line always has room: a frame is written only if it leaves it.
        char last[160];
        std::snprintf(last, sizeof last,
                      "%s trace stopped: the file reached its cap of %llu bytes"
                      " (QUORVEX_TRACE_MAX_MB)\n",
                      stamp, static_cast<unsigned long long>(g_traceCap));
        const uint64_t bytes = BytesOnDisk(text.data(), text.size());
        const uint64_t lastBytes = BytesOnDisk(last, std::strlen(last));
        if (g_traceBytes + bytes + lastBytes <= g_traceCap) {
            std::fwrite(text.data(), 1, text.size(), g_traceFile);
            g_traceBytes += bytes;
        } else {
            // The cap is reached: the last line, and nothing more this run.
            // Only a file that earlier runs filled has no room for it, and
            // there their own last line says so.
            if (g_traceBytes + lastBytes <= g_traceCap)
                std::fputs(last, g_traceFile);
            CloseFrameTrace();
            return;
        }
        std::fflush(g_traceFile);  // a trace must survive the crash it is meant to explain
    } catch (...) {
    }
}
