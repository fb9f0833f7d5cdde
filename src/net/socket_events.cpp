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

void OnRead(SocketEntry* e) {
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

void OnClose(SocketEntry* e) {
    if (e->entryState != ENTRY_OPEN)
        return;
    // FD_CLOSE may overtake the peer's last bytes: deliver what is still
    // waiting, in chunks as FD_READ would, before the entry goes.
    const uint32_t generation = e->generation;
    while (StillSame(e, generation) && e->recvBuffer != nullptr) {
        const int n = recvfrom(e->sock, e->recvBuffer, RECEIVE_CHUNK, 0, nullptr, nullptr);
        if (n <= 0)
            break;
        Notify(e, SOCK_EVENT_DATA, static_cast<uint32_t>(n));
    }
    if (StillSame(e, generation))
        ReleaseAndNotify(e, SOCK_EVENT_CLOSED);
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
