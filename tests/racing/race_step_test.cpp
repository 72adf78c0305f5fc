// The race step on a small generated field: its order and counters, the start gates, the
// online start rule and standings, erosion's edit lock, telemetry and the off-course rule.
#include "race_fixture.h"

#include <cmath>
#include <cstring>
#include <string>

#include "bike/bike_record.h"
#include "bike/setters.h"
#include "bike/small_ops.h"
#include "data/console.h"
#include "racing/object_grid.h"
#include "racing/standings.h"
#include "shell/globals.h"
#include "terrain/field.h"

namespace {

using RaceStep = RaceField;

int console_count(const char *text)
{
    int n = 0;
    for (const auto &line : g_console.lines) n += !strcmp(line, text);
    return n;
}

TEST_F(RaceStep, ThreeRidersAdvanceOneTickEach)
{
    bike *a = rider(0, CONTROLLER_LOCAL, 40, 60);
    bike *b = rider(1, CONTROLLER_ROBOT, 50, 60);
    bike *c = rider(5, CONTROLLER_ROBOT, 60, 60);
    a->input.throttle = 1;
    const int start = tick_count;
    for (int i = 0; i < 256; ++i) race_step();
    EXPECT_EQ(tick_count, start + 256);
    for (bike *x : {a, b, c}) EXPECT_TRUE(ride_finite(x));
    EXPECT_GT(ride_forward_speed(a), 5.0f);    // the throttle rode it off
    EXPECT_LT(ride_speed(b), 1.0f);            // the others stand
}

TEST_F(RaceStep, StartGateFallsAfterTheStart)
{
    rider(0, CONTROLLER_LOCAL, 100, 100);
    const int g = start_gate(30, 30, 0.5f, 1.0f);
    statue &s = ((statue *)statues.items)[start_statues[g]];
    race_start_tick = tick_count + 2;
    gate_drop[g] = 0.3f;   // whatever it was: before the start it stands again

    float t[9];
    object_terrain_orientation(t, s.x, s.z, s.angle);
    race_step();
    EXPECT_EQ(gate_drop[g], 1.0f);
    EXPECT_EQ(gate_drop_speed[g], 0.0f);
    // Standing: the ground's orientation turned 3π/16 about x.
    const float a = 0.5890486225480862f;
    const float r[9] = {1, 0, 0, 0, std::cos(a), std::sin(a), 0, -std::sin(a), std::cos(a)};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(s.orientation[i * 3 + j], t[i * 3] * r[j] + t[i * 3 + 1] * r[3 + j] + t[i * 3 + 2] * r[6 + j], 1e-6);

    while (tick_count <= race_start_tick) race_step();   // the tick of the start: nothing falls yet
    EXPECT_EQ(gate_drop[g], 1.0f);
    race_step();
    EXPECT_FLOAT_EQ(gate_drop_speed[g], 0.25f);
    EXPECT_FLOAT_EQ(gate_drop[g], 1 - 0.25f / 128);

    s.last_hit_tick = tick_count;   // a rider leans on it in this tick
    const float held = gate_drop[g];
    race_step();
    EXPECT_EQ(gate_drop_speed[g], 0.0f);
    EXPECT_EQ(gate_drop[g], held);
    race_step();   // resumes from rest
    EXPECT_FLOAT_EQ(gate_drop_speed[g], 0.25f);

    float fastest = 0;
    while (gate_drop[g] > 0) {
        race_step();
        fastest = std::max(fastest, gate_drop_speed[g]);
    }
    EXPECT_EQ(fastest, 8.0f);
    // Down: the ground's own orientation, kept.
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(s.orientation[k], t[k], 1e-6);
    s.orientation[0] = 5;
    race_step();
    EXPECT_EQ(s.orientation[0], 5);
}

TEST_F(RaceStep, TelemetryClearsTheRingsFirst)
{
    rider(0, CONTROLLER_LOCAL, 60, 60);
    telemetry_on = 1;
    for (auto &ring : telemetry_rings)
        for (float &v : ring) v = 77;
    race_step();
    EXPECT_EQ(telemetry_index, 1);
    for (auto &ring : telemetry_rings) EXPECT_EQ(ring[TELEMETRY_SAMPLES - 1], 0.0f);
    telemetry_index = TELEMETRY_SAMPLES - 1;
    race_step();
    EXPECT_EQ(telemetry_index, 0);   // wraps without clearing
    EXPECT_EQ(telemetry_rings[0][5], 0.0f);
}

int g_standings_ticks[8];
int g_standings_calls;
void count_standings(void)
{
    if (g_standings_calls < 8) g_standings_ticks[g_standings_calls] = tick_count;
    ++g_standings_calls;
}

TEST_F(RaceStep, OnlineFalseStartAndStandings)
{
    bike *b = rider(0, CONTROLLER_LOCAL, 60, 60);
    net_socket = 3;   // online as far as the race step can tell
    race_slot = 0;    // in the line-up
    local_slot = 0;
    tick_count = 500;
    race_start_tick = 600;
    g_standings_calls = 0;
    race_set_standings_hook(count_standings);
    const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
    for (int k = 0; k < 3; ++k) start_position[k] = (float)p[k];
    false_start_hold = 0;
    console_clear();

    race_step();
    EXPECT_EQ(false_start_hold, 0);   // standing still on the line
    EXPECT_EQ(b->input.dab, 1.0f);
    bike_translate(b, 3, 0, 0);
    const int at = tick_count;
    race_step();
    EXPECT_EQ(false_start_hold, (int)(15 / tick) + race_start_tick - at);
    EXPECT_EQ(console_count("15 second false start penalty"), 1);
    b->input.throttle = 1;
    b->input.clutch = 1;
    race_step();
    EXPECT_EQ(false_start_hold, (int)(15 / tick) + race_start_tick - at - 1);
    EXPECT_EQ(b->input.throttle, 0.0f);
    EXPECT_EQ(b->input.front_brake, 1.0f);
    EXPECT_EQ(b->input.rear_brake, 1.0f);
    EXPECT_EQ(b->input.clutch, 0.0f);
    while (tick_count < 1030) race_step();
    EXPECT_EQ(console_count("15 second false start penalty"), 1);
    EXPECT_TRUE(ride_finite(b));
    ASSERT_EQ(g_standings_calls, 2);
    EXPECT_EQ(g_standings_ticks[0], 511);
    EXPECT_EQ(g_standings_ticks[1], 1023);
}

TEST_F(RaceStep, OfflineHasNoStartRuleAndNoStandings)
{
    bike *b = rider(0, CONTROLLER_LOCAL, 60, 60);
    tick_count = 500;
    race_start_tick = 2000;
    g_standings_calls = 0;
    race_set_standings_hook(count_standings);
    false_start_hold = 0;
    bike_translate(b, 5, 0, 0);
    while (tick_count < 1030) race_step();
    EXPECT_EQ(false_start_hold, 0);
    EXPECT_EQ(g_standings_calls, 0);
}

// A start tick and a time limit near the int's top (a demo head or a peer may give them): the
// start gates, the back-up pulses and the timed race compare ticks without overflowing.
TEST_F(RaceStep, StartAndLimitNearTheIntsTop)
{
    const int g = start_gate(30, 30, 0.5f, 1.0f);
    bike *local = rider(0, CONTROLLER_LOCAL, 60, 60);
    rider(1, CONTROLLER_REMOTE, 30, 31);   // a replayed rider on the gate knocks it
    local->input.back_up = 1;
    struct Case { int start, limit; };
    const Case cases[] = {{2147483000, 2147483647}, {2147483647, 0}, {1 << 30, 1 << 30}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.start);
        tick_count = 500;
        race_start_tick = c.start;
        race_time_limit = c.limit;
        race_laps = c.limit ? 1000000 : 3;
        race_laps_chosen = 3;
        estimated_laps = 1000000;
        for (int k = 0; k < 4; ++k) race_step();
        standings_update();
        EXPECT_EQ(gate_drop[g], 1.0f);   // long before the start: the gate stands
        EXPECT_EQ(estimated_laps, 1000000);
        EXPECT_EQ(race_laps, c.limit ? 1000000 : 3);
        EXPECT_TRUE(ride_finite(local));
    }
}

