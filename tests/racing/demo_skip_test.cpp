// Skipping through a demo of a race on the generated practice track with erosion on: three
// riders carried along the gates are recorded, and a playback skipped forward, back and forward
// again matches a straight playback at the same ticks in every rider's pose, gate times and
// standings, with the ruts dug once.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bike/ride_harness.h"
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/frame.h"
#include "bike/setters.h"
#include "bike/small_ops.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "racing/demo.h"
#include "racing/headless_race.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/erosion.h"
#include "terrain/field.h"
#include "terrain/timing_gates.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

namespace {

struct snapshot {
    std::vector<std::string> frames;
    std::vector<std::vector<int>> times;
    std::vector<int> standing;
    std::vector<float> heights;
};

snapshot take(void)
{
    snapshot s;
    for (int slot = 0; slot < 160; ++slot) {
        bike *b = bike_slot_table[slot];
        if (!b) continue;
        std::uint8_t f[BIKE_FRAME_BYTES];
        bike_pack_frame(b, f);
        s.frames.emplace_back((const char *)f, sizeof f);
        std::vector<int> t;
        for (int g = 0; g < bike_get_gate_index(b); ++g) t.push_back(bike_get_gate_time(b, g));
        s.times.push_back(t);
    }
    for (int i = 0; i < standings_count; ++i)
        s.standing.insert(s.standing.end(), {standings[i].slot, standings[i].gates, standings[i].last_gate_tick});
    const terrain_field *t = race_terrain();
    s.heights.assign(t->heights, t->heights + t->grid_dim * t->grid_dim);
    return s;
}

void expect_same(const snapshot &a, const snapshot &b, bool heights)
{
    ASSERT_EQ(a.frames.size(), b.frames.size());
    for (std::size_t i = 0; i < a.frames.size(); ++i) {
        EXPECT_EQ(a.frames[i], b.frames[i]) << "rider " << i;
        EXPECT_EQ(a.times[i], b.times[i]) << "rider " << i;
    }
    EXPECT_EQ(a.standing, b.standing);
    if (heights) EXPECT_TRUE(a.heights == b.heights);
}

struct DemoSkip : ::testing::Test {
    std::string home;
    int codes[160] = {};

    void SetUp() override
    {
        home = fixture_temp_dir("demoskiphome");
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        setenv("RL_HOME", fixture_game_dir().c_str(), 1);
        search_folders_free();
        data_files_free();
        track_list_free();
        race_world_open();
        g_terrain = race_terrain();
        bike_resources_set(&race_bare_bikes);
        setup_init();
        net_socket = -1;
        tick_count = 0;
        track_name = nullptr;
        g_options.erosion_rate = 2;
        g_config.demo_backups = 0;
        erode_queue_reset();
    }
    void TearDown() override
    {
        demo_record_stop();
        demo_play_close();
        demo_play_set_name(nullptr);
        race_world_close();
        free_track();
        track_name = nullptr;
        track_list_free();
        g_options.erosion_rate = 0;
        erode_queue_reset();
        data_files_free();
        search_folders_free();
        unsetenv("XDG_DATA_HOME");
        unsetenv("RL_HOME");
    }

    // Half a gate's reach past the centre of running gate g.
    static void gate_point(int g, float out[2])
    {
        const int f = first_lap_count, p = normal_lap_count;
        const int entry = g < f ? lap_list[g] : lap_list[f + (g - f) % p];
        const timing_gate &gate = gates[entry % LAP_NO_SWITCH];
        const float d = std::hypot(gate.direction[0], gate.direction[2]);
        out[0] = gate.centre[0] + gate.direction[0] / d * gate.radius * 0.5f;
        out[1] = gate.centre[2] + gate.direction[2] / d * gate.radius * 0.5f;
    }

