// The frame reassembler against splits, garbage and bad lengths (and the
// server's frame reader against the same garbage and lengths).
#include <gtest/gtest.h>

#include <cstring>

#include "capture.h"
#include "core/session/frame_io.h"
#include "core/wire/frame.h"
#include "wire_codec.h"

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

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Streams with garbage, a doubled magic and bad lengths, and the payloads
// each delivers, through the client's reassembler and the server's reader.
TEST_F(ReassemblerTest, GarbageAndBadLengthsOnBothSides) {
    const Bytes p16 = Payload(16, 1), p2048 = Payload(2048, 5);
    Bytes over = Bytes{0x51, 0x58, 0x08, 0x01} + Bytes(2049, 0x00);  // 2049 bytes: not a frame
    const Bytes inner = Frame({0x42, 0x43});  // found by the rescan of the rejected body
    std::copy(inner.begin(), inner.end(), over.begin() + 104);
    const struct {
        Bytes stream;
        std::vector<Bytes> delivered;
    } cases[] = {
        {Bytes{0x00, 0x58, 0xFF, 0x51, 0x00, 0x12} + Frame(p16), {p16}},
        {Bytes{0x00, 0x51} + Frame(p16) + Frame(p16), {p16}},  // the first frame's magic is lost
        {Bytes{0x51, 0x51, 0x58, 0x00, 0x02, 0xAA, 0xBB} + Frame({0x01}), {{0x01}}},
        {Frame(p2048), {p2048}},
        {over + Frame({0x07}), {{0x42, 0x43}, {0x07}}},
        {Bytes{0x51, 0x58, 0x00, 0x00} + Frame({0x09}), {{0x09}}},  // a zero length is dropped
    };
    for (const auto& c : cases) {
        SetUp();
        Feed(c.stream);
        EXPECT_EQ(g_capture.delivered, c.delivered) << "client, stream of " << c.stream.size();
        std::vector<Bytes> got;
        refwire::FrameReader reader;
        reader.Feed(c.stream.data(), c.stream.size(),
                    [&got](const uint8_t* p, size_t n) { got.emplace_back(p, p + n); });
        EXPECT_EQ(got, c.delivered) << "server, stream of " << c.stream.size();
    }
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
