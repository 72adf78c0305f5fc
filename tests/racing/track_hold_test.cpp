// What the generated tracks do to a rider who only holds the throttle open: the start gates hold
// him on the line until they drop, and the bank round the field stops him before the ground ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bike/bike.h"
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/ground_contact.h"
#include "bike/shape.h"
#include "bike/small_ops.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "racing/headless_race.h"
#include "racing/lines.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

namespace {


enum { PARTICIPANT_PLAYER = 1, PARTICIPANT_ROBOT = 2 };

struct TrackHold : ::testing::TestWithParam<const char *> {
    bool opened = false;

    void SetUp() override
    {
        if (!fixture_file_exists(fixture_game_dir() + GetParam() + "/timing_gates")) GTEST_SKIP() << "no generated track";
        opened = true;
        ASSERT_TRUE(headless_race_open(GetParam(), "trackhold"));
    }

    void TearDown() override
    {
        if (!opened) return;
        headless_race_close();
    }
};

// Throttle wide open, clutch in, no brakes, bars straight: all a rider in a hurry does. Feet go
// down when the bike stands, as the player's setup has it, so a bike waiting at the gate stands
// up rather than lying against it.
void hold_throttle(bike *b)
{
    bike_set_auto_dab(b, 1);
    bike_set_throttle(b, 1);
    bike_set_clutch(b, 1);
    bike_set_front_brake(b, 0);
    bike_set_rear_brake(b, 0);
    bike_set_steer(b, 0);
}

// How far ahead of its gate's hinge (along the riders' way) a bike's front axle is, and the
// nearest any of the standing gate's spheres comes to the riders: the wall the axle must stay
// behind.
float axle_ahead(int i)
{
    const statue &s = ((const statue *)statues.items)[start_statues[i]];
    const float fx = -std::sin(start_angles[i]), fz = -std::cos(start_angles[i]);
    const dReal *p = dBodyGetPosition(bike_slot_table[i]->bodies[BODY_FRONT_WHEEL]);
    return ((float)p[0] - s.x) * fx + ((float)p[2] - s.z) * fz;
}

float gate_wall(int i)
{
    const statue &s = ((const statue *)statues.items)[start_statues[i]];
    const float fx = -std::sin(start_angles[i]), fz = -std::cos(start_angles[i]);
    const float position[3] = {s.x, s.y, s.z};
    shape_place(s.shape, position, s.orientation);
    float wall = 1e30f;
    for (int k = 0; k < s.shape->sphere_count; ++k)
        wall = std::min(wall, (s.shape->world_centers[k][0] - s.x) * fx + (s.shape->world_centers[k][2] - s.z) * fz);
    return wall;
}

// A bike on every start place, the robots' as well as the player's taken over by the test, held
// at full throttle from the reset: until the gates drop, every gate stands and no front axle
// gets past the wall of its gate's spheres.
TEST_P(TrackHold, FullThrottleStaysBehindEveryStartGate)
{
    int codes[160] = {PARTICIPANT_PLAYER};
    ASSERT_EQ(reset_race(codes, 0, 0, 0, 1, 0), 1);   // loads the track: its start places
    ASSERT_GT(start_count, 0);
    for (int i = 0; i < start_count; ++i) codes[i] = i == 0 ? PARTICIPANT_PLAYER : PARTICIPANT_ROBOT;
    ASSERT_EQ(reset_race(codes, 0, 0, 0, 1, 0), 1);
    ASSERT_GT(race_start_tick, tick_count + 5 * 128);   // seconds of pushing before the drop
    for (int i = 0; i < start_count; ++i) {
        ASSERT_NE(bike_slot_table[i], nullptr);
        controller_kind[i] = CONTROLLER_LOCAL;
    }
    race_step();   // the gates stood up
    std::vector<float> wall((std::size_t)start_count), closest((std::size_t)start_count, -1e30f);
    std::vector<int> through((std::size_t)start_count, -1);
    for (int i = 0; i < start_count; ++i) {
        const statue &s = ((const statue *)statues.items)[start_statues[i]];
        ASSERT_NE(s.shape, nullptr) << "gate " << i;
        wall[(std::size_t)i] = gate_wall(i);
        ASSERT_LT(axle_ahead(i), wall[(std::size_t)i]) << "gate " << i << " stands on its bike";
    }
    int fallen = -1;
    while (tick_count <= race_start_tick) {
        for (int i = 0; i < start_count; ++i) hold_throttle(bike_slot_table[i]);
        race_step();
        for (int i = 0; i < start_count; ++i) {
            const std::size_t k = (std::size_t)i;
            closest[k] = std::max(closest[k], axle_ahead(i));
            if (through[k] < 0 && closest[k] >= wall[k]) through[k] = tick_count;
            if (fallen < 0 && tick_count <= race_start_tick && gate_drop[i] != 1.0f) fallen = i;
        }
    }
    EXPECT_EQ(fallen, -1) << "a gate moved before the start";
    float margin = 1e30f;
    for (int i = 0; i < start_count; ++i) {
        const std::size_t k = (std::size_t)i;
        EXPECT_EQ(through[k], -1) << "the bike at gate " << i << " got through " << (race_start_tick - through[k]) * tick
                                  << " s before the drop";
        margin = std::min(margin, wall[k] - closest[k]);
    }
    printf("%s: %d bikes held %.1f s at full throttle, the nearest axle %.2f ft short of its gate's wall\n", GetParam(),
           start_count, race_start_tick * tick, margin);

    // Pushing on it, each keeps his gate from falling; but not for the race: 10 s after the drop
    // every gate lies down, and the player, still at full throttle, rides off over his.
    while (tick_count <= race_start_tick + 10 * 128) {
        for (int i = 0; i < start_count; ++i) hold_throttle(bike_slot_table[i]);
        race_step();
    }
    for (int i = 0; i < start_count; ++i) EXPECT_EQ(gate_drop[i], 0.0f) << "gate " << i;
    float ahead = -1e30f;
    while (tick_count <= race_start_tick + 15 * 128) {
        for (int i = 0; i < start_count; ++i) hold_throttle(bike_slot_table[i]);
        race_step();
        ahead = std::max(ahead, axle_ahead(0));
    }
    EXPECT_GT(ahead, 10.0f) << "the player is still at his gate";
}

// Robots on every start place waiting for the drop as they do: every gate falls flat within half
// a second, none of them caught on a waiting front wheel.
TEST_P(TrackHold, EveryGateFallsClearOfTheWaitingRobots)
{
    int codes[160] = {PARTICIPANT_PLAYER};
    ASSERT_EQ(reset_race(codes, 0, 0, 0, 1, 0), 1);
    for (int i = 0; i < start_count; ++i) codes[i] = PARTICIPANT_ROBOT;
    ASSERT_EQ(reset_race(codes, 0, 0, 0, 1, 0), 1);
    while (tick_count <= race_start_tick + 64) race_step();
    for (int i = 0; i < start_count; ++i) EXPECT_EQ(gate_drop[i], 0.0f) << "gate " << i;
}

// Rests the bike on the ground at (x, z) facing -(sin a, cos a), as the race reset places one.
void place_at(bike *b, float x, float z, float a)
{
    float y = bike_terrain_height(g_terrain, x, z);
    for (int tries = 0; tries < 400; ++tries, y += 0.25f) {
        bike_reset_pose(b);
        bike_rotate(b, 0, 1, 0, a);
        bike_translate(b, x, y, z);
        const int touching = bike_terrain_collide(b);
        dJointGroupEmpty(contact_group);
        if (!touching) break;
    }
    for (int i = 0; i < BIKE_BODIES; ++i) {
        dBodySetLinearVel(b->bodies[i], 0, 0, 0);
        dBodySetAngularVel(b->bodies[i], 0, 0, 0);
    }
}

// From the point of the robots' lines nearest each edge of the field, the bike faces that edge
// and rides at it at full throttle: it reaches the bank and is stopped or thrown down there,
// never carried past the ground's last vertex. The course comes nearest the edges where the
// land climbs to them, so the bike arrives slowly; it rides again from 300 ft further in to
// arrive at speed.
TEST_P(TrackHold, FullThrottleAtEachEdgeStaysOnTheGround)
{
    int codes[160] = {PARTICIPANT_PLAYER};
    ASSERT_EQ(reset_race(codes, 0, 0, 0, 1, 0), 1);
    bike *b = bike_slot_table[0];
    ASSERT_NE(b, nullptr);
    ASSERT_NE(line_store, nullptr);
    tick_count = race_start_tick + 20 * 128;   // the gates are down and out of the way
    const float W = g_terrain->world_size;
    ASSERT_GT(W, 0);

    struct Edge { const char *name; float dx, dz; };
    const Edge edges[] = {{"west (x = 0)", -1, 0}, {"east (x = W)", 1, 0}, {"north (z = 0)", 0, -1}, {"south (z = W)", 0, 1}};
    for (const float run_up : {0.0f, 300.0f})
    for (const Edge &e : edges) {
        SCOPED_TRACE(std::string(e.name) + (run_up > 0 ? ", from further in" : ""));
        // The course point nearest this edge.
        auto to_edge = [&](float x, float z) { return e.dx < 0 ? x : e.dx > 0 ? W - x : e.dz < 0 ? z : W - z; };
        float bx = 0, bz = 0, best = 1e30f;
        for (int k = 0; k < line_store_sections(); ++k)
            for (int slot = 0; slot < LINE_SLOTS_PER_SECTION; ++slot) {
                const learned_line *l = line_slot(k, slot);
                for (int i = 0; l && i < l->sample_count; ++i)
                    if (to_edge(l->samples[i].x, l->samples[i].z) < best)
                        best = to_edge(l->samples[i].x, l->samples[i].z), bx = l->samples[i].x, bz = l->samples[i].z;
            }
        ASSERT_LT(best, W / 2);
        const float back = std::min(run_up, W - best - 20);   // but not off the far side
        bx -= e.dx * back, bz -= e.dz * back, best += back;
        place_at(b, bx, bz, std::atan2(-e.dx, -e.dz));

        float nearest = best, top_speed = 0;
        int left = 0, down_ticks = 0, still_ticks = 0, picked_up = 0;
        for (int t = 0; t < 90 * 128; ++t) {
            if (down_ticks >= 3 * 128 || still_ticks >= 2 * 128) {
                // Thrown by a jump on the way, it has not been to the bank yet: pick it up where
                // it lies, face the edge again and ride on.
                if (nearest < 40 || picked_up == 3) break;
                const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
                place_at(b, (float)p[0], (float)p[2], std::atan2(-e.dx, -e.dz));
                ++picked_up, down_ticks = still_ticks = 0;
            }
            hold_throttle(b);
            race_step();
            const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
            const dReal *v = dBodyGetLinearVel(b->bodies[BODY_FRAME]);
            const float speed = (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            top_speed = std::max(top_speed, speed);
            nearest = std::min(nearest, to_edge((float)p[0], (float)p[2]));
            if (!(p[0] >= 0 && p[0] <= W && p[2] >= 0 && p[2] <= W)) {
                left = 1;
                break;
            }
            down_ticks = b->crash_counter > 0 ? down_ticks + 1 : 0;
            still_ticks = speed < 2 ? still_ticks + 1 : 0;
        }
        EXPECT_FALSE(left) << "from " << best << " ft off the edge, at " << top_speed * 0.6818f << " mph at most";
        // It got to the bank: a fall on the way would prove nothing.
        EXPECT_LT(nearest, 40.0f) << "stopped " << nearest << " ft short of the edge";
        printf("%s, %s: from %.0f ft off the edge, picked up %d times, %.0f mph at most, %s %.1f ft from the edge\n",
               GetParam(), e.name, best, picked_up,
               top_speed * 0.6818f, left ? "left the ground" : down_ticks ? "down" : "stopped", nearest);
    }
}

INSTANTIATE_TEST_SUITE_P(Generated, TrackHold, ::testing::Values("ridgeback", "ridgeback-practice"),
                         [](const ::testing::TestParamInfo<const char *> &i) {
                             return std::string(i.param) == "ridgeback" ? std::string("Ridgeback") : std::string("Practice");
                         });

}   // namespace
