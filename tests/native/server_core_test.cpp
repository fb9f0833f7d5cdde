// The reference server's protocol core: every request code and its answer
// frames byte for byte, the failure answers, the event depth filter, the
// state file, and requests that are malformed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include <unistd.h>

#include "core.h"

namespace {

Pkt Request(uint32_t code) {
    return ZeroPkt(KIND_REQUEST, code);
}

TestItemConfig TcpConfig(const char* name, uint16_t port) {
    TestItemConfig c{};
    SetField(c.name, name);
    SetField(c.host, "127.0.0.1");
    c.testType = TEST_TCP;
    c.port = port;
    c.interval = 5;
    c.timeout = 1;
    c.retries = 2;
    return c;
}

Pkt Decode(const Frame& f) {
    EXPECT_EQ(f.size(), 644u);
    EXPECT_EQ(f[0], 0x51);
    EXPECT_EQ(f[1], 0x58);
    EXPECT_EQ(f[2], 0x02);
    EXPECT_EQ(f[3], 0x80);
    return DecodePkt(f.data() + 4, f.size() - 4);
}

uint32_t Le32(const Frame& f, size_t payloadOffset) {
    const size_t o = 4 + payloadOffset;
    return f[o] | f[o + 1] << 8 | f[o + 2] << 16 | static_cast<uint32_t>(f[o + 3]) << 24;
}

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        core.SetClock([this] { return now; });
        core.SetLogger([this](const std::string& s) { log += s + "\n"; });
    }
    Outgoing Send(const Pkt& p) {
        Outgoing out;
        core.HandleRequest(EncodePkt(p).data(), PKT_SIZE, out);
        return out;
    }
    Outgoing SendCfg(const Cfg& c) {
        Outgoing out;
        core.HandleRequest(EncodeCfg(c).data(), CFG_SIZE, out);
        return out;
    }
    uint32_t Create(const char* name) {
        Pkt p = Request(CODE_ITEM_NEW);
        p.config = TcpConfig(name, 80);
        Outgoing out = Send(p);
        EXPECT_EQ(out.toAll.size(), 1u);
        return Decode(out.toAll.at(0)).itemId;
    }
    static int64_t LocalEpoch(int year, int month, int day, int hour = 12) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_isdst = -1;
        return static_cast<int64_t>(std::mktime(&tm));
    }

    ServerCore core;
    int64_t now = LocalEpoch(2024, 3, 15);
    std::string log;
};

TEST_F(CoreTest, ItemNewAnswersWithTextThenAnnouncesToEveryone) {
    Pkt p = Request(CODE_ITEM_NEW);
    p.config = TcpConfig("web", 8080);
    Outgoing out = Send(p);
    ASSERT_EQ(out.toSender.size(), 1u);
    const Frame& resp = out.toSender[0];
    EXPECT_EQ(Le32(resp, 0), KIND_RESPONSE);
    EXPECT_EQ(Le32(resp, 4), CODE_ITEM_NEW);
    EXPECT_EQ(Le32(resp, 8), 0u);
    EXPECT_STREQ(Decode(resp).text, "Test item 'web' created (id 1)");
    ASSERT_EQ(out.toAll.size(), 1u);
    const Frame& notice = out.toAll[0];
    EXPECT_EQ(Le32(notice, 0), KIND_REQUEST);
    EXPECT_EQ(Le32(notice, 4), CODE_ITEM_NEW);
    EXPECT_EQ(Le32(notice, 140), 1u);  // itemId
    EXPECT_EQ(Le32(notice, 144), 0u);  // not started
    const Frame request = EncodePkt(p);
    EXPECT_TRUE(std::equal(request.begin() + 152, request.begin() + 340, notice.begin() + 4 + 152));
    // Everything else of the notice is zero.
    for (size_t i = 12; i < 140; ++i)
        ASSERT_EQ(notice[4 + i], 0) << i;
    for (size_t i = 340; i < 640; ++i)
        ASSERT_EQ(notice[4 + i], 0) << i;
    EXPECT_TRUE(out.stateChanged);
    EXPECT_EQ(Create("second"), 2u);  // ids are assigned in order
}

