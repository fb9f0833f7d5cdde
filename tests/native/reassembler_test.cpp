// The frame reassembler against splits, garbage and bad lengths.
#include <gtest/gtest.h>

#include <cstring>

#include "capture.h"
#include "core/session/frame_io.h"
#include "core/wire/frame.h"

namespace {

Bytes Frame(const Bytes& payload) {
    Bytes f(4 + payload.size());
    f[0] = 0x51;
    f[1] = 0x58;
    f[2] = static_cast<uint8_t>(payload.size() >> 8);
    f[3] = static_cast<uint8_t>(payload.size() & 0xFF);
    std::copy(payload.begin(), payload.end(), f.begin() + 4);
    return f;
}

Bytes Payload(size_t n, uint8_t seed) {
    Bytes p(n);
    for (size_t i = 0; i < n; ++i)
        p[i] = static_cast<uint8_t>(seed + i * 7);
    return p;
}

void Feed(const Bytes& b) {
    FeedFrameBytes(b.data(), b.size());
}

class ReassemblerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFrameReassembler();
        UseCapture(true);
    }
};

TEST_F(ReassemblerTest, TwoFramesSplitAtEveryPairOfCutPoints) {
    // Payloads that contain the magic themselves, to be sure nothing rescans them.
    Bytes a = Payload(640, 0x51);
    a[0] = 0x51;
    a[1] = 0x58;
    Bytes b = Payload(420, 3);
    Bytes stream = Frame(a);
    Bytes fb = Frame(b);
    stream.insert(stream.end(), fb.begin(), fb.end());

    for (size_t cut1 = 0; cut1 <= stream.size(); cut1 += 1) {
        // A second cut near the header of each frame and at a few other places.
        for (size_t cut2 : {cut1, cut1 + 1, cut1 + 2, cut1 + 3, stream.size()}) {
            if (cut2 > stream.size())
                continue;
            SetUp();
            FeedFrameBytes(stream.data(), cut1);
            FeedFrameBytes(stream.data() + cut1, cut2 - cut1);
            FeedFrameBytes(stream.data() + cut2, stream.size() - cut2);
            ASSERT_EQ(g_capture.delivered.size(), 2u) << cut1 << "/" << cut2;
            ASSERT_EQ(g_capture.delivered[0], a);
            ASSERT_EQ(g_capture.delivered[1], b);
        }
    }
}

TEST_F(ReassemblerTest, ByteAtATimeDeliversOnlyOnLastByte) {
    Bytes p = Payload(640, 9);
    Bytes f = Frame(p);
    for (size_t i = 0; i < f.size(); ++i) {
        EXPECT_TRUE(g_capture.delivered.empty()) << i;
        FeedFrameBytes(&f[i], 1);
    }
    ASSERT_EQ(g_capture.delivered.size(), 1u);
    EXPECT_EQ(g_capture.delivered[0], p);
}

TEST_F(ReassemblerTest, GarbageBeforeAFrameIsSkipped) {
    Bytes p = Payload(16, 1);
    Bytes s = {0x00, 0x58, 0xFF, 0x51, 0x00, 0x12};
    Bytes f = Frame(p);
    s.insert(s.end(), f.begin(), f.end());
    Feed(s);
    ASSERT_EQ(g_capture.delivered.size(), 1u);
    EXPECT_EQ(g_capture.delivered[0], p);
}

TEST_F(ReassemblerTest, GarbageEndingIn0x51LosesTheFrame) {
    Bytes p = Payload(16, 1);
    Bytes s = {0x00, 0x51};
    Bytes f = Frame(p);
    s.insert(s.end(), f.begin(), f.end());
    Feed(s);
    EXPECT_TRUE(g_capture.delivered.empty());
    // The next frame is found again.
    Feed(f);
    EXPECT_EQ(g_capture.delivered.size(), 1u);
}

TEST_F(ReassemblerTest, DoubledFirstMagicDoesNotStartAFrame) {
    Bytes s = {0x51, 0x51, 0x58, 0x00, 0x02, 0xAA, 0xBB};
    Feed(s);
    EXPECT_TRUE(g_capture.delivered.empty());
    Feed(Frame({0x01}));
    ASSERT_EQ(g_capture.delivered.size(), 1u);
    EXPECT_EQ(g_capture.delivered[0], Bytes{0x01});
}

TEST_F(ReassemblerTest, Length2048IsAcceptedAnd2049IsNot) {
    Bytes p = Payload(2048, 5);
    Feed(Frame(p));
    ASSERT_EQ(g_capture.delivered.size(), 1u);
    EXPECT_EQ(g_capture.delivered[0], p);

    g_capture.Clear();
    Bytes over = {0x51, 0x58, 0x08, 0x01};
    Bytes body(2049, 0x00);
    // A complete frame hidden inside the rejected body is found by the rescan.
    Bytes inner = Frame({0x42, 0x43});
    std::copy(inner.begin(), inner.end(), body.begin() + 100);
    over.insert(over.end(), body.begin(), body.end());
    Feed(over);
    ASSERT_EQ(g_capture.delivered.size(), 1u);
    EXPECT_EQ(g_capture.delivered[0], (Bytes{0x42, 0x43}));
    Feed(Frame({0x07}));
    EXPECT_EQ(g_capture.delivered.size(), 2u);
}

TEST_F(ReassemblerTest, ZeroLengthHeaderIsDropped) {
    Feed({0x51, 0x58, 0x00, 0x00});
    EXPECT_TRUE(g_capture.delivered.empty());
    Feed(Frame({0x09}));
    ASSERT_EQ(g_capture.delivered.size(), 1u);
    EXPECT_EQ(g_capture.delivered[0], Bytes{0x09});
}

TEST_F(ReassemblerTest, ResetMidFrameDropsTheHalfFrame) {
    Bytes p = Payload(640, 2);
    Bytes f = Frame(p);
    FeedFrameBytes(f.data(), 300);
    ResetFrameReassembler();
    // The next connection's frame is read from its first byte.
    Feed(f);
    ASSERT_EQ(g_capture.delivered.size(), 1u);
    EXPECT_EQ(g_capture.delivered[0], p);
}

TEST_F(ReassemblerTest, ResetBetweenLengthBytes) {
    Feed({0x51, 0x58, 0x02});
    ResetFrameReassembler();
    Feed(Frame({0x01, 0x02}));
    ASSERT_EQ(g_capture.delivered.size(), 1u);
}

TEST(FrameBuilder, RejectsEmptyAndOversizedRecords) {
    uint8_t buf[FRAME_BUFFER_SIZE];
    uint8_t rec[FRAME_BUFFER_SIZE] = {};
    EXPECT_EQ(BuildFrame(buf, sizeof buf, rec, 0), 0u);
    EXPECT_EQ(BuildFrame(buf, sizeof buf, rec, 2045), 0u);
    EXPECT_EQ(BuildFrame(buf, sizeof buf, rec, 2044), 2048u);
    EXPECT_EQ(BuildFrame(buf, 3, rec, 1), 0u);
}

}  // namespace
