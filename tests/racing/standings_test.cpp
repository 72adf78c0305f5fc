// The standings: ranking and ties, the timed race's lap count, when the results are final, the
// mean stretch time and the track-cutting penalty, and a golden "@results.txt".
#include "timing_fixture.h"

#include <cstring>
#include <vector>

#include "bike/setters.h"
#include "racing/standings.h"
#include "racing/state_history.h"

namespace {

using Standings = TimingField;

TEST_F(Standings, CompareOrdersByGatesThenTickThenSlot)
{
    struct Case { standings_entry a, b; int want_sign; };
    const Case cases[] = {
        {{5, 3, 900}, {1, 2, 100}, -1},   // more gates first
        {{5, 3, 100}, {1, 3, 900}, -1},   // then the earlier last gate
        {{5, 3, 100}, {1, 3, 100}, 1},    // then the lower slot
        {{1, 0, 0}, {1, 0, 0}, 0},
    };
    for (const Case &c : cases) {
        const int got = compare_standings(&c.a, &c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.want_sign) << c.a.slot << " vs " << c.b.slot;
    }
}

TEST_F(Standings, TiesGoToTheLowerSlot)
{
    const int slots[] = {7, 3, 12, 5};
    for (int s : slots) times(rider(s, CONTROLLER_ROBOT, 40, 60), {100, 200});
    times(bike_slot_table[12], {100, 150});   // the same count, the earlier last gate
    standings_update();
    ASSERT_EQ(standings_count, 4);
    const int want[] = {12, 3, 5, 7};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(standings[i].slot, want[i]);
    EXPECT_EQ(standings[0].last_gate_tick, 150);
    EXPECT_EQ(results_final, 0);   // robots still racing
}

TEST_F(Standings, TimedRaceRunsMoreLapsFromTheFirstLapBegunAfterTheLimit)
{
    // Laps end at gates 1, 4, 7, 10, 13, 16: one gate every 100 ticks.
    bike *leader = rider(0, CONTROLLER_ROBOT, 40, 60);
    bike *other = rider(1, CONTROLLER_ROBOT, 40, 60);
    std::vector<int> t;
    for (int g = 0; g < 17; ++g) t.push_back(100 * (g + 1));
    bike_set_gate_index(leader, 0);
    for (int g = 0; g < 17; ++g) bike_record_gate_time(leader, g, t[g]);
    leader->gate_index = 17;   // lap 6 begun: gate 16 at 1700
    times(other, {150, 250});
    race_time_limit = 1500;    // runs out in lap 5: gate 13 at 1400, gate 16 after
    race_laps_chosen = 1;
    race_laps = 1000000;

    tick_count = 700;
    standings_update();
    EXPECT_EQ(estimated_laps, 1000000);   // not yet half time
    tick_count = 1800;
    standings_update();
    EXPECT_EQ(estimated_laps, 7);         // the leader's lap + 1
    EXPECT_EQ(race_laps, 7);
    standings_update();
    EXPECT_EQ(race_laps, 7);

    // Without laps after the first, or without a first lap, the count is left alone.
    struct Case { int first, per_lap; };
    for (const Case c : {Case{2, 0}, Case{0, 0}}) {
        first_lap_count = c.first, normal_lap_count = c.per_lap;
        race_laps = 1000000;
        standings_update();
        EXPECT_EQ(race_laps, 1000000);
    }
}

TEST_F(Standings, WhenTheResultsAreFinal)
{
    enum { OFFLINE, ONLINE };
    struct Case {
        const char *name;
        int where, kind;
        int history_age;   // ticks since the newest state; -1 none
        int lineup_absent;
        int want_final;
    };
    const Case cases[] = {
        {"offline: a local rider still racing", OFFLINE, CONTROLLER_LOCAL, -1, 0, 0},
        {"offline: a robot still racing", OFFLINE, CONTROLLER_ROBOT, -1, 0, 0},
        {"offline: a replayed rider without states", OFFLINE, CONTROLLER_REMOTE, -1, 0, 1},
        {"offline: a replayed rider with a recent state", OFFLINE, CONTROLLER_REMOTE, 1280, 0, 0},
        {"offline: a replayed rider gone quiet", OFFLINE, CONTROLLER_REMOTE, 1281, 0, 1},
        {"online: the local rider in the line-up", ONLINE, CONTROLLER_LOCAL, -1, 0, 0},
        {"online: the local rider watching", ONLINE, CONTROLLER_LOCAL, -1, 1, 1},
        {"online: another rider heard lately", ONLINE, CONTROLLER_REMOTE, 127, 0, 0},
        {"online: another rider silent for a second", ONLINE, CONTROLLER_REMOTE, 128, 0, 1},
    };
    static const std::uint8_t frame[BIKE_FRAME_BYTES] = {};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        history_clear();
        standings_reset();
        bike *b = rider(3, c.kind, 40, 60);
        times(b, {100});
        tick_count = 5000;
        net_socket = c.where == ONLINE ? 1 << 20 : -1;
        race_slot = c.lineup_absent ? 160 : 3;
        last_state_tick[3] = c.history_age >= 0 ? tick_count - c.history_age : 0;
        if (c.history_age >= 0) add_state_to_history(3, frame, tick_count - c.history_age);
        standings_update();
        EXPECT_EQ(results_final, c.want_final);
        bike_slot_table[3] = nullptr;
    }
    net_socket = -1;
}

