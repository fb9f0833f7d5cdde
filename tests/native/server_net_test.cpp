// The reference server on real loopback TCP: the tester against ports the
// test opens and closes, the script language (parse and execution), the
// event loop with several clients, bad input, and the flood fence.
// Every wait is bounded; ports are ephemeral.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core.h"
#include "script.h"
#include "server.h"
#include "tester.h"

namespace {

using Bytes = std::vector<uint8_t>;

int ListenAny(uint16_t& port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 4) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return -1;
    port = ntohs(a.sin_port);
    return fd;
}

TEST(Tester, TcpProbeSeesOpenAndClosedLoopbackPorts) {
    uint16_t port = 0;
    const int fd = ListenAny(port);
    ASSERT_GE(fd, 0);
    ProbeResult open = ProbeTcp("127.0.0.1", port, 1000, 1);
    EXPECT_TRUE(open.up) << open.text;
    EXPECT_EQ(open.text.rfind("Up", 0), 0u);
    close(fd);
    ProbeResult closed = ProbeTcp("127.0.0.1", port, 1000, 2);
    EXPECT_FALSE(closed.up);
    EXPECT_EQ(closed.text, "Down: refused");
    ProbeResult bad = ProbeTcp("no.such.host.invalid", 80, 500, 1);
    EXPECT_FALSE(bad.up);
    EXPECT_EQ(bad.text, "Down: unknown host");
}

TEST(Tester, IcmpProbeAnswersUpOrSaysWhyNot) {
    ProbeResult r = ProbeIcmp("127.0.0.1", 1000, 1);
    if (r.up) {
        // Loopback answers: the text is the round trip, well inside the timeout.
        unsigned ms = 0;
        char tail = 0;
        EXPECT_EQ(std::sscanf(r.text.c_str(), "Up (%u ms%c", &ms, &tail), 2) << r.text;
        EXPECT_EQ(tail, ')') << r.text;
        EXPECT_LT(ms, 1000u) << r.text;
    } else {
        // Where the kernel forbids both socket kinds the text must say so.
        EXPECT_NE(r.text.find("ICMP not permitted"), std::string::npos) << r.text;
    }
}

// --- Script parsing ---

TEST(ScriptParse, FramesAreBuiltExactlyWithModifiers) {
    std::vector<ScriptStep> s;
    std::string err;
    ASSERT_TRUE(
        ParseScript("# comment\n"
                    "send-hex 51 58 0002 abcd\n"
                    "send-pkt kind=1 code=3 param=0 id=7 text=\"Started ok\"\n"
                    "short 12\nsend-pkt code=6\n"
                    "len 2049\nsend-cfg\n"
                    "split 2 300\nfill-text Z\nsend-pkt code=0 type=9\n"
                    "garbage 40\n",
                    s, err))
        << err;
    ASSERT_EQ(s.size(), 6u);
    EXPECT_EQ(s[0].bytes, (Bytes{0x51, 0x58, 0x00, 0x02, 0xab, 0xcd}));

    ASSERT_EQ(s[1].bytes.size(), 644u);
    Pkt p = DecodePkt(s[1].bytes.data() + 4, 640);
    EXPECT_EQ(p.kind, 1u);
    EXPECT_EQ(p.code, 3u);
    EXPECT_EQ(p.itemId, 7u);
    EXPECT_STREQ(p.text, "Started ok");

    EXPECT_EQ(s[2].bytes.size(), 16u);  // header says 12, 12 bytes follow
    EXPECT_EQ(s[2].bytes[3], 12);
    EXPECT_EQ(s[2].bytes[8], 6);

    ASSERT_EQ(s[3].bytes.size(), 424u);  // header 2049, the Cfg's 420 bytes follow
    EXPECT_EQ(s[3].bytes[2], 0x08);
    EXPECT_EQ(s[3].bytes[3], 0x01);
    EXPECT_EQ(s[3].bytes[4], KIND_RESPONSE);
    EXPECT_EQ(s[3].bytes[8], CODE_SETTINGS_GET);

    EXPECT_EQ(s[4].cuts, (std::vector<size_t>{2, 300}));
    p = DecodePkt(s[4].bytes.data() + 4, 640);
    EXPECT_EQ(p.config.testType, 9u);
    for (char ch : p.text)
        ASSERT_EQ(ch, 'Z');  // no NUL anywhere in the field
    for (char ch : p.event.text)
        ASSERT_EQ(ch, 'Z');

    ASSERT_EQ(s[5].bytes.size(), 40u);
    for (uint8_t b : s[5].bytes)
        EXPECT_NE(b, 0x51);
}

