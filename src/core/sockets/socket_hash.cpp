// Chained hash of socket handles with unlink in O(1): each link remembers the
// pointer that points at it, so no bucket walk is needed to remove it.
#include "core/sockets/socket_hash.h"

static uint32_t RotateLeft(uint32_t v, unsigned bits) {
    return (v << bits) | (v >> (32 - bits));
}

uint32_t SocketHash(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = RotateLeft(a, 6) ^ b;
    h = RotateLeft(h, 6) ^ c;
    return (h + (h >> SOCKET_HASH_BITS)) & SOCKET_HASH_MASK;
}

static uint32_t BucketOf(uintptr_t key) {
    return SocketHash(static_cast<uint32_t>(key), 0, 0);
}

void HashFile(SocketLink** buckets, SocketLink* link, SocketEntry* owner, uintptr_t key) {
    link->key = key;
    link->owner = owner;
    SocketLink** slot = &buckets[BucketOf(key)];
    link->next = *slot;
    if (link->next != nullptr)
        link->next->prevNext = &link->next;
    link->prevNext = slot;
    *slot = link;
}

void HashUnlink(SocketLink* link) {
    if (link->prevNext == nullptr)
        return;
    *link->prevNext = link->next;
    if (link->next != nullptr)
        link->next->prevNext = link->prevNext;
    link->next = nullptr;
    link->prevNext = nullptr;
}

SocketEntry* HashFind(SocketLink* const* buckets, uintptr_t key) {
    for (SocketLink* link = buckets[BucketOf(key)]; link != nullptr; link = link->next)
        if (link->key == key)
            return link->owner;
    return nullptr;
}