TEST_F(CoreTest, InvalidConfigsAreRefusedWithParam2) {
    struct Case {
        const char* why;
        void (*spoil)(TestItemConfig&);
    } cases[] = {
        {"empty name", [](TestItemConfig& c) { c.name[0] = 0; }},
        {"empty host", [](TestItemConfig& c) { c.host[0] = 0; }},
        {"test type 7", [](TestItemConfig& c) { c.testType = 7; }},
        {"TCP port 0", [](TestItemConfig& c) { c.port = 0; }},
        {"interval 0", [](TestItemConfig& c) { c.interval = 0; }},
        {"interval 65536", [](TestItemConfig& c) { c.interval = 65536; }},
        {"timeout 0", [](TestItemConfig& c) { c.timeout = 0; }},
        {"retries 0", [](TestItemConfig& c) { c.retries = 0; }},
    };
    for (const Case& k : cases) {
        Pkt p = Request(CODE_ITEM_NEW);
        p.config = TcpConfig("x", 80);
        k.spoil(p.config);
        Outgoing out = Send(p);
        ASSERT_EQ(out.toSender.size(), 1u) << k.why;
        EXPECT_EQ(Le32(out.toSender[0], 8), RESULT_INVALID_CONFIG) << k.why;
        EXPECT_NE(Decode(out.toSender[0]).text[0], 0) << k.why;
        EXPECT_TRUE(out.toAll.empty()) << k.why;
    }
    EXPECT_TRUE(core.Items().empty());
    // An ICMP item needs no port.
    Pkt p = Request(CODE_ITEM_NEW);
    p.config = TcpConfig("ping", 0);
    p.config.testType = TEST_ICMP_PING;
    EXPECT_EQ(Le32(Send(p).toSender.at(0), 8), RESULT_OK);
}

TEST_F(CoreTest, EditReplacesConfigAndEchoesIt) {
    const uint32_t id = Create("old");
    Pkt p = Request(CODE_ITEM_EDIT);
    p.itemId = id;
    p.config = TcpConfig("new", 443);
    Outgoing out = Send(p);
    ASSERT_EQ(out.toSender.size(), 1u);
    Pkt r = Decode(out.toSender[0]);
    EXPECT_EQ(r.kind, KIND_RESPONSE);
    EXPECT_EQ(r.code, CODE_ITEM_EDIT);
    EXPECT_EQ(r.param, 0u);
    EXPECT_EQ(r.itemId, id);
    EXPECT_STREQ(r.config.name, "new");
    EXPECT_EQ(r.config.port, 443);
    EXPECT_STREQ(r.text, "Test item 1 updated");
    EXPECT_EQ(out.toOthers.size(), 1u);  // other clients' mirrors follow the change
    EXPECT_EQ(core.FindItem(id)->config.port, 443);

    p.config.interval = 0;
    r = Decode(Send(p).toSender.at(0));
    EXPECT_EQ(r.param, RESULT_INVALID_CONFIG);
    EXPECT_EQ(core.FindItem(id)->config.interval, 5u);
}

TEST_F(CoreTest, CommandsOnUnknownIdsFailWithParam1AndText) {
    for (uint32_t code : {CODE_ITEM_EDIT, CODE_ITEM_DELETE, CODE_ITEM_START, CODE_ITEM_STOP}) {
        Pkt p = Request(code);
        p.itemId = 99;
        p.config = TcpConfig("x", 80);
        Outgoing out = Send(p);
        ASSERT_EQ(out.toSender.size(), 1u) << code;
        Pkt r = Decode(out.toSender[0]);
        EXPECT_EQ(r.kind, KIND_RESPONSE);
        EXPECT_EQ(r.code, code);
        EXPECT_EQ(r.param, RESULT_UNKNOWN_ITEM);
        EXPECT_EQ(r.itemId, 99u);
        EXPECT_STREQ(r.text, "No test item with id 99");
        EXPECT_TRUE(out.toOthers.empty());
        EXPECT_TRUE(out.toAll.empty());
    }
}

