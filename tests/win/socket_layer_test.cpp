// The socket layer on real loopback sockets under Wine: start-up, the queued
// send path (bursts, a full queue, a peer that stalls and resumes), and the
// receive and close paths of the dispatcher.
#include <algorithm>
#include <cstring>

#include "core/sockets/address.h"
#include "net_harness.h"

namespace {

using SocketLayerTest = NetTest;

TEST_F(SocketLayerTest, SecondStartupChangesNothing) {
    SocketEntry* table = g_socketLayer.table;
    EXPECT_EQ(SocketStartup(nullptr), SOCK_ALREADY_STARTED);
    EXPECT_EQ(g_socketLayer.table, table);
    EXPECT_EQ(g_socketLayer.window, window_);
}

TEST_F(SocketLayerTest, EverythingRefusedBeforeStartup) {
    SocketCleanup();
    int32_t index;
    uint32_t queued;
    char name[64];
    EXPECT_EQ(SocketConnect("127.0.0.1", 1, 0, &index, Record, recvBuffer), SOCK_NOT_STARTED);
    EXPECT_EQ(SocketQueueSend(0, "x", 1, &queued), SOCK_NOT_STARTED);
    EXPECT_EQ(SocketClose(0), SOCK_NOT_STARTED);
    EXPECT_EQ(GetLocalHostName(name, sizeof name), SOCK_NOT_STARTED);
    EXPECT_EQ(SocketQueueRoom(0), 0u);
    SocketDispatch(WM_SOCKET_SEND, 0, 0);  // does nothing
    EXPECT_TRUE(IsDottedQuad("1.2.3.4"));  // needs no start-up
    ASSERT_EQ(SocketStartup(window_), SOCK_OK);
}

TEST_F(SocketLayerTest, QueueSendArgumentsAndStates) {
    uint32_t queued = 99;
    EXPECT_EQ(SocketQueueSend(0, "x", 0, &queued), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketQueueSend(0, nullptr, 1, &queued), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketQueueSend(0, "x", 1, nullptr), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketQueueSend(2100, "x", 1, &queued), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketQueueSend(-1, "x", 1, &queued), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketQueueSend(0, "x", 1, &queued), SOCK_NOT_OPEN);

    // A connection still connecting has no queue yet.
    uint16_t port;
    PlainListener(&port);
    int32_t index = -1;
    ASSERT_NE(SocketConnect("127.0.0.1", port, 1, &index, Record, recvBuffer), SOCK_CONNECT_FAILED);
    EXPECT_EQ(EntryAt(index)->entryState, static_cast<uint32_t>(ENTRY_CONNECTING));
    EXPECT_EQ(SocketQueueSend(index, "x", 1, &queued), SOCK_NOT_OPEN);
    EXPECT_EQ(SocketQueueRoom(index), 0u);
    EXPECT_FALSE(SocketCanQueue(index));
}

TEST_F(SocketLayerTest, OverfullQueueStoresCapacityMinusOne) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    EXPECT_EQ(SocketQueueRoom(index), 262143u);
    std::vector<uint8_t> data;
    FillStream(data, 0, 300000);
    uint32_t queued = 0;
    EXPECT_EQ(SocketQueueSend(index, data.data(), 300000, &queued), SOCK_OK);
    EXPECT_EQ(queued, 262143u);
    EXPECT_EQ(SocketQueueRoom(index), 0u);
    // A full queue is not an error: nothing stored, still SOCK_OK.
    EXPECT_EQ(SocketQueueSend(index, data.data(), 1, &queued), SOCK_OK);
    EXPECT_EQ(queued, 0u);

    // The byte queued next comes right behind the stored ones.
    std::vector<uint8_t> got;
    ASSERT_TRUE(PumpUntilReceived(peer, got, 262143, 20000));
    ASSERT_TRUE(PumpUntilNextByte(index, peer, got, 262143));
    EXPECT_EQ(got.size(), 262144u);
    EXPECT_EQ(FirstStreamMismatch(got, 0), -1);
}