TEST_F(Standings, MeanStretchTime)
{
    // Stretch 5..7 lies in laps 2..4 as 2..4, 5..7 and 8..10.
    bike *a = rider(0, CONTROLLER_ROBOT, 40, 60);
    bike *b = rider(1, CONTROLLER_ROBOT, 40, 60);
    times(a, {1000, 1300, 1600, 1900, 2200, 2500, 2800, 3100, 3400, 3700, 4000});
    times(b, {1000, 1100, 1200, 1300, 1400, 1500, -1, 1700, 1800, 1900, 2000});
    standings_update();
    struct Case { int first, last, want; };
    const Case cases[] = {
        {5, 7, (600 + 200) / 2},    // b's broken stretch is left out of its own mean
        {-1, 0, (1000 + 1000) / 2},  // before the first gate: from tick 0
        {0, 1, (300 + 100) / 2},
        {0, 3, (900 + 300) / 2},
        {12, 14, (600 + 200) / 2},   // taken in every lap: the same as 5..7
        {0, 12, 7680},               // nobody has got that far
    };
    for (const Case &c : cases) EXPECT_EQ(gate_mean_time(c.first, c.last), c.want) << c.first << ".." << c.last;
    standings_count = 0;
    EXPECT_EQ(gate_mean_time(0, 1), 7680);
}

TEST_F(Standings, TrackCuttingPenalty)
{
    bike *a = rider(0, CONTROLLER_ROBOT, 40, 60);
    bike *b = rider(1, CONTROLLER_ROBOT, 40, 60);
    times(a, {1000, 1300, 1600, 1900, 2200, 2500, 2800, 3100, 3400, 3700, 4000});
    struct Case {
        const char *name;
        std::vector<int> b_times;
        int want;
    };
    const Case cases[] = {
        {"no gate missed", {1000, 1300, 1600, 1900, 2200, 2500, 2800, 3100, 3400, 3700, 4000}, 0},
        // The mean over 5..7 is 600 for both, so 728 with the second's grace; it took 800.
        {"missed but not faster than the mean + 1 s", {1000, 1300, 1600, 1900, 2200, 2500, -1, 3300, 3600, 3900, 4200}, 0},
        {"missed and 100 ticks quicker", {1000, 1300, 1600, 1900, 2200, 2500, -1, 3128, 3428, 3728, 4028}, 100},
        // From tick 0 to gate 1 only the first counts (the second lacks gate 0): 1300 + 128.
        {"the first gate missed", {-1, 1000, 1300, 1600, 1900, 2200, 2500, 2800, 3100, 3400, 3700}, 428},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        bike_set_gate_index(b, 0);
        for (int g = 0; g < (int)c.b_times.size(); ++g) bike_record_gate_time(b, g, c.b_times[g]);
        b->gate_index = (int)c.b_times.size();
        standings_update();
        EXPECT_EQ(standings_penalty(1, b->gate_index), c.want);
    }
}

TEST_F(Standings, PenaltyAboveTheBestLapCostsLaps)
{
    // Both replayed and quiet, so the results are final at once.
    bike *a = rider(0, CONTROLLER_REMOTE, 40, 60);
    bike *b = rider(1, CONTROLLER_REMOTE, 40, 60);
    times(a, {1000, 1300, 1600, 1900, 2200, 2500, 2800, 3100, 3400, 3700, 4000});
    times(b, {1000, 1100, 1200, 1300, 1400, 1500, -1, 1700, 1800, 1900, 2000});
    history_clear();
    race_laps = 10;
    tick_count = 5000;
    standings_update();
    ASSERT_EQ(results_final, 1);
    // b: mean 400 + 128 = 528 over 5..7 against its 200 gives 328, more than its best lap of
    // 300 ticks (lap 2): one lap off, 28 ticks left on its last gate.
    EXPECT_EQ(standings[0].slot, 1);
    EXPECT_EQ(results[0].slot, 0);
    EXPECT_EQ(results[0].gates, 11);
    EXPECT_EQ(results[1].slot, 1);
    EXPECT_EQ(results[1].gates, 8);
    EXPECT_EQ(results[1].last_gate_tick, 2028);
    // Final results stay as they are until the reset.
    times(a, {1});
    standings_update();
    EXPECT_EQ(standings[0].slot, 1);
    EXPECT_EQ(bike_get_gate_index(a), 1);
    EXPECT_EQ(results[0].gates, 11);
}