TEST_F(CoreTest, StartStopDeleteSucceedWithParam0) {
    const uint32_t id = Create("a");
    Pkt p = Request(CODE_ITEM_START);
    p.itemId = id;
    Outgoing out = Send(p);
    Pkt r = Decode(out.toSender.at(0));
    EXPECT_EQ(r.code, CODE_ITEM_START);
    EXPECT_EQ(r.param, 0u);
    EXPECT_EQ(r.itemId, id);
    EXPECT_STREQ(r.text, "Test item 1 started");
    EXPECT_EQ(out.startedItems, std::vector<uint32_t>{id});
    EXPECT_TRUE(core.FindItem(id)->started);

    p.code = CODE_ITEM_STOP;
    r = Decode(Send(p).toSender.at(0));
    EXPECT_EQ(r.code, CODE_ITEM_STOP);
    EXPECT_EQ(r.param, 0u);
    EXPECT_STREQ(r.text, "Test item 1 stopped");
    EXPECT_FALSE(core.FindItem(id)->started);

    p.code = CODE_ITEM_DELETE;
    r = Decode(Send(p).toSender.at(0));
    EXPECT_EQ(r.code, CODE_ITEM_DELETE);
    EXPECT_EQ(r.param, 0u);
    EXPECT_STREQ(r.text, "Test item 1 deleted");
    EXPECT_EQ(core.FindItem(id), nullptr);
}

TEST_F(CoreTest, ItemListSendsOneNoticePerItemToTheAsker) {
    Create("a");
    Create("b");
    core.FindItem(2)->started = true;
    core.FindItem(2)->up = true;
    Outgoing out = Send(Request(CODE_ITEM_LIST));
    ASSERT_EQ(out.toSender.size(), 2u);
    EXPECT_TRUE(out.toAll.empty());
    Pkt a = Decode(out.toSender[0]), b = Decode(out.toSender[1]);
    EXPECT_EQ(a.kind, KIND_REQUEST);
    EXPECT_EQ(a.code, CODE_ITEM_NEW);
    EXPECT_EQ(a.itemId, 1u);
    EXPECT_STREQ(a.config.name, "a");
    EXPECT_EQ(b.itemId, 2u);
    EXPECT_EQ(b.started, 1u);
    EXPECT_EQ(b.up, 1u);
}

TEST_F(CoreTest, SettingsGetAnswersCfgWithCode9AndSetStores) {
    Cfg get{};
    get.code = CODE_SETTINGS_GET;
    Outgoing out = SendCfg(get);
    ASSERT_EQ(out.toSender.size(), 1u);
    const Frame& f = out.toSender[0];
    ASSERT_EQ(f.size(), 424u);
    EXPECT_EQ((Frame{f.begin(), f.begin() + 4}), (Frame{0x51, 0x58, 0x01, 0xA4}));
    EXPECT_EQ(Le32(f, 0), KIND_RESPONSE);
    EXPECT_EQ(Le32(f, 4), CODE_SETTINGS_GET);
    EXPECT_EQ(f[4 + 12] | f[4 + 13] << 8, 2111);

    Cfg set{};
    set.code = CODE_SETTINGS_SET;
    set.guiPort = 3000;
    set.smtpPort = 587;
    SetField(set.smtpServer, "mail.example");
    SetField(set.smtpPassword, "secret");
    out = SendCfg(set);
    EXPECT_TRUE(out.toSender.empty());  // no answer to a store
    EXPECT_TRUE(out.stateChanged);

    const Cfg back = DecodeCfg(SendCfg(get).toSender.at(0).data() + 4, 420);
    EXPECT_EQ(back.kind, KIND_RESPONSE);
    EXPECT_EQ(back.code, CODE_SETTINGS_GET);
    EXPECT_EQ(back.guiPort, 3000);
    EXPECT_EQ(back.smtpPort, 587);
    EXPECT_STREQ(back.smtpServer, "mail.example");
    EXPECT_STREQ(back.smtpPassword, "secret");
}