TEST_F(SocketLayerTest, QueueLeavesInBurstsOfAtMost1024) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    Settle();
    bursts.clear();
    std::vector<uint8_t> data;
    FillStream(data, 0, 2500);
    uint32_t queued = 0;
    ASSERT_EQ(SocketQueueSend(index, data.data(), 2500, &queued), SOCK_OK);
    std::vector<uint8_t> got;
    ASSERT_TRUE(PumpUntilReceived(peer, got, 2500));
    Settle();
    ASSERT_EQ(bursts.size(), 3u);
    EXPECT_EQ(bursts[0].second, 1024u);
    EXPECT_EQ(bursts[1].second, 1024u);
    EXPECT_EQ(bursts[2].second, 452u);
    EXPECT_EQ(got, data);
}

TEST_F(SocketLayerTest, StalledPeerCostsNoMessagesAndGetsEveryByteOnResume) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer, 8192);
    // Small kernel buffers make the stall come sooner; the layer must not care.
    int small = 8192;
    setsockopt(EntryAt(index)->sock, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&small),
               sizeof small);
    const uint64_t queuedWhenBlocked = FillUntilBlocked(index);
    ASSERT_TRUE(EntryAt(index)->writeWaiting);

    // While blocked the pump waits for FD_WRITE instead of posting itself:
    // a retrying pump would run, and take nothing, once for every trip
    // through the queue here. The kernel may still take a little more now
    // and then (each time through FD_WRITE), the more so on a busy machine.
    Settle();
    bursts.clear();
    for (int trip = 0; trip < 50; ++trip)
        Settle();
    const auto empty =
        std::count_if(bursts.begin(), bursts.end(),
                      [](const std::pair<WPARAM, uint32_t>& b) { return b.second == 0; });
    EXPECT_LE(empty, 3) << bursts.size() << " bursts";
    EXPECT_TRUE(PumpUntil([&] { return EntryAt(index)->writeWaiting != 0; }));

    // Resume reading and keep queuing; the stream must arrive whole and in order.
    const uint64_t total = queuedWhenBlocked + 600000;
    std::vector<uint8_t> got, chunk;
    uint64_t next = queuedWhenBlocked;
    ASSERT_TRUE(PumpUntil(
        [&] {
            const uint32_t room = SocketQueueRoom(index);
            if (next < total && room > 0) {
                const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(room, total - next));
                FillStream(chunk, next, n);
                uint32_t queued = 0;
                SocketQueueSend(index, chunk.data(), static_cast<int32_t>(n), &queued);
                next += queued;
            }
            ReadPeer(peer, got);
            return got.size() >= total;
        },
        60000))
        << "received " << got.size() << " of " << total;
    ASSERT_TRUE(PumpUntilNextByte(index, peer, got, total));
    EXPECT_EQ(got.size(), total + 1);
    EXPECT_EQ(FirstStreamMismatch(got, 0), -1);
    EXPECT_FALSE(EntryAt(index)->writeWaiting);
}

// A full message queue refuses the pump's post: the bytes must still leave,
// and the connection must keep sending afterwards.
TEST_F(SocketLayerTest, RefusedPumpPostDoesNotStopTheConnection) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    std::vector<uint8_t> data, got;
    FillStream(data, 0, 3000);
    uint32_t queued = 0;
    FailPumpPostsForTesting(1);
    ASSERT_EQ(SocketQueueSend(index, data.data(), 1000, &queued), SOCK_OK);
    FailPumpPostsForTesting(0);
    ASSERT_TRUE(PumpUntilReceived(peer, got, 1000)) << "received " << got.size();
    ASSERT_EQ(SocketQueueSend(index, data.data() + 1000, 2000, &queued), SOCK_OK);
    ASSERT_TRUE(PumpUntilReceived(peer, got, 3000)) << "received " << got.size();
    EXPECT_EQ(got, data);
}

