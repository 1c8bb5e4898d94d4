#include <gtest/gtest.h>

#include "gui/item_list.h"

namespace tolven {
namespace {

TEST(ItemListTest, CapacityAndBounds) {
    ItemList list;
    EXPECT_EQ(list.last_index(), -1);
    for (int i = 0; i < ItemList::kCapacity; ++i) ASSERT_TRUE(list.add("x"));
    EXPECT_FALSE(list.add("one too many"));
    EXPECT_EQ(list.last_index(), 32767);
    EXPECT_TRUE(list.set(32767, "last"));
    EXPECT_FALSE(list.set(32768, "y"));
    EXPECT_FALSE(list.set(-1, "y"));
    std::string s = "unchanged";
    EXPECT_FALSE(list.get(40000, s));
    EXPECT_EQ(s, "unchanged");
    EXPECT_TRUE(list.get(32767, s));
    EXPECT_EQ(s, "last");
    list.clear();
    EXPECT_EQ(list.last_index(), -1);
    EXPECT_FALSE(list.set(0, "y"));
}

}  // namespace
}  // namespace tolven