TEST_F(CoreTest, EventDepthFilterSelectsTodayMonthAllTime) {
    core.RecordEvent("a", "h", "Down", LocalEpoch(2023, 3, 15));   // same day, last year
    core.RecordEvent("b", "h", "Up", LocalEpoch(2024, 2, 28));     // last month
    core.RecordEvent("c", "h", "Down", LocalEpoch(2024, 3, 1));    // this month
    core.RecordEvent("d", "h", "Up", LocalEpoch(2024, 3, 15, 0));  // today, first hour
    auto names = [&](uint32_t depth) {
        std::string s;
        Pkt p = Request(CODE_EVENTS);
        p.param = depth;
        for (const Frame& f : Send(p).toSender) {
            Pkt e = Decode(f);
            EXPECT_EQ(e.kind, KIND_REQUEST);
            EXPECT_EQ(e.code, CODE_EVENTS);
            s += e.event.itemName;
        }
        return s;
    };
    EXPECT_EQ(names(DEPTH_TODAY), "d");
    EXPECT_EQ(names(DEPTH_THIS_MONTH), "cd");
    EXPECT_EQ(names(DEPTH_ALL_TIME), "abcd");
    EXPECT_EQ(names(7), "abcd");  // beyond the table: all time
}

TEST_F(CoreTest, EventRecordCarriesDateTimeTextsAndServerTimestamp) {
    const int64_t when = LocalEpoch(2024, 3, 5, 9) + 7 * 60 + 3;
    const StoredEvent& e = core.RecordEvent("web", "10.0.0.1", "Down", when);
    EXPECT_STREQ(e.record.date, "05/03/2024");
    EXPECT_STREQ(e.record.time, "09:07:03");
    EXPECT_STREQ(e.record.itemName, "web");
    EXPECT_STREQ(e.record.host, "10.0.0.1");
    EXPECT_STREQ(e.record.text, "Down");
    int64_t stamp = 0;
    std::memcpy(&stamp, e.record.unread, 8);
    EXPECT_EQ(stamp, when);
}

TEST_F(CoreTest, TestResultsSendStatusAndAnAckEventOnlyOnChange) {
    const uint32_t id = Create("web");
    core.FindItem(id)->started = true;
    Outgoing first;
    core.ReportTest(id, true, "Up (1 ms)", first);
    ASSERT_EQ(first.toAll.size(), 2u);  // the first result is a change
    Pkt status = Decode(first.toAll[0]);
    EXPECT_EQ(status.kind, KIND_REQUEST);
    EXPECT_EQ(status.code, CODE_ITEM_STATUS);
    EXPECT_EQ(status.itemId, id);
    EXPECT_EQ(status.up, 1u);
    EXPECT_STREQ(status.text, "Up (1 ms)");
    Pkt ack = Decode(first.toAll[1]);
    EXPECT_EQ(ack.code, CODE_EVENT_ACK);
    EXPECT_STREQ(ack.event.text, "Up");
    EXPECT_STREQ(ack.event.itemName, "web");

    Outgoing same;
    core.ReportTest(id, true, "Up (2 ms)", same);
    EXPECT_EQ(same.toAll.size(), 1u);
    Outgoing down;
    core.ReportTest(id, false, "Down: refused", down);
    ASSERT_EQ(down.toAll.size(), 2u);
    EXPECT_STREQ(Decode(down.toAll[1]).event.text, "Down");
    EXPECT_EQ(core.Events().size(), 2u);

    // A stopped item's late result is dropped.
    core.FindItem(id)->started = false;
    Outgoing late;
    core.ReportTest(id, true, "Up", late);
    EXPECT_TRUE(late.toAll.empty());
}

