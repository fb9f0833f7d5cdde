// The frame trace: what a line looks like, the SMTP password masked in every
// settings record, and the frames of a real send and receive in the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "capture.h"
#include "core/session/frame_io.h"
#include "core/session/session.h"
#include "core/wire/frame.h"
#include "core/wire/frame_trace.h"

namespace {

Bytes FrameBytes(const void* record, size_t length) {
    Bytes f(FRAME_HEADER_SIZE + length);
    EXPECT_EQ(BuildFrame(f.data(), f.size(), record, length), f.size());
    return f;
}

std::string FileText(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream all;
    all << file.rdbuf();
    return all.str();
}

TEST(FrameTrace, PktLinesShowOffsetHexAndText) {
    Pkt p = MakeRequest(CODE_ITEM_START, 7);
    std::strcpy(p.text, "Hi");
    const Bytes f = FrameBytes(&p, sizeof p);
    const std::string text =
        FormatFrameTrace("2026-12-08 03:00:00.000", "sent", f.data(), f.size());
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "2026-12-08 03:00:00.000 sent 644 bytes");
    std::getline(lines, line);
    EXPECT_EQ(line, "  0000  51 58 02 80 00 00 00 00 03 00 00 00 00 00 00 00  QX..............");
    std::getline(lines, line);
    EXPECT_EQ(line.substr(0, 16), "  0010  48 69 00");
    int count = 3;
    while (std::getline(lines, line))
        ++count;
    EXPECT_EQ(count, 1 + (644 + 15) / 16);
}

TEST(FrameTrace, SmtpPasswordIsAsterisksInEverySettingsRecord) {
    for (uint32_t code : {CODE_SETTINGS_GET, CODE_SETTINGS_SET}) {
        Cfg c = {};
        c.kind = KIND_RESPONSE;
        c.code = code;
        std::strcpy(c.smtpUser, "mailer");
        std::strcpy(c.smtpPassword, "hunter2");
        const Bytes f = FrameBytes(&c, sizeof c);
        const std::string text = FormatFrameTrace("t", "recv", f.data(), f.size());
        EXPECT_EQ(text.find("hunter2"), std::string::npos) << code;
        EXPECT_EQ(text.find("68 75 6e 74"), std::string::npos) << code;  // "hunt" in hex
        EXPECT_NE(text.find("mailer"), std::string::npos) << code;
        EXPECT_NE(text.find(std::string(16, '*')), std::string::npos) << code;
        // The whole field, and nothing after it, is masked.
        Bytes masked = f;
        for (size_t i = 0; i < 80; ++i)
            masked[FRAME_HEADER_SIZE + offsetof(Cfg, smtpPassword) + i] = '*';
        EXPECT_EQ(text, FormatFrameTrace("t", "recv", masked.data(), masked.size())) << code;
    }
}

TEST(FrameTrace, SendsAndReceivesAreAppendedWhileOpen) {
    const char* path = "frame_trace_test.log";
    std::remove(path);
    UseCapture(true);
    g_connectionState = CONN_CONNECTED;
    const Pkt before = MakeRequest(CODE_ITEM_LIST);
    SendPkt(&before);  // not traced: the trace is not open yet

    ASSERT_TRUE(OpenFrameTrace(path));
    Cfg c = {};
    c.code = CODE_SETTINGS_SET;
    std::strcpy(c.smtpPassword, "hunter2");
    SendRecord(&c, sizeof c);
    const Bytes in = FrameBytes(&before, sizeof before);
    ResetFrameReassembler();
    FeedFrameBytes(in.data(), in.size());
    CloseFrameTrace();
    g_connectionState = CONN_DISCONNECTED;

    const std::string text = FileText(path);
    EXPECT_EQ(text.find(" sent 644 bytes"), std::string::npos);
    EXPECT_NE(text.find(" sent 424 bytes"), std::string::npos);
    EXPECT_NE(text.find(" recv 644 bytes"), std::string::npos);
    EXPECT_EQ(text.find("hunter2"), std::string::npos);
    EXPECT_EQ(g_capture.sentFrames.size(), 2u);
    EXPECT_EQ(g_capture.delivered.size(), 1u);
    std::remove(path);
}

// About 3 KB a frame: after what an earlier run left, one fits under the
// cap and the next does not. Each run that drops frames says so last.
TEST(FrameTrace, StopsAtItsCapCountingWhatTheFileHeldWithALastLine) {
    const char* path = "frame_trace_cap_test.log";
    std::ofstream(path) << std::string(3000, 'x') << '\n';
    const Pkt p = MakeRequest(CODE_ITEM_LIST);
    const Bytes f = FrameBytes(&p, sizeof p);
    const char* stopped = " trace stopped: the file reached its cap of 8000 bytes";
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(OpenFrameTrace(path, 8000));
        for (int i = 0; i < 3; ++i)
            TraceFrame("sent", f.data(), f.size());
        const size_t size = FileText(path).size();
        TraceFrame("sent", f.data(), f.size());
        EXPECT_EQ(FileText(path).size(), size) << "the file stopped growing";
        CloseFrameTrace();
        const std::string text = FileText(path);
        EXPECT_LE(text.size(), 8000u);
        EXPECT_EQ(text.find(" sent 644 bytes"), text.rfind(" sent 644 bytes")) << "one frame";
        const size_t last = text.rfind('\n', text.size() - 2) + 1;
        EXPECT_NE(text.find(stopped, last), std::string::npos) << text.substr(last);
    }
    std::remove(path);
    // QUORVEX_TRACE_MAX_MB: a whole number of MiB; anything else gives the default.
    EXPECT_EQ(FrameTraceCap("3"), 3u << 20);
    for (const char* bad : {static_cast<const char*>(nullptr), "", "0", "-1", " 2", "2MB"})
        EXPECT_EQ(FrameTraceCap(bad), FRAME_TRACE_DEFAULT_CAP) << (bad ? bad : "unset");
}

}  // namespace
