// The operations that open sockets into the table (TCP connect and listen,
// raw and UDP sockets), datagram sends, the owner's close, and the address
// helpers that need Winsock. Every open takes the lowest free entry, files it
// in the hash before marking it in use, then registers it for notifications.
#include <cstring>

#include "core/sockets/address.h"
#include "net/socket_table.h"

namespace {

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = address;
    return sa;
}

// Fills a free entry for `sock` and marks it in use, in the order that keeps
// the hash and the table consistent.
void TakeEntry(SocketEntry* e, SOCKET sock, uint32_t state, uint32_t context,
               SocketCallback callback, char* recvBuffer) {
    e->callback = callback;
    e->recvBuffer = recvBuffer;
    e->context = context;
    FileEntry(e, sock);
    e->sock = sock;
    e->entryState = state;
    e->inUse = 1;
}

// Shared tail of the raw and UDP opens: an open entry without a send queue.
int OpenDatagramEntry(SOCKET sock, uint32_t context, int32_t* index, SocketCallback callback,
                      char* recvBuffer) {
    SocketEntry* e = FindFreeEntry();
    if (e == nullptr) {
        closesocket(sock);
        return SOCK_NO_RESOURCES;
    }
    TakeEntry(e, sock, ENTRY_OPEN, context, callback, recvBuffer);
    *index = e->entryIndex;
    if (!RegisterEvents(e, OPEN_EVENTS)) {
        ReleaseEntry(e, true);
        return SOCK_FAILED;
    }
    return SOCK_OK;
}

// Entry checks shared by the datagram sends.
SocketEntry* OpenEntryWithSocket(int32_t index) {
    SocketEntry* e = &g_socketLayer.table[index];
    if (!e->inUse || e->sock == 0 || e->entryState != ENTRY_OPEN)
        return nullptr;
    return e;
}

}  // namespace

int SocketConnect(const char* host, uint16_t port, uint32_t context, int32_t* index,
                  SocketCallback callback, char* recvBuffer) {
    if (!g_socketLayer.started)
        return SOCK_NOT_STARTED;
    if (host == nullptr || index == nullptr || callback == nullptr || recvBuffer == nullptr)
        return SOCK_BAD_ARGUMENT;
    const SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sock == INVALID_SOCKET)
        return SOCK_SOCKET_FAILED;
    SocketEntry* e = FindFreeEntry();
    if (e == nullptr) {
        closesocket(sock);
        return SOCK_NO_RESOURCES;
    }
    e->callback = callback;
    e->recvBuffer = recvBuffer;
    FileEntry(e, sock);

    uint32_t address;
    if (IsDottedQuad(host)) {
        address = inet_addr(host);
    } else {
        char remote_ip[16];
        if (ResolveHostName(host, remote_ip) != SOCK_OK) {
            UnlinkEntry(e);
            e->recvBuffer = nullptr;
            closesocket(sock);
            return SOCK_RESOLVE_FAILED;
        }
        address = inet_addr(remote_ip);
    }

    e->context = context;
    *index = e->entryIndex;
    e->sock = sock;
    e->entryState = ENTRY_CONNECTING;
    e->inUse = 1;
    if (!RegisterEvents(e, FD_CONNECT)) {
        ReleaseEntry(e, true);
        return SOCK_FAILED;
    }
    const sockaddr_in sa = MakeAddress(address, port);
    if (connect(sock, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0)
        return SOCK_OK;
    if (WSAGetLastError() == WSAEWOULDBLOCK)
        return SOCK_IN_PROGRESS;
    ReleaseEntry(e, true);
    return SOCK_CONNECT_FAILED;
}

int SocketClose(int32_t index) {
    if (!g_socketLayer.started)
        return SOCK_NOT_STARTED;
    SocketEntry* e = EntryAt(index);
    if (e == nullptr)
        return SOCK_BAD_ARGUMENT;
    if (!e->inUse)
        return SOCK_NOT_OPEN;
    if (e->sock != 0)
        closesocket(e->sock);
    ReleaseEntry(e, false);
    return SOCK_OK;
}

int SocketListen(uint16_t port, uint32_t context, int32_t* index, SocketCallback callback,
                 char* recvBuffer) {
    if (!g_socketLayer.started)
        return SOCK_NOT_STARTED;
    if (index == nullptr || callback == nullptr || recvBuffer == nullptr)
        return SOCK_BAD_ARGUMENT;
    char myname[256];
    if (gethostname(myname, sizeof myname) != 0)
        return SOCK_FAILED;
    const hostent* self = gethostbyname(myname);
    if (self == nullptr)
        return SOCK_FAILED;
    const SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sock == INVALID_SOCKET)
        return SOCK_SOCKET_FAILED;
    sockaddr_in sa = MakeAddress(htonl(INADDR_ANY), port);
    sa.sin_family = static_cast<short>(self->h_addrtype);
    if (bind(sock, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        closesocket(sock);
        return SOCK_FAILED;
    }
    SocketEntry* e = FindFreeEntry();
    if (e == nullptr) {
        closesocket(sock);
        return SOCK_NO_RESOURCES;
    }
    TakeEntry(e, sock, ENTRY_LISTENING, context, callback, recvBuffer);
    *index = e->entryIndex;
    listen(sock, 3);
    if (!RegisterEvents(e, FD_ACCEPT)) {
        ReleaseEntry(e, true);
        return SOCK_FAILED;
    }
    return SOCK_OK;
}