    // Every body moved so the frame stands `lift` above the ground at (x, z), at rest.
    static void carry(bike *b, float x, float z, float lift)
    {
        const dReal *f = dBodyGetPosition(b->bodies[BODY_FRAME]);
        const dReal dx = x - f[0], dy = bike_terrain_height(race_terrain(), x, z) + lift - f[1], dz = z - f[2];
        for (dBodyID body : b->bodies) {
            const dReal *p = dBodyGetPosition(body);
            dBodySetPosition(body, p[0] + dx, p[1] + dy, p[2] + dz);
            dBodySetLinearVel(body, 0, 0, 0);
            dBodySetAngularVel(body, 0, 0, 0);
        }
    }
};

TEST_F(DemoSkip, SkipAndRewindMatchAStraightPlay)
{
    if (!fixture_file_exists(fixture_game_dir() + "ridgeback-practice/timing_gates")) GTEST_SKIP() << "no generated content";
    ASSERT_GE(scan_tracks(), 1);
    ASSERT_TRUE(track_choice_select("ridgeback-practice"));
    for (int slot = 0; slot < 3; ++slot) codes[slot] = 2;
    ASSERT_EQ(reset_race(codes, 0, 1, 0, 3, 0), 1);
    ASSERT_GT(gate_count, 0);
    ASSERT_EQ(erode_level, 2);

    // The race, recorded: each rider carried from its start to gate after gate at its own pace,
    // and now and then a rut of its own.
    const int end = 3000, pace[3] = {90, 110, 130};
    float start[3][2], lift[3];
    for (int i = 0; i < 3; ++i) {
        const dReal *p = dBodyGetPosition(bike_slot_table[i]->bodies[BODY_FRAME]);
        start[i][0] = (float)p[0], start[i][1] = (float)p[2];
        lift[i] = (float)p[1] - bike_terrain_height(race_terrain(), start[i][0], start[i][1]);
    }
    while (tick_count < end) {
        for (int i = 0; i < 3; ++i) {
            const int leg = tick_count / pace[i];
            const float w = (float)(tick_count % pace[i]) / pace[i];
            float from[2] = {start[i][0], start[i][1]}, to[2];
            if (leg > 0) gate_point(leg - 1, from);
            gate_point(leg, to);
            carry(bike_slot_table[i], from[0] + (to[0] - from[0]) * w, from[1] + (to[1] - from[1]) * w, lift[i]);
            if (tick_count % 128 == 64) {
                erode_trail trail;
                erode_trail_reset(&trail);
                for (int k = 0; k < 8; ++k) trail.points[k] = {from[0] + k * 0.5f, from[1], 1, 0, 8};
                trail.step_min[0] = trail.step_max[0] = 0.5f;
                trail.point_count = 8;
                std::uint8_t packet[ERODE_PACKET_MAX];
                net_send_erosion(packet, erode_encode_trail(packet, &trail));
            }
        }
        race_step();
    }
    for (int i = 0; i < 3; ++i) ASSERT_GE(bike_get_gate_index(bike_slot_table[i]), 10);

    // A straight playback on the ground as it was loaded, kept at the ticks the skips reach.
    auto play_from_start = [&] {
        for (int &c : codes) c = 0;
        track_reload_requested = 1;
        erode_queue_reset();
        demo_play_set_name("@demos/default.rldemo");
        ASSERT_EQ(reset_race(codes, 1, 0, 0, 3, 0), 1);
        for (int slot = 0; slot < 3; ++slot) {
            ASSERT_NE(bike_slot_table[slot], nullptr);
            ASSERT_EQ(controller_kind[slot], CONTROLLER_REMOTE);
        }
    };
    const int skip_from = 1500, ahead = skip_from + 384, back = ahead - 640, again = back + 384, last = end + 512;
    std::map<int, snapshot> straight;
    play_from_start();
    while (tick_count < last) {
        race_step();
        if (tick_count == ahead || tick_count == back || tick_count == again || tick_count == last)
            straight[tick_count] = take();
    }
    const std::vector<float> dug = straight[last].heights;

    play_from_start();
    while (tick_count < skip_from) race_step();
    demo_skip(3);
    ASSERT_EQ(tick_count, ahead);
    {
        SCOPED_TRACE("+3 s");
        expect_same(take(), straight[ahead], false);
    }
    // Some rider passed a gate in the stretch about to be skipped back over.
    int later = 0;
    for (int slot = 0; slot < 3; ++slot)
        for (int g = 0; g < bike_get_gate_index(bike_slot_table[slot]); ++g) later += bike_get_gate_time(bike_slot_table[slot], g) > back;
    ASSERT_GT(later, 0);
    demo_skip(-5);
    ASSERT_EQ(tick_count, back);   // one tick past the target, which the skip raced
    {
        SCOPED_TRACE("-5 s");
        expect_same(take(), straight[back], false);
        for (int slot = 0; slot < 3; ++slot)
            for (int g = 0; g < bike_get_gate_index(bike_slot_table[slot]); ++g)
                EXPECT_LE(bike_get_gate_time(bike_slot_table[slot], g), back);
    }
    demo_skip(3);
    ASSERT_EQ(tick_count, again);
    {
        SCOPED_TRACE("+3 s again");
        expect_same(take(), straight[again], false);
    }
    while (tick_count < last) race_step();
    SCOPED_TRACE("to the end");
    expect_same(take(), straight[last], true);
    // The ruts are there, and not twice as deep.
    track_reload_requested = 1;
    ASSERT_EQ(reset_race(codes, 0, 0, 0, 3, 0), 1);
    const terrain_field *t = race_terrain();
    EXPECT_FALSE(std::equal(dug.begin(), dug.end(), t->heights));
}

}   // namespace
