// The socket table and its life: start-up, clean-up, taking and filing an
// entry, the per-connection queue, and the release of an entry.
#include "net/socket_table.h"

#include <cstring>
#include <new>

SocketLayer g_socketLayer;

int SocketStartup(HWND notifyWindow) {
    if (g_socketLayer.started)
        return SOCK_ALREADY_STARTED;
    std::memset(&g_socketLayer, 0, sizeof g_socketLayer);
    g_socketLayer.window = notifyWindow;

    // Everything is taken up front so that no socket event ever allocates
    // except for a new connection's queue.
    SocketLink** buckets = new (std::nothrow) SocketLink*[SOCKET_HASH_BUCKETS]();
    SocketEntry* table = new (std::nothrow) SocketEntry[SOCKET_TABLE_SIZE];
    if (buckets == nullptr || table == nullptr) {
        delete[] buckets;
        delete[] table;
        return SOCK_NO_RESOURCES;
    }
    std::memset(table, 0, sizeof(SocketEntry) * SOCKET_TABLE_SIZE);
    for (int i = 0; i < SOCKET_TABLE_SIZE; ++i)
        table[i].entryIndex = i;

    if (WSAStartup(0x0202, &g_socketLayer.wsaData) != 0) {
        delete[] buckets;
        delete[] table;
        return SOCK_STARTUP_FAILED;
    }
    g_socketLayer.buckets = buckets;
    g_socketLayer.table = table;
    g_socketLayer.started = true;
    return SOCK_OK;
}

void SocketCleanup() {
    if (!g_socketLayer.started)
        return;
    // WSACleanup ends the sockets that are still open.
    for (int i = 0; i < SOCKET_TABLE_SIZE; ++i)
        ReleaseEntry(&g_socketLayer.table[i], false);
    delete[] g_socketLayer.table;
    delete[] g_socketLayer.buckets;
    g_socketLayer.table = nullptr;
    g_socketLayer.buckets = nullptr;
    WSACleanup();
    g_socketLayer.started = false;
}

SocketEntry* EntryAt(int32_t index) {
    if (!g_socketLayer.started || index < 0 || index >= SOCKET_TABLE_SIZE)
        return nullptr;
    return &g_socketLayer.table[index];
}

SocketEntry* FindFreeEntry() {
    for (int i = 0; i < SOCKET_TABLE_SIZE; ++i)
        if (g_socketLayer.table[i].inUse == 0)
            return &g_socketLayer.table[i];
    return nullptr;
}

void FileEntry(SocketEntry* entry, SOCKET sock) {
    UnlinkEntry(entry);
    std::memset(&entry->link, 0, sizeof entry->link);
    HashFile(g_socketLayer.buckets, &entry->link, entry, static_cast<uintptr_t>(sock));
}

void UnlinkEntry(SocketEntry* entry) {
    HashUnlink(&entry->link);
}

SocketEntry* FindEntry(SOCKET sock) {
    SocketEntry* entry = HashFind(g_socketLayer.buckets, static_cast<uintptr_t>(sock));
    return (entry != nullptr && entry->inUse) ? entry : nullptr;
}

bool CreateSendQueue(SocketEntry* entry) {
    SendQueue& q = entry->sendQueue;
    if (!RingCreate(q.ring, SEND_QUEUE_SIZE))
        return false;
    InitializeCriticalSection(&q.lock);
    entry->writeWatched = 0;
    entry->writeWaiting = 0;
    entry->pumpPosted = 0;
    return true;
}

void ReleaseEntry(SocketEntry* entry, bool close) {
    if (entry->inUse == 0)
        return;
    entry->inUse = 0;
    UnlinkEntry(entry);
    if (entry->sendQueue.ring.buffer != nullptr) {
        RingDestroy(entry->sendQueue.ring);
        DeleteCriticalSection(&entry->sendQueue.lock);
    }
    entry->entryState = ENTRY_FREE;
    entry->recvBuffer = nullptr;
    if (close && entry->sock != 0)
        closesocket(entry->sock);
    entry->sock = 0;
    entry->writeWatched = 0;
    entry->writeWaiting = 0;
    entry->pumpPosted = 0;
    entry->readPutOff = 0;
    entry->peerClosed = 0;
    ++entry->generation;
}

void ReleaseAndNotify(SocketEntry* entry, uint32_t event) {
    const uint32_t context = entry->context;
    const SocketCallback callback = entry->callback;
    ReleaseEntry(entry, true);
    if (callback != nullptr)
        callback(context, event, 0, 0, 0);
}

bool RegisterEvents(SocketEntry* entry, long events) {
    return WSAAsyncSelect(entry->sock, g_socketLayer.window, WM_SOCKET_EVENT, events) == 0;
}