int SocketOpenRaw(uint32_t context, int32_t* index, SocketCallback callback, char* recvBuffer,
                  int32_t protocol) {
    if (!g_socketLayer.started)
        return SOCK_NOT_STARTED;
    if (index == nullptr || callback == nullptr || recvBuffer == nullptr)
        return SOCK_BAD_ARGUMENT;
    const SOCKET sock = socket(AF_INET, SOCK_RAW, protocol);
    if (sock == INVALID_SOCKET)
        return SOCK_SOCKET_FAILED;
    return OpenDatagramEntry(sock, context, index, callback, recvBuffer);
}

int SocketOpenUdp(uint32_t context, int32_t* index, uint16_t port, SocketCallback callback,
                  char* recvBuffer) {
    if (!g_socketLayer.started)
        return SOCK_NOT_STARTED;
    if (index == nullptr || callback == nullptr || recvBuffer == nullptr)
        return SOCK_BAD_ARGUMENT;
    const SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (sock == INVALID_SOCKET)
        return SOCK_SOCKET_FAILED;
    const sockaddr_in sa = MakeAddress(htonl(0), port);
    if (bind(sock, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        closesocket(sock);
        return SOCK_BIND_FAILED;
    }
    return OpenDatagramEntry(sock, context, index, callback, recvBuffer);
}

int SocketSendTo(int32_t index, uint32_t address, uint16_t port, const void* data, int32_t length) {
    if (!g_socketLayer.started)
        return SOCK_NOT_STARTED;
    if (data == nullptr || length <= 0 || index < 0 || index >= SOCKET_TABLE_SIZE)
        return SOCK_BAD_ARGUMENT;
    SocketEntry* e = OpenEntryWithSocket(index);
    if (e == nullptr)
        return SOCK_NOT_OPEN;
    const sockaddr_in sa = MakeAddress(address, port);
    if (sendto(e->sock, static_cast<const char*>(data), length, 0,
               reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != SOCKET_ERROR)
        return SOCK_OK;
    return WSAGetLastError() == WSAEWOULDBLOCK ? SOCK_WOULD_BLOCK : SOCK_FAILED;
}

int SocketSendToText(int32_t index, const char* address, const void* data, int32_t length,
                     int32_t* sent) {
    if (!g_socketLayer.started)
        return SOCK_NOT_STARTED;
    if (data == nullptr || address == nullptr || sent == nullptr || length <= 0 || index < 0 ||
        index >= SOCKET_TABLE_SIZE)
        return SOCK_BAD_ARGUMENT;
    SocketEntry* e = OpenEntryWithSocket(index);
    if (e == nullptr)
        return SOCK_NOT_OPEN;
    // Raw sockets have no ports: the destination port is 0.
    const sockaddr_in sa = MakeAddress(inet_addr(address), 0);
    const int n = sendto(e->sock, static_cast<const char*>(data), length, 0,
                         reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (n != SOCKET_ERROR) {
        *sent = n;
        return SOCK_OK;
    }
    return WSAGetLastError() == WSAEWOULDBLOCK ? SOCK_WOULD_BLOCK : SOCK_FAILED;
}

int ResolveHostName(const char* name, char* out16) {
    if (!g_socketLayer.started)
        return SOCK_NOT_STARTED;
    if (name == nullptr || name[0] == '\0' || out16 == nullptr)
        return SOCK_BAD_ARGUMENT;
    if (IsDottedQuad(name)) {
        std::memcpy(out16, name, std::strlen(name) + 1);  // at most 15 characters
        return SOCK_OK;
    }
    // Blocks until the resolver answers.
    const hostent* host = gethostbyname(name);
    if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr ||
        host->h_length != 4)
        return SOCK_FAILED;
    in_addr first;
    std::memcpy(&first, host->h_addr_list[0], sizeof first);
    const char* text = inet_ntoa(first);
    if (text == nullptr || std::strlen(text) > 15)
        return SOCK_FAILED;
    std::memcpy(out16, text, std::strlen(text) + 1);
    return SOCK_OK;
}

int GetLocalHostName(char* buffer, int32_t size) {
    if (!g_socketLayer.started)
        return SOCK_NOT_STARTED;
    if (buffer == nullptr || size <= 0)
        return SOCK_BAD_ARGUMENT;
    return gethostname(buffer, size) == 0 ? SOCK_OK : SOCK_FAILED;
}

uint32_t ParseDottedQuad(const char* text) {
    return text == nullptr ? INADDR_NONE : inet_addr(text);
}
