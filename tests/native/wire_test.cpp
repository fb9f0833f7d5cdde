// Byte-exact frames of the records the client sends, and the byte layout of
// the client's records and of the reference server's codec against the
// protocol's offsets.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <typeinfo>

#include "capture.h"
#include "core/mirror/item_state.h"
#include "core/session/frame_io.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "core/wire/frame.h"
#include "wire_codec.h"

namespace {

class SendTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseCapture(true);
        g_connectionState = CONN_CONNECTED;
    }
    void TearDown() override { g_connectionState = CONN_DISCONNECTED; }
};

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

// Every field of a record at its offset and width on the wire, in the order
// of the field lists below. Row n holds 0x01020304 * n, or the text "f<n>",
// so a field read or written at another one's place shows.
struct Place {
    size_t offset, width;
};
constexpr Place pktPlaces[] = {{0, 4},    {4, 4},    {8, 4},    {12, 128}, {140, 4},  {144, 4},
                               {148, 4},  {152, 80}, {232, 80}, {312, 4},  {316, 2},  {320, 4},
                               {324, 4},  {328, 4},  {332, 4},  {336, 4},  {360, 16}, {376, 16},
                               {392, 80}, {472, 86}, {558, 82}};
constexpr Place cfgPlaces[] = {{0, 4},   {4, 4},    {8, 4},   {12, 2},   {14, 2},  {16, 80},
                               {96, 80}, {176, 80}, {256, 4}, {260, 80}, {340, 80}};

// Writes every row's value at its place in wire and, unless check, into the
// field too; then expects it in the field.
template <class Fields, size_t N>
void Visit(Fields fields, const Place (&places)[N], Bytes& wire, bool check) {
    static_assert(std::tuple_size_v<Fields> == N, "a place for every field");
    size_t row = 0;
    auto one = [&](auto& field) {
        using F = std::remove_reference_t<decltype(field)>;
        const Place& at = places[row++];
        EXPECT_EQ(sizeof field, at.width) << "row " << row;
        if constexpr (std::is_array_v<F>) {
            const std::string text = "f" + std::to_string(row);
            std::memcpy(wire.data() + at.offset, text.c_str(), text.size());
            if (!check)
                std::memcpy(field, text.c_str(), text.size() + 1);
            EXPECT_EQ(std::string(field), text) << "row " << row;
        } else {
            const uint32_t v = 0x01020304u * static_cast<uint32_t>(row);
            for (size_t i = 0; i < at.width; ++i)
                wire[at.offset + i] = static_cast<uint8_t>(v >> (8 * i));
            if (!check)
                field = static_cast<F>(v);
            EXPECT_EQ(field, static_cast<F>(v)) << "row " << row;
        }
    };
    std::apply([&](auto&... f) { (one(f), ...); }, fields);
}

// Encodes a record whose fields hold their rows' values, then decodes those bytes.
template <class Rec, size_t N, class FieldsOf, class Encode, class Decode>
void ExpectLayout(const Place (&places)[N], FieldsOf fieldsOf, Encode encode, Decode decode) {
    SCOPED_TRACE(typeid(Rec).name());
    Rec r{};
    Bytes wire(places[N - 1].offset + places[N - 1].width, 0);
    Visit(fieldsOf(r), places, wire, false);
    EXPECT_EQ(encode(r), wire);
    Visit(fieldsOf(decode(wire.data(), wire.size())), places, wire, true);
}

TEST(Records, ClientAndServerPutEveryFieldAtItsOffset) {
    // The field names are the same in the client's records and the server's.
    auto pktFields = [](auto&& p) {
        auto &c = p.config, &e = p.event;
        return std::tie(p.kind, p.code, p.param, p.text, p.itemId, p.started, p.up, c.name, c.host,
                        c.testType, c.port, c.interval, c.timeout, c.retries, c.mailOnDown,
                        c.mailOnUp, e.date, e.time, e.itemName, e.host, e.text);
    };
    auto cfgFields = [](auto&& c) {
        return std::tie(c.kind, c.code, c.param, c.guiPort, c.smtpPort, c.smtpServer, c.adminEmail,
                        c.sourceEmail, c.smtpAuth, c.smtpUser, c.smtpPassword);
    };
    // The client sends its records' bytes as they are and reads them back the same way.
    auto raw = [](const auto& r) {
        return Bytes(reinterpret_cast<const uint8_t*>(&r),
                     reinterpret_cast<const uint8_t*>(&r + 1));
    };
    auto decode = [](auto r) {
        return [](const uint8_t* bytes, size_t n) {
            decltype(r) out;
            DecodeRecord(&out, sizeof out, bytes, n);
            return out;
        };
    };
    ExpectLayout<Pkt>(pktPlaces, pktFields, raw, decode(Pkt{}));
    ExpectLayout<Cfg>(cfgPlaces, cfgFields, raw, decode(Cfg{}));
    ExpectLayout<refwire::Pkt>(pktPlaces, pktFields, refwire::EncodePkt, refwire::DecodePkt);
    ExpectLayout<refwire::Cfg>(cfgPlaces, cfgFields, refwire::EncodeCfg, refwire::DecodeCfg);
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
