// The timing tower's entries, its scrolling strip with the blank entry, and the lap board.
#include <gtest/gtest.h>
#include "ui/timing_tower.h"
#include "racing/race.h"
#include "racing/standings.h"
#include <cstring>
#include <string>

namespace {

TEST(TimingTower, GapToLeader)
{
    const int leader[] = {100, 300, 500, 700};
    const int rider[] = {110, 320, 560, 900};
    const int late_start[] = {0, 330};
    const int first_there[] = {90};
    struct Case { const char *what; const int *times; int gates; int leader_gates; int want; };
    const Case cases[] = {
        {"same gates: the last ones", rider, 4, 4, 200},
        {"fewer gates: at the rider's last", rider, 2, 4, 20},
        {"more gates than the leader", rider, 4, 3, 60},
        {"no gate yet", rider, 0, 4, TOWER_NO_GAP},
        {"a time below one tick", late_start, 1, 4, TOWER_NO_GAP},
        {"only the last common gate counts", late_start, 2, 2, 30},
        {"there before the leader", first_there, 1, 4, -10},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(tower_gap_ticks(leader, c.leader_gates, c.times, c.gates), c.want);
    }
    EXPECT_EQ(tower_gap_ticks(nullptr, 0, rider, 4), TOWER_NO_GAP);
}

TEST(TimingTower, EntryTexts)
{
    tower_entry e;
    tower_entry_make(&e, 1, "7", "Roborider", TOWER_NO_GAP);
    EXPECT_STREQ(e.position, "1");
    EXPECT_STREQ(e.number, "  7");
    EXPECT_STREQ(e.name, "Roborider");
    EXPECT_STREQ(e.gap, "");
    tower_entry_make(&e, 12, "123", nullptr, 128 * 3 + 64);
    EXPECT_STREQ(e.position, "12");
    EXPECT_STREQ(e.number, "123");
    EXPECT_STREQ(e.name, "");
    EXPECT_STREQ(e.gap, "  3.500");
    // A number too long for the cell and a name filling its buffer are cut, never overrun.
    const std::string long_name(200, 'n');
    tower_entry_make(&e, 160, "1234567890", long_name.c_str(), 128 * 100000);
    EXPECT_EQ(std::string(e.name).size(), sizeof e.name - 1);
    EXPECT_EQ(std::string(e.number).size(), sizeof e.number - 1);
    EXPECT_STREQ(e.gap, "100000.000");
    tower_entry_make(&e, 2, "1", "A", -64);
    EXPECT_STREQ(e.gap, " -0.500");
}

TEST(TimingTower, StripScrollsWithBlank)
{
    tower_cell cells[TOWER_CELLS_MAX];
    struct Case { double seconds; int count; float width; int want_first; float want_x; int want_n; };
    const Case cases[] = {
        {0, 3, 40, 0, 0, 2},            // 0 at 0, 1 at 21.5
        {1, 3, 40, 0, -10.75f, 3},      // half an entry along: a third one peeks in
        {2, 3, 40, 1, 0, 2},
        {6, 3, 40, 3, 0, 2},            // the blank after the last entry
        {8, 3, 40, 0, 0, 2},            // and round again
        {6, 0, 40, 0, 0, 2},            // no riders: only the blank
        {0, 3, 71.1f, 0, 0, 4},         // a wide window shows more
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.seconds);
        const int n = tower_layout(c.seconds, c.count, c.width, cells, TOWER_CELLS_MAX);
        ASSERT_EQ(n, c.want_n);
        EXPECT_EQ(cells[0].entry, c.want_first);
        EXPECT_NEAR(cells[0].x, c.want_x, 1e-3f);
        for (int i = 1; i < n; ++i) {
            EXPECT_EQ(cells[i].entry, (cells[i - 1].entry + 1) % (c.count + 1));
            EXPECT_NEAR(cells[i].x - cells[i - 1].x, TOWER_ENTRY_WIDTH, 1e-4f);
            EXPECT_LT(cells[i].x, c.width);
        }
    }
    // The cells never run past the caller's room, and a clock gone wrong draws nothing.
    EXPECT_EQ(tower_layout(0, 3, 1e9f, cells, 5), 5);
    EXPECT_EQ(tower_layout(-1, 3, 40, cells, TOWER_CELLS_MAX), 0);
    EXPECT_EQ(tower_layout(1.0 / 0.0, 3, 40, cells, TOWER_CELLS_MAX), 0);
}

TEST(TimingTower, LapBoard)
{
    // First lap of 2 gates, then 3 gates a lap, 3 laps.
    struct Case { int gates, laps, want_state, want_lap; };
    const Case cases[] = {
        {0, 3, 0, 1}, {1, 3, 0, 1},    // still in the first lap
        {2, 3, 0, 2},                  // one lap done
        {4, 3, 0, 2},
        {5, 3, 1, 3},                  // the last lap is white
        {8, 3, 2, 4},                  // done: chequered
        {30, 3, 2, 11},
        {0, 0, 2, 1},                  // no laps to ride
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.gates);
        int lap = 0;
        EXPECT_EQ(lap_board_state(c.gates, 2, 3, c.laps, &lap), c.want_state);
        if (c.want_state != 2) EXPECT_EQ(lap, c.want_lap);
    }
    // A track without lap gates never counts a lap.
    int lap = 0;
    EXPECT_EQ(lap_board_state(12, 0, 0, 3, &lap), 0);
    EXPECT_EQ(lap, 1);
}

TEST(TimingTower, EntriesFromTheStandings)
{
    const int saved_socket = net_socket, saved_slot = race_slot, saved_count = standings_count;
    const int saved_kinds[2] = {controller_kind[3], controller_kind[9]};
    results_final = 0;
    standings_count = 2;
    standings[0] = {9, 5, 700};
    standings[1] = {3, 4, 650};
    strcpy(rider_names[9], "Roborider");
    strcpy(rider_names[3], "Player");
    controller_kind[9] = CONTROLLER_ROBOT;
    controller_kind[3] = CONTROLLER_LOCAL;
    tower_entry e[4];
    struct Case { int socket, slot, want_n; const char *want_last; };
    const Case cases[] = {
        {-1, 160, 2, "Player"},       // offline: everybody, in standings order
        {5, 3, 2, "Player"},          // online with a race slot
        {5, 160, 1, "Roborider"},     // watching online: the own riders are not in the race
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.socket * 1000 + c.slot);
        net_socket = c.socket;
        race_slot = c.slot;
        const int n = tower_entries_build(e, 4);
        ASSERT_EQ(n, c.want_n);
        EXPECT_STREQ(e[0].position, "1");
        EXPECT_STREQ(e[0].name, "Roborider");
        EXPECT_STREQ(e[n - 1].name, c.want_last);
        EXPECT_STREQ(e[n - 1].gap, "");   // no bikes, no gate times
    }
    // The room given is never passed.
    net_socket = -1;
    EXPECT_EQ(tower_entries_build(e, 1), 1);
    net_socket = saved_socket;
    race_slot = saved_slot;
    standings_count = saved_count;
    controller_kind[3] = saved_kinds[0];
    controller_kind[9] = saved_kinds[1];
}

}   // namespace
