// The socket layer's Wine test fixture (see net_harness.h).
#include "net_harness.h"

#include <cstring>

std::vector<CallbackRecord> NetTest::events;
std::vector<uint8_t> NetTest::received;
std::vector<uint32_t> NetTest::chunkSizes;
int NetTest::acceptResult = 0;
char NetTest::recvBuffer[RECEIVE_CHUNK];
std::vector<std::pair<WPARAM, uint32_t>> NetTest::bursts;

namespace {

// Settle's socket, which talks to itself; its notifications never reach the layer.
SOCKET g_settleSocket = INVALID_SOCKET;
sockaddr_in g_settleAddress;
int g_settleDatagrams;

LRESULT CALLBACK NotifyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SOCKET_EVENT && wParam == g_settleSocket) {
        char datagram[8];
        while (recv(g_settleSocket, datagram, sizeof datagram, 0) >= 0)
            ++g_settleDatagrams;
        return 0;
    }
    if (msg == WM_SOCKET_EVENT || msg == WM_SOCKET_SEND) {
        SocketDispatch(msg, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND CreateNotifyWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = NotifyProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QxNetTestWindow";
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, "QxNetTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

void FillStream(std::vector<uint8_t>& out, uint64_t first, size_t count) {
    out.resize(count);
    for (size_t i = 0; i < count; ++i)
        out[i] = StreamByte(first + i);
}

int64_t FirstStreamMismatch(const std::vector<uint8_t>& got, uint64_t first) {
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i] != StreamByte(first + i))
            return static_cast<int64_t>(i);
    return -1;
}

int NetTest::Record(uint32_t context, uint32_t event, uint32_t value, uint32_t, uint32_t) {
    events.push_back({context, event, value});
    if (event == SOCK_EVENT_DATA) {
        received.insert(received.end(), recvBuffer, recvBuffer + value);
        chunkSizes.push_back(value);
    }
    if (event == SOCK_EVENT_ACCEPT)
        return acceptResult;
    return 0;
}

void NetTest::SetUp() {
    events.clear();
    received.clear();
    chunkSizes.clear();
    bursts.clear();
    acceptResult = 0;
    g_settleSocket = INVALID_SOCKET;
    window_ = CreateNotifyWindow();
    ASSERT_NE(window_, nullptr);
    ASSERT_EQ(SocketStartup(window_), SOCK_OK);
}

void NetTest::TearDown() {
    for (SOCKET s : plainSockets_)
        closesocket(s);
    plainSockets_.clear();
    SocketCleanup();
    // Notifications still queued belong to sockets that no longer exist; they
    // must not reach the next test's layer.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    DestroyWindow(window_);
}

bool NetTest::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_SOCKET_SEND) {
                const uint32_t before = SocketQueueRoom(static_cast<int32_t>(msg.wParam));
                DispatchMessageA(&msg);
                const uint32_t after = SocketQueueRoom(static_cast<int32_t>(msg.wParam));
                bursts.push_back({msg.wParam, after > before ? after - before : 0});
            } else {
                DispatchMessageA(&msg);
            }
            if (done && done())
                return true;
        }
        if (done && done())
            return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        const DWORD wait = timeoutMs - elapsed < 10 ? timeoutMs - elapsed : 10;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
}

void NetTest::Settle() {
    if (g_settleSocket == INVALID_SOCKET) {
        g_settleSocket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        plainSockets_.push_back(g_settleSocket);
        g_settleAddress = {};
        g_settleAddress.sin_family = AF_INET;
        g_settleAddress.sin_addr.s_addr = inet_addr("127.0.0.1");
        auto address = reinterpret_cast<sockaddr*>(&g_settleAddress);
        int length = sizeof g_settleAddress;
        ASSERT_EQ(bind(g_settleSocket, address, length), 0);
        getsockname(g_settleSocket, address, &length);
        ASSERT_EQ(WSAAsyncSelect(g_settleSocket, window_, WM_SOCKET_EVENT, FD_READ), 0);
    }
    const int before = g_settleDatagrams;
    ASSERT_EQ(sendto(g_settleSocket, "s", 1, 0, reinterpret_cast<sockaddr*>(&g_settleAddress),
                     sizeof g_settleAddress),
              1);
    ASSERT_TRUE(PumpUntil([&] { return g_settleDatagrams > before; }));
}