// WSAENOBUFS brings no FD_WRITE: the pump tries again by itself.
TEST_F(SocketLayerTest, SendShortOfBuffersIsRetried) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    std::vector<uint8_t> data, got;
    FillStream(data, 0, 5000);
    uint32_t queued = 0;
    FailSendsForTesting(3, WSAENOBUFS);
    ASSERT_EQ(SocketQueueSend(index, data.data(), 5000, &queued), SOCK_OK);
    const bool arrived = PumpUntilReceived(peer, got, 5000);
    FailSendsForTesting(0, 0);
    ASSERT_TRUE(arrived) << "received " << got.size();
    EXPECT_EQ(got, data);
    EXPECT_EQ(CountEvents(SOCK_EVENT_CLOSED), 0u);
}

// Any other send error is a broken connection, which ends as a failed
// receive does; it must not wait for an FD_WRITE that never comes.
TEST_F(SocketLayerTest, SendErrorEndsTheConnection) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    uint32_t queued = 0;
    FailSendsForTesting(-1, WSAECONNRESET);
    ASSERT_EQ(SocketQueueSend(index, "abc", 3, &queued), SOCK_OK);
    const bool closed = PumpUntil([&] { return CountEvents(SOCK_EVENT_CLOSED) > 0; });
    FailSendsForTesting(0, 0);
    ASSERT_TRUE(closed);
    EXPECT_EQ(CountEvents(SOCK_EVENT_CLOSED), 1u);
    EXPECT_EQ(EntryAt(index)->inUse, 0u);
    EXPECT_FALSE(SocketCanQueue(index));
}

TEST_F(SocketLayerTest, SendMessagesForNoQueueAreIgnored) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    SocketDispatch(WM_SOCKET_SEND, 2100, 0);
    SocketDispatch(WM_SOCKET_SEND, static_cast<WPARAM>(-1), 0);
    SocketDispatch(WM_SOCKET_SEND, static_cast<WPARAM>(index + 1), 0);  // free entry
    ASSERT_EQ(SocketClose(index), SOCK_OK);
    SocketDispatch(WM_SOCKET_SEND, static_cast<WPARAM>(index), 0);  // released entry
    // Late FD_WRITE / FD_CONNECT for a socket no longer filed.
    SocketDispatch(WM_SOCKET_EVENT, static_cast<WPARAM>(12345), WSAMAKESELECTREPLY(FD_WRITE, 0));
    EXPECT_EQ(events.size(), 1u);  // only the CONNECTED of ConnectPair
}

TEST_F(SocketLayerTest, DataArrivesInChunksOfAtMost2048) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    std::vector<uint8_t> data;
    FillStream(data, 0, 9000);
    ASSERT_EQ(send(peer, reinterpret_cast<const char*>(data.data()), 9000, 0), 9000);
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= 9000; }));
    EXPECT_EQ(received, data);
    for (uint32_t n : chunkSizes)
        EXPECT_LE(n, 2048u);
    for (const auto& r : events)
        EXPECT_EQ(r.context, 42u);
    EXPECT_EQ(EntryAt(index)->entryState, static_cast<uint32_t>(ENTRY_OPEN));
}

TEST_F(SocketLayerTest, WouldBlockReceiveLeavesConnectionOpen) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    Settle();
    events.clear();
    SocketDispatch(WM_SOCKET_EVENT, EntryAt(index)->sock, WSAMAKESELECTREPLY(FD_READ, 0));
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(SocketCanQueue(index));
    // An FD_CONNECT for an entry that is already open is ignored too.
    SocketDispatch(WM_SOCKET_EVENT, EntryAt(index)->sock, WSAMAKESELECTREPLY(FD_CONNECT, 10061));
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(SocketCanQueue(index));
}

