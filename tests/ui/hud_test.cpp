// The HUD's texts from small standings fixtures: gaps, best and last laps, the lapping
// warning, the results board with its penalties, the readouts, and the cockpit's arithmetic.
#include <gtest/gtest.h>
#include <climits>
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/net_client.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/texture.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "ui/hud.h"

namespace {

// Riders by slot: their number and gate times (the gate index is their count).
struct fake_rider {
    std::string number;
    std::vector<int> times;
    int finished;
};
fake_rider g_riders[160];

int fake_gate_time(int slot, int n)
{
    const std::vector<int> &t = g_riders[slot].times;
    return n >= 0 && n < (int)t.size() ? t[n] : -1;
}
int fake_gate_index(int slot) { return (int)g_riders[slot].times.size(); }
const char *fake_number(int slot) { return g_riders[slot].number.c_str(); }
int fake_finished(int slot) { return g_riders[slot].finished; }
const hud_rider_reader fake_reader = {fake_gate_time, fake_gate_index, fake_number, fake_finished};

// A race with a first lap of 2 gates and laps of 3 (lap n ends at gate 2 + 3 (n - 1) - 1),
// started at tick 128; the standings as the riders' times rank them.
struct HudRace : ::testing::Test {
    standings_entry entries[160] = {};
    hud_race race = {};

