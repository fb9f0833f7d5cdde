// The open operations and address helpers under Wine: entry choice and
// set-up order, failures that must leave the table clean, listeners,
// datagram sockets, and a table that is full.
#include <cstring>

#include "core/sockets/address.h"
#include "net_harness.h"

namespace {

using EndpointTest = NetTest;

TEST_F(EndpointTest, ConnectTakesLowestEntryAndWaitsForCompletion) {
    uint16_t port;
    PlainListener(&port);
    int32_t index = -1;
    const int rc = SocketConnect("127.0.0.1", port, 9, &index, Record, recvBuffer);
    EXPECT_TRUE(rc == SOCK_IN_PROGRESS || rc == SOCK_OK) << rc;
    EXPECT_EQ(index, 0);
    SocketEntry* e = EntryAt(0);
    EXPECT_EQ(e->entryState, static_cast<uint32_t>(ENTRY_CONNECTING));
    EXPECT_EQ(FindEntry(e->sock), e);
    ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
    EXPECT_EQ(events[0].event, SOCK_EVENT_CONNECTED);
    EXPECT_EQ(events[0].context, 9u);
    EXPECT_EQ(SocketQueueRoom(0), 262143u);
}

TEST_F(EndpointTest, ConnectArgumentsCheckedBeforeAnySocket) {
    int32_t index = -1;
    EXPECT_EQ(SocketConnect(nullptr, 1, 0, &index, Record, recvBuffer), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketConnect("127.0.0.1", 1, 0, nullptr, Record, recvBuffer), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketConnect("127.0.0.1", 1, 0, &index, nullptr, recvBuffer), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketConnect("127.0.0.1", 1, 0, &index, Record, nullptr), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(EntryAt(0)->inUse, 0u);
    EXPECT_EQ(EntryAt(0)->link.prevNext, nullptr);
}

TEST_F(EndpointTest, RefusedConnectReportsConnectFailed) {
    // A port that was just free: nothing listens there.
    uint16_t port;
    SOCKET s = PlainListener(&port);
    closesocket(s);
    plainSockets_.clear();
    int32_t index = -1;
    const int rc = SocketConnect("127.0.0.1", port, 3, &index, Record, recvBuffer);
    if (rc == SOCK_CONNECT_FAILED) {
        EXPECT_EQ(EntryAt(0)->inUse, 0u);  // failed at once
        return;
    }
    ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
    EXPECT_EQ(events[0].event, SOCK_EVENT_CONNECT_FAILED);
    EXPECT_EQ(events[0].context, 3u);
    EXPECT_EQ(EntryAt(index)->inUse, 0u);
    uint32_t queued;
    EXPECT_EQ(SocketQueueSend(index, "x", 1, &queued), SOCK_NOT_OPEN);
}

TEST_F(EndpointTest, UnresolvableHostLeavesEntryFree) {
    int32_t index = -1;
    EXPECT_EQ(SocketConnect("no-such-host.invalid", 80, 0, &index, Record, recvBuffer),
              SOCK_RESOLVE_FAILED);
    SocketEntry* e = EntryAt(0);
    EXPECT_EQ(e->inUse, 0u);
    EXPECT_EQ(e->link.prevNext, nullptr);
    const SOCKET stale = static_cast<SOCKET>(e->link.key);
    EXPECT_EQ(FindEntry(stale), nullptr);
    SocketDispatch(WM_SOCKET_EVENT, stale, WSAMAKESELECTREPLY(FD_CONNECT, 0));
    EXPECT_TRUE(events.empty());
    // The next open takes the same entry.
    uint16_t port;
    PlainListener(&port);
    EXPECT_NE(SocketConnect("127.0.0.1", port, 0, &index, Record, recvBuffer), SOCK_CONNECT_FAILED);
    EXPECT_EQ(index, 0);
}

TEST_F(EndpointTest, ResolveHostName) {
    char out[16];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(ResolveHostName("999.1.2.3", out), SOCK_OK);  // copied, no look-up
    EXPECT_STREQ(out, "999.1.2.3");
    EXPECT_EQ(ResolveHostName("localhost", out), SOCK_OK);
    EXPECT_TRUE(IsDottedQuad(out)) << out;
    EXPECT_EQ(ResolveHostName("", out), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(ResolveHostName(nullptr, out), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(ResolveHostName("localhost", nullptr), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(ResolveHostName("no-such-host.invalid", out), SOCK_FAILED);
}

TEST_F(EndpointTest, AddressHelpersAgreeWithWinsock) {
    char out[16];
    FormatDottedQuad(ParseDottedQuad("10.1.2.3"), out);
    EXPECT_STREQ(out, "10.1.2.3");
    EXPECT_EQ(ParseDottedQuad("10.1.2.3"), inet_addr("10.1.2.3"));
    char name[256];
    EXPECT_EQ(GetLocalHostName(name, sizeof name), SOCK_OK);
    EXPECT_EQ(GetLocalHostName(nullptr, 10), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(GetLocalHostName(name, 0), SOCK_BAD_ARGUMENT);
}

TEST_F(EndpointTest, CloseIsSilentAndChecksItsEntry) {
    EXPECT_EQ(SocketClose(2100), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketClose(-1), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketClose(0), SOCK_NOT_OPEN);
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    events.clear();
    EXPECT_EQ(SocketClose(index), SOCK_OK);
    EXPECT_EQ(SocketClose(index), SOCK_NOT_OPEN);
    std::vector<uint8_t> got;
    ASSERT_TRUE(PumpUntil([&] { return !ReadPeer(peer, got); }));  // the peer sees the end
    Settle();
    EXPECT_TRUE(events.empty());
}

// Listener on an ephemeral port; its port read back from the socket.
int32_t Listen(uint16_t* port) {
    int32_t index = -1;
    EXPECT_EQ(SocketListen(0, 500, &index, NetTest::Record, NetTest::recvBuffer), SOCK_OK);
    sockaddr_in sa = {};
    int len = sizeof sa;
    getsockname(EntryAt(index)->sock, reinterpret_cast<sockaddr*>(&sa), &len);
    *port = ntohs(sa.sin_port);
    return index;
}

SOCKET PlainConnect(uint16_t port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = inet_addr("127.0.0.1");
    sa.sin_port = htons(port);
    EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    return s;
}

TEST_F(EndpointTest, ListenerAcceptsIntoNewEntryWithOwnersContext) {
    uint16_t port;
    const int32_t listener = Listen(&port);
    EXPECT_EQ(EntryAt(listener)->entryState, static_cast<uint32_t>(ENTRY_LISTENING));
    acceptResult = 77;
    SOCKET client = PlainConnect(port);
    plainSockets_.push_back(client);
    ASSERT_TRUE(PumpUntil([&] { return CountEvents(SOCK_EVENT_ACCEPTED) == 1; }));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].event, SOCK_EVENT_ACCEPT);
    EXPECT_EQ(events[0].context, 500u);
    const int32_t accepted = static_cast<int32_t>(events[0].value);
    EXPECT_EQ(accepted, listener + 1);
    EXPECT_EQ(events[1].context, 77u);
    EXPECT_EQ(EntryAt(accepted)->recvBuffer, recvBuffer);

    // Both directions work on the accepted entry.
    send(client, "ping", 4, 0);
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= 4; }));
    EXPECT_EQ(events.back().context, 77u);
    uint32_t queued;
    ASSERT_EQ(SocketQueueSend(accepted, "pong", 4, &queued), SOCK_OK);
    std::vector<uint8_t> got;
    ASSERT_TRUE(PumpUntil([&] {
        ReadPeer(client, got);
        return got.size() >= 4;
    }));
    EXPECT_EQ(std::string(got.begin(), got.end()), "pong");
}

TEST_F(EndpointTest, RefusedIncomingConnectionIsClosedQuietly) {
    uint16_t port;
    const int32_t listener = Listen(&port);
    acceptResult = -1;
    SOCKET client = PlainConnect(port);
    plainSockets_.push_back(client);
    std::vector<uint8_t> got;
    ASSERT_TRUE(PumpUntil([&] { return !ReadPeer(client, got); }));
    Settle();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, SOCK_EVENT_ACCEPT);
    EXPECT_EQ(EntryAt(listener + 1)->inUse, 0u);
}