TEST_F(CoreTest, EventAckFromTheClientIsCountedAndAnswersNothing) {
    Pkt p = Request(CODE_EVENT_ACK);
    SetField(p.event.text, "Down");
    Outgoing out = Send(p);
    EXPECT_TRUE(out.toSender.empty());
    EXPECT_TRUE(out.toAll.empty());
    EXPECT_EQ(core.AcksReceived(), 1u);
}

TEST_F(CoreTest, MalformedRequestsAreLoggedAndIgnored) {
    const Frame good = EncodePkt(Request(CODE_ITEM_LIST));
    Create("a");
    Outgoing out;
    // Too short for a header, short Pkt, short Cfg.
    core.HandleRequest(good.data(), 11, out);
    core.HandleRequest(good.data(), 639, out);
    Cfg get{};
    get.code = CODE_SETTINGS_GET;
    core.HandleRequest(EncodeCfg(get).data(), 419, out);
    // Unknown code, a response kind, a code that only the server sends.
    Pkt p = Request(77);
    core.HandleRequest(EncodePkt(p).data(), PKT_SIZE, out);
    p = Request(CODE_ITEM_LIST);
    p.kind = KIND_RESPONSE;
    core.HandleRequest(EncodePkt(p).data(), PKT_SIZE, out);
    p = Request(CODE_ITEM_STATUS);
    core.HandleRequest(EncodePkt(p).data(), PKT_SIZE, out);
    EXPECT_TRUE(out.toSender.empty());
    EXPECT_TRUE(out.toAll.empty());
    EXPECT_NE(log.find("short payload of 11 bytes"), std::string::npos);
    EXPECT_NE(log.find("unknown request code 77"), std::string::npos);
    // A payload longer than the record is read as the record.
    uint8_t longer[700] = {};
    std::memcpy(longer, good.data(), good.size());
    core.HandleRequest(longer, sizeof longer, out);
    EXPECT_EQ(out.toSender.size(), 1u);
}

TEST_F(CoreTest, StateFileRoundTripsAndIsReplacedAtomically) {
    char dir[] = "/tmp/qxstateXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/state";
    Create("a");
    const uint32_t b = Create("b");
    core.FindItem(b)->started = true;
    core.RecordEvent("a", "h", "Down", now);
    Cfg c = core.Settings();
    SetField(c.adminEmail, "ops@example");
    core.SetSettings(c);
    std::string why;
    ASSERT_TRUE(core.SaveState(path, &why)) << why;
    EXPECT_NE(access((path + ".tmp").c_str(), F_OK), 0);  // renamed, not left behind

    ServerCore loaded;
    ASSERT_TRUE(loaded.LoadState(path, &why)) << why;
    ASSERT_EQ(loaded.Items().size(), 2u);
    EXPECT_TRUE(loaded.Items().at(b).started);
    EXPECT_STREQ(loaded.Items().at(b).config.name, "b");
    ASSERT_EQ(loaded.Events().size(), 1u);
    EXPECT_EQ(
        0, std::memcmp(&loaded.Events()[0].record, &core.Events()[0].record, sizeof(EventRecord)));
    EXPECT_STREQ(loaded.Settings().adminEmail, "ops@example");
    EXPECT_EQ(loaded.AddItem(TcpConfig("c", 1), false), 3u);  // ids continue

    // Damaged lines are skipped, a foreign file is refused.
    { std::ofstream(path, std::ios::app) << "item 9 1 1 zz\nbogus\n"; }
    ServerCore again;
    EXPECT_TRUE(again.LoadState(path, &why));
    EXPECT_EQ(again.Items().size(), 2u);
    { std::ofstream(path) << "hello\n"; }
    EXPECT_FALSE(again.LoadState(path, &why));
    std::remove(path.c_str());
    rmdir(dir);
}

}  // namespace