    void SetUp() override
    {
        for (fake_rider &r : g_riders) r = {};
        race.standings = entries;
        race.first_lap_gates = 2;
        race.gates_per_lap = 3;
        race.start_tick = 128;
        race.riders = &fake_reader;
    }
    void rider(int slot, const char *number, std::vector<int> times, int finished = 0)
    {
        g_riders[slot] = {number, std::move(times), finished};
    }
    // Ranks the given slots in this order, from their times.
    void rank(std::initializer_list<int> slots)
    {
        race.count = 0;
        for (int s : slots) {
            const std::vector<int> &t = g_riders[s].times;
            entries[race.count++] = {s, (int)t.size(), t.empty() ? 0 : t.back()};
        }
    }
    pit_board_text board(int slot)
    {
        pit_board_text b;
        EXPECT_EQ(hud_pit_board_text(&race, slot, &b), 1);
        return b;
    }
};

TEST(HudFormat, TimesAndRaceLength)
{
    struct Case {
        int ticks;
        const char *lap, *result;
    } times[] = {
        {0, "0:00.0", "0:00.000"},
        {1, "0:00.0", "0:00.007"},
        {128 * 61 + 64, "1:01.5", "1:01.500"},
        {128 * 600 + 127, "10:00.9", "10:00.992"},
    };
    char text[64];
    for (const Case &c : times) {
        SCOPED_TRACE(c.ticks);
        format_lap_time(text, sizeof text, c.ticks);
        EXPECT_STREQ(text, c.lap);
        format_result_time(text, sizeof text, c.ticks);
        EXPECT_STREQ(text, c.result);
    }
    struct Length {
        int limit, laps;
        const char *want;
    } lengths[] = {
        {0, 5, "5 laps"},
        {-128, 3, "3 laps"},
        {128 * 600, 0, "10 minutes"},
        {128 * 600, 2, "10 minutes + 2 laps"},
        {128 * 90, 0, "2 minutes"},    // 1.5 rounds up
        {128 * 89, 1, "1 minutes + 1 laps"},
        {128 * 29, 0, "0 minutes"},
    };
    for (const Length &c : lengths) {
        SCOPED_TRACE(c.want);
        format_race_length(text, sizeof text, c.limit, c.laps);
        EXPECT_STREQ(text, c.want);
    }
}

TEST_F(HudRace, PlaceAndGap)
{
    rider(0, "7", {300, 500});
    rank({0});
    pit_board_text b = board(0);   // alone: no gap
    EXPECT_STREQ(b.number, "7");
    EXPECT_STREQ(b.place, "L2 P1");
    EXPECT_STREQ(b.gap, "+0.0 ");

    rider(1, "12", {320, 628});         // same gates, 1 s behind at the last
    rider(2, "3", {400});               // one gate fewer: compared at gate 0
    rank({0, 1, 2});
    EXPECT_STREQ(board(0).gap, "+1.0 ");    // the leader against the second
    EXPECT_STREQ(board(1).gap, "-1.0 ");
    EXPECT_STREQ(board(1).place, "L2 P2");
    EXPECT_STREQ(board(2).gap, "-0.6 ");    // 400 against 320
    EXPECT_STREQ(board(2).place, "L1 P3");

    rider(2, "3", {0});                 // a tick below 1 gives no gap
    rank({0, 1, 2});
    EXPECT_STREQ(board(2).gap, "+0.0 ");

    race.time_trial = 1;
    EXPECT_STREQ(board(1).place, "P2");
    pit_board_text none;
    EXPECT_EQ(hud_pit_board_text(&race, 5, &none), 0);
}

TEST_F(HudRace, LastAndBestLaps)
{
    struct Case {
        const char *name;
        std::vector<int> times;
        const char *last, *best;
        int best_lap;
    } cases[] = {
        {"first lap only", {200, 228}, "", "", 0},
        // Lap 1 (100 ticks) is faster than lap 2 (1280) but never best.
        {"first lap never best", {200, 228, 600, 900, 1508}, "Last - 0:10.0 ", "Best - 0:10.0", 2},
        {"a tie keeps the earlier", {200, 228, 600, 900, 1508, 2000, 2500, 2788}, "Last - 0:10.0 ", "Best - 0:10.0", 2},
        {"strictly faster replaces", {200, 228, 600, 900, 1508, 2000, 2500, 2724}, "Last - 0:09.5 ", "Best - 0:09.5", 3},
        {"a missing end gate", {200, 228, 600, 900, -1, 2000, 2500, 3000}, "", "", 0},
        {"a lap after a gap", {200, 228, 600, 900, -1, 2000, 2500, 3000, 3100, 3200, 3640}, "Last - 0:05.0 ", "Best - 0:05.0", 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        rider(0, "1", c.times);
        rank({0});
        pit_board_text b = board(0);
        EXPECT_STREQ(b.last, c.last);
        EXPECT_STREQ(b.best, c.best);
        int lap;
        hud_best_lap(&race, 0, &lap);
        EXPECT_EQ(lap, c.best_lap);
    }
    race.time_trial = 1;   // the time trial keeps its own times
    race.last_lap_ticks = 128 * 75 + 13;
    race.best_lap_ticks = 0;
    pit_board_text b = board(0);
    EXPECT_STREQ(b.last, "Last - 1:15.1 ");
    EXPECT_STREQ(b.best, "");
}

TEST_F(HudRace, LappingWarning)
{
    // The viewed rider (slot 1) passed gates 0..4; the leader (slot 0) is a lap ahead in gates
    // and has just passed gate 7, the same place as the viewed rider's gate 4 at tick 5000.
    struct Case {
        const char *name;
        int first, per_lap;
        std::vector<int> viewed, leader;
        const char *want;
    } cases[] = {
        {"3.0 s behind", 2, 3, {1000, 2000, 3000, 4000, 5000}, {900, 1800, 2700, 3600, 4500, 4800, 5000, 5384}, " 9 (3.0) "},
        {"3.1 s behind", 2, 3, {1000, 2000, 3000, 4000, 5000}, {900, 1800, 2700, 3600, 4500, 4800, 5000, 5397}, ""},
        {"passed before", 2, 3, {1000, 2000, 3000, 4000, 5000}, {900, 1800, 2700, 3600, 4500, 4800, 4900, 4990}, ""},
        // Gate 6 is the place of gate 3, passed 16 s before the viewed rider's last gate.
        {"15 s rule", 2, 3, {1000, 2000, 2500, 2952, 5000}, {900, 1800, 2700, 3600, 4500, 4800, 3000}, ""},
        {"within 15 s", 2, 3, {1000, 2000, 2500, 3080, 5000}, {900, 1800, 2700, 3600, 4500, 4800, 3200}, " 9 (0.9) "},
        {"viewed before the first lap's end", 2, 3, {1000}, {900, 1800, 2700, 3600, 4500}, ""},
        {"no lap gates", 2, 0, {1000, 2000, 3000, 4000, 5000}, {900, 1800, 2700, 3600, 4500, 4800, 5000, 5384}, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        race.first_lap_gates = c.first;
        race.gates_per_lap = c.per_lap;
        rider(0, "9", c.leader);
        rider(1, "4", c.viewed);
        rank({0, 1});
        EXPECT_STREQ(board(1).lapping, c.want);
        EXPECT_STREQ(board(0).lapping, "");   // nobody ahead of the leader
    }
    rank({1});   // alone
    EXPECT_STREQ(board(1).lapping, "");
}

TEST_F(HudRace, LappingNumbersAreDataAndTheLineIsBounded)
{
    const std::vector<int> viewed = {1000, 2000, 3000, 4000, 5000};
    const std::vector<int> lapper = {900, 1800, 2700, 3600, 4500, 4800, 5000, 5200};
    rider(1, "%s%n%x", lapper);
    rider(2, "123456789", lapper);
    rider(3, "4", viewed);
    rank({1, 2, 3});
    EXPECT_STREQ(board(3).lapping, " %s%n% (1.6)  12345 (1.6) ");

    race.count = 0;
    for (int s = 0; s < 159; ++s) {
        rider(s, "99999", lapper);
        entries[race.count++] = {s, 8, 5200};
    }
    rider(159, "4", viewed);
    entries[race.count++] = {159, 5, 5000};
    pit_board_text b = board(159);
    EXPECT_EQ(std::strlen(b.lapping), (size_t)HUD_LAPPING_BYTES - 1);
    EXPECT_EQ(std::string(b.lapping).rfind(" 99999 (1.6) ", 0), 0u);
}

TEST_F(HudRace, ResultsBoard)
{
    rider(0, "5", {200, 328, 600, 900, 1096}, 1);
    rider(1, "21", {210, 400, 700, 1000, 1288}, 1);
    rider(2, "8", {220, 420}, 0);
    rank({0, 1, 2});
    results_board_text out;
    hud_results_text(&race, &out);
    ASSERT_TRUE(out.shown);
    EXPECT_STREQ(out.title, "Unofficial Results");
    ASSERT_EQ(out.row_count, 2);   // only the finished riders before the results are final
    EXPECT_STREQ(out.rows[0].position, "1");
    EXPECT_STREQ(out.rows[0].number, "  5");
    EXPECT_STREQ(out.rows[0].laps, "L2");
    EXPECT_STREQ(out.rows[0].gap, "  0.000");
    EXPECT_STREQ(out.rows[0].best, "0:06.000");
    EXPECT_STREQ(out.rows[0].best_lap, "(2)");
    EXPECT_STREQ(out.rows[1].gap, "  1.500");
    EXPECT_STREQ(out.total, "");
    EXPECT_EQ(out.penalty_count, 0);

    g_riders[0].finished = 0;
    hud_results_text(&race, &out);
    EXPECT_FALSE(out.shown);   // the leader has not finished

    // Final: penalties moved riders back by laps and ticks.
    g_riders[0].finished = 1;
    race.results_final = 1;
    rider(3, "77", {230, 430, 730, 1030, 1630, 1700, 1800, 1900, 2000, 2100, 2200});
    entries[3] = {3, 8, 2200 + 320};   // one lap taken, 2.5 s on top
    rider(4, "6", {240, 440, 740, 1040, 1640, 1700, 1800, 1900, 2000, 2100, 2200, 2300, 2400, 2500});
    entries[4] = {4, 8, 2500 + 64};    // two laps taken
    rider(5, "1234", {250, 450, 750});
    entries[5] = {5, 3, 750 + 128};    // time only
    race.count = 6;
    hud_results_text(&race, &out);
    EXPECT_STREQ(out.title, "Final Results");
    EXPECT_EQ(out.row_count, 6);
    EXPECT_STREQ(out.total, "Total Race Time: 0:07.562");
    ASSERT_EQ(out.penalty_count, 3);
    EXPECT_STREQ(out.penalties[0], " 77 penalized 1 lap 2.50 seconds for cutting track");
    EXPECT_STREQ(out.penalties[1], "  6 penalized 2 laps 0.50 seconds for cutting track");
    EXPECT_STREQ(out.penalties[2], "1234 penalized 1.00 seconds for cutting track");
    // A rider with one lap done has that lap as its best, as "results.txt" gives it; with more,
    // the first lap (from the gate) never counts.
    EXPECT_STREQ(out.rows[5].best, "0:02.515");
    EXPECT_STREQ(out.rows[5].best_lap, "(1)");
    EXPECT_STREQ(out.rows[0].best_lap, "(2)");

    // A track without lap gates counts no laps rather than dividing by zero.
    race.gates_per_lap = 0;
    hud_results_text(&race, &out);
    EXPECT_STREQ(out.rows[0].laps, "L0");
    EXPECT_STREQ(out.penalties[0], " 77 penalized 2.50 seconds for cutting track");
}

TEST(HudReadouts, FpsTimeAndRenderStatistics)
{
    const config_values saved = g_config;
    const int saved_stats = g_options.draw_render_stats;
    g_config.draw_fps = 1;
    g_config.draw_time = 1;
    g_config.draw_ping = g_config.draw_speed = 0;
    g_options.draw_render_stats = 1;
    hud_reset_maxima();
    tick_count = 100;
    race_start_tick = 228;   // before the start: no negative time
    frame_time_max = 0.0199;
    frame_time_min = 0.01;
    render_stats.model_triangles = 100;
    render_stats.billboards = 7;
    char lines[HUD_READOUT_LINES][HUD_LINE_BYTES];
    int n = hud_readout_lines(lines, -1);
    ASSERT_EQ(n, 8);
    EXPECT_STREQ(lines[0], "FPS - 50");
    EXPECT_EQ(frame_time_max, 0.0);
    EXPECT_EQ(frame_time_min, 1.0);
    EXPECT_STREQ(lines[1], "Time - 0:00.0 ");
    EXPECT_STREQ(lines[2], "Ground polygons - 0 max=0");
    EXPECT_STREQ(lines[3], "Model polygons - 100 max=100");
    EXPECT_STREQ(lines[4], "Billboards - 7 max=7");

    render_stats.model_triangles = 40;
    render_stats.billboards = 9;
    tick_count = 228 + 128 * 61 + 70;
    g_config.draw_speed = 1;
    n = hud_readout_lines(lines, 44);
    ASSERT_EQ(n, 9);
    EXPECT_STREQ(lines[0], "FPS - 0");   // no frame recorded since
    EXPECT_STREQ(lines[1], "Time - 1:01.5 ");
    EXPECT_STREQ(lines[2], "Speed - 30.00");
    EXPECT_STREQ(lines[4], "Model polygons - 40 max=100");
    EXPECT_STREQ(lines[5], "Billboards - 9 max=9");

    g_config = saved;
    g_options.draw_render_stats = saved_stats;
    render_stats.model_triangles = render_stats.billboards = 0;
    tick_count = race_start_tick = 0;
}

TEST(HudReadouts, PingAndOffsetOfAnyClock)
{
    // The server's clock and echoes arrive from outside: the readout never leaves int's range.
    const config_values saved = g_config;
    g_config.draw_fps = g_config.draw_time = g_config.draw_speed = 0;
    g_config.draw_ping = 1;
    struct Case { int server, ticks, round_trip; const char *want; };
    const Case cases[] = {
        {1009, 1000, 16, "Ping - 125ms (70ms offset)"},
        {300000000, 0, 0, "Ping - 0ms (1000000000ms offset)"},
        {0, INT_MAX, INT_MIN, "Ping - -1000000000ms (-1000000000ms offset)"},
        {INT_MAX, INT_MIN, INT_MAX, "Ping - 1000000000ms (1000000000ms offset)"},
    };
    net_socket = 1 << 20;   // only asked whether one is open
    local_slot = 3;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.want);
        server_tick = c.server;
        tick_count = c.ticks;
        net_slot_info[3].ping_ticks = c.round_trip;
        char lines[HUD_READOUT_LINES][HUD_LINE_BYTES];
        ASSERT_EQ(hud_readout_lines(lines, -1), 1);
        EXPECT_STREQ(lines[0], c.want);
    }
    net_socket = -1;
    server_tick = tick_count = 0;
    net_slot_info[3].ping_ticks = 0;
    g_config = saved;
}

TEST(HudCockpit, NeedleGearLeanGraphAndMap)
{
    const float needle[][2] = {{0, -135}, {8000, 0}, {16000, 135}, {20000, 202.5f}};
    for (const auto &c : needle) EXPECT_NEAR(hud_needle_degrees(c[0]), c[1], 1e-3) << c[0];

    const int cells[6][2] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}};
    for (int g = 0; g < 6; ++g) {
        int column, row;
        hud_gear_cell(g, &column, &row);
        EXPECT_EQ(column, cells[g][0]) << g;
        EXPECT_EQ(row, cells[g][1]) << g;
    }

    const float half_pi = 1.5707963f;
    struct Lean {
        float a, a0, a1;
        int strong;
    } leans[] = {
        {0, -half_pi, -half_pi, 0},
        {0.3f, 0.3f - half_pi, -half_pi, 0},
        {-0.3f, half_pi, half_pi - 0.3f, 0},
        {0.6283f, 0.6283f - half_pi, -half_pi, 0},
        {0.6284f, 0.6284f - half_pi, -half_pi, 1},
        {-0.7f, half_pi, half_pi - 0.7f, 1},
    };
    for (const Lean &c : leans) {
        float a0, a1;
        EXPECT_EQ(hud_lean_band(c.a, &a0, &a1), c.strong) << c.a;
        EXPECT_NEAR(a0, c.a0, 1e-5) << c.a;
        EXPECT_NEAR(a1, c.a1, 1e-5) << c.a;
    }
    EXPECT_EQ(arc_band_pairs(0, 0), 2);
    EXPECT_EQ(arc_band_pairs(0, 1), 11);          // 9.87 pairs of arc
    EXPECT_EQ(arc_band_pairs(half_pi, 0), 17);
    EXPECT_EQ(arc_band_pairs(-0.1f, 0), 2);

    // The graph starts at the ring's write index and clamps to its frame.
    const float ring[4] = {0.5f, 2, -3, 0.25f};
    const float want[2][4][2] = {{{-1, -1}, {-0.5f, 0.25f}, {0, 0.5f}, {0.5f, 1}},
                                 {{-1, 0.75f}, {-0.5f, -0.0625f}, {0, -0.125f}, {0.5f, -0.5f}}};
    const float scales[2] = {1, -0.25f};
    for (int s = 0; s < 2; ++s)
        for (int i = 0; i < 4; ++i) {
            float x, y;
            graph_point(ring, 4, 2, scales[s], i, &x, &y);
            EXPECT_FLOAT_EQ(x, want[s][i][0]) << s << " " << i;
            EXPECT_FLOAT_EQ(y, want[s][i][1]) << s << " " << i;
        }

    float x, y;
    track_map_point(256, 768, 1024, &x, &y);
    EXPECT_FLOAT_EQ(x, 0.25f);
    EXPECT_FLOAT_EQ(y, -0.75f);
    track_map_point(256, 768, 0, &x, &y);
    EXPECT_EQ(x, 0);
}

}   // namespace