TEST_F(EndpointTest, QueueAllocationFailureFailsTheSetUp) {
    RingFailAllocationsForTesting(1);
    uint16_t port;
    SOCKET plain = PlainListener(&port);
    int32_t index = -1;
    SocketConnect("127.0.0.1", port, 5, &index, Record, recvBuffer);
    ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
    EXPECT_EQ(events[0].event, SOCK_EVENT_CONNECT_FAILED);
    EXPECT_EQ(EntryAt(index)->inUse, 0u);
    SOCKET dropped = accept(plain, nullptr, nullptr);
    if (dropped != INVALID_SOCKET)
        plainSockets_.push_back(dropped);

    // The same on the accepting side: the owner hears CLOSED after ACCEPT.
    events.clear();
    const int32_t listener = Listen(&port);
    acceptResult = 8;
    RingFailAllocationsForTesting(1);
    plainSockets_.push_back(PlainConnect(port));
    ASSERT_TRUE(PumpUntil([&] { return events.size() >= 2; }));
    EXPECT_EQ(events[0].event, SOCK_EVENT_ACCEPT);
    EXPECT_EQ(events[1].event, SOCK_EVENT_CLOSED);
    EXPECT_EQ(events[1].context, 8u);
    EXPECT_EQ(EntryAt(listener + 1)->inUse, 0u);
    RingFailAllocationsForTesting(0);
}

