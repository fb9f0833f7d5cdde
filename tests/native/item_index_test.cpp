// The itemId index keeps the list's "upper row wins" rule for duplicates.
#include <gtest/gtest.h>

#include "link/item_index.h"

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

}  // namespace
