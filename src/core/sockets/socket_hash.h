// The socket hash: finds the table entry of a Winsock handle in O(1) for the
// WM_SOCKET_EVENT path. Portable: a SOCKET is just an unsigned integer here.
#pragma once

#include <cstdint>

struct SocketEntry;

// One entry's node in its bucket's chain.
struct SocketLink {
    uintptr_t key;          // the socket the entry is filed under
    SocketEntry* owner;     // the entry that embeds this link
    SocketLink* next;       // next link in the bucket
    SocketLink** prevNext;  // the pointer that points at this link; null when not filed
};

constexpr uint32_t SOCKET_HASH_BITS = 18;
constexpr uint32_t SOCKET_HASH_BUCKETS = 1u << SOCKET_HASH_BITS;
constexpr uint32_t SOCKET_HASH_MASK = SOCKET_HASH_BUCKETS - 1;

// Bucket of (a, b, c); the layer hashes (socket, 0, 0).
uint32_t SocketHash(uint32_t a, uint32_t b, uint32_t c);

// Files `link` (owned by `owner`) at the head of the bucket of `key`.
void HashFile(SocketLink** buckets, SocketLink* link, SocketEntry* owner, uintptr_t key);

// Takes a filed link out of its chain; does nothing for a link that is not filed.
void HashUnlink(SocketLink* link);

// The owner of the first link filed under `key`, or null.
SocketEntry* HashFind(SocketLink* const* buckets, uintptr_t key);