TEST(ScriptParse, ErrorsNameTheLine) {
    std::vector<ScriptStep> s;
    std::string err;
    const char* bad[] = {
        "frobnicate\n",          "send-hex 5\n", "send-pkt colour=red\n", "send-pkt port=70000\n",
        "split 5 3\nsend-pkt\n", "sleep\n",      "serve maybe\n",         "short 3\n"};
    for (const char* b : bad) {
        EXPECT_FALSE(ParseScript(std::string("sleep 1\n") + b, s, err)) << b;
        EXPECT_EQ(err.rfind("line 2: ", 0), 0u) << err;
    }
}

// --- A server on an ephemeral port, and a test client ---

class ServerFixture : public ::testing::Test {
protected:
    void Launch(ServerOptions o) {
        o.listenPort = 0;
        o.quiet = true;
        server = std::make_unique<Server>(o);
        std::string err;
        ASSERT_TRUE(server->Start(err)) << err;
        thread = std::thread([this] { server->Run(); });
    }
    void TearDown() override {
        for (int fd : fds)
            close(fd);
        if (server) {
            server->Stop();
            thread.join();
        }
    }
    int Connect() {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(server->Port());
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        fds.push_back(fd);
        return fd;
    }
    // A framed CODE_SETTINGS_GET request, answered with one Cfg.
    static Bytes SettingsGetFrame() {
        Cfg get{};
        get.code = CODE_SETTINGS_GET;
        return CfgFrame(get);
    }
    static void SendAll(int fd, const void* data, size_t n) {
        ASSERT_EQ(send(fd, data, n, MSG_NOSIGNAL), static_cast<ssize_t>(n));
    }
    static void SendPktTo(int fd, const Pkt& p) {
        const Frame f = PktFrame(p);
        SendAll(fd, f.data(), f.size());
    }
    // Reads until `count` payloads arrived or 3 s passed.
    static std::vector<Bytes> ReadPayloads(int fd, size_t count, int budgetMs = 3000) {
        std::vector<Bytes> got;
        FrameReader r;
        ReadRaw(fd, SIZE_MAX, budgetMs, nullptr, [&](const uint8_t* b, size_t n) {
            r.Feed(b, n, [&got](const uint8_t* pl, size_t len) { got.emplace_back(pl, pl + len); });
            return got.size() >= count;
        });
        return got;
    }
    // Reads raw bytes until `count` arrived, `enough` says so, the peer
    // closed, or the budget ran out.
    static Bytes ReadRaw(int fd, size_t count, int budgetMs = 3000, bool* closed = nullptr,
                         std::function<bool(const uint8_t*, size_t)> enough = nullptr) {
        Bytes got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(budgetMs);
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            uint8_t buf[4096];
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                if (closed)
                    *closed = true;
                break;
            }
            if (!enough)
                got.insert(got.end(), buf, buf + n);
            else if (enough(buf, static_cast<size_t>(n)))
                break;
        }
        return got;
    }
    static uint32_t Code(const Bytes& payload) { return payload.size() >= 8 ? payload[4] : 0xFF; }
    static uint32_t Kind(const Bytes& payload) { return payload.empty() ? 0xFF : payload[0]; }

    std::unique_ptr<Server> server;
    std::thread thread;
    std::vector<int> fds;
};

