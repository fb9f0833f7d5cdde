// The socket hash: the exact bucket formula, filing and unlinking anywhere in
// a chain, and lookups that must tell apart sockets sharing a bucket.
#include <gtest/gtest.h>

#include <vector>

#include "core/sockets/socket_hash.h"

namespace {

uint32_t Rotl(uint32_t v, unsigned b) {
    return (v << b) | (v >> (32 - b));
}

// Owners are never dereferenced by the hash: distinct addresses suffice.
SocketEntry* Owner(int i) {
    static char owners[64];
    return reinterpret_cast<SocketEntry*>(&owners[i]);
}

class Hash : public ::testing::Test {
protected:
    std::vector<SocketLink*> buckets = std::vector<SocketLink*>(1u << 18, nullptr);
    SocketLink links[8]{};
};

TEST(SocketHashFormula, MatchesDefinition) {
    const uint32_t samples[] = {0, 1, 4, 0x80, 0x3FFFF, 0x40000, 0x12345678, 0xFFFFFFFF};
    for (uint32_t s : samples) {
        const uint32_t r = Rotl(s, 12);
        EXPECT_EQ(SocketHash(s, 0, 0), (r + (r >> 18)) & 0x3FFFF) << s;
    }
    // b and c are mixed in after each rotation.
    uint32_t h = Rotl(Rotl(0x1234, 6) ^ 0x55, 6) ^ 0x99;
    EXPECT_EQ(SocketHash(0x1234, 0x55, 0x99), (h + (h >> 18)) & 0x3FFFF);
    EXPECT_EQ(SocketHash(4, 0, 0), 0x4000u);
}

TEST_F(Hash, CollidingSocketsAreAllFound) {
    // Socket handles are small multiples of 4; search for three that share a bucket.
    const uintptr_t a = 0x100;
    const uint32_t bucket = SocketHash(static_cast<uint32_t>(a), 0, 0);
    std::vector<uintptr_t> same{a};
    for (uint32_t k = 4; same.size() < 3; k += 4)
        if (k != a && SocketHash(k, 0, 0) == bucket)
            same.push_back(k);
    for (int i = 0; i < 3; ++i)
        HashFile(buckets.data(), &links[i], Owner(i), same[i]);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(HashFind(buckets.data(), same[i]), Owner(i));
    EXPECT_EQ(HashFind(buckets.data(), same[2] + 1), nullptr);

    // Unlink the middle, then the head, then the tail of the chain.
    HashUnlink(&links[1]);
    EXPECT_EQ(HashFind(buckets.data(), same[1]), nullptr);
    EXPECT_EQ(HashFind(buckets.data(), same[0]), Owner(0));
    EXPECT_EQ(HashFind(buckets.data(), same[2]), Owner(2));
    HashUnlink(&links[2]);
    EXPECT_EQ(HashFind(buckets.data(), same[0]), Owner(0));
    HashUnlink(&links[0]);
    EXPECT_EQ(buckets[bucket], nullptr);
}

TEST_F(Hash, UnlinkTwiceAndRefileAreSafe) {
    HashFile(buckets.data(), &links[0], Owner(0), 77);
    HashFile(buckets.data(), &links[1], Owner(1), 77);  // same key: newest first
    EXPECT_EQ(HashFind(buckets.data(), 77), Owner(1));
    HashUnlink(&links[1]);
    HashUnlink(&links[1]);
    EXPECT_EQ(links[1].prevNext, nullptr);
    EXPECT_EQ(HashFind(buckets.data(), 77), Owner(0));
    HashUnlink(&links[0]);
    HashFile(buckets.data(), &links[0], Owner(3), 78);
    EXPECT_EQ(HashFind(buckets.data(), 77), nullptr);
    EXPECT_EQ(HashFind(buckets.data(), 78), Owner(3));
}

}  // namespace
