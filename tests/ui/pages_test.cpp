// What the pages show and keep apart from drawing: the series standings table, the server
// history of the Multiplayer page, the console's ring lines and the main menu's notice.
#include <gtest/gtest.h>
#include <cstring>
#include "racing/race.h"
#include "shell/config.h"
#include "shell/lists.h"
#include "ui/menu.h"

namespace {

// n races for three riders and the player; every race closes its round unless listed in
// open_races. Finishing places cycle so every entrant scores something different.
struct Series {
    series_race races[12] = {};
    points_series s = {};
    Series(int n, std::initializer_list<int> open_races = {})
    {
        s.race_count = n;
        s.races = races;
        s.rider_count = 3;
        for (int r = 0; r < n; ++r) {
            for (int p = 0; p < 4; ++p) races[r].points[p] = 10 - 3 * p;   // 10, 7, 4, 1
            races[r].round_points[0] = 1;
            for (int e = 0; e < 4; ++e) races[r].positions[e] = (e + r) % 4;
        }
        for (int r : open_races) races[r].round_points[0] = 0;
    }
};

TEST(SeriesTable, RoundsAndCells)
{
    Series nine(9);
    EXPECT_EQ(series_round_count(&nine.s), 9);   // drawn as rounds 1 to 8, then round 9
    nine.s.races_done = 9;
    char text[64];
    series_cell_text(&nine.s, 1, 0, text, sizeof text);
    EXPECT_STREQ(text, "7 (2)");
    series_cell_text(&nine.s, 3, 8, text, sizeof text);
    EXPECT_STREQ(text, "1 (4)");   // (3 + 8) % 4: 4th

    // Races 0 and 1 make round 1; races 2, 3 and 4 make round 2; race 5 round 3.
    Series grouped(6, {0, 2, 3});
    EXPECT_EQ(series_round_count(&grouped.s), 3);
    int first;
    EXPECT_EQ(series_round_races(&grouped.s, 1, &first), 3);
    EXPECT_EQ(first, 2);
    struct Case { int done, rider, round; const char *want; } cases[] = {
        {0, 0, 0, ""},
        {1, 0, 0, "- (1-)"},           // the round's second race not yet run
        {2, 0, 0, "17 (1-2)"},
        {5, 0, 1, "15 (3-4-1)"},
        {2, 0, 1, ""},
        {6, 3, 2, "10 (1)"},
    };
    for (const Case &c : cases) {
        grouped.s.races_done = c.done;
        series_cell_text(&grouped.s, c.rider, c.round, text, sizeof text);
        EXPECT_STREQ(text, c.want) << c.done << " " << c.rider << " " << c.round;
    }
}

TEST(SeriesTable, MorePointsFirstTiesByRiderIndex)
{
    Series s(2);
    s.s.races_done = 2;
    // Race 0: places 1st..4th for entrants 0..3; race 1: entrant 1 wins, 0 last, 2 and 3 as before:
    // totals 10+1, 7+10, 4+4, 1+7 = 11, 17, 8, 8.
    int race1[4] = {3, 0, 2, 1};
    for (int e = 0; e < 4; ++e) s.races[0].positions[e] = e;
    memcpy(s.races[1].positions, race1, sizeof race1);
    series_table_row rows[SERIES_ENTRANTS_MAX];
    ASSERT_EQ(series_table_rows(&s.s, rows), 4);
    const int want_rider[4] = {1, 0, 2, 3}, want_total[4] = {17, 11, 8, 8};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i].rider, want_rider[i]) << i;
        EXPECT_EQ(rows[i].total, want_total[i]) << i;
    }
}

struct History : ::testing::Test {
    void SetUp() override
    {
        config_init();
        net_set_connect_address(nullptr);
    }
    void TearDown() override { net_set_connect_address(nullptr); }
    void type_field(const char *text) { widget_text_set(&config_server_name, text); }
};

TEST_F(History, ConnectingAddsOneEntryPerServer)
{
    type_field("alpha.example");
    server_connect_from_field();
    server_connect_from_field();
    EXPECT_STREQ(server_name_history[0], "alpha.example");
    EXPECT_STREQ(server_name_history[1], "");
    type_field("beta.example:19801");
    server_connect_from_field();
    EXPECT_STREQ(server_name_history[0], "beta.example:19801");
    EXPECT_STREQ(server_name_history[1], "alpha.example");
    EXPECT_EQ(server_name_history_index, -1);
    EXPECT_TRUE(net_connecting());
    // An empty field adds nothing.
    type_field("");
    server_connect_from_field();
    EXPECT_STREQ(server_name_history[0], "beta.example:19801");
}

TEST_F(History, PagingThroughOlderAndNewerEntries)
{
    for (int i = 0; i < 16; ++i) snprintf(server_name_history[i], 128, "host%d", i);
    strcpy(server_name_history[3], "");
    type_field("host0");
    server_history_older();   // onto 0 would show the field again: 1 instead
    EXPECT_EQ(server_name_history_index, 1);
    EXPECT_STREQ(config_server_name.buffer, "host1");
    server_history_older();
    server_history_older();   // entry 3 is empty: no step, nothing copied
    EXPECT_EQ(server_name_history_index, 2);
    EXPECT_STREQ(config_server_name.buffer, "host2");
    server_history_newer();
    EXPECT_STREQ(config_server_name.buffer, "host1");
    server_history_newer();
    EXPECT_EQ(server_name_history_index, 0);
    EXPECT_STREQ(config_server_name.buffer, "host0");
    type_field("my own");
    server_history_newer();   // from 0 back to the user's text: the field stays
    EXPECT_EQ(server_name_history_index, -1);
    EXPECT_STREQ(config_server_name.buffer, "my own");
    server_history_newer();
    EXPECT_EQ(server_name_history_index, -1);
    server_history_older();
    EXPECT_EQ(server_name_history_index, 0);
    EXPECT_STREQ(config_server_name.buffer, "host0");
}

TEST(ConsolePage, RingLineWhenScrolled)
{
    struct Case { int write, scroll, row, want; } cases[] = {
        {100, 0, 49, 99}, {100, 0, 0, 50}, {10, 0, 0, 960}, {10, 5, 49, 4}, {0, 950, 0, 0}, {999, 950, 49, 48},
    };
    for (const Case &c : cases)
        EXPECT_EQ(console_ring_line(c.write, c.scroll, c.row), c.want) << c.write << " " << c.scroll << " " << c.row;
}

TEST(MainMenu, NoticeFadesInTheTenthSecond)
{
    EXPECT_EQ(main_menu_notice_alpha(0), 1);
    EXPECT_EQ(main_menu_notice_alpha(9), 1);
    EXPECT_FLOAT_EQ(main_menu_notice_alpha(9.25), 0.75f);
    EXPECT_EQ(main_menu_notice_alpha(10), 0);
    EXPECT_EQ(main_menu_notice_alpha(600), 0);
}

}   // namespace
