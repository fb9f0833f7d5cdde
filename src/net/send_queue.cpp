// The queued send path of TCP connections: SocketQueueSend stores bytes in
// the connection's ring, and the pump run by WM_SOCKET_SEND drains it in
// bursts of at most SEND_BURST bytes, posting itself again while bytes remain.
//
// When send() refuses (the peer is not reading), the pump does not re-post
// itself: it adds FD_WRITE to the socket's registration and waits for it, so
// a stalled peer costs no CPU. The refused bytes stay at the head of the ring
// and leave first when the socket is writable again.
//
// Any other failure never brings FD_WRITE. Short of buffers (WSAENOBUFS),
// the pump tries again a little later; every other error means the
// connection is broken, and it ends as a failed receive would, with
// SOCK_EVENT_CLOSED to its owner. A pump message that cannot be posted (the
// message queue is full) is retried the same way, later, by a timer: a timer
// needs no room in the queue.
#include <cstring>

#include "net/socket_table.h"

namespace {

// One-shot retry timers on the layer's window (the main window, whose only
// timers they are), one id per table entry.
constexpr UINT_PTR RETRY_TIMER_BASE = 0x7100;
constexpr UINT RETRY_DELAY_MS = 50;

int g_failPumpPosts;
int g_failSends;
int g_failSendError;

bool PostPumpMessage(const SocketEntry* e) {
    if (g_failPumpPosts != 0) {
        if (g_failPumpPosts > 0)
            --g_failPumpPosts;
        return false;
    }
    return PostMessageA(g_socketLayer.window, WM_SOCKET_SEND, static_cast<WPARAM>(e->entryIndex),
                        0) != 0;
}

// send(), or the failure a test asked for.
int SendRun(SOCKET sock, const uint8_t* run, uint32_t n) {
    if (g_failSends != 0) {
        if (g_failSends > 0)
            --g_failSends;
        WSASetLastError(g_failSendError);
        return SOCKET_ERROR;
    }
    return send(sock, reinterpret_cast<const char*>(run), static_cast<int>(n), 0);
}

void CALLBACK RetryTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    const int32_t index = static_cast<int32_t>(id - RETRY_TIMER_BASE);
    if (EntryAt(index) != nullptr)
        PumpSendQueue(static_cast<WPARAM>(index));
}

// Runs the pump for this entry again after RETRY_DELAY_MS. If even the timer
// cannot be set, the next SocketQueueSend or FD_WRITE starts the pump again.
void RetryLater(const SocketEntry* e) {
    SetTimer(g_socketLayer.window, RETRY_TIMER_BASE + static_cast<UINT_PTR>(e->entryIndex),
             RETRY_DELAY_MS, RetryTimerProc);
}

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
// The flag is set only for a post that went in, so a failed one cannot leave
// it standing with no message to clear it.
void PostPump(SocketEntry* e) {
    if (e->pumpPosted)
        return;
    if (PostPumpMessage(e))
        e->pumpPosted = 1;
    else
        RetryLater(e);
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
    bool retry = false;
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
        const int sent = SendRun(e->sock, run, n);
        if (sent <= 0) {
            const int error = sent == 0 ? WSAEWOULDBLOCK : WSAGetLastError();
            if (error == WSAEWOULDBLOCK) {
                refused = true;
            } else if (error == WSAENOBUFS) {
                retry = true;
            } else {
                ReleaseAndNotify(e, SOCK_EVENT_CLOSED);
                return;
            }
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
    if (retry)
        RetryLater(e);
    else
        PostPump(e);
}

void FailPumpPostsForTesting(int count) {
    g_failPumpPosts = count;
}

void FailSendsForTesting(int count, int error) {
    g_failSends = count;
    g_failSendError = error;
}

void ResumeSendQueue(SocketEntry* e) {
    if (!e->writeWaiting || !HasQueue(e))
        return;  // a late or repeated FD_WRITE: the pump is already running
    e->writeWaiting = 0;
    PostPump(e);
}
