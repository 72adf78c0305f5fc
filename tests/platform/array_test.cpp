#include <gtest/gtest.h>
#include "platform/array.h"
#include <cstdlib>

TEST(GrowableArray, DoublesAndKeepsElements)
{
    growable_array a;
    ASSERT_EQ(growable_array_init(&a, sizeof(int)), 1);
    EXPECT_EQ(a.capacity, 16);
    for (int i = 0; i < 17; ++i) ASSERT_EQ(growable_array_append(&a, &i), 1);
    EXPECT_EQ(a.capacity, 32);
    EXPECT_EQ(a.count, 17);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(((int *)a.items)[i], i);
    growable_array_append(&a, nullptr);
    EXPECT_EQ(((int *)a.items)[17], 0);
    for (int i = 18; i < 33; ++i) ASSERT_EQ(growable_array_append(&a, &i), 1);
    EXPECT_EQ(a.capacity, 64);
    growable_array_free(&a);
    EXPECT_EQ(a.items, nullptr);
    EXPECT_EQ(a.count, 0);
}

static void *failing_realloc(void *, std::size_t) { return nullptr; }

TEST(GrowableArray, FailedGrowthLeavesTheArrayAsItWas)
{
    struct Wide { double x, y, z; };
    growable_array a;
    ASSERT_EQ(growable_array_init(&a, sizeof(Wide)), 1);
    for (int i = 0; i < 16; ++i) {
        Wide w{double(i), 0, 0};
        ASSERT_EQ(growable_array_append(&a, &w), 1);
    }
    void *items = a.items;
    growable_array_set_realloc(failing_realloc);
    Wide w{99, 0, 0};
    EXPECT_EQ(growable_array_append(&a, &w), 0);
    growable_array_set_realloc(nullptr);
    EXPECT_EQ(a.items, items);
    EXPECT_EQ(a.count, 16);
    EXPECT_EQ(a.capacity, 16);
    EXPECT_EQ(((Wide *)a.items)[15].x, 15);
    EXPECT_EQ(growable_array_append(&a, &w), 1);   // and it grows once memory is there
    EXPECT_EQ(((Wide *)a.items)[16].x, 99);
    growable_array_free(&a);
}
