// The time trial with a scripted player: the bike is carried from gate to gate at a set pace
// while the race steps run, so laps end, lap times come out exactly and the ghost rides the
// recorded fastest lap.
#include "demo_fixture.h"

#include <cmath>
#include <sys/stat.h>

#include "bike/bike_create.h"
#include "bike/setters.h"
#include "racing/demo.h"
#include "racing/race_state.h"

namespace {

struct TimeTrial : DemoField {
    // A loop whose lap starts and ends at gate 3: first lap 0, 1, 2, 3; laps 4, 0, 1, 2, 3.
    int loop[9] = {0, 1, 2, 3, 4, 0, 1, 2, 3};
    bike *player = nullptr;

    void SetUp() override
    {
        DemoField::SetUp();
        lap_list = loop, first_lap_count = 4, normal_lap_count = 5;
        time_trial = 1;
        tick_count = 38400;
        race_start_tick = 1800;
        race_laps = race_laps_chosen = 1000;   // as the menu starts it
        player = rider(0, CONTROLLER_LOCAL, 20, 40);
    }
    void TearDown() override
    {
        demo_play_close();
        demo_record_stop();
        for (int slot = 1; slot < 160; ++slot)
            if (bike_slot_table[slot]) bike_destroy(bike_slot_table[slot]), bike_slot_table[slot] = nullptr;
        time_trial = 0;
        DemoField::TearDown();
    }

