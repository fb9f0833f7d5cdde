// The send queue's ring: capacity - 1 usable bytes, contiguous runs that stop
// at the wrap, and order kept across any mix of stores and takes.
#include <gtest/gtest.h>

#include <vector>

#include "core/sockets/byte_ring.h"

namespace {

std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>((i + seed) * 131 + (i >> 8));
    return v;
}

// Takes up to `limit` bytes run by run, as the send pump does.
std::vector<uint8_t> Take(ByteRing& r, uint32_t limit) {
    std::vector<uint8_t> out;
    while (out.size() < limit) {
        const uint8_t* run;
        const uint32_t n = RingPeekRun(r, limit - static_cast<uint32_t>(out.size()), &run);
        if (n == 0)
            break;
        out.insert(out.end(), run, run + n);
        RingConsume(r, n);
    }
    return out;
}

class Ring : public ::testing::Test {
protected:
    void TearDown() override { RingDestroy(r); }
    ByteRing r{};
};

TEST_F(Ring, FullAtCapacityMinusOne) {
    ASSERT_TRUE(RingCreate(r, 262144));
    EXPECT_EQ(RingRoom(r), 262143u);
    const auto data = Pattern(300000, 1);
    EXPECT_EQ(RingPut(r, data.data(), 300000), 262143u);
    EXPECT_EQ(r.count, 262143u);
    EXPECT_EQ(RingRoom(r), 0u);
    EXPECT_EQ(RingPut(r, data.data(), 1), 0u);
    const auto out = Take(r, 300000);
    ASSERT_EQ(out.size(), 262143u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin()));
}

TEST_F(Ring, RunStopsAtWrapAndAtLimit) {
    ASSERT_TRUE(RingCreate(r, 16));
    const auto a = Pattern(12, 2);
    ASSERT_EQ(RingPut(r, a.data(), 12), 12u);
    RingConsume(r, 10);  // readPos 10, two bytes left
    const auto b = Pattern(9, 3);
    ASSERT_EQ(RingPut(r, b.data(), 9), 9u);  // 4 to the end, 5 from the start
    EXPECT_EQ(r.writePos, 5u);

    const uint8_t* run;
    EXPECT_EQ(RingPeekRun(r, 1024, &run), 6u);  // 10..15, not past the end
    EXPECT_EQ(run, r.buffer + 10);
    EXPECT_EQ(RingPeekRun(r, 3, &run), 3u);
    RingConsume(r, 6);
    EXPECT_EQ(r.readPos, 0u);
    EXPECT_EQ(RingPeekRun(r, 1024, &run), 5u);
    EXPECT_EQ(run, r.buffer);
}

TEST_F(Ring, OrderKeptThroughManyWraps) {
    ASSERT_TRUE(RingCreate(r, 1000));
    const auto data = Pattern(200000, 4);
    std::vector<uint8_t> out;
    size_t in = 0;
    uint32_t step = 1;
    while (out.size() < data.size()) {
        step = step * 7 % 997 + 1;  // uneven sizes hit every wrap position
        const uint32_t want = static_cast<uint32_t>(std::min<size_t>(step, data.size() - in));
        in += RingPut(r, data.data() + in, want);
        const auto got = Take(r, step / 2 + 1);
        out.insert(out.end(), got.begin(), got.end());
        ASSERT_LE(r.count, 999u);
    }
    EXPECT_EQ(out, data);
}

TEST_F(Ring, EmptyAndMissingRingsGiveNothing) {
    const uint8_t* run = reinterpret_cast<const uint8_t*>(1);
    EXPECT_EQ(RingRoom(r), 0u);
    EXPECT_EQ(RingPeekRun(r, 10, &run), 0u);
    EXPECT_EQ(run, nullptr);
    const uint8_t byte = 7;
    EXPECT_EQ(RingPut(r, &byte, 1), 0u);
    ASSERT_TRUE(RingCreate(r, 8));
    EXPECT_EQ(RingPeekRun(r, 10, &run), 0u);
}

TEST_F(Ring, FailedAllocationLeavesNoRing) {
    RingFailAllocationsForTesting(1);
    EXPECT_FALSE(RingCreate(r, 64));
    EXPECT_EQ(r.buffer, nullptr);
    EXPECT_TRUE(RingCreate(r, 64));
}

}  // namespace
