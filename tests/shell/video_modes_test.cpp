#include <gtest/gtest.h>
#include "platform/display.h"
#include "shell/video_modes.h"
#include <string>
#include <vector>

static const display_mode *g_fake;
static const display_mode *fake_source(void) { return g_fake; }

TEST(VideoModes, ItemsFromTheDisplayModes)
{
    const display_mode desktop32[] = {
        {1920, 1080, 32}, {640, 480, 16}, {1280, 720, 32}, {800, 600, 32}, {1024, 768, 24}, {0, 0, 0}};
    const display_mode only_desktop[] = {{1366, 768, 24}, {0, 0, 0}};
    std::vector<display_mode> many;
    for (int i = 0; i < 40; ++i) many.push_back({1000 + i, 500 + i, 32});
    many.push_back({0, 0, 0});
    struct Case {
        const char              *name;
        const display_mode      *modes;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"desktop depth only, in the display's order", desktop32,
         {"Default Fullscreen", "Windowed", "1920x1080", "1280x720", "800x600"}},
        {"no mode list", nullptr, {"Default Fullscreen", "Windowed"}},
        {"the desktop alone", only_desktop, {"Default Fullscreen", "Windowed", "1366x768"}},
    };
    video_modes_set_source(fake_source);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        g_fake = c.modes;
        video_modes_build();
        ASSERT_EQ(video_mode_choice.item_count, (int)c.items.size());
        for (int i = 0; i < video_mode_choice.item_count; ++i) EXPECT_EQ(video_mode_choice.items[i], c.items[i]);
        EXPECT_EQ(video_mode_choice.current, 0);
        EXPECT_EQ(video_mode_size_table[0].width, 0);
        EXPECT_EQ(video_mode_size_table[1].height, 0);
    }
    g_fake = desktop32;
    video_modes_build();
    EXPECT_EQ(video_mode_size_table[3].width, 1280);
    EXPECT_EQ(video_mode_size_table[3].height, 720);
    EXPECT_EQ(widget_choice_select(&video_mode_choice, "800x600"), 1);
    EXPECT_EQ(video_mode_choice.current, 4);

    g_fake = many.data();   // more modes than any first guess at the room needed
    video_modes_build();
    ASSERT_EQ(video_mode_choice.item_count, 42);
    EXPECT_STREQ(video_mode_choice.items[41], "1039x539");
    EXPECT_EQ(video_mode_size_table[41].width, 1039);

    video_modes_free();
    EXPECT_EQ(video_mode_choice.item_count, 0);
    video_modes_set_source(nullptr);
}
