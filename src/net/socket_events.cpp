// The socket layer's events: SocketDispatch turns WM_SOCKET_EVENT
// notifications into owner callbacks and runs the send pump for
// WM_SOCKET_SEND. (What the server's messages do is another matter:
// HandleServerMessage, core/session/server_messages.) Callbacks run synchronously and
// may queue, close or open sockets, so nothing about an entry is trusted after
// a callback returns without checking it again.
#include "net/socket_table.h"

namespace {

void Notify(SocketEntry* e, uint32_t event, uint32_t value) {
    if (e->callback != nullptr)
        e->callback(e->context, event, value, 0, 0);
}

// False once a callback has released the entry (or even shut the layer down).
bool StillSame(const SocketEntry* e, uint32_t generation) {
    return g_socketLayer.started && e->inUse && e->generation == generation;
}

// While the server keeps sending, every turn of the message loop finds a
// WM_SOCKET_EVENT waiting, and posted messages come before input, painting
// and timers: a long synchronisation would leave clicks unanswered and the
// lists undrawn (their redraw waits for a timer) until it ended. So a
// stretch of receiving lasts READ_SLICE_MS at most while any of those wait;
// then the next receive is put off. Winsock posts no new FD_READ until the
// socket is read again, so nothing is lost or read twice, and each receive
// still takes one chunk. The loop resumes the receive once input and
// painting have been served (ResumeReadsAfterInput); inside a modal loop
// this timer does, as timers come after input and painting there too.
constexpr UINT_PTR READS_AFTER_INPUT_TIMER = 0x7000;  // below the send retries' ids

DWORD g_stretchStart;  // when the current stretch of receiving began
bool g_readsPutOff;    // some entry's receive waits for READS_AFTER_INPUT_TIMER
DWORD g_putOffAt;

bool PersonWaits() {
    return HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) != 0;
}

void ResumePutOffReads();

void CALLBACK ReadsAfterInputTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    ResumePutOffReads();
}

// True when the entry's next receive has to wait (and now does).
bool PutOffForInput(SocketEntry* e) {
    const DWORD now = GetTickCount();
    if (now - g_stretchStart < READ_SLICE_MS)
        return false;
    if (!PersonWaits()) {
        g_stretchStart = now;
        return false;
    }
    e->readPutOff = 1;
    if (!g_readsPutOff) {
        g_readsPutOff = true;
        g_putOffAt = now;
        // Without the timer the loop alone resumes; the message of any
        // other entry does not wait for it.
        SetTimer(g_socketLayer.window, READS_AFTER_INPUT_TIMER, USER_TIMER_MINIMUM,
                 ReadsAfterInputTimerProc);
    }
    return true;
}

void Receive(SocketEntry* e) {
    if (e->entryState != ENTRY_OPEN || e->recvBuffer == nullptr)
        return;
    // One receive per notification: Winsock posts FD_READ again while bytes wait.
    const int n = recvfrom(e->sock, e->recvBuffer, RECEIVE_CHUNK, 0, nullptr, nullptr);
    if (n > 0) {
        Notify(e, SOCK_EVENT_DATA, static_cast<uint32_t>(n));
        return;
    }
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
        return;
    ReleaseAndNotify(e, SOCK_EVENT_CLOSED);
}

// FD_CLOSE may overtake the peer's last bytes: what is still waiting is
// delivered in chunks, as FD_READ would deliver it, before the entry goes.
// Those bytes yield to the person as any others do.
void DrainClosed(SocketEntry* e) {
    const uint32_t generation = e->generation;
    while (StillSame(e, generation) && e->recvBuffer != nullptr) {
        if (PutOffForInput(e))
            return;
        const int n = recvfrom(e->sock, e->recvBuffer, RECEIVE_CHUNK, 0, nullptr, nullptr);
        if (n <= 0)
            break;
        Notify(e, SOCK_EVENT_DATA, static_cast<uint32_t>(n));
    }
    if (StillSame(e, generation))
        ReleaseAndNotify(e, SOCK_EVENT_CLOSED);
}

