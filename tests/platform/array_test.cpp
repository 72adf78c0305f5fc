#include <gtest/gtest.h>
#include "platform/array.h"

TEST(GrowableArray, DoublesAndKeepsElements)
{
    growable_array a;
    ASSERT_EQ(growable_array_init(&a, sizeof(int)), 1);
    for (int i = 0; i < 17; ++i) ASSERT_EQ(growable_array_append(&a, &i), 1);
    EXPECT_EQ(a.capacity, 32);
    EXPECT_EQ(a.count, 17);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(((int *)a.items)[i], i);
    growable_array_append(&a, nullptr);
    EXPECT_EQ(((int *)a.items)[17], 0);
    growable_array_free(&a);
}
