// A finished race as a round of the points series: positions by race number, the player's
// spare place, an unmatched series rider, the ranking, and a golden standings file.
#include "timing_fixture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "bike/setters.h"
#include "data/mem.h"
#include "data/paths.h"
#include "racing/standings.h"
#include "shell/lists.h"

namespace {

struct SeriesRound : TimingField {
    void SetUp() override
    {
        TimingField::SetUp();
        // Series riders 7, 12 and 99, then the player; three races, each closing a round.
        points_series_list = (points_series *)mem_alloc(sizeof(points_series));
        memset(points_series_list, 0, sizeof(points_series));
        points_series_count = 1;
        points_series &p = points_series_list[0];
        p.title = "Cup";
        const char name[] = "@cup.series_standings";
        p.standings_name = (char *)mem_alloc(sizeof name);
        memcpy(p.standings_name, name, sizeof name);
        p.rider_count = 3;
        p.race_numbers[0] = 7, p.race_numbers[1] = 12, p.race_numbers[2] = 99;
        p.race_count = 3;
        p.races = (series_race *)mem_alloc(sizeof(series_race) * 3);
        memset(p.races, 0, sizeof(series_race) * 3);
        for (int r = 0; r < 3; ++r) {
            const int points[] = {25, 20, 16, 13};
            memcpy(p.races[r].points, points, sizeof points);
            p.races[r].round_points[0] = 1;
        }
    }
    void TearDown() override
    {
        series_free();
        TimingField::TearDown();
    }

    // A finished rider of that number whose last gate came at `last`.
    bike *finisher(int slot, int kind, const char *number, int last)
    {
        bike *b = rider(slot, kind, 40, 60);
        strcpy(b->number_text, number);
        times(b, {100, 200, 300, 400, last});
        b->finished = 1;
        return b;
    }
};

TEST_F(SeriesRound, TwoRoundsWrittenAsPositions)
{
    race_laps = 2;
    tick_count = 9000;
    finisher(0, CONTROLLER_LOCAL, "999", 600);
    finisher(1, CONTROLLER_ROBOT, "12", 500);
    finisher(2, CONTROLLER_ROBOT, "7", 800);
    finisher(3, CONTROLLER_ROBOT, "5", 700);   // not a series rider
    active_series = 0, active_series_event = 0;
    standings_update();
    ASSERT_EQ(results_final, 1);
    const points_series &p = points_series_list[0];
    EXPECT_EQ(p.races_done, 1);
    const int want[] = {2, 0, 3, 1};   // 7 third, 12 first, 99 unplaced (n), the player second
    for (int e = 0; e < 4; ++e) EXPECT_EQ(p.races[0].positions[e], want[e]) << e;
    EXPECT_EQ(p.races[0].ranks[1], 0);   // 12 leads the series
    EXPECT_EQ(active_series, -1);
    EXPECT_EQ(active_series_event, -1);
    EXPECT_EQ(read("cup.series_standings"), "3 1 4 2 \n");

    // The next race: the player wins, 12 and 7 swap.
    standings_reset();
    finisher(0, CONTROLLER_LOCAL, "999", 450);
    finisher(2, CONTROLLER_ROBOT, "7", 500);
    finisher(1, CONTROLLER_ROBOT, "12", 510);
    active_series = 0, active_series_event = 1;
    standings_update();
    EXPECT_EQ(p.races_done, 2);
    EXPECT_EQ(read("cup.series_standings"), "3 1 4 2 \n2 3 4 1 \n");
    EXPECT_FALSE(fixture_file_exists(home + "cup.series_standings.tmp"));
}

TEST_F(SeriesRound, AFailedSaveKeepsTheStandingsFile)
{
    const points_series &p = points_series_list[0];
    tick_count = 9000;
    finisher(1, CONTROLLER_ROBOT, "12", 500);
    active_series = 0, active_series_event = 0;
    standings_update();
    ASSERT_EQ(read("cup.series_standings"), "4 1 4 4 \n");

    // The next round is counted, but its file cannot take the old one's place.
    standings_reset();
    file_rename = [](const char *, const char *) { errno = EACCES; return -1; };
    active_series = 0, active_series_event = 1;
    standings_update();
    file_rename = rename;
    EXPECT_EQ(p.races_done, 2);
    EXPECT_EQ(read("cup.series_standings"), "4 1 4 4 \n");
    EXPECT_FALSE(fixture_file_exists(home + "cup.series_standings.tmp"));
}

TEST_F(SeriesRound, OnlyTheSeriesNextRoundCounts)
{
    finisher(1, CONTROLLER_ROBOT, "12", 500);
    struct Case { int series, event; };
    for (const Case c : {Case{0, 1}, Case{1, 0}, Case{-1, -1}}) {
        active_series = c.series, active_series_event = c.event;
        series_record_round();
        EXPECT_EQ(points_series_list[0].races_done, 0);
        EXPECT_EQ(active_series, -1);
        EXPECT_EQ(active_series_event, -1);
    }
    EXPECT_FALSE(fixture_file_exists(home + "cup.series_standings"));
}

TEST_F(SeriesRound, PlayerBeforeTheResultsAreFinal)
{
    struct Case {
        const char *name;
        int finished;
        std::initializer_list<int> player_times;
        int want_player;
    };
    const Case cases[] = {
        {"finished clean", 1, {100, 200, 300, 400, 500}, 1},
        {"finished after cutting gate 3", 1, {100, 200, 300, -1, 310}, 3},   // unplaced
        {"finished without a gate", 1, {}, 2},
        {"still racing", 0, {100, 200}, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        standings_reset();
        finisher(1, CONTROLLER_ROBOT, "12", 450);   // the field's reference over 2..4
        bike *me = rider(0, CONTROLLER_LOCAL, 40, 60);
        strcpy(me->number_text, "999");
        times(me, c.player_times);
        me->finished = c.finished;
        bike *racing = rider(2, CONTROLLER_ROBOT, 40, 60);   // keeps the results open
        strcpy(racing->number_text, "7");
        times(racing, {100, 200});
        standings_update();
        ASSERT_EQ(results_final, 0);
        points_series_list[0].races_done = 0;
        active_series = 0, active_series_event = 0;
        series_record_round();
        EXPECT_EQ(points_series_list[0].races[0].positions[3], c.want_player);
    }
}

}   // namespace