void ResumePutOffReads() {
    if (!g_readsPutOff)
        return;
    g_readsPutOff = false;
    KillTimer(g_socketLayer.window, READS_AFTER_INPUT_TIMER);
    g_stretchStart = GetTickCount();
    for (int i = 0; g_socketLayer.started && i < SOCKET_TABLE_SIZE; ++i) {
        SocketEntry* e = &g_socketLayer.table[i];
        if (!e->inUse || !e->readPutOff)
            continue;
        e->readPutOff = 0;
        if (e->peerClosed)
            DrainClosed(e);
        else
            Receive(e);
    }
}

void OnRead(SocketEntry* e) {
    // A receive put off, or bytes left after FD_CLOSE, are read by their resumption.
    if (e->readPutOff || e->peerClosed || PutOffForInput(e))
        return;
    Receive(e);
}

void OnClose(SocketEntry* e) {
    if (e->entryState != ENTRY_OPEN || e->peerClosed)
        return;
    e->peerClosed = 1;
    if (!e->readPutOff)
        DrainClosed(e);
}

void OnConnect(SocketEntry* e, int error) {
    if (e->entryState != ENTRY_CONNECTING)
        return;
    if (error != 0) {
        ReleaseAndNotify(e, SOCK_EVENT_CONNECT_FAILED);
        return;
    }
    e->entryState = ENTRY_OPEN;
    // A connection that cannot queue must not look open to its owner.
    if (!CreateSendQueue(e) || !RegisterEvents(e, OPEN_EVENTS)) {
        ReleaseAndNotify(e, SOCK_EVENT_CONNECT_FAILED);
        return;
    }
    Notify(e, SOCK_EVENT_CONNECTED, 0);
}

void OnAccept(SocketEntry* listener, int error) {
    if (listener->entryState != ENTRY_LISTENING || error != 0)
        return;
    const SOCKET sock = accept(listener->sock, nullptr, nullptr);
    if (sock == INVALID_SOCKET)
        return;
    SocketEntry* e = FindFreeEntry();
    if (e == nullptr) {
        closesocket(sock);
        return;
    }
    const int context = listener->callback(listener->context, SOCK_EVENT_ACCEPT,
                                           static_cast<uint32_t>(e->entryIndex), 0, 0);
    // The callback may have taken the entry itself (or shut the layer down);
    // then the connection has nowhere to go.
    if (context == -1 || !g_socketLayer.started || e->inUse) {
        closesocket(sock);
        return;
    }
    e->callback = listener->callback;
    e->recvBuffer = listener->recvBuffer;
    FileEntry(e, sock);
    e->context = static_cast<uint32_t>(context);
    e->entryState = ENTRY_OPEN;
    e->sock = sock;
    e->inUse = 1;
    if (!CreateSendQueue(e) || !RegisterEvents(e, OPEN_EVENTS)) {
        ReleaseAndNotify(e, SOCK_EVENT_CLOSED);
        return;
    }
    Notify(e, SOCK_EVENT_ACCEPTED, 0);
}

}  // namespace

void ResumeReadsAfterInput() {
    if (!g_readsPutOff)
        return;
    // Served, or at most one slice of waiting: a window that never stops
    // asking to be painted cannot stop the reading.
    if (PersonWaits() && GetTickCount() - g_putOffAt < READ_SLICE_MS)
        return;
    ResumePutOffReads();
}

void SocketDispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_socketLayer.started)
        return;
    if (message == WM_SOCKET_SEND) {
        PumpSendQueue(wParam);
        return;
    }
    if (message != WM_SOCKET_EVENT)
        return;
    SocketEntry* e = FindEntry(static_cast<SOCKET>(wParam));
    if (e == nullptr)
        return;  // released since the notification was posted
    const int error = WSAGETSELECTERROR(lParam);
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_READ: OnRead(e); break;
    case FD_CLOSE: OnClose(e); break;
    case FD_CONNECT: OnConnect(e, error); break;
    case FD_ACCEPT: OnAccept(e, error); break;
    case FD_WRITE:
        if (e->entryState == ENTRY_OPEN)
            ResumeSendQueue(e);
        break;
    default: break;
    }
}
