// Shared fixture of the socket layer's Wine tests: a hidden notification
// window, a recording callback, a message pump bounded by a condition, and
// plain Winsock peers on loopback with ephemeral ports.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "net/socket_table.h"

struct CallbackRecord {
    uint32_t context;
    uint32_t event;
    uint32_t value;
};

// Byte i of every test stream: not periodic at any small power of two, so a
// lost, repeated or swapped run shows up.
inline uint8_t StreamByte(uint64_t i) {
    return static_cast<uint8_t>((i * 7) ^ (i >> 7) ^ (i >> 15));
}
void FillStream(std::vector<uint8_t>& out, uint64_t first, size_t count);
// Index of the first byte of `got` that differs from the stream from `first`, or -1.
int64_t FirstStreamMismatch(const std::vector<uint8_t>& got, uint64_t first);

class NetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Dispatches messages until done() holds or timeoutMs passes; false on timeout.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
    // Returns once every notification that Winsock had posted before the
    // call has been handled: a datagram sent now to a socket of the test's
    // own, outside the layer's table, is announced through the same queue
    // behind them. What a test expects not to happen would have happened by
    // then.
    void Settle();

    // A plain listening socket on 127.0.0.1 with an ephemeral port (non-blocking).
    SOCKET PlainListener(uint16_t* port, int receiveBuffer = 0);
    // Opens a layer connection to `port` and waits for SOCK_EVENT_CONNECTED;
    // the accepted peer (non-blocking) goes to *peer.
    int32_t ConnectPair(SOCKET* peer, int receiveBuffer = 0);
    // Queues and pumps until the pump waits for FD_WRITE; returns bytes queued.
    uint64_t FillUntilBlocked(int32_t index);
    // Reads non-blocking from `peer` into `into`; false once the peer saw end of stream.
    static bool ReadPeer(SOCKET peer, std::vector<uint8_t>& into);
    // Pumps and reads from `peer` until `into` holds at least `size` bytes;
    // false on timeout.
    bool PumpUntilReceived(SOCKET peer, std::vector<uint8_t>& into, size_t size,
                           DWORD timeoutMs = 5000) {
        return PumpUntil(
            [&] {
                ReadPeer(peer, into);
                return into.size() >= size;
            },
            timeoutMs);
    }
    // Queues byte `next` of the stream on `index` and reads `peer` until it
    // has come: whatever the layer still had to send before it is in `into`.
    bool PumpUntilNextByte(int32_t index, SOCKET peer, std::vector<uint8_t>& into, uint64_t next);
    // Without reading or dispatching anything, waits at most timeoutMs until
    // `sock` holds at least `bytes` unread bytes, or until the end of the
    // stream is all that is left to read.
    static bool WaitUnread(SOCKET sock, u_long bytes, DWORD timeoutMs = 5000);
    static bool WaitEndOfStream(SOCKET sock, DWORD timeoutMs = 5000);

    size_t CountEvents(uint32_t event) const;

    HWND window_ = nullptr;
    std::vector<SOCKET> plainSockets_;  // closed at tear-down
    uint64_t streamNext_ = 0;           // next stream byte FillUntilBlocked queues

public:
    static std::vector<CallbackRecord> events;
    static std::vector<uint8_t> received;  // every SOCK_EVENT_DATA, concatenated
    static std::vector<uint32_t> chunkSizes;
    static int acceptResult;  // what SOCK_EVENT_ACCEPT returns
    static char recvBuffer[RECEIVE_CHUNK];
    static int Record(uint32_t context, uint32_t event, uint32_t value, uint32_t, uint32_t);

    // Observed by PumpUntil: every WM_SOCKET_SEND and the bytes it took from its queue.
    static std::vector<std::pair<WPARAM, uint32_t>> bursts;
};
