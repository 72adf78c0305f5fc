// The race reset on generated track folders: the start tick, loading only a changed track, the
// line-up behind the start gates, the player codes, and a track that fails to load.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "terrain/track_home.h"
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/physics_step.h"
#include "bike/setters.h"
#include "racing/headless_race.h"
#include "racing/lines_file.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/udp.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include "terrain/timing_gates.h"

namespace {

struct RaceReset : TrackHome {
    int codes[160] = {};

    void SetUp() override
    {
        TrackHome::SetUp();
        ground("t/a");
        write("t/a/desc", "Alpha\n");
        // Two start gates 20 ft apart facing -z, a third turned a quarter.
        write("t/a/timing_gates", "startinggate:\n[40 0 40] 0\n[60 0 40] 0\n[80 0 40] 0\n");
        ground("t/b");
        write("t/b/desc", "Bravo\n");
        write("t/c/terrain.hf", "not a height field");
        write("t/c/desc", "Charlie\n");
        ASSERT_GE(scan_tracks(), 1);
        race_world_open();
        g_terrain = race_terrain();
        bike_resources_set(&race_bare_bikes);
        setup_init();   // the player's bike, number and setup
        net_socket = -1;
        tick_count = 0;
        track_name = nullptr;
        ASSERT_TRUE(track_choice_select("t/a"));
    }

    void TearDown() override
    {
        race_world_close();
        TrackHome::TearDown();
    }

    int reset() { return reset_race(codes, 0, 0, 0, 3, 0); }
    const dReal *frame(int slot) { return dBodyGetPosition(bike_slot_table[slot]->bodies[BODY_FRAME]); }
};

TEST_F(RaceReset, StartTickBetween13And15Seconds)
{
    codes[0] = 1;
    for (int seed_tick : {0, 1, 77, 4000, 123456}) {
        tick_count = seed_tick;
        ASSERT_EQ(reset(), 1);
        EXPECT_GE(race_start_tick, 1664);
        EXPECT_LE(race_start_tick, 1920);
        EXPECT_EQ(tick_count, 0);
        EXPECT_EQ(erode_level, g_options.erosion_rate);
    }
}

TEST_F(RaceReset, SameTrackIsNotLoadedAgain)
{
    codes[0] = 1;
    ASSERT_EQ(reset(), 1);
    EXPECT_STREQ(track_name, "t/a");
    terrain_field *t = race_terrain();
    t->heights[5] = 123;   // a mark a new load would wipe
    ASSERT_EQ(reset(), 1);
    EXPECT_EQ(t->heights[5], 123);
    ASSERT_TRUE(track_choice_select("t/b"));
    ASSERT_EQ(reset(), 1);
    EXPECT_STREQ(track_name, "t/b");
    EXPECT_NE(race_terrain()->heights[5], 123);
    race_terrain()->heights[5] = 123;
    track_reload_requested = 1;
    ASSERT_EQ(reset(), 1);
    EXPECT_NE(race_terrain()->heights[5], 123);
    EXPECT_EQ(track_reload_requested, 0);
}

TEST_F(RaceReset, LineUpBehindTheStartGates)
{
    for (int slot : {0, 1, 2, 3, 4, 5, 6}) codes[slot] = slot == 0 ? 1 : 2;
    ASSERT_EQ(reset(), 1);
    ASSERT_EQ(start_count, 3);
    // Rider i: row i / 3 behind gate i mod 3, 10 ft a row, facing -z.
    struct Case { int slot, gate, row; };
    const Case cases[] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 0, 1}, {4, 1, 1}, {5, 2, 1}, {6, 0, 2}};
    const dReal *first = frame(0);
    const double x0 = first[0], z0 = first[2];
    for (const Case &c : cases) {
        SCOPED_TRACE(c.slot);
        ASSERT_NE(bike_slot_table[c.slot], nullptr);
        EXPECT_NEAR(frame(c.slot)[0] - x0, 20.0 * c.gate, 1e-3);
        EXPECT_NEAR(frame(c.slot)[2] - z0, 10.0 * c.row, 1e-3);
        const dReal *r = dBodyGetRotation(bike_slot_table[c.slot]->bodies[BODY_FRAME]);
        EXPECT_NEAR(r[0], 1, 1e-6);   // not turned
        EXPECT_GE(frame(c.slot)[1], 0);
    }
    // The first row stands just behind the line: within a bike's length of 40 + 0.625 ft.
    EXPECT_NEAR(z0, 40.625, 4.0);
    EXPECT_EQ(controller_kind[0], CONTROLLER_LOCAL);
    EXPECT_EQ(controller_kind[1], CONTROLLER_ROBOT);
    EXPECT_STREQ(rider_names[1], "Roborider");
    EXPECT_EQ(start_position[2], (float)frame(0)[2]);
    EXPECT_EQ(viewed_slot, 0);
}

TEST_F(RaceReset, OnlyTheFirstPlayerStays)
{
    codes[2] = 1;
    codes[4] = 1;
    codes[5] = 1002;
    ASSERT_EQ(reset(), 1);
    EXPECT_EQ(viewed_slot, 2);
    EXPECT_EQ(controller_kind[2], CONTROLLER_LOCAL);
    EXPECT_EQ(bike_slot_table[4], nullptr);
    EXPECT_EQ(controller_kind[4], CONTROLLER_REMOTE);
    ASSERT_NE(bike_slot_table[5], nullptr);
    EXPECT_EQ(controller_kind[5], CONTROLLER_ROBOT);
    EXPECT_STREQ(bike_slot_table[5]->number_text, "2");
    for (int slot = 0; slot < 160; ++slot)
        if (slot != 2 && slot != 5) EXPECT_EQ(bike_slot_table[slot], nullptr) << slot;
}