TEST_F(RaceStep, ErosionRestoresTheEditLock)
{
    bike *b = rider(0, CONTROLLER_LOCAL, 60, 60);
    b->input.throttle = 1;
    erode_level = 1024;
    for (int lock : {0, 1}) {
        h->ground.t->edit_lock = lock;
        for (int i = 0; i < 20; ++i) race_step();
        EXPECT_EQ(h->ground.t->edit_lock, lock);
    }
    erode_level = 0;
}

TEST_F(RaceStep, OffCourseTable)
{
    // The leader passed gates 0..5 ten seconds apart; the tested rider is in slot 1.
    bike *leader = rider(0, CONTROLLER_REMOTE, 30, 30);
    bike *other = rider(1, CONTROLLER_REMOTE, 60, 30);
    standings_count = 2;
    standings[0] = {0, 6, 0};
    standings[1] = {1, 3, 0};
    race_start_tick = 0;
    for (int n = 0; n < 6; ++n) bike_record_gate_time(leader, n, 1280 * (n + 1));
    bike_set_gate_index(leader, 6);
    leader->gate_index = 6;
    off_course_bias = 10, off_course_scale = 1.5f;
    struct Case {
        const char *name;
        int gate;           // tested at
        int previous_time;  // the rider's time at gate - 1, -1 none
        int now;            // tick count, the rider has not reached the gate
        int want;
    };
    // The leader took 1280 ticks (10 s) from gate 2 to 3: the limit is 10 x 1.5 + 10 = 25 s.
    const Case cases[] = {
        {"within the limit", 3, 3840, 3840 + 3199, 0},
        {"at the limit", 3, 3840, 3840 + 3200, 1},
        {"no time at the gate before: from an earlier one", 3, -1, 2560 + 3200, 1},
        {"nobody ahead of the gate", 6, 3840, 100000, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        other->gate_times.count = 0;
        if (c.gate - 2 >= 0) bike_record_gate_time(other, c.gate - 2, c.gate >= 2 ? 2560 : 0);
        if (c.previous_time >= 0) bike_record_gate_time(other, c.gate - 1, c.previous_time);
        other->gate_index = c.gate;
        tick_count = c.now;
        EXPECT_EQ(rider_off_course_at(other, c.gate), c.want);
    }
    // Offline, nobody is skipped.
    EXPECT_EQ(rider_off_course_skip(leader, other), 0);
    tick_count = 1000;
}

}   // namespace
