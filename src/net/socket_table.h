// Internals of the socket layer shared by its source files (table, events,
// send path, endpoints) and by the layer's own tests. Owners use socket.h.
#pragma once

#include "core/sockets/byte_ring.h"
#include "core/sockets/socket_hash.h"
#include "net/socket.h"

enum : uint32_t {
    ENTRY_FREE = 0,
    ENTRY_CONNECTING = 1,
    ENTRY_LISTENING = 2,
    ENTRY_OPEN = 3,  // connected TCP (outgoing or accepted), or an open raw/UDP socket
};

// Event masks given to WSAAsyncSelect.
constexpr long OPEN_EVENTS = FD_READ | FD_CLOSE;
// While a peer is not reading, the pump waits for FD_WRITE instead of retrying.
constexpr long OPEN_EVENTS_WATCH_WRITE = FD_READ | FD_CLOSE | FD_WRITE;

// A connection's outgoing bytes; the ring exists only for open TCP connections.
struct SendQueue {
    CRITICAL_SECTION lock;
    ByteRing ring;
};

struct SocketEntry {
    int32_t entryIndex;  // position in the table, fixed at start-up
    uint32_t context;    // owner's value, first argument of every callback
    uint32_t inUse;
    SOCKET sock;  // 0: none
    uint32_t entryState;
    SocketCallback callback;
    char* recvBuffer;  // owner's, RECEIVE_CHUNK bytes at least
    SendQueue sendQueue;
    SocketLink link;
    uint32_t writeWatched;  // FD_WRITE is part of the registration
    uint32_t writeWaiting;  // the pump stopped on a refused send and waits for FD_WRITE
    uint32_t generation;    // bumped at every release, so loops notice a reused entry
    uint32_t pumpPosted;    // a WM_SOCKET_SEND for this entry is waiting in the queue
    uint32_t readPutOff;    // its next receive waits until input and painting are served
    uint32_t peerClosed;    // FD_CLOSE came: what is still waiting is read, then it goes
};

struct SocketLayer {
    WSADATA wsaData;
    HWND window;  // every registration and post of the layer targets it
    SocketEntry* table;
    SocketLink** buckets;
    bool started;
};

extern SocketLayer g_socketLayer;

// The entry at `index` when the layer is started and the index is in range; else null.
SocketEntry* EntryAt(int32_t index);

// Lowest entry with inUse 0, or null.
SocketEntry* FindFreeEntry();

void FileEntry(SocketEntry* entry, SOCKET sock);
void UnlinkEntry(SocketEntry* entry);
// The in-use entry filed under `sock`, or null.
SocketEntry* FindEntry(SOCKET sock);

// Creates the entry's empty 256 KiB queue; false when memory is short.
bool CreateSendQueue(SocketEntry* entry);

// Frees the entry (see the lifecycle in socket.h); closes its socket when `close`.
void ReleaseEntry(SocketEntry* entry, bool close);

// Releases the entry (closing its socket), then tells its owner `event`; the
// entry is free during the call.
void ReleaseAndNotify(SocketEntry* entry, uint32_t event);

// Registers the entry's socket for WM_SOCKET_EVENT with `events`; true on success.
bool RegisterEvents(SocketEntry* entry, long events);

// The send pump run by WM_SOCKET_SEND, and its wake-up when the socket is writable again.
void PumpSendQueue(WPARAM index);
void ResumeSendQueue(SocketEntry* entry);

// Test seams: the next `count` posts of WM_SOCKET_SEND fail as if the
// message queue were full; the next `count` send() calls of the pump fail
// with `error` (a negative count: every call until reset with 0).
void FailPumpPostsForTesting(int count);
void FailSendsForTesting(int count, int error);