// Online the server numbers the slots: the view (and with it the controls) starts on the player
// even when a remote rider has a lower slot. Offline the first participant is viewed.
TEST_F(RaceReset, ViewStartsOnThePlayerOnline)
{
    struct Case { int online, want; };
    for (const Case c : {Case{1, 2}, Case{0, 1}}) {
        SCOPED_TRACE(c.online);
        memset(codes, 0, sizeof codes);
        codes[1] = c.online ? 5 : 2;
        codes[2] = 1;
        net_socket = c.online ? udp_open() : -1;
        if (c.online) ASSERT_GE(net_socket, 0);
        const int reset_done = reset();
        if (net_socket >= 0) udp_close(net_socket);
        net_socket = -1;
        ASSERT_EQ(reset_done, 1);
        EXPECT_EQ(viewed_slot, c.want);
        EXPECT_EQ(controller_kind[2], CONTROLLER_LOCAL);
    }
}

TEST_F(RaceReset, FailedTrackLoadFreesTheBikes)
{
    codes[0] = 1;
    codes[1] = 2;
    ASSERT_EQ(reset(), 1);
    ASSERT_TRUE(track_choice_select("t/c"));
    EXPECT_EQ(reset(), 0);
    for (bike *b : bike_slot_table) EXPECT_EQ(b, nullptr);
    EXPECT_EQ(race_track_loaded(), 0);
    ASSERT_TRUE(track_choice_select("t/a"));
    EXPECT_EQ(reset(), 1);   // and the next race loads again
}

TEST_F(RaceReset, NobodyMeansOneRobot)
{
    ASSERT_EQ(reset(), 1);
    ASSERT_NE(bike_slot_table[0], nullptr);
    EXPECT_EQ(controller_kind[0], CONTROLLER_ROBOT);
}

}   // namespace

namespace {

TEST_F(RaceReset, ParticipantCodes)
{
    codes[0] = 1;
    codes[1] = 5;   // a remote rider: posed from its states, not simulated
    codes[2] = 3;   // a robot on a 125
    codes[3] = 4;   // a robot on a 250
    codes[4] = 77;  // anything else: a plain 125
    ASSERT_EQ(reset(), 1);
    bike *remote = bike_slot_table[1];
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(controller_kind[1], CONTROLLER_REMOTE);
    EXPECT_FALSE(bike_is_simulated(remote));
    EXPECT_FLOAT_EQ(bike_get_roll_damping(remote), 100);
    EXPECT_FLOAT_EQ(remote->tuning.full_lock_speed, 50);
    EXPECT_FLOAT_EQ(remote->tuning.restricted_lock_speed, 5);
    EXPECT_NEAR(remote->tuning.restricted_lock, 0.04363323f, 1e-7);
    EXPECT_TRUE(bike_is_simulated(bike_slot_table[0]));
    ASSERT_NE(bike_slot_table[2], nullptr);
    EXPECT_NE(strstr(bike_get_model_name(bike_slot_table[2]), "125"), nullptr) << bike_get_model_name(bike_slot_table[2]);
    ASSERT_NE(bike_slot_table[3], nullptr);
    EXPECT_NE(strstr(bike_get_model_name(bike_slot_table[3]), "250"), nullptr) << bike_get_model_name(bike_slot_table[3]);
    ASSERT_NE(bike_slot_table[4], nullptr);
    EXPECT_STREQ(bike_get_model_name(bike_slot_table[4]), "rm125");
}

TEST_F(RaceReset, LinesOfTheSkillAreLoadedAndSavedByTheNextReset)
{
    write("t/b/timing_gates", "checkpoints:\n4 [50 0 60] [4 0 0]\n4 [60 0 60] [4 0 0]\nfirstlap: 0\nnormallap: 1\n");
    const std::string points = "[1.000000 2.000000 3.000000] 4.000000 0.500000\n[1.500000 2.000000 9.000000] 4.500000 0.250000\n";
    write("t/b/lines_amateur", "ct03 2\n1\n2 10 20 0 30 40 0 0 0\n" + points + "0\n");
    ASSERT_TRUE(track_choice_select("t/b"));
    const int learn = g_options.learn;
    g_options.learn = 1;
    codes[0] = 1;
    ASSERT_EQ(reset_race(codes, 0, 0, 0, 3, 1), 1);
    EXPECT_EQ(lines_skill, 1);
    ASSERT_EQ(line_store[0].sample_count, 2);
    line_store[0].tested_count = 1;
    line_store[0].section_time_sum = 12;
    line_store[0].two_section_time_sum = 25;
    // The next race is for experts: the amateurs' lines are saved, the experts' (none) loaded.
    ASSERT_EQ(reset_race(codes, 0, 0, 0, 3, 2), 1);
    EXPECT_EQ(lines_skill, 2);
    EXPECT_EQ(line_store[0].sample_count, 0);
    EXPECT_EQ(read("t/b/lines_amateur"), "ct03 2\n1\n2 10 20 1 30 40 12 25 0\n" + points + "0\n");
    // Without learning the next reset leaves the files alone.
    g_options.learn = 0;
    ASSERT_EQ(reset_race(codes, 0, 0, 0, 3, 1), 1);
    line_store[0].failure_count = 7;
    ASSERT_EQ(reset_race(codes, 0, 0, 0, 3, 1), 1);
    EXPECT_EQ(read("t/b/lines_amateur"), "ct03 2\n1\n2 10 20 1 30 40 12 25 0\n" + points + "0\n");
    EXPECT_FALSE(fixture_file_exists(home + "t/b/lines_expert"));
    g_options.learn = learn;
    lines_free();
}

}   // namespace
