// The item index keeps the list's "upper row wins" rule for duplicates and
// follows the rows' positions as rows are removed.
#include <gtest/gtest.h>

#include "core/mirror/item_index.h"

namespace {

TEST(ItemIndex, FirstFiledWinsAndRemovalUncoversTheNext) {
    TestItem a = {}, b = {}, c = {};
    a.itemId = 5;
    b.itemId = 5;
    c.itemId = 6;
    ItemIndex index;
    index.Add(&a);
    index.Add(&b);
    index.Add(&c);
    EXPECT_EQ(index.First(5), &a);
    EXPECT_EQ(index.First(6), &c);
    EXPECT_EQ(index.First(7), nullptr);
    index.Remove(&a);
    EXPECT_EQ(index.First(5), &b);
    index.Remove(&b);
    EXPECT_EQ(index.First(5), nullptr);
    index.Remove(&b);  // removing twice is harmless
    EXPECT_EQ(index.Size(), 1u);
    index.Clear();
    EXPECT_EQ(index.First(6), nullptr);
}

TEST(ItemIndex, RowsMoveUpWhenARowAboveIsRemoved) {
    TestItem items[5] = {};
    ItemIndex index;
    for (uint32_t i = 0; i < 5; ++i) {
        items[i].itemId = i;
        index.Add(&items[i]);
    }
    EXPECT_EQ(index.RowOf(&items[3]), 3);
    index.Remove(&items[1]);
    EXPECT_EQ(index.RowOf(&items[0]), 0);
    EXPECT_EQ(index.RowOf(&items[1]), -1);
    EXPECT_EQ(index.RowOf(&items[2]), 1);
    EXPECT_EQ(index.RowOf(&items[4]), 3);
    index.Remove(&items[4]);
    index.Add(&items[1]);  // appended again at the end
    EXPECT_EQ(index.RowOf(&items[1]), 3);
    index.Clear();
    EXPECT_EQ(index.RowOf(&items[2]), -1);
}

// Refuses the index's n-th allocation from now on (counting from 0).
int g_allocationsLeft;
bool RefuseAfterCount(RecordMemoryUse use, size_t) {
    return use == MEMORY_ITEM_INDEX && g_allocationsLeft-- == 0;
}

TEST(ItemIndex, MemoryRunningOutLeavesTheIndexAsItWas) {
    TestItem kept = {}, added = {};
    kept.itemId = 1;
    // Every allocation that filing a record makes fails once, in turn, for
    // a new id and for a shared one: the index stays whole and nothing leaks.
    for (uint32_t id : {2u, 1u}) {
        added.itemId = id;
        bool filed = false;
        for (int n = 0; !filed; ++n) {
            ASSERT_LT(n, 50);
            ItemIndex index;
            index.Add(&kept);
            g_allocationsLeft = n;
            SetMemoryRefusal(RefuseAfterCount);
            filed = index.Add(&added);
            const bool refused = g_allocationsLeft < 0;
            SetMemoryRefusal(nullptr);
            EXPECT_EQ(filed, !refused);
            if (filed)
                continue;
            EXPECT_EQ(index.Size(), 1u);
            EXPECT_EQ(index.First(1), &kept);
            EXPECT_EQ(index.First(2), nullptr);
            EXPECT_EQ(index.RowOf(&added), -1);
            index.Remove(&kept);
            EXPECT_EQ(index.First(1), nullptr);
            EXPECT_TRUE(index.Add(&added));
            EXPECT_EQ(index.RowOf(&added), 0);
        }
    }
}

}  // namespace