TEST_F(ServerFixture, SyncSequenceGetsSettingsItemsAndEvents) {
    ServerOptions o;
    Launch(o);
    TestItemConfig c{};
    SetField(c.name, "web");
    SetField(c.host, "127.0.0.1");
    c.testType = TEST_TCP;
    c.port = 9;
    c.interval = c.timeout = c.retries = 1;
    const int fd = Connect();
    Pkt create = ZeroPkt(KIND_REQUEST, CODE_ITEM_NEW);
    create.config = c;
    SendPktTo(fd, create);
    auto created = ReadPayloads(fd, 2);
    ASSERT_EQ(created.size(), 2u);
    EXPECT_EQ(Kind(created[0]), KIND_RESPONSE);
    EXPECT_EQ(Kind(created[1]), KIND_REQUEST);

    // The client's opening sequence, in one write.
    Bytes burst = SettingsGetFrame();
    for (uint32_t code : {CODE_ITEM_LIST, CODE_EVENTS}) {
        Pkt p = ZeroPkt(KIND_REQUEST, code);
        p.param = code == CODE_EVENTS ? uint32_t{DEPTH_ALL_TIME} : 0u;
        const Frame f = PktFrame(p);
        burst.insert(burst.end(), f.begin(), f.end());
    }
    SendAll(fd, burst.data(), burst.size());
    auto got = ReadPayloads(fd, 2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].size(), 420u);
    EXPECT_EQ(Kind(got[0]), KIND_RESPONSE);
    EXPECT_EQ(Code(got[0]), CODE_SETTINGS_GET);
    EXPECT_EQ(got[1].size(), 640u);
    EXPECT_EQ(Code(got[1]), CODE_ITEM_NEW);
    EXPECT_TRUE(ReadPayloads(fd, 1, 200).empty());  // no events yet, nothing else
}

TEST_F(ServerFixture, NoticesReachEveryClientAndAnswersOnlyTheAsker) {
    Launch(ServerOptions());
    const int a = Connect(), b = Connect();
    // Make sure b is being served before a's request.
    Bytes f = SettingsGetFrame();
    SendAll(b, f.data(), f.size());
    ASSERT_EQ(ReadPayloads(b, 1).size(), 1u);
    Pkt create = ZeroPkt(KIND_REQUEST, CODE_ITEM_NEW);
    SetField(create.config.name, "n");
    SetField(create.config.host, "h");
    create.config.testType = TEST_ICMP_PING;
    create.config.interval = create.config.timeout = create.config.retries = 1;
    SendPktTo(a, create);
    auto atA = ReadPayloads(a, 2);
    ASSERT_EQ(atA.size(), 2u);
    EXPECT_EQ(Kind(atA[0]), KIND_RESPONSE);
    auto atB = ReadPayloads(b, 1);
    ASSERT_EQ(atB.size(), 1u);
    EXPECT_EQ(Kind(atB[0]), KIND_REQUEST);
    EXPECT_EQ(Code(atB[0]), CODE_ITEM_NEW);
    EXPECT_TRUE(ReadPayloads(b, 1, 200).empty());
}

TEST_F(ServerFixture, BadInputNeverStopsTheServer) {
    Launch(ServerOptions());
    // Garbage, an oversize header, an empty header, a short payload and a
    // connection that ends inside a frame.
    const int bad = Connect();
    Bytes junk(5000, 0xEE);
    junk.insert(junk.end(), {0x51, 0x58, 0x08, 0x01, 0x51, 0x58, 0x00, 0x00, 0x51, 0x58, 0x00, 0x05,
                             1, 2, 3, 4, 5});
    junk.insert(junk.end(), {0x51, 0x58, 0x02, 0x80, 0, 0, 0});
    SendAll(bad, junk.data(), junk.size());
    close(bad);
    fds.erase(std::find(fds.begin(), fds.end(), bad));
    // A client that never reads while being answered.
    const int deaf = Connect();
    Bytes many;
    for (int i = 0; i < 200; ++i) {
        const Frame f = PktFrame(ZeroPkt(KIND_REQUEST, CODE_ITEM_LIST));
        many.insert(many.end(), f.begin(), f.end());
    }
    Bytes getFrame = SettingsGetFrame();
    for (int i = 0; i < 100; ++i)
        many.insert(many.end(), getFrame.begin(), getFrame.end());
    SendAll(deaf, many.data(), many.size());
    // A well-behaved client is still answered at once.
    const int good = Connect();
    SendAll(good, getFrame.data(), getFrame.size());
    auto got = ReadPayloads(good, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(Code(got[0]), CODE_SETTINGS_GET);
}

TEST_F(ServerFixture, ScriptRunsPerClientAndRecordsWhatTheClientSent) {
    char dir[] = "/tmp/qxscriptXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string rec = std::string(dir) + "/rec.hex";
    ServerOptions o;
    std::string err;
    ASSERT_TRUE(ParseScript("record " + rec +
                                "\nserve off\n"
                                "garbage 3\n"
                                "split 1 3\nsend-pkt kind=1 code=4 id=5 text=\"Stopped\"\n"
                                "wait-request 8 3000\n"
                                "send-hex 51 58 02 80 00 00\n"
                                "close\n",
                            o.script, err))
        << err;
    Launch(o);
    const int fd = Connect();
    Bytes first = ReadRaw(fd, 3 + 644);
    ASSERT_EQ(first.size(), 647u);
    EXPECT_EQ(first[3], 0x51);
    EXPECT_EQ(first[3 + 4], KIND_RESPONSE);
    EXPECT_EQ(first[3 + 4 + 4], CODE_ITEM_STOP);
    EXPECT_EQ(first[3 + 4 + 140], 5);
    // Nothing more until the client acknowledges; serve off keeps the server quiet.
    Pkt list = ZeroPkt(KIND_REQUEST, CODE_ITEM_LIST);
    SendPktTo(fd, list);
    EXPECT_TRUE(ReadRaw(fd, 1, 200).empty());
    Pkt ack = ZeroPkt(KIND_REQUEST, CODE_EVENT_ACK);
    SetField(ack.event.text, "Down");
    SendPktTo(fd, ack);
    bool closed = false;
    Bytes tail = ReadRaw(fd, 100, 3000, &closed);
    EXPECT_EQ(tail, (Bytes{0x51, 0x58, 0x02, 0x80, 0x00, 0x00}));  // cut mid-frame
    EXPECT_TRUE(closed);

    std::ifstream in(rec);
    std::string l1, l2;
    ASSERT_TRUE(std::getline(in, l1) && std::getline(in, l2));
    const Frame f1 = PktFrame(list), f2 = PktFrame(ack);
    char hex[3];
    std::string h1, h2;
    for (uint8_t b : f1) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        h1 += hex;
    }
    for (uint8_t b : f2) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        h2 += hex;
    }
    EXPECT_EQ(l1, h1);
    EXPECT_EQ(l2, h2);
    std::remove(rec.c_str());
    rmdir(dir);
}

