#include "bike_fixture.h"
#include "bike/setters.h"
#include "racing/race.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"
#include <cmath>

static const float pi = 3.14159265358979f;

TEST_F(BikeWorld, SettersClampToTheirRanges)
{
    bike *b = make();
    typedef void (*set_fn)(bike *, float);
    typedef float (*get_fn)(bike *);
    struct Case { const char *name; set_fn set; float value; get_fn get; float want; };
    const Case cases[] = {
        {"throttle high", bike_set_throttle, 1.5f, [](bike *x) { return x->input.throttle; }, 1},
        {"throttle nan", bike_set_throttle, NAN, [](bike *x) { return x->input.throttle; }, 0},
        {"clutch low", bike_set_clutch, -1, [](bike *x) { return x->input.clutch; }, 0},
        {"front brake", bike_set_front_brake, 0.5f, [](bike *x) { return x->input.front_brake; }, 0.5f},
        {"rear brake", bike_set_rear_brake, 3, [](bike *x) { return x->input.rear_brake; }, 1},
        {"steer", bike_set_steer, -4, [](bike *x) { return x->input.steer; }, -1},
        {"dab", bike_set_dab, 2, [](bike *x) { return x->input.dab; }, 1},
        {"back up", bike_set_back_up, 0.25f, [](bike *x) { return x->input.back_up; }, 0.25f},
        {"lean", bike_set_lean, -2, [](bike *x) { return x->input.lean; }, -1},
        {"roll damping", bike_set_roll_damping, 101, bike_get_roll_damping, 100},
        {"leveling", bike_set_leveling, -5, bike_get_leveling, 0},
        {"roll limit factor", bike_set_roll_limit_factor, 65, bike_get_roll_limit_factor, 64},
        {"roll limit angle", bike_set_roll_limit_angle, 4, bike_get_roll_limit_angle, pi},
        {"steering damping", bike_set_steering_damping, 50, bike_get_steering_damping, 50},
        {"steering strength", bike_set_steering_strength, 200, bike_get_steering_strength, 100},
        {"max steering force", bike_set_max_steering_force, 2000, bike_get_max_steering_force, 1000},
        {"direct steering", bike_set_direct_steering, 1.5f, bike_get_direct_steering, 1},
        {"slow damping speed", bike_set_slow_damping_speed, -1, bike_get_slow_damping_speed, 0},
        {"slow damping factor", bike_set_slow_damping_factor, 0, bike_get_slow_damping_factor, 1},
        {"land falloff", bike_set_land_damping_falloff, 1, [](bike *x) { return x->tuning.land_damping_falloff; }, 0.5f},
        {"land factor", bike_set_land_damping_factor, 0, [](bike *x) { return x->tuning.land_damping_factor; }, 1},
        {"auto clutch", bike_set_auto_clutch_rpms, 6000, [](bike *x) { return x->tuning.auto_clutch_rpms; }, 5000},
        {"front brake torque", bike_set_brake_torque, 600, [](bike *x) { return x->tuning.front_brake_torque; }, 500},
        {"rear brake torque", bike_set_rear_brake_torque, -1, [](bike *x) { return x->tuning.rear_brake_torque; }, 0},
        {"max dab speed", bike_set_max_dab_speed, 1, [](bike *x) { return x->tuning.max_dab_speed_fps; }, 7},
        {"full lock speed", bike_set_full_lock_speed, 0, [](bike *x) { return x->tuning.full_lock_speed; }, 1},
        {"restricted lock speed", bike_set_restricted_lock_speed, 101, [](bike *x) { return x->tuning.restricted_lock_speed; }, 100},
        {"restricted lock", bike_set_restricted_lock, 1, [](bike *x) { return x->tuning.restricted_lock; }, pi / 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.set(b, c.value);
        EXPECT_FLOAT_EQ(c.get(b), c.want);
    }

    // While the rider is down, throttle, dab, back-up and lean store 0; the others still act.
    b->crash_counter = 5;
    set_fn zeroed[] = {bike_set_throttle, bike_set_dab, bike_set_back_up, bike_set_lean};
    for (set_fn f : zeroed) f(b, 1);
    EXPECT_EQ(b->input.throttle, 0);
    EXPECT_EQ(b->input.dab, 0);
    EXPECT_EQ(b->input.back_up, 0);
    EXPECT_EQ(b->input.lean, 0);
    bike_set_front_brake(b, 1);
    EXPECT_EQ(b->input.front_brake, 1);
    bike_destroy(b);
}

TEST_F(BikeWorld, DefaultsAndOptionBits)
{
    bike *b = make();
    EXPECT_EQ(b->option_flags, 141);
    EXPECT_EQ(bike_get_option_bit0(b), 1);
    EXPECT_EQ(bike_get_stop_wheelies(b), 2);
    EXPECT_EQ(bike_get_front_brake_aid(b), 1);
    EXPECT_EQ(bike_get_rear_brake_aid(b), 0);
    EXPECT_EQ(bike_get_auto_shift(b), 0);
    EXPECT_EQ(bike_get_auto_dab(b), 0);
    EXPECT_EQ(bike_get_auto_align(b), 1);
    EXPECT_EQ(bike_get_arcade(b), 0);
    EXPECT_FLOAT_EQ(b->tuning.roll_damping, 60);
    EXPECT_FLOAT_EQ(b->tuning.restricted_lock, 0.0872665f);
    EXPECT_FLOAT_EQ(b->tuning.max_dab_speed_fps, 30);
    // Fork (1, 0, 1, 0, 0.5, 0.5, 0); shock 2 x bases, rebound offset 1 x its base.
    EXPECT_FLOAT_EQ(b->fork.compression, 60);
    EXPECT_FLOAT_EQ(b->fork.slow_compression, 0);
    EXPECT_FLOAT_EQ(b->fork.spring_rate, (376.3026f + 913.8778f) / 2);
    EXPECT_FLOAT_EQ(b->fork.oil_level, 0.4167f);
    EXPECT_FLOAT_EQ(b->shock.compression, 1600);
    EXPECT_FLOAT_EQ(b->shock.rebound, 1300);
    EXPECT_FLOAT_EQ(b->shock.slow_rebound, 150);
    EXPECT_FLOAT_EQ(b->shock.preload, 0.3333f / 2);
    EXPECT_FLOAT_EQ(b->rider_vertical_damping, 0.75f);

    // Each option setter keeps only its own bits: the low bit(s) of its argument.
    bike_set_stop_wheelies(b, 7);
    EXPECT_EQ(bike_get_stop_wheelies(b), 3);
    bike_set_stop_wheelies(b, 0);
    bike_set_auto_shift(b, 3);
    bike_set_auto_dab(b, 2);
    bike_set_front_brake_aid(b, 0);
    bike_set_rear_brake_aid(b, 1);
    bike_set_option_bit0(b, 0);
    bike_set_arcade(b, 5);
    EXPECT_EQ(b->option_flags, 128 + 32 + 16);
    EXPECT_EQ(b->option_flags2, 1);

    bike_set_spring_setup(b, 10, -3, 0, 2, 2, -1, 1);
    EXPECT_FLOAT_EQ(b->fork.compression, 240);
    EXPECT_FLOAT_EQ(b->fork.slow_compression, -60);
    EXPECT_FLOAT_EQ(b->fork.rebound, 8);
    EXPECT_FLOAT_EQ(b->fork.slow_rebound, 30);
    EXPECT_FLOAT_EQ(b->fork.spring_rate, 913.8778f);
    EXPECT_FLOAT_EQ(b->fork.preload, 0);
    EXPECT_FLOAT_EQ(b->fork.oil_level, 0.25f);
    bike_set_shock_setup(b, 1, 1, 1, -1, 0, 1);
    EXPECT_FLOAT_EQ(b->shock.slow_compression, 200);
    EXPECT_FLOAT_EQ(b->shock.slow_rebound, -150);
    EXPECT_FLOAT_EQ(b->shock.spring_rate, 2486.2852f);
    bike_set_rider_springs(b, 2, -1);
    bike_set_rider_dampers(b, 0.5f, 9);
    EXPECT_EQ(b->rider_vertical_spring, 1);
    EXPECT_EQ(b->rider_forward_spring, 0);
    EXPECT_EQ(b->rider_forward_damping, 1);

    // Mass distribution moves rider mass onto the frame and back; the total stays.
    bike_set_mass_distribution(b, 0.9f);
    dMass frame, rider;
    dBodyGetMass(b->bodies[BODY_FRAME], &frame);
    dBodyGetMass(b->bodies[BODY_RIDER], &rider);
    EXPECT_NEAR(rider.mass, 0.5 * 5.46875, 1e-5);
    EXPECT_NEAR(frame.mass + rider.mass, 4.735 + 5.46875, 1e-5);
    bike_destroy(b);
}

TEST_F(BikeWorld, SprocketsAndShifting)
{
    bike *b = make();
    struct Case { float front, rear; float want; };
    const Case cases[] = {
        {0, 0, 48.0f / 13}, {-3, 3, 50.0f / 11}, {2, -2, 46.0f / 15}, {0.5f, 0.5f, 48.0f / 13},
    };
    for (const Case &c : cases) {
        bike_set_sprockets(b, c.front, c.rear);
        EXPECT_FLOAT_EQ(b->final_drive, c.want) << c.front << " " << c.rear;
    }
    b->info.front_teeth = 2;
    b->info.rear_teeth = 1;
    bike_set_sprockets(b, 0, 0);   // fewer than 3 teeth count as 3
    EXPECT_FLOAT_EQ(b->final_drive, 1);

    // A held input shifts once; a five-speed model (sixth ratio -1) tops out at index 4.
    for (int tick = 0; tick < 50; ++tick) bike_shift_gear(b, 1);
    EXPECT_EQ(b->gear, 1);
    for (int i = 0; i < 10; ++i) {
        bike_shift_gear(b, 0);
        bike_shift_gear(b, 1);
    }
    EXPECT_EQ(b->gear, 4);
    bike_shift_gear(b, 0);
    bike_shift_gear(b, 2);   // outside -1..1: ignored, and not remembered
    bike_shift_gear(b, -1);
    EXPECT_EQ(b->gear, 3);
    b->crash_counter = 1;
    bike_shift_gear(b, 0);
    bike_shift_gear(b, 1);
    EXPECT_EQ(b->gear, 3);
    bike_set_gear(b, 9);
    EXPECT_EQ(bike_get_gear(b), 4);
    b->info.gear_ratios[1] = 0;
    bike_set_gear(b, 1);
    EXPECT_EQ(bike_get_gear(b), 0);
    bike_destroy(b);
}

TEST_F(BikeWorld, Personality)
{
    bike *b = make();
    struct Case { const char *name; int want; };
    const Case cases[] = {{"tester", 4}, {"hugo", 1}, {"dorian", 2}, {"ezra", 3}, {"empty", 1}, {"Tester", 1}, {nullptr, 1}};
    for (const Case &c : cases) {
        b->personality = 0;
        bike_set_autopilot_personality(b, c.name);
        EXPECT_EQ(b->personality, c.want) << (c.name ? c.name : "(null)");
    }
    bike_destroy(b);
}

// A race of F = 3 first-lap gates and P = 2 per further lap, 3 laps.
class BikeRace : public BikeWorld {
protected:
    void SetUp() override
    {
        BikeWorld::SetUp();
        first_lap_count = 3;
        normal_lap_count = 2;
        race_laps = 3;
        race_start_tick = 100;
        track_name = "race";
        standings_count = 0;
    }
    void TearDown() override
    {
        first_lap_count = normal_lap_count = 0;
        race_laps = 0;
        race_start_tick = 0;
        track_name = nullptr;
        standings_count = 0;
        for (bike *&slot : bike_slot_table) slot = nullptr;
        BikeWorld::TearDown();
    }
    static void pass(bike *b, int gates, int first_tick, int step)
    {
        for (int g = 0; g < gates; ++g) bike_record_gate_time(b, g, first_tick + g * step);
        bike_set_gate_index(b, gates);
    }
};

TEST_F(BikeRace, GateTimes)
{
    bike *b = make();
    for (int n : {-1, 0, 5, 1 << 20}) EXPECT_EQ(bike_get_gate_time(b, n), -1);
    bike_record_gate_time(b, 5, 900);
    EXPECT_EQ(b->gate_times.count, 6);
    for (int n = 0; n < 5; ++n) EXPECT_EQ(bike_get_gate_time(b, n), -1);
    EXPECT_EQ(bike_get_gate_time(b, 5), 900);
    bike_record_gate_time(b, 2, 800);
    EXPECT_EQ(bike_get_gate_time(b, 2), 800);
    // A packet's absurd index neither grows the list nor writes.
    bike_record_gate_time(b, 1 << 20, 1);
    bike_record_gate_time(b, -3, 1);
    EXPECT_EQ(b->gate_times.count, 6);

    b->gate_index = 6;
    b->finished = 1;
    b->mishap_flag = 1;
    bike_set_gate_index(b, 3);
    EXPECT_EQ(b->finished, 0);
    EXPECT_EQ(b->mishap_flag, 0);
    EXPECT_EQ(bike_get_gate_index(b), 3);
    EXPECT_EQ(bike_get_gate_time(b, 2), 800);
    EXPECT_EQ(bike_get_gate_time(b, 5), -1);
    bike_set_gate_index(b, -1);   // refused
    EXPECT_EQ(bike_get_gate_index(b), 3);
    b->finished = 1;
    bike_set_gate_index(b, 4);    // forward keeps the finish
    EXPECT_EQ(b->finished, 1);
    bike_destroy(b);
}

TEST_F(BikeRace, LapsAndLapTimes)
{
    bike *b = make();
    struct Case { int gate_index; int lap, lap_gate; };
    const Case cases[] = {{0, 0, 0}, {2, 0, 2}, {3, 1, 1}, {4, 1, 2}, {5, 2, 1}, {8, 3, 2}};
    for (const Case &c : cases) {
        b->gate_index = c.gate_index;
        EXPECT_EQ(bike_get_current_lap(b), c.lap) << c.gate_index;
        EXPECT_EQ(bike_get_lap_gate(b), c.lap_gate) << c.gate_index;
    }
    // Gates 0..6 at 200, 300, ..., 800: laps end at gates 2 (400), 4 (600) and 6 (800).
    pass(b, 7, 200, 100);
    EXPECT_EQ(bike_get_current_lap(b), 3);
    EXPECT_FLOAT_EQ(bike_get_lap_time(b, 1), 300 / 128.0f);
    EXPECT_FLOAT_EQ(bike_get_lap_time(b, 2), 200 / 128.0f);
    EXPECT_FLOAT_EQ(bike_get_lap_time(b, 3), 200 / 128.0f);
    EXPECT_FLOAT_EQ(bike_get_lap_time(b, -1), 200 / 128.0f);
    EXPECT_FLOAT_EQ(bike_get_lap_time(b, 4), 0);
    EXPECT_FLOAT_EQ(bike_get_lap_time(b, 0), 0);
    bike_set_gate_index(b, 5);
    EXPECT_FLOAT_EQ(bike_get_lap_time(b, -1), 200 / 128.0f);
    b->gate_times.count = 0;
    bike_record_gate_time(b, 4, 600);   // lap 2's start gate missing
    EXPECT_FLOAT_EQ(bike_get_lap_time(b, 2), 0);

    normal_lap_count = 0;   // laps not counted: lap gate is the gate index
    EXPECT_EQ(bike_get_current_lap(b), 0);
    EXPECT_EQ(bike_get_lap_gate(b), 5);
    first_lap_count = 0;    // lap 1 would end at gate -1: a missing time, not a read before the list
    normal_lap_count = 2;
    b->gate_index = 2;
    EXPECT_FLOAT_EQ(bike_get_lap_time(b, 1), 0);
    track_name = nullptr;
    EXPECT_EQ(bike_get_current_lap(b), 0);
    EXPECT_EQ(bike_get_lap_gate(b), 0);
    EXPECT_FLOAT_EQ(bike_get_lap_time(b, 1), 0);
    bike_destroy(b);
}

TEST_F(BikeRace, FinishedAtTheFirstLapEndAfterTheLeader)
{
    // The last gate of the last lap is L = 3 + 2 x 2 - 1 = 6.
    bike *leader = make(), *rider = make();
    bike_slot_table[0] = leader;
    bike_slot_table[1] = rider;
    standings[0] = standings_entry{0, 6, 0};
    standings_count = 2;
    pass(leader, 6, 200, 100);
    EXPECT_EQ(bike_update_finished(rider), 0);   // the leader has not passed L

    pass(leader, 7, 200, 100);                   // leader at L at tick 800
    standings[0].gates = 7;
    EXPECT_EQ(bike_update_finished(leader), 1);
    EXPECT_EQ(leader->finished, 1);

    pass(rider, 5, 300, 100);                    // lap 2 completed at gate 4, tick 700 < 800
    EXPECT_EQ(bike_update_finished(rider), 0);
    pass(rider, 6, 500, 100);                    // gate 5 is no lap end; gate 4 at 900 >= 800
    EXPECT_EQ(bike_update_finished(rider), 1);
    EXPECT_EQ(bike_update_finished(rider), 1);

    bike *late = make();
    bike_record_gate_time(late, 0, 5000);        // lap 0: gate index 0 is read
    EXPECT_EQ(bike_update_finished(late), 1);
    track_name = nullptr;
    late->finished = 0;
    EXPECT_EQ(bike_update_finished(late), 0);
    bike_destroy(late);
    bike_destroy(leader);
    bike_destroy(rider);
}

TEST_F(BikeRace, LapCountsNoGateListHoldsFinishNobody)
{
    // Laps come from demos and servers: a last gate beyond any bike's list is never reached, and
    // its arithmetic stays in range.
    bike *leader = make();
    bike_slot_table[0] = leader;
    pass(leader, 9, 200, 100);
    standings[0] = standings_entry{0, 2000000000, 0};
    standings_count = 1;
    struct Case { int laps, want; };
    const Case cases[] = {{3, 1}, {1000000, 0}, {INT_MAX, 0}, {INT_MAX / 2, 0}, {-5, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.laps);
        race_laps = c.laps;
        leader->finished = 0;
        EXPECT_EQ(bike_update_finished(leader), c.want);
    }
    bike_slot_table[0] = nullptr;
    standings_count = 0;
    bike_destroy(leader);
}

TEST_F(BikeRace, PlainGatesAndNumbers)
{
    int entries[] = {0, 100001, 2, 3, 100004};   // first lap 3 entries, normal lap 2
    lap_list = entries;
    struct Case { int n, want; };
    const Case cases[] = {{0, 0}, {1, 1}, {3, 2}, {4, 3}, {5, 3}, {9, 5}};
    for (const Case &c : cases) EXPECT_EQ(race_count_plain_gates(c.n), c.want) << c.n;
    normal_lap_count = 0;   // no further laps: nothing past the first counts
    EXPECT_EQ(race_count_plain_gates(9), 2);
    lap_list = nullptr;
    EXPECT_EQ(race_count_plain_gates(9), 0);

    EXPECT_EQ(demo_packet_size(4), 26);
    EXPECT_EQ(demo_packet_size(5), 39);
    EXPECT_EQ(demo_packet_size(6), 0);

    bike *b = make("42");
    bike_slot_table[7] = b;
    EXPECT_STREQ(rider_number_text(7), "42");
    EXPECT_EQ(rider_number_text(8), nullptr);
    EXPECT_EQ(rider_number_text(-1), nullptr);
    EXPECT_EQ(rider_number_text(160), nullptr);
    bike_destroy(b);
}

TEST_F(BikeWorld, SpeedAlongTheFrameAndMishap)
{
    bike *b = make();
    dBodySetLinearVel(b->bodies[BODY_FRAME], 0, 3, -10);   // forward is -z at rest
    EXPECT_NEAR(bike_get_speed_mph(b), 6.8181818f, 1e-5f);
    bike_rotate(b, 0, 1, 0, (float)M_PI / 2);              // now facing -x
    dBodySetLinearVel(b->bodies[BODY_FRAME], 10, 0, 0);
    EXPECT_NEAR(bike_get_speed_mph(b), -6.8181818f, 1e-5f);
    EXPECT_FLOAT_EQ(bike_info_max_rpm(b), 12000);
    EXPECT_STREQ(bike_get_model_name(b), "450sxf(2018)");
    EXPECT_STREQ(bike_get_engine_class(b), "450f");

    EXPECT_EQ(bike_has_mishap(b), 0);
    b->mishap_flag = 1;
    EXPECT_EQ(bike_has_mishap(b), 1);
    b->finished = 1;
    EXPECT_EQ(bike_has_mishap(b), 0);
    bike_destroy(b);
}
