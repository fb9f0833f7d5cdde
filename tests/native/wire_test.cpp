// Byte-exact frames of the records the client sends.
#include <gtest/gtest.h>

#include <cstring>

#include "capture.h"
#include "core/mirror/item_state.h"
#include "core/session/frame_io.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "core/wire/frame.h"

namespace {

class SendTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseCapture(true);
        g_connectionState = CONN_CONNECTED;
    }
    void TearDown() override { g_connectionState = CONN_DISCONNECTED; }
};

TEST_F(SendTest, PktFrameIs644BytesWithHeader) {
    Pkt p = MakeRequest(CODE_ITEM_LIST);
    SendPkt(&p);
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    const Bytes& f = g_capture.sentFrames[0];
    ASSERT_EQ(f.size(), 644u);
    EXPECT_EQ(f[0], 0x51);
    EXPECT_EQ(f[1], 0x58);
    EXPECT_EQ(f[2], 0x02);
    EXPECT_EQ(f[3], 0x80);
    EXPECT_EQ(0, std::memcmp(f.data() + 4, &p, sizeof p));
}

TEST_F(SendTest, CfgFrameIs424BytesWithHeader) {
    Cfg c;
    std::memset(&c, 0, sizeof c);
    c.code = CODE_SETTINGS_SET;
    c.guiPort = 2111;
    SendRecord(&c, sizeof c);
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    const Bytes& f = g_capture.sentFrames[0];
    ASSERT_EQ(f.size(), 424u);
    EXPECT_EQ((Bytes{f.begin(), f.begin() + 4}), (Bytes{0x51, 0x58, 0x01, 0xA4}));
    EXPECT_EQ(f[4 + 4], 10);            // code, little-endian
    EXPECT_EQ(f[4 + 12], 2111 & 0xFF);  // guiPort low byte first
    EXPECT_EQ(f[4 + 13], 2111 >> 8);
}

TEST_F(SendTest, ItemStartForItem7ByteForByte) {
    // The request builder's output, pinned byte for byte.
    const Pkt p = MakeRequest(CODE_ITEM_START, 7);
    SendPkt(&p);
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    Bytes expected = {0x51, 0x58, 0x02, 0x80};
    const uint8_t head[] = {0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0};
    expected.insert(expected.end(), head, head + sizeof head);
    expected.insert(expected.end(), 128, 0);
    const uint8_t id[] = {7, 0, 0, 0};
    expected.insert(expected.end(), id, id + 4);
    expected.insert(expected.end(), 496, 0);
    EXPECT_EQ(g_capture.sentFrames[0], expected);
}

TEST_F(SendTest, SendRecordOnlyWhileConnected) {
    Cfg c = {};
    for (uint32_t state : {CONN_DISCONNECTED, CONN_CONNECTING}) {
        g_connectionState = state;
        SendRecord(&c, sizeof c);
    }
    EXPECT_TRUE(g_capture.sentFrames.empty());
    // SendPkt leaves the check to its callers and to the socket layer.
    Pkt p = MakeRequest(CODE_ITEM_LIST);
    SendPkt(&p);
    EXPECT_EQ(g_capture.sentFrames.size(), 1u);
}

TEST_F(SendTest, RecordTooLargeForTheBufferIsNotSent) {
    static uint8_t big[2045] = {};
    EXPECT_EQ(SendRecord(big, sizeof big), 0);
    EXPECT_EQ(SendRecord(big, 2044), 1);
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    EXPECT_EQ(g_capture.sentFrames[0].size(), 2048u);
    EXPECT_EQ(g_capture.sentFrames[0][2], 0x07);
    EXPECT_EQ(g_capture.sentFrames[0][3], 0xFC);
}

TEST_F(SendTest, SyncSequenceSendsSettingsItemsEvents) {
    StoreServerSettings(Cfg{});
    SendSyncSequence(DEPTH_THIS_MONTH);
    EXPECT_FALSE(ServerSettingsAvailable());
    ASSERT_EQ(g_capture.sentFrames.size(), 3u);

    Bytes cfg = {0x51, 0x58, 0x01, 0xA4, 0, 0, 0, 0, 9, 0, 0, 0};
    cfg.resize(424, 0);
    EXPECT_EQ(g_capture.sentFrames[0], cfg);

    Bytes list = {0x51, 0x58, 0x02, 0x80, 0, 0, 0, 0, 5, 0, 0, 0};
    list.resize(644, 0);
    EXPECT_EQ(g_capture.sentFrames[1], list);

    Bytes events = {0x51, 0x58, 0x02, 0x80, 0, 0, 0, 0, 7, 0, 0, 0, 1, 0, 0, 0};
    events.resize(644, 0);
    EXPECT_EQ(g_capture.sentFrames[2], events);
}

TEST_F(SendTest, SyncSequenceWhileNotConnectedSkipsOnlyTheSettingsRequest) {
    g_connectionState = CONN_DISCONNECTED;
    SendSyncSequence(DEPTH_ALL_TIME);
    ASSERT_EQ(g_capture.sentFrames.size(), 2u);
    EXPECT_EQ(g_capture.sentFrames[1][4 + 8], 2);
}

TEST(Records, TestTypeTextNeverReadsOutsideTheTable) {
    EXPECT_STREQ(TestTypeText(TEST_ICMP_PING), "ICMP Ping");
    EXPECT_STREQ(TestTypeText(TEST_TCP), "TCP");
    EXPECT_STREQ(TestTypeText(2), "Unknown");
    EXPECT_STREQ(TestTypeText(0xFFFFFFFFu), "Unknown");
    EXPECT_EQ(testTypeNames[2], nullptr);
}

TEST(Records, ItemStatusTextIsStoppedWheneverNotStarted) {
    EXPECT_STREQ(ItemStatusText(0, 0), "Stopped");
    EXPECT_STREQ(ItemStatusText(0, 1), "Stopped");
    EXPECT_STREQ(ItemStatusText(1, 1), "Up");
    EXPECT_STREQ(ItemStatusText(1, 0), "Down");
    EXPECT_STREQ(ItemStatusText(0xFFFFFFFF, 2), "Up") << "any nonzero flag counts";
}

TEST(Records, ShortPayloadDecodesWithZeroTail) {
    Pkt full;
    std::memset(&full, 0xAB, sizeof full);
    Pkt p;
    std::memset(&p, 0xCD, sizeof p);
    DecodeRecord(&p, sizeof p, reinterpret_cast<const uint8_t*>(&full), 12);
    EXPECT_EQ(p.kind, 0xABABABABu);
    EXPECT_EQ(p.param, 0xABABABABu);
    EXPECT_EQ(p.text[0], 0);
    EXPECT_EQ(p.itemId, 0u);
    // A longer payload than the record is cut to the record.
    uint8_t longer[700];
    std::memset(longer, 0x11, sizeof longer);
    DecodeRecord(&p, sizeof p, longer, sizeof longer);
    EXPECT_EQ(p.event.text[81], 0x11);
}

TEST(Records, FieldTextStopsAtTheFieldEnd) {
    EventRecord e;
    std::memset(&e, 'x', sizeof e);  // no NUL anywhere
    char out[128];
    CopyFieldText(out, e.text);
    EXPECT_EQ(std::strlen(out), sizeof e.text);
    char small[5];
    CopyFieldText(small, e.date);
    EXPECT_STREQ(small, "xxxx");
    std::strcpy(e.host, "host-1");
    CopyFieldText(out, e.host);
    EXPECT_STREQ(out, "host-1");
}

}  // namespace