TEST_F(ServerFixture, ScriptPauseReadHoldsRequestsBack) {
    ServerOptions o;
    std::string err;
    ASSERT_TRUE(ParseScript("pause-read 0.4\n", o.script, err)) << err;
    Launch(o);
    const int fd = Connect();
    SendPktTo(fd, ZeroPkt(KIND_REQUEST, CODE_ITEM_LIST));
    Bytes f = SettingsGetFrame();
    SendAll(fd, f.data(), f.size());
    EXPECT_TRUE(ReadPayloads(fd, 1, 150).empty());    // still paused
    EXPECT_EQ(ReadPayloads(fd, 1, 3000).size(), 1u);  // answered after the pause
}

TEST_F(ServerFixture, FloodSendsItemsEventsAndAFenceThatTheEchoCloses) {
    ServerOptions o;
    std::string err;
    ASSERT_TRUE(ParseFloodOption("items=5,events=4,status-rate=0", o, err)) << err;
    Launch(o);
    const int fd = Connect();
    auto got = ReadPayloads(fd, 10);
    ASSERT_EQ(got.size(), 10u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Code(got[i]), CODE_ITEM_NEW);
    EXPECT_EQ(Code(got[5]), CODE_EVENTS);
    EXPECT_EQ(Code(got[6]), CODE_EVENT_ACK);
    EXPECT_EQ(Code(got[7]), CODE_EVENTS);
    EXPECT_EQ(Code(got[8]), CODE_EVENT_ACK);
    const Pkt fence = DecodePkt(got[9].data(), got[9].size());
    EXPECT_EQ(fence.code, CODE_EVENT_ACK);
    EXPECT_STREQ(fence.event.text, FENCE_TEXT);
    EXPECT_STREQ(fence.event.itemName, FENCE_ITEM_NAME);
    // Echoing it is harmless for the server (the fence-ack line goes to stdout).
    Frame echo = PktFrame(fence);
    SendAll(fd, echo.data(), echo.size());
    Bytes f = SettingsGetFrame();
    SendAll(fd, f.data(), f.size());
    EXPECT_EQ(ReadPayloads(fd, 1).size(), 1u);

    std::string bad;
    ServerOptions x;
    EXPECT_FALSE(ParseFloodOption("items=5,colour=3", x, bad));
    EXPECT_FALSE(ParseFloodOption("items=-1", x, bad));
    EXPECT_FALSE(ParseFloodOption("flapping=101", x, bad));
}

