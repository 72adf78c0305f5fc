#include <gtest/gtest.h>
#include "settings_home.h"
#include "shell/lists.h"
#include "shell/setup.h"
#include <string>
#include <vector>

TEST(DemoList, NamesUnderDemos)
{
    const char *names[] = {"demos/a.rldemo", "demos/old/b.c.rldemo", "demos/notes.txt",
                           "other/demos/d.rldemo", "demos/plain.rldemo", nullptr};
    demo_list_build(names);
    ASSERT_EQ(demo_list.count, 3);
    EXPECT_EQ(demo_list.full_names[1], names[1]);
    EXPECT_STREQ(demo_list.short_names[0], "a");
    EXPECT_STREQ(demo_list.short_names[1], "b.c");
    EXPECT_STREQ(demo_list.short_names[2], "plain");
    demo_lists_free();
    const char *none[] = {"tracks/x/terrain.hf", nullptr};
    demo_list_build(none);
    EXPECT_EQ(demo_list.count, 0);
    EXPECT_EQ(demo_list.full_names, nullptr);
}

TEST(DemoList, ARecordingFinishedDuringTheRunIsListedOnce)
{
    const char *names[] = {"demos/a.rldemo", nullptr};
    demo_list_build(names);
    struct Case { const char *name; int want_count; const char *want_last; } cases[] = {
        {"@demos/default.rldemo", 2, "default"},
        {"@demos/DEFAULT.rldemo", 2, "default"},   // listed already
        {"demos/a.rldemo", 2, "default"},
        {"@timing/lastlap.rldemo", 2, "default"},  // a time-trial lap is not a demo to watch
        {"@demos/notes.txt", 2, "default"},
        {"@demos/kept/race 2.rldemo", 3, "race 2"},
        {nullptr, 3, "race 2"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name ? c.name : "null");
        demo_list_add(c.name);
        ASSERT_EQ(demo_list.count, c.want_count);
        EXPECT_STREQ(demo_list.short_names[demo_list.count - 1], c.want_last);
    }
    EXPECT_STREQ(demo_list.full_names[1], "demos/default.rldemo");
    EXPECT_EQ(demo_list.full_names[0], names[0]);
    demo_lists_free();
    demo_list_add("@demos/only.rldemo");   // to an empty list
    ASSERT_EQ(demo_list.count, 1);
    EXPECT_STREQ(demo_list.full_names[0], "demos/only.rldemo");
    demo_lists_free();
}

static const char *const fake_tracks[] = {"hill", "dunes"};
static int fake_track_count(void) { return 2; }
static const char *fake_track_folder(int i) { return i >= 0 && i < 2 ? fake_tracks[i] : nullptr; }
static const series_track_source fake_source = {fake_track_count, fake_track_folder};

struct SeriesRace {
    std::string name, track;
    std::vector<int> points;        // by finishing position
    int closes_round;               // round points entry 0
    std::string minutes_laps = "10 3";
};

// The ".series" text: title, "N skill", race numbers, race count, then per race its name,
// track, minutes and laps, 40 points by position and 40 round points.
static std::string series_text(const std::string &title, int riders, const std::string &skill,
                               const std::vector<SeriesRace> &races)
{
    std::string t = title + "\n" + std::to_string(riders) + " " + skill + "\n";
    for (int i = 0; i < riders; ++i) t += std::to_string(10 + i) + " ";
    t += "\n" + std::to_string(races.size()) + "\n";
    for (const SeriesRace &r : races) {
        t += r.name + " " + r.track + " " + r.minutes_laps + "\n";
        for (int i = 0; i < 40; ++i) t += std::to_string(i < (int)r.points.size() ? r.points[i] : 0) + " ";
        t += "\n" + std::to_string(r.closes_round);
        for (int i = 1; i < 40; ++i) t += " 0";
        t += "\n";
    }
    return t;
}

class Series : public ::testing::Test {
protected:
    std::string home;
    void SetUp() override
    {
        home = settings_fresh_home("series");
        series_set_track_source(&fake_source);
    }
    void TearDown() override
    {
        series_free();
        series_set_track_source(nullptr);
    }
    const points_series *build(const std::string &text, const std::string &standings = "")
    {
        fixture_write_file(home + "series/cup.series", text);
        if (!standings.empty()) fixture_write_file(home + "series/cup.series_standings", standings);
        const char *names[] = {"series/cup.series", "series/missing.series", "demos/x.rldemo", nullptr};
        points_series_build(names);
        return points_series_count ? &points_series_list[0] : nullptr;
    }
};

