// The queued send path of TCP connections: SocketQueueSend stores bytes in
// the connection's ring, and the pump run by WM_SOCKET_SEND drains it in
// bursts of at most SEND_BURST bytes, posting itself again while bytes remain.
//
// When send() refuses (the peer is not reading), the pump does not re-post
// itself: it adds FD_WRITE to the socket's registration and waits for it, so
// a stalled peer costs no CPU. The refused bytes stay at the head of the ring
// and leave first when the socket is writable again.
#include <cstring>

#include "net/socket_table.h"

namespace {

// Holds a queue's lock for one ring operation.
class QueueLock {
public:
    explicit QueueLock(SendQueue& q) : q_(q) { EnterCriticalSection(&q_.lock); }
    ~QueueLock() { LeaveCriticalSection(&q_.lock); }
    QueueLock(const QueueLock&) = delete;
    QueueLock& operator=(const QueueLock&) = delete;

private:
    SendQueue& q_;
};

bool HasQueue(const SocketEntry* e) {
    return e->inUse && e->sock != 0 && e->entryState == ENTRY_OPEN &&
           e->sendQueue.ring.buffer != nullptr;
}

// One pump message per connection is enough: a burst of small sends (the
// acknowledgements of a flood of events) then costs one send() per message
// loop turn instead of one message and one send() each.
void PostPump(SocketEntry* e) {
    if (e->pumpPosted)
        return;
    e->pumpPosted = 1;
    PostMessageA(g_socketLayer.window, WM_SOCKET_SEND, static_cast<WPARAM>(e->entryIndex), 0);
}

// Stops retrying until the socket is writable again.
void WaitForWritable(SocketEntry* e) {
    e->writeWaiting = 1;
    if (!e->writeWatched) {
        // Registering FD_WRITE posts it at once if the socket is writable
        // already, so a wake-up between the refusal and here is not missed.
        e->writeWatched = 1;
        if (!RegisterEvents(e, OPEN_EVENTS_WATCH_WRITE)) {
            // Without FD_WRITE the only way on is to retry as messages allow.
            e->writeWatched = 0;
            e->writeWaiting = 0;
            PostPump(e);
        }
    }
}

}  // namespace

int SocketQueueSend(int32_t index, const void* data, int32_t length, uint32_t* queued) {
    if (!g_socketLayer.started)
        return SOCK_NOT_STARTED;
    if (data == nullptr || length <= 0 || queued == nullptr || index < 0 ||
        index >= SOCKET_TABLE_SIZE)
        return SOCK_BAD_ARGUMENT;
    SocketEntry* e = &g_socketLayer.table[index];
    // Raw and UDP entries have no queue: they are refused like a closed one.
    if (!HasQueue(e))
        return SOCK_NOT_OPEN;
    uint32_t stored;
    {
        QueueLock lock(e->sendQueue);
        stored = RingPut(e->sendQueue.ring, static_cast<const uint8_t*>(data),
                         static_cast<uint32_t>(length));
    }
    PostPump(e);
    *queued = stored;
    return SOCK_OK;
}

uint32_t SocketQueueRoom(int32_t index) {
    SocketEntry* e = EntryAt(index);
    if (e == nullptr || !HasQueue(e))
        return 0;
    QueueLock lock(e->sendQueue);
    return RingRoom(e->sendQueue.ring);
}

bool SocketCanQueue(int32_t index) {
    SocketEntry* e = EntryAt(index);
    return e != nullptr && HasQueue(e);
}

void PumpSendQueue(WPARAM index) {
    if (index >= static_cast<WPARAM>(SOCKET_TABLE_SIZE))
        return;
    SocketEntry* e = &g_socketLayer.table[index];
    e->pumpPosted = 0;
    if (!HasQueue(e))
        return;
    SendQueue& q = e->sendQueue;

    uint32_t budget = SEND_BURST;
    bool refused = false;
    while (budget > 0) {
        const uint8_t* run;
        uint32_t n;
        {
            QueueLock lock(q);
            n = RingPeekRun(q.ring, budget, &run);
        }
        if (n == 0)
            break;
        // The run stays in the ring until send() has taken it, so a refusal
        // leaves those bytes first in line; a partial send takes only its part.
        const int sent = send(e->sock, reinterpret_cast<const char*>(run), static_cast<int>(n), 0);
        if (sent <= 0) {
            // WSAEWOULDBLOCK, or a broken connection whose FD_CLOSE or failed
            // receive will release the entry: either way, wait.
            refused = true;
            break;
        }
        {
            QueueLock lock(q);
            RingConsume(q.ring, static_cast<uint32_t>(sent));
        }
        budget -= static_cast<uint32_t>(sent);
    }

    bool remaining;
    {
        QueueLock lock(q);
        remaining = q.ring.count != 0;
    }
    if (!remaining) {
        e->writeWaiting = 0;
        return;
    }
    if (refused) {
        WaitForWritable(e);
        return;
    }
    e->writeWaiting = 0;
    PostPump(e);
}

void ResumeSendQueue(SocketEntry* e) {
    if (!e->writeWaiting || !HasQueue(e))
        return;  // a late or repeated FD_WRITE: the pump is already running
    e->writeWaiting = 0;
    PostPump(e);
}