// The prepared stream (15 MB here, more than loopback buffers hold) is
// shared: each client must get all of it, in order, however the sends are
// cut, and an answer only after it.
TEST_F(ServerFixture, FloodLargerThanTheSocketBuffersReachesEachClientWholeBeforeAnswers) {
    ServerOptions o;
    std::string err;
    ASSERT_TRUE(ParseFloodOption("items=3000,events=20000", o, err)) << err;
    Launch(o);
    const int a = Connect(), b = Connect();
    Bytes f = SettingsGetFrame();
    SendAll(a, f.data(), f.size());
    for (const int fd : {a, b}) {
        const size_t expected = fd == a ? 23002 : 23001;
        const auto got = ReadPayloads(fd, expected, 15000);
        ASSERT_EQ(got.size(), expected);
        for (uint32_t i = 0; i < 23001; ++i) {
            const Pkt p = DecodePkt(got[i].data(), got[i].size());
            const bool ack = i == 23000 || (i >= 3000 && i % 2 == 1);  // the fence last
            ASSERT_EQ(p.code, i < 3000 ? CODE_ITEM_NEW : ack ? CODE_EVENT_ACK : CODE_EVENTS) << i;
            ASSERT_EQ(p.itemId, i < 3000 ? i + 1 : 0) << i;
        }
        EXPECT_EQ(got.back().size(), fd == a ? CFG_SIZE : PKT_SIZE);
    }
}

TEST_F(ServerFixture, FloodStatusFlapsOnlyTheGivenShareOfItems) {
    ServerOptions o;
    std::string err;
    ASSERT_TRUE(ParseFloodOption("items=10,status-rate=2000,flapping=20", o, err)) << err;
    Launch(o);
    const int fd = Connect();
    auto got = ReadPayloads(fd, 11);
    ASSERT_GE(got.size(), 11u);
    const Pkt fence = DecodePkt(got[10].data(), got[10].size());
    Frame echo = PktFrame(fence);  // the status notices start after the fence's echo
    SendAll(fd, echo.data(), echo.size());
    // Two rounds over the ten items: ids 5 and 10 alternate, the others keep
    // the state they were announced with (up for odd ids).
    auto status = ReadPayloads(fd, 20);
    ASSERT_GE(status.size(), 20u);
    for (size_t k = 0; k < 20; ++k) {
        const Pkt p = DecodePkt(status[k].data(), status[k].size());
        ASSERT_EQ(p.code, CODE_ITEM_STATUS);
        EXPECT_EQ(p.itemId, k % 10 + 1);
        const uint32_t expected = p.itemId % 5 == 0 ? static_cast<uint32_t>(k / 10) : p.itemId % 2;
        EXPECT_EQ(p.up, expected) << "notice " << k << " for item " << p.itemId;
    }
}

TEST_F(ServerFixture, StartedItemIsTestedAndReportsStatusAndEvent) {
    uint16_t port = 0;
    const int lfd = ListenAny(port);
    ASSERT_GE(lfd, 0);
    Launch(ServerOptions());
    const int fd = Connect();
    Pkt create = ZeroPkt(KIND_REQUEST, CODE_ITEM_NEW);
    SetField(create.config.name, "svc");
    SetField(create.config.host, "127.0.0.1");
    create.config.testType = TEST_TCP;
    create.config.port = port;
    create.config.interval = create.config.timeout = create.config.retries = 1;
    SendPktTo(fd, create);
    ASSERT_EQ(ReadPayloads(fd, 2).size(), 2u);
    Pkt start = ZeroPkt(KIND_REQUEST, CODE_ITEM_START);
    start.itemId = 1;
    SendPktTo(fd, start);
    auto got = ReadPayloads(fd, 3);
    close(lfd);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(Kind(got[0]), KIND_RESPONSE);
    EXPECT_EQ(Code(got[0]), CODE_ITEM_START);
    const Pkt status = DecodePkt(got[1].data(), got[1].size());
    const Pkt event = DecodePkt(got[2].data(), got[2].size());
    EXPECT_EQ(status.code, CODE_ITEM_STATUS);
    EXPECT_EQ(status.up, 1u);
    EXPECT_EQ(event.code, CODE_EVENT_ACK);
    EXPECT_STREQ(event.event.text, "Up");
    EXPECT_STREQ(event.event.itemName, "svc");
}

}  // namespace