bool NetTest::PumpUntilNextByte(int32_t index, SOCKET peer, std::vector<uint8_t>& into,
                                uint64_t next) {
    const uint8_t byte = StreamByte(next);
    uint32_t queued = 0;
    return SocketQueueSend(index, &byte, 1, &queued) == SOCK_OK && queued == 1 &&
           PumpUntilReceived(peer, into, next + 1);
}

SOCKET NetTest::PlainListener(uint16_t* port, int receiveBuffer) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, INVALID_SOCKET);
    plainSockets_.push_back(s);
    if (receiveBuffer > 0)  // inherited by accepted sockets
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
                   sizeof receiveBuffer);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = inet_addr("127.0.0.1");
    sa.sin_port = 0;
    EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    EXPECT_EQ(listen(s, 8), 0);
    int len = sizeof sa;
    getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len);
    *port = ntohs(sa.sin_port);
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    return s;
}

int32_t NetTest::ConnectPair(SOCKET* peer, int receiveBuffer) {
    uint16_t port = 0;
    SOCKET listener = PlainListener(&port, receiveBuffer);
    int32_t index = -1;
    const int rc = SocketConnect("127.0.0.1", port, 42, &index, Record, recvBuffer);
    EXPECT_TRUE(rc == SOCK_IN_PROGRESS || rc == SOCK_OK) << rc;
    *peer = INVALID_SOCKET;
    EXPECT_TRUE(PumpUntil([&] {
        if (*peer == INVALID_SOCKET)
            *peer = accept(listener, nullptr, nullptr);
        return *peer != INVALID_SOCKET && CountEvents(SOCK_EVENT_CONNECTED) == 1;
    }));
    if (*peer != INVALID_SOCKET) {
        plainSockets_.push_back(*peer);
        u_long nonBlocking = 1;
        ioctlsocket(*peer, FIONBIO, &nonBlocking);
    }
    return index;
}

uint64_t NetTest::FillUntilBlocked(int32_t index) {
    SocketEntry* e = EntryAt(index);
    std::vector<uint8_t> chunk;
    // Loopback buffers fill within a fraction of a second.
    EXPECT_TRUE(PumpUntil(
        [&] {
            const uint32_t room = SocketQueueRoom(index);
            if (e->writeWaiting && room == 0)
                return true;
            if (room > 0) {
                FillStream(chunk, streamNext_, room);
                uint32_t queued = 0;
                EXPECT_EQ(SocketQueueSend(index, chunk.data(), static_cast<int32_t>(room), &queued),
                          SOCK_OK);
                EXPECT_EQ(queued, room);
                streamNext_ += queued;
            }
            return false;
        },
        10000));
    return streamNext_;
}

bool NetTest::ReadPeer(SOCKET peer, std::vector<uint8_t>& into) {
    char buf[65536];
    for (;;) {
        const int n = recv(peer, buf, sizeof buf, 0);
        if (n > 0) {
            into.insert(into.end(), buf, buf + n);
            continue;
        }
        return !(n == 0 || WSAGetLastError() != WSAEWOULDBLOCK);
    }
}

bool NetTest::WaitUnread(SOCKET sock, u_long bytes, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        u_long unread = 0;
        if (ioctlsocket(sock, FIONREAD, &unread) == 0 && unread >= bytes)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(5);
    }
}

bool NetTest::WaitEndOfStream(SOCKET sock, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        char byte;
        if (recv(sock, &byte, 1, MSG_PEEK) == 0)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(5);
    }
}

size_t NetTest::CountEvents(uint32_t event) const {
    size_t n = 0;
    for (const auto& r : events)
        n += r.event == event;
    return n;
}
