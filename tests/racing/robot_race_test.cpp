// Robots racing on the generated default track with its generated lines, headless: eight ride a
// lap and all finish, and a robot put far off its path, facing away, finds its way back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/setters.h"
#include "bike/shape.h"
#include "bike/small_ops.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "racing/headless_race.h"
#include "racing/autopilot.h"
#include "racing/lines.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

namespace {


struct RobotRace : ::testing::Test {
    std::string home;
    bool opened = false;

    void SetUp() override
    {
        if (!fixture_file_exists(fixture_game_dir() + "ridgeback/lines_novice")) GTEST_SKIP() << "no generated lines";
        opened = true;
        ASSERT_TRUE(headless_race_open("ridgeback", "robotrace", &home));
    }

    void TearDown() override
    {
        if (!opened) return;
        headless_race_close();
    }

    // A race of `robots` robots in the first slots over `laps` laps.
    void start(int robots, int laps)
    {
        int codes[160] = {};
        for (int i = 0; i < robots; ++i) codes[i] = 2;
        ASSERT_EQ(reset_race(codes, 0, 0, 0, laps, 0), 1);
        for (int i = 0; i < robots; ++i) ASSERT_NE(bike_slot_table[i], nullptr);
        ASSERT_NE(line_store, nullptr);
    }
};

// Every body turned half round about the frame's vertical axis and moved by (dx, dz), standing
// on the ground there, at rest.
void turn_and_move(bike *b, float dx, float dz)
{
    float snap[BIKE_SNAPSHOT_FLOATS];
    bike_snapshot(b, snap);
    const dReal *c = dBodyGetPosition(b->bodies[BODY_FRAME]);
    const float cx = (float)c[0], cz = (float)c[2];
    const float lift = bike_terrain_height(g_terrain, cx + dx, cz + dz) - bike_terrain_height(g_terrain, cx, cz) + 0.5f;
    for (int i = 0; i < BIKE_BODIES; ++i) {
        float *p = snap + 7 * i, *q = p + 3;
        p[0] = 2 * cx - p[0] + dx, p[2] = 2 * cz - p[2] + dz, p[1] += lift;
        // Half a turn about y: (0, 1, 0, 0) times q.
        const float w = q[0], x = q[1], y = q[2], z = q[3];
        q[0] = -y, q[1] = z, q[2] = w, q[3] = -x;
    }
    bike_restore_snapshot(b, snap);
    for (int i = 0; i < BIKE_BODIES; ++i) {
        dBodySetLinearVel(b->bodies[i], 0, 0, 0);
        dBodySetAngularVel(b->bodies[i], 0, 0, 0);
    }
}

// The horizontal distance from the frame to the robot's path.
float path_distance(bike *b)
{
    const int n = b->line_record.count;
    const line_sample *s = (const line_sample *)b->line_record.items;
    const dReal *x = dBodyGetPosition(b->bodies[BODY_FRAME]);
    float best = 1e30f;
    for (int k = 0; k + 1 < n; ++k) {
        const float dx = s[k + 1].x - s[k].x, dz = s[k + 1].z - s[k].z, l2 = dx * dx + dz * dz;
        float u = l2 > 0 ? (((float)x[0] - s[k].x) * dx + ((float)x[2] - s[k].z) * dz) / l2 : 0;
        u = u < 0 ? 0 : u > 1 ? 1 : u;
        best = std::min(best, std::hypot((float)x[0] - s[k].x - u * dx, (float)x[2] - s[k].z - u * dz));
    }
    return best;
}

TEST_F(RobotRace, EightRobotsRideOneLap)
{
    start(8, 1);
    // A robot that misses the finish gate rides another lap: fifteen minutes for the field.
    const int bound = race_start_tick + 900 * 128;
    while (!results_final && tick_count < bound) race_step();
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bike_slot_table[i]->finished, 1) << "gates " << bike_slot_table[i]->gate_index;
    }
    ASSERT_EQ(results_final, 1);
    std::istringstream file(fixture_read_file(home + "Rutline/results.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[0].rfind("Time=0.00|Laps=1|Track=ridgeback|", 0), 0u) << lines[0];
    for (int i = 0; i < 8; ++i) {
        const std::string number = bike_get_number_text(bike_slot_table[i]);
        int found = 0;
        for (size_t k = 2; k < lines.size(); ++k) found += lines[k].find(" " + number + " |") != std::string::npos;
        EXPECT_EQ(found, 1) << number;
    }
    printf("lap of eight robots: %.1f s of racing\n", (tick_count - race_start_tick) * tick);
}

TEST_F(RobotRace, BackFromFiftyFeetOff)
{
    start(1, 3);
    bike *b = bike_slot_table[0];
    while (tick_count < race_start_tick + 20 * 128) race_step();
    ASSERT_GT(b->gate_index, 0);
    ASSERT_GT(b->line_record.count, 0);

    // 50 ft across the path from where the robot is, on the side where the ground is nearer
    // its level, facing back the way it came.
    const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
    const dReal *v = dBodyGetLinearVel(b->bodies[BODY_FRAME]);
    const float sp = std::hypot((float)v[0], (float)v[2]);
    ASSERT_GT(sp, 1.0f);
    const float sx = -(float)v[2] / sp * 50, sz = (float)v[0] / sp * 50;
    const float here = bike_terrain_height(g_terrain, (float)p[0], (float)p[2]);
    const float side = std::fabs(bike_terrain_height(g_terrain, (float)p[0] + sx, (float)p[2] + sz) - here) <=
                               std::fabs(bike_terrain_height(g_terrain, (float)p[0] - sx, (float)p[2] - sz) - here)
                           ? 1.0f
                           : -1.0f;
    turn_and_move(b, side * sx, side * sz);
    const int gate = b->gate_index;
    ASSERT_GT(path_distance(b), 40.0f);

    // Back within 4 ft of its path, and through the next gate, within two minutes. A robot that
    // rejoins its line at the gate itself is on it a tick or two after the gate counts it.
    int back = 0;
    const int bound = tick_count + 120 * 128;
    while (b->gate_index <= gate && tick_count < bound) {
        race_step();
        back |= path_distance(b) < 4;
    }
    const int through = tick_count;
    for (int t = 0; t < 128 && !back; ++t) {
        race_step();
        back |= path_distance(b) < 4;
    }
    EXPECT_TRUE(back);
    EXPECT_GT(b->gate_index, gate);
    printf("back through gate %d after %.1f s\n", gate, (through - (race_start_tick + 20 * 128)) * tick);
}

}   // namespace