TEST_F(Standings, ResultsFileGolden)
{
    // Two laps (gates 0..4); the start at 10 s. Slot 2 missed gate 3 and is faster over 2..4
    // than the others, so it pays.
    race_start_tick = 1280;
    race_laps = race_laps_chosen = 2;
    race_time_limit = 0;
    bike *riders[3];
    const char *numbers[3] = {"12", "7", "345"};
    for (int i = 0; i < 3; ++i) {
        riders[i] = rider(i, CONTROLLER_REMOTE, 40, 60);
        strcpy(riders[i]->number_text, numbers[i]);
    }
    times(riders[0], {2560, 3840, 5120, 6400, 7680});
    times(riders[1], {2600, 3900, 5000, 6300, 7600});
    times(riders[2], {2700, 4000, 5100, -1, 6000});
    history_clear();
    tick_count = 9000;
    standings_update();
    ASSERT_EQ(results_final, 1);

    std::string got = read("results.txt");
    const size_t date = got.find("|Date=");
    ASSERT_NE(date, std::string::npos);
    got.erase(date + 6, got.find("\r\n") - date - 6);
    const std::string model = bike_get_model_name(riders[0]);
    char row[3][96];
    // Laps run from the start (1280) to gate 1 and from gate 1 to gate 4. Slot 2 over 2..4:
    // the mean of the others (2560, 2600) is 2580, + 128 = 2708 against its 900: 1808 ticks,
    // less than its best lap (lap 2, 2000 ticks), so all of it goes onto its last gate. The best
    // lap is lap 2 even where the first, from the gate, was quicker: the board's rule.
    snprintf(row[0], sizeof row[0], "   7 | %12s |    2 |   0:49.375 |    2 |   0:28.906\r\n", model.c_str());
    snprintf(row[1], sizeof row[1], "  12 | %12s |    2 |   0:50.000 |    2 |   0:30.000\r\n", model.c_str());
    snprintf(row[2], sizeof row[2], " 345 | %12s |    2 |   0:51.000 |    2 |   0:15.625\r\n", model.c_str());
    const std::string want = std::string("Time=0.00|Laps=2|Track=timing|Date=\r\n") +
                             " No. |         Bike | Laps | Total Time | BLap |  Best Time\r\n" + row[0] + row[1] + row[2] +
                             "\r\n5\r\n"
                             "  10.312   20.469\r\n"
                             "  29.062   39.219   49.375\r\n"
                             "\r\n5\r\n"
                             "  10.000   20.000\r\n"
                             "  30.000   40.000   50.000\r\n"
                             "\r\n5\r\n"
                             "  11.094   21.250\r\n"
                             "  29.844       -1   36.875\r\n";
    EXPECT_EQ(got, want);
    EXPECT_FALSE(fixture_file_exists(home + "results.txt.tmp"));
}

TEST_F(Standings, AOneLapRaceGivesEachRiderItsOnlyLapAsTheBest)
{
    race_start_tick = 1280;
    race_laps = race_laps_chosen = 1;
    race_time_limit = 0;
    bike *a = rider(0, CONTROLLER_REMOTE, 40, 60);
    strcpy(a->number_text, "4");
    times(a, {2560, 3840});
    history_clear();
    tick_count = 9000;
    standings_update();
    ASSERT_EQ(results_final, 1);
    const std::string got = read("results.txt");
    char row[96];
    snprintf(row, sizeof row, "   4 | %12s |    1 |   0:20.000 |    1 |   0:20.000\r\n", bike_get_model_name(a));
    EXPECT_NE(got.find(row), std::string::npos) << got;
}

TEST_F(Standings, NoResultsFileUntilTheFirstHasFinished)
{
    bike *a = rider(0, CONTROLLER_REMOTE, 40, 60);
    times(a, {100, 200});   // lap 1 of 2
    history_clear();
    tick_count = 9000;
    standings_update();
    EXPECT_EQ(results_final, 1);
    EXPECT_FALSE(fixture_file_exists(home + "results.txt"));
}

}   // namespace
