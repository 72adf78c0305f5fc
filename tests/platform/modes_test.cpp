#include <gtest/gtest.h>
#include "log_capture.h"
#include "platform/display_internal.h"
#include <cstdlib>
#include <vector>

TEST(DisplayModes, ListStartsWithTheDesktopModeAndDropsDuplicates)
{
    LogCapture log("modes");
    display_mode_found registry{{1280, 720, 32}, 60};
    const display_mode_found found[] = {
        {{1280, 720, 32}, 60},   // the desktop mode again
        {{1024, 768, 32}, 75},
        {{1024, 768, 32}, 60},   // another frequency
        {{800, 600, 4}, 60},
        {{800, 600, 16}, 60},
    };
    display_mode *list = kubl_mode_list_build(&registry, found, 5);
    ASSERT_NE(list, nullptr);
    const display_mode want[] = {{1280, 720, 32}, {1024, 768, 32}, {800, 600, 16}, {0, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list[i].width, want[i].width) << i;
        EXPECT_EQ(list[i].height, want[i].height) << i;
        EXPECT_EQ(list[i].bits, want[i].bits) << i;
    }
    free(list);
    EXPECT_TRUE(log.has("Registry mode is 1280x720x32@60hz\n"));
    EXPECT_TRUE(log.has("Found mode 1024x768x32@75hz\n"));
    EXPECT_FALSE(log.has("Found mode 1024x768x32@60hz"));
    EXPECT_TRUE(log.has("Found mode 800x600x4@60hz (ignored)\n"));

    // A desktop mode of an odd depth is left out; the list starts with the first accepted mode.
    display_mode_found odd{{640, 480, 4}, 60};
    list = kubl_mode_list_build(&odd, found + 1, 1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list[0].width, 1024);
    EXPECT_EQ(list[1].width, 0);
    free(list);
    EXPECT_TRUE(log.has("Registry mode is 640x480x4@60hz (ignored)\n"));
}

TEST(DisplayModes, ChoosesTheSmallestModeThatHoldsTheRequest)
{
    const display_mode list[] = {{1280, 1024, 32}, {1280, 720, 32}, {1100, 692, 16}, {1024, 768, 32},
                                 {1024, 768, 16}, {0, 0, 0}};
    struct Case { int w, h; int ok, want_w, want_h; };
    const Case cases[] = {
        {1000, 700, 1, 1024, 768},    // 1792 beats 2000 and 2304
        {1100, 700, 1, 1280, 720},
        {1280, 1024, 1, 1280, 1024},
        {1000, 600, 1, 1100, 692},    // equal sums: the first listed wins
        {2000, 2000, 0, 0, 0},        // larger than every mode: the caller takes the desktop mode
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        int w = 0, h = 0;
        EXPECT_EQ(kubl_mode_choose(list, c.w, c.h, &w, &h), c.ok);
        if (c.ok) {
            EXPECT_EQ(w, c.want_w);
            EXPECT_EQ(h, c.want_h);
        }
    }
    int w, h;
    EXPECT_EQ(kubl_mode_choose(nullptr, 1, 1, &w, &h), 0);
}