    // The whole bike moved so its front wheel stands at (x, z), at rest.
    void carry(float x, float z)
    {
        const dReal *w = dBodyGetPosition(player->bodies[BODY_FRONT_WHEEL]);
        const dReal dx = x - w[0], dz = z - w[2];
        for (dBodyID body : player->bodies) {
            const dReal *p = dBodyGetPosition(body);
            dBodySetPosition(body, p[0] + dx, p[1], p[2] + dz);
            dBodySetLinearVel(body, 0, 0, 0);
            dBodySetAngularVel(body, 0, 0, 0);
        }
    }
    // The gate of running gate g.
    const timing_gate &gate(int g)
    {
        const int f = first_lap_count, p = normal_lap_count;
        return row[loop[g < f ? g : f + (g - f) % p] % LAP_NO_SWITCH];
    }
    // Rides from the player's gate index through running gate `last`: pace - 8 ticks short of
    // each gate, then 8 ticks just past it, so every gate is passed `pace` ticks after the last.
    // The ride ends on the tick `last` is passed.
    void ride_to(int last, int pace)
    {
        for (int g = bike_get_gate_index(player); g <= last; ++g) {
            const timing_gate &t = gate(g);
            for (int k = 0; k < pace; ++k) {
                carry(k < pace - 8 ? t.centre[0] - 12 : t.centre[0] + 1, t.centre[2]);
                race_step();
                if (g == last && k == pace - 8) return;
            }
        }
    }
    std::string fastlap() { return read("timing/fastlap.rldemo"); }
};

TEST_F(TimeTrial, PlayerStartsThreeGatesBeforeTheLapGate)
{
    carry(10, 10);
    bike_set_gate_index(player, 5);
    last_lap_ticks = 99;
    reset_player_position();
    // Gate max(4 - 3, 0) = 1 at (40, 60), crossed in +x: the bike stands on it facing +x.
    const dReal *p = dBodyGetPosition(player->bodies[BODY_FRAME]);
    EXPECT_NEAR(p[0], 40, 5.0);
    EXPECT_NEAR(p[2], 60, 0.01);
    const dReal *r = dBodyGetRotation(player->bodies[BODY_FRAME]);
    // The bike's forward is its -z axis, the third column negated.
    EXPECT_NEAR(-r[2], 1, 1e-3);
    EXPECT_NEAR(-r[10], 0, 1e-3);
    EXPECT_EQ(bike_get_gate_index(player), 1);
    EXPECT_EQ(last_lap_ticks, 0);
}

TEST_F(TimeTrial, FastestLapIsKeptAndBeaten)
{
    // As the race reset leaves the time trial: the player put back, the run up being recorded.
    reset_player_position();
    ASSERT_TRUE(fixture_file_exists(home + "timing/lastlap.rldemo"));
    EXPECT_FALSE(fixture_file_exists(home + "timing/fastlap.rldemo"));

    // Up to the lap gate: no lap time, and the run up is no lap to keep; no ghost to ride with.
    ride_to(3, 20);
    EXPECT_EQ(last_lap_ticks, 0);
    EXPECT_EQ(best_lap_ticks, 0);
    EXPECT_FALSE(fixture_file_exists(home + "timing/fastlap.rldemo"));
    EXPECT_EQ(bike_slot_table[1], nullptr);
    EXPECT_EQ(bike_get_gate_index(player), 4);   // the lap gate passed again at once

    // A lap is timed from the lap gate passed again at the lap's start to its pass at the end:
    // the first gate comes pace - 8 ticks after the start, the other four pace ticks apart.
    struct Lap { int pace; int last, best; bool replaces; };
    const Lap laps[] = {
        {40, 192, 192, true},    // the first whole lap: the fastest so far
        {60, 292, 192, false},   // behind the 40-tick ghost
        {30, 142, 142, true},    // ahead of it
    };
    const int lap_end = 8;   // f + p - 1: every lap counts its gates from f - 1 again
    for (const Lap &lap : laps) {
        SCOPED_TRACE(lap.pace);
        const std::string before = fastlap();
        ride_to(lap_end, lap.pace);
        EXPECT_EQ(last_lap_ticks, lap.last);
        EXPECT_EQ(best_lap_ticks, lap.best);
        const std::string after = fastlap();
        EXPECT_EQ(after != before, lap.replaces);
        // The new ghost, the rider of the fastest lap, sets off from the lap gate f - 1.
        ASSERT_NE(bike_slot_table[1], nullptr);
        EXPECT_STREQ(bike_get_number_text(bike_slot_table[1]), bike_get_number_text(player));
        EXPECT_EQ(bike_get_gate_index(bike_slot_table[1]), 3);
    }

    // A copy that cannot be made leaves the fastest lap as it was.
    const std::string kept = fastlap();
    ASSERT_EQ(mkdir((home + "timing/fastlap.rldemo.tmp").c_str(), 0700), 0);
    ride_to(lap_end, 20);
    EXPECT_EQ(last_lap_ticks, 92);
    EXPECT_EQ(best_lap_ticks, 92);
    EXPECT_EQ(fastlap(), kept);
    rmdir((home + "timing/fastlap.rldemo.tmp").c_str());
}

TEST_F(TimeTrial, OnlyAWholeLapBecomesTheFastest)
{
    reset_player_position();
    ride_to(3, 20);
    // Backing up half way round the first lap, then the run up again: the lap cut short lies
    // in "lastlap.rldemo" at the lap gate, but it is no lap.
    ride_to(6, 30);
    reset_player_position();
    EXPECT_EQ(bike_get_gate_index(player), 1);
    ride_to(3, 20);
    EXPECT_FALSE(fixture_file_exists(home + "timing/fastlap.rldemo"));

    // The whole lap after it is recorded from the lap gate and kept.
    ride_to(8, 40);
    EXPECT_EQ(last_lap_ticks, 192);
    ASSERT_TRUE(fixture_file_exists(home + "timing/fastlap.rldemo"));
    const std::string fastest = fastlap();

    // A lap cut short, then a slow run up: the fastest lap stays, byte for byte, and a lap
    // whose recording could not be made is never taken for one either.
    ride_to(6, 20);
    reset_player_position();
    ride_to(3, 20);
    EXPECT_EQ(fastlap(), fastest);
    demo_record_stop();   // as when "lastlap.rldemo" could not be opened
    ride_to(8, 20);
    EXPECT_EQ(last_lap_ticks, 92);
    EXPECT_EQ(fastlap(), fastest);
}

TEST_F(TimeTrial, BackingUpHeldRecordsOneRunUp)
{
    // The bike is put back every tick while the key is held: one recording runs on through it,
    // where opening it again each tick would leave the head and a single state.
    reset_player_position();
    const std::string first = read("timing/lastlap.rldemo");
    for (int k = 0; k < 40; ++k) {
        race_step();
        reset_player_position();
    }
    EXPECT_GT(read("timing/lastlap.rldemo").size(), first.size() + 100);
    EXPECT_EQ(read("timing/lastlap.rldemo").compare(0, first.size(), first), 0);
    EXPECT_EQ(bike_get_gate_index(player), 1);
}

}   // namespace