TEST_F(Series, FileFormat)
{
    const std::vector<SeriesRace> two = {{"Opener", "hill", {25, 20, 15}, 1}, {"\"Final Round\"", "dunes", {}, 1}};
    auto final_round = [&](const char *minutes_laps) {
        std::vector<SeriesRace> r = two;
        r[1].minutes_laps = minutes_laps;
        return r;
    };
    struct Case {
        const char *name;
        std::string text;
        bool        read;
        const char *title;
        int         skill;
    };
    const Case cases[] = {
        {"quoted title keeps its blanks", series_text("\"Summer Cup\"", 2, "Amateur", two), true, "Summer Cup", 1},
        {"a bare title is one word", series_text("Summer Cup", 2, "Amateur", two), false, nullptr, 0},
        {"unknown skill is Expert", series_text("Cup", 2, "Legend", two), true, "Cup", 2},
        {"track not installed", series_text("Cup", 2, "Novice", {{"A", "mesa", {}, 1}}), false, nullptr, 0},
        {"too many riders", series_text("Cup", 160, "Novice", two), false, nullptr, 0},
        {"negative riders", "Cup\n-1 Novice\n1\n", false, nullptr, 0},
        {"absurd race count", "Cup\n0 Novice\n2000000000\n", false, nullptr, 0},
        {"points cut short", "Cup\n0 Novice\n1\nA hill 10 3\n1 2 3\n", false, nullptr, 0},
        // An event's time limit and laps within what a race can run: a day, 1000 laps.
        {"a day and 1000 laps", series_text("Cup", 2, "Novice", final_round("1440 1000")), true, "Cup", 0},
        {"minutes beyond a day", series_text("Cup", 2, "Novice", final_round("300000 3")), false, nullptr, 0},
        {"negative minutes", series_text("Cup", 2, "Novice", final_round("-1 3")), false, nullptr, 0},
        {"laps near the int's top", series_text("Cup", 2, "Novice", final_round("10 2147483647")), false, nullptr, 0},
        {"negative laps", series_text("Cup", 2, "Novice", final_round("10 -1")), false, nullptr, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const points_series *s = build(c.text);
        ASSERT_EQ(s != nullptr, c.read);
        if (!s) continue;
        EXPECT_STREQ(s->title, c.title);
        EXPECT_EQ(s->skill, c.skill);
        EXPECT_EQ(s->rider_count, 2);
        EXPECT_EQ(s->race_numbers[1], 11);
        ASSERT_EQ(s->race_count, 2);
        EXPECT_STREQ(s->races[1].name, "Final Round");
        EXPECT_EQ(s->races[1].track, 1);
        EXPECT_EQ(s->races[0].points[2], 15);
        EXPECT_EQ(s->races[0].points[45], 0);
        EXPECT_STREQ(s->standings_name, "@series/cup.series_standings");
        EXPECT_EQ(s->races_done, 0);
    }
}

TEST_F(Series, StandingsFile)
{
    // Three entrants (two riders and the player), three races, each closing a round.
    const std::vector<SeriesRace> races = {
        {"R1", "hill", {10, 5, 0}, 1}, {"R2", "dunes", {10, 5, 0}, 1}, {"R3", "hill", {10, 5, 0}, 1}};
    const std::string text = series_text("Cup", 2, "Novice", races);
    struct Case {
        const char *name;
        std::string standings;
        int         done;
    };
    const Case cases[] = {
        {"two and a half races", "1 2 3\n2 1 3\n3 1\n", 2},
        {"no file", "", 0},
        {"a place beyond the field", "1 2 3\n1 2 9\n", 1},
        {"a place of zero", "0 2 3\n", 0},
        {"all races", "1 2 3\n2 1 3\n1 3 2\n", 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        remove((home + "series/cup.series_standings").c_str());
        const points_series *s = build(text, c.standings);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->races_done, c.done);
        if (c.done >= 1) EXPECT_EQ(s->races[0].positions[2], 2);
    }
}

TEST_F(Series, RanksAddUpAcrossRounds)
{
    // Race 1 does not close a round; race 2 closes the first, race 3 the second.
    const std::vector<SeriesRace> races = {
        {"R1", "hill", {10, 4, 0}, 0}, {"R2", "dunes", {10, 4, 0}, 5}, {"R3", "hill", {10, 4, 0}, 5}};
    // After R2 entrants 0 and 1 both have 14: the tie goes to R2's better finisher, entrant 1.
    // After R3 the totals are 24, 14 and 4; ranking R3 alone would put entrant 2 second.
    const points_series *s = build(series_text("Cup", 2, "Novice", races), "1 2 3\n2 1 3\n1 3 2\n");
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->races_done, 3);
    EXPECT_EQ(s->races[1].ranks[1], 0);
    EXPECT_EQ(s->races[1].ranks[0], 1);
    EXPECT_EQ(s->races[1].ranks[2], 2);
    EXPECT_EQ(s->races[2].ranks[0], 0);   // 24: the totals carried on from the first round
    EXPECT_EQ(s->races[2].ranks[1], 1);   // 14
    EXPECT_EQ(s->races[2].ranks[2], 2);   // 4
}

TEST(GraphicsVariants, BikePrefix)
{
    struct Case { const char *model, *prefix; };
    const Case cases[] = {{"crf450(2017)", "crf450v2017-"}, {"rs50yz", "rs50yz-"}, {"", "-"}};
    for (const Case &c : cases) {
        char out[64];
        bike_graphics_prefix(c.model, out, sizeof out);
        EXPECT_STREQ(out, c.prefix);
    }
    char tiny[4];
    bike_graphics_prefix("crf450(2017)", tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "cr-");
}

TEST(GraphicsVariants, GatherFeedsTheSetupChoices)
{
    setup_init();
    setup_set("wheel_texture", "default");
    gather_graphics_variants();
    for (int i = 0; i < SETUP_GRAPHICS_COUNT; ++i) {
        ASSERT_GE(setup_graphics[i].item_count, 1);
        EXPECT_EQ(setup_graphics[i].items, (const char *const *)variant_names[i].items);
        EXPECT_STREQ(setup_graphics[i].items[0], "default");
    }
    EXPECT_STREQ(choice_item_text(&setup_graphics[SETUP_WHEELS]), "default");
    variant_lists_free();
    EXPECT_EQ(setup_graphics[SETUP_WHEELS].item_count, 0);
}