TEST_F(EndpointTest, UdpEntryReceivesDatagramsButRefusesQueuedSends) {
    int32_t index = -1;
    ASSERT_EQ(SocketOpenUdp(11, &index, 0, Record, recvBuffer), SOCK_OK);
    EXPECT_EQ(EntryAt(index)->entryState, static_cast<uint32_t>(ENTRY_OPEN));
    sockaddr_in sa = {};
    int len = sizeof sa;
    getsockname(EntryAt(index)->sock, reinterpret_cast<sockaddr*>(&sa), &len);
    const uint16_t port = ntohs(sa.sin_port);

    EXPECT_EQ(SocketSendTo(index, inet_addr("127.0.0.1"), port, "dgram", 5), SOCK_OK);
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= 5; }));
    EXPECT_EQ(std::string(received.begin(), received.end()), "dgram");
    EXPECT_EQ(events[0].context, 11u);

    uint32_t queued;
    EXPECT_EQ(SocketQueueSend(index, "x", 1, &queued), SOCK_NOT_OPEN);
    EXPECT_EQ(SocketQueueRoom(index), 0u);
    EXPECT_EQ(SocketSendTo(index, 0, 1, "x", 0), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketSendTo(index, 0, 1, nullptr, 1), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketSendTo(2100, 0, 1, "x", 1), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketSendTo(index + 1, 0, 1, "x", 1), SOCK_NOT_OPEN);
    int32_t sent = -1;
    EXPECT_EQ(SocketSendToText(index, "127.0.0.1", "x", 1, nullptr), SOCK_BAD_ARGUMENT);
    EXPECT_EQ(SocketSendToText(index + 1, "127.0.0.1", "x", 1, &sent), SOCK_NOT_OPEN);
    EXPECT_EQ(SocketOpenUdp(0, nullptr, 0, Record, recvBuffer), SOCK_BAD_ARGUMENT);

    // A second socket on the same port cannot bind.
    int32_t other = -1;
    EXPECT_EQ(SocketOpenUdp(0, &other, port, Record, recvBuffer), SOCK_BIND_FAILED);
    EXPECT_EQ(EntryAt(index + 1)->inUse, 0u);
}

TEST_F(EndpointTest, FullTableRefusesEveryOpen) {
    std::vector<int32_t> taken;
    for (int i = 0; i < SOCKET_TABLE_SIZE; ++i) {
        int32_t index = -1;
        ASSERT_EQ(SocketOpenUdp(0, &index, 0, Record, recvBuffer), SOCK_OK) << i;
        ASSERT_EQ(index, i);
    }
    uint16_t port;
    PlainListener(&port);
    int32_t index = -1;
    EXPECT_EQ(SocketConnect("127.0.0.1", port, 0, &index, Record, recvBuffer), SOCK_NO_RESOURCES);
    EXPECT_EQ(SocketListen(0, 0, &index, Record, recvBuffer), SOCK_NO_RESOURCES);
    EXPECT_EQ(SocketOpenUdp(0, &index, 0, Record, recvBuffer), SOCK_NO_RESOURCES);
    const int raw = SocketOpenRaw(0, &index, Record, recvBuffer, IPPROTO_ICMP);
    EXPECT_TRUE(raw == SOCK_NO_RESOURCES || raw == SOCK_SOCKET_FAILED) << raw;
    EXPECT_EQ(index, -1);
    // The refused sockets were closed: a connection made now is the only
    // one the listener has.
    plainSockets_.push_back(PlainConnect(port));
    SOCKET first = INVALID_SOCKET;
    ASSERT_TRUE(PumpUntil(
        [&] { return (first = accept(plainSockets_[0], nullptr, nullptr)) != INVALID_SOCKET; }));
    plainSockets_.push_back(first);
    EXPECT_EQ(accept(plainSockets_[0], nullptr, nullptr), INVALID_SOCKET);

    // Freeing one entry makes it the next one taken.
    ASSERT_EQ(SocketClose(1234), SOCK_OK);
    EXPECT_EQ(SocketOpenUdp(0, &index, 0, Record, recvBuffer), SOCK_OK);
    EXPECT_EQ(index, 1234);
}

TEST_F(EndpointTest, CollidingHandlesInOneBucketAreBothFound) {
    // Real handles rarely collide: file a second entry under a handle that
    // shares the bucket of a live socket and check both are told apart.
    SOCKET peer;
    const int32_t index = ConnectPair(&peer);
    SocketEntry* live = EntryAt(index);
    const uint32_t bucket = SocketHash(static_cast<uint32_t>(live->sock), 0, 0);
    SOCKET twin = live->sock + 4;
    while (SocketHash(static_cast<uint32_t>(twin), 0, 0) != bucket)
        twin += 4;
    SocketEntry* fake = EntryAt(index + 1);
    FileEntry(fake, twin);
    fake->inUse = 1;
    EXPECT_EQ(FindEntry(twin), fake);
    EXPECT_EQ(FindEntry(live->sock), live);
    // Data on the live socket still reaches its owner.
    send(peer, "abc", 3, 0);
    ASSERT_TRUE(PumpUntil([&] { return received.size() >= 3; }));
    UnlinkEntry(fake);
    fake->inUse = 0;
    EXPECT_EQ(FindEntry(live->sock), live);
}

}  // namespace