TEST_F(SocketLayerTest, OrderlyCloseReportsClosedOnceAndLaterCloseIsIgnored) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    const SOCKET sock = EntryAt(index)->sock;
    shutdown(peer, SD_SEND);
    ASSERT_TRUE(WaitEndOfStream(sock));
    events.clear();
    // The receive of 0 bytes releases at once...
    SocketDispatch(WM_SOCKET_EVENT, sock, WSAMAKESELECTREPLY(FD_READ, 0));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, SOCK_EVENT_CLOSED);
    EXPECT_EQ(EntryAt(index)->inUse, 0u);
    EXPECT_EQ(FindEntry(sock), nullptr);
    // ...and the notifications queued behind it find nothing, whether they
    // came already or come later (as the one handed in here).
    Settle();
    SocketDispatch(WM_SOCKET_EVENT, sock, WSAMAKESELECTREPLY(FD_CLOSE, 0));
    EXPECT_EQ(CountEvents(SOCK_EVENT_CLOSED), 1u);
    uint32_t queued;
    EXPECT_EQ(SocketQueueSend(index, "x", 1, &queued), SOCK_NOT_OPEN);
}

TEST_F(SocketLayerTest, PeerThatSendsAndClosesAtOnceLosesNothing) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    Settle();
    events.clear();
    std::vector<uint8_t> data;
    FillStream(data, 5, 20000);
    ASSERT_EQ(send(peer, reinterpret_cast<const char*>(data.data()), 20000, 0), 20000);
    closesocket(peer);
    plainSockets_.pop_back();
    // Everything has arrived before the first notification is read.
    ASSERT_TRUE(WaitUnread(EntryAt(index)->sock, 20000));
    ASSERT_TRUE(PumpUntil([&] { return CountEvents(SOCK_EVENT_CLOSED) > 0; }));
    Settle();
    EXPECT_EQ(received, data);
    EXPECT_EQ(CountEvents(SOCK_EVENT_CLOSED), 1u);
    EXPECT_EQ(events.back().event, SOCK_EVENT_CLOSED);
    for (uint32_t n : chunkSizes)
        EXPECT_LE(n, 2048u);
}

// Windows may post FD_CLOSE while the peer's last bytes are still unread
// (Wine posts it after them); the notification is handed in directly here.
TEST_F(SocketLayerTest, CloseNoticeAheadOfUnreadDataDeliversItFirst) {
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    Settle();
    events.clear();
    const SOCKET sock = EntryAt(index)->sock;
    std::vector<uint8_t> data;
    FillStream(data, 9, 7000);
    ASSERT_EQ(send(peer, reinterpret_cast<const char*>(data.data()), 7000, 0), 7000);
    closesocket(peer);
    plainSockets_.pop_back();
    ASSERT_TRUE(WaitUnread(sock, 7000));
    SocketDispatch(WM_SOCKET_EVENT, sock, WSAMAKESELECTREPLY(FD_CLOSE, 0));
    EXPECT_EQ(received, data);
    EXPECT_EQ(chunkSizes, (std::vector<uint32_t>{2048, 2048, 2048, 856}));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().event, SOCK_EVENT_CLOSED);
    EXPECT_EQ(EntryAt(index)->inUse, 0u);
    Settle();  // the real notifications find nothing
    EXPECT_EQ(CountEvents(SOCK_EVENT_CLOSED), 1u);
    EXPECT_EQ(received.size(), 7000u);
}

TEST_F(SocketLayerTest, OwnerMayCloseFromInsideTheFinalDelivery) {
    static int32_t closing = -1;
    static int calls = 0;
    calls = 0;
    SOCKET peer;
    closing = ConnectPair(&peer);
    Settle();
    const SOCKET sock = EntryAt(closing)->sock;
    EntryAt(closing)->callback = [](uint32_t, uint32_t event, uint32_t, uint32_t, uint32_t) {
        ++calls;
        if (event == SOCK_EVENT_DATA)
            SocketClose(closing);
        return 0;
    };
    std::vector<uint8_t> data(10000, 7);
    send(peer, reinterpret_cast<const char*>(data.data()), 10000, 0);
    closesocket(peer);
    plainSockets_.pop_back();
    ASSERT_TRUE(WaitUnread(sock, 10000));
    SocketDispatch(WM_SOCKET_EVENT, sock, WSAMAKESELECTREPLY(FD_CLOSE, 0));
    Settle();
    EXPECT_EQ(calls, 1);  // no more data, no CLOSED after the owner's own close
    EXPECT_EQ(EntryAt(closing)->inUse, 0u);
}

}  // namespace
