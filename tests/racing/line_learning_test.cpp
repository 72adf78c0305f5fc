// Line learning on the generated practice track: a scripted rider's sections are offered one
// plain gate later, a mishap spoils its section, and a robot's runs are credited to its lines or
// counted against them.
#include "timing_fixture.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "bike/setters.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "racing/gate_passing.h"
#include "racing/lines.h"
#include "racing/standings.h"
#include "terrain/track_load.h"

namespace {

struct LineLearning : TimingField {
    void SetUp() override
    {
        TimingField::SetUp();
        gates = nullptr, gate_count = 0, lap_list = nullptr;
        setenv("RL_HOME", fixture_game_dir().c_str(), 1);
        search_folders_free();
        data_files_free();
        if (!fixture_file_exists(fixture_game_dir() + "ridgeback-practice/timing_gates")) GTEST_SKIP() << "no generated content";
        timing_gates_load("@ridgeback-practice/timing_gates");
        ASSERT_TRUE(line_store);
        track_name = "ridgeback-practice";
        race_laps = race_laps_chosen = 2;
    }
    void TearDown() override
    {
        for (int i = 0; i < LINE_SLOTS_PER_SECTION * line_store_sections(); ++i) line_slot_clear(&line_store[i]);
        timing_gates_free();
        data_files_free();
        unsetenv("RL_HOME");
        TimingField::TearDown();
    }

    // Half a gate's reach past the centre of running gate g's gate, across it.
    static void gate_point(int g, float out[3])
    {
        const int f = first_lap_count, p = normal_lap_count;
        const timing_gate &gate = gates[(g < f ? lap_list[g] : lap_list[f + (g - f) % p]) % LAP_NO_SWITCH];
        const float d = std::hypot(gate.direction[0], gate.direction[2]);
        out[0] = gate.centre[0] + gate.direction[0] / d * gate.radius * 0.5f;
        out[1] = gate.centre[1] + 1;
        out[2] = gate.centre[2] + gate.direction[2] / d * gate.radius * 0.5f;
    }
    // Frame and front wheel at p, heading along (dx, dz) at that speed.
    static void place(bike *b, const float p[3], float dx, float dz, float speed)
    {
        const float d = std::hypot(dx, dz);
        dMatrix3 r;
        dRFromAxisAndAngle(r, 0, 1, 0, std::atan2(-dx, -dz));   // the bike faces -z
        dBodySetRotation(b->bodies[BODY_FRAME], r);
        dBodySetPosition(b->bodies[BODY_FRAME], p[0], p[1], p[2]);
        dBodySetPosition(b->bodies[BODY_FRONT_WHEEL], p[0], p[1], p[2]);
        dBodySetLinearVel(b->bodies[BODY_FRAME], dx / d * speed, 0, dz / d * speed);
        b->wheels[WHEEL_FRONT].depth = b->wheels[WHEEL_REAR].depth = 0;   // in flight
    }
    // Horizontal distance from p to the segment from a to c.
    static float segment_distance(const line_sample &p, const float a[3], const float c[3])
    {
        const float ux = c[0] - a[0], uz = c[2] - a[2], wx = p.x - a[0], wz = p.z - a[2];
        float t = (wx * ux + wz * uz) / (ux * ux + uz * uz);
        t = t < 0 ? 0 : t > 1 ? 1 : t;
        return std::hypot(wx - t * ux, wz - t * uz);
    }
    static int lines_in(int section)
    {
        int n = 0;
        for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) n += line_slot(section, i)->sample_count > 0;
        return n;
    }
    // Per store section the running gate at which its first line came (-1 none); gate times.
    struct ride_log { std::vector<int> offered_at; std::vector<int> times; };

    // Rides from the first start through the gates of the first lap and one gate more, 96
    // ticks a leg; mishap_leg >= 0 raises the mishap flag halfway through that leg.
    ride_log ride(bike *b, int mishap_leg)
    {
        ride_log log;
        log.offered_at.assign(line_store_sections(), -1);
        const int legs = first_lap_count + 2;
        for (tick_count = 1; tick_count < legs * 96; ++tick_count) {
            const int leg = tick_count / 96;
            const float w = (float)(tick_count % 96) / 96;
            float from[3] = {start_positions[0][0], start_positions[0][1] + 1, start_positions[0][2]}, to[3];
            if (leg > 0) gate_point(leg - 1, from);
            gate_point(leg, to);
            const float at[3] = {from[0] + (to[0] - from[0]) * w, from[1] + (to[1] - from[1]) * w,
                                 from[2] + (to[2] - from[2]) * w};
            place(b, at, to[0] - from[0], to[2] - from[2], 40);
            if (leg == mishap_leg && tick_count % 96 == 48) b->mishap_flag = 1;
            autopilot_learn(b);
            for (int s = 0; s < line_store_sections(); ++s)
                if (log.offered_at[s] < 0 && lines_in(s) > 0) log.offered_at[s] = bike_get_gate_index(b) - 1;
        }
        for (int g = 0; g < bike_get_gate_index(b); ++g) log.times.push_back(bike_get_gate_time(b, g));
        return log;
    }
};

// On this track the gate sequence alternates: odd running gates are plain and end a section.
TEST_F(LineLearning, ARidersSectionsAreOfferedOnePlainGateLater)
{
    ASSERT_EQ(first_lap_switch_count, 4);
    bike *b = rider(0, CONTROLLER_LOCAL, start_positions[0][0], start_positions[0][2]);
    bike_set_gate_index(b, 0);
    const ride_log log = ride(b, -1);
    ASSERT_GE(log.times.size(), 9u);
    EXPECT_EQ(log.offered_at, (std::vector<int>{3, 5, 7, 9, -1, -1, -1, -1}))
        << "section n - 1 comes with the gate that ends section n";
    const learned_line *first = line_slot(0, 0), *second = line_slot(1, 0);
    EXPECT_EQ(first->section_time, log.times[1]) << "the race's first section runs from tick 0";
    EXPECT_EQ(first->two_section_time, log.times[3]);
    EXPECT_EQ(second->section_time, log.times[3] - log.times[1]);
    EXPECT_EQ(second->two_section_time, log.times[5] - log.times[1]);
    EXPECT_EQ(second->tested_count, 0);
    EXPECT_NE(second->id, first->id);
    // About two legs of 96 ticks, one sample each 32 ticks, in flight here (no wheel touches),
    // on the way from running gate 1 to gate 3.
    EXPECT_GE(second->sample_count, 5);
    EXPECT_LE(second->sample_count, 7);
    float route[4][3];
    for (int g = 0; g < 4; ++g) gate_point(g, route[g]);
    for (int i = 0; i < second->sample_count; ++i) {
        const line_sample &s = second->samples[i];
        EXPECT_FLOAT_EQ(s.speed, -40);
        float nearest = 1e9f;
        for (int g = 0; g < 3; ++g) nearest = std::min(nearest, segment_distance(s, route[g], route[g + 1]));
        EXPECT_LT(nearest, 0.5f) << "sample " << i;
    }

    // A wheel on the ground makes the speed positive; the sample goes to the buffer of the
    // section's parity.
    b->finished = 0;
    bike_set_gate_index(b, 3);   // section 1
    b->wheels[WHEEL_REAR].depth = 0.1f;
    const int held = learn_buffer(b, 1)->count;
    learn_sample(b);
    ASSERT_EQ(learn_buffer(b, 1)->count, held + 1);
    EXPECT_FLOAT_EQ(((const line_sample *)learn_buffer(b, 1)->items)[held].speed, 40);
}

TEST_F(LineLearning, AMishapSpoilsItsSection)
{
    bike *b = rider(0, CONTROLLER_LOCAL, start_positions[0][0], start_positions[0][2]);
    bike_set_gate_index(b, 0);
    const ride_log log = ride(b, 3);   // in section 1, before its second gate
    EXPECT_EQ(log.offered_at, (std::vector<int>{3, -1, 7, 9, -1, -1, -1, -1}));
    EXPECT_EQ(b->mishap_flag, 0);
}

TEST_F(LineLearning, APlainGateTakenOutOfTurnOffersNothing)
{
    bike *b = rider(0, CONTROLLER_LOCAL, start_positions[0][0], start_positions[0][2]);
    times(b, {100, 200, 300});
    const line_sample s = {1, 2, 3, 30, 0};
    for (int parity = 0; parity < 2; ++parity)
        for (int i = 0; i < 5; ++i) growable_array_append(learn_buffer(b, parity), &s);
    b->line_cursor = 2;   // the odd buffer spoiled
    tick_count = 400;
    float at[3];
    gate_point(5, at);   // two gates ahead: running gate 4 is skipped
    place(b, at, 1, 0, 30);
    autopilot_learn(b);
    ASSERT_EQ(bike_get_gate_time(b, 5), 400);
    EXPECT_EQ(bike_get_gate_time(b, 4), -1);
    EXPECT_EQ(learn_buffer(b, 0)->count, 0);
    EXPECT_EQ(learn_buffer(b, 1)->count, 0);
    EXPECT_EQ(learn_buffer_spoiled(b, 1), 0);
    for (int section = 0; section < line_store_sections(); ++section) EXPECT_EQ(lines_in(section), 0);
}

TEST_F(LineLearning, ARobotsRunsAreCreditedOrFailed)
{
    bike *b = rider(0, CONTROLLER_ROBOT, start_positions[0][0], start_positions[0][2]);
    b->personality = 4;
    // One line in each of store sections 1 and 2.
    const std::vector<line_sample> some = {{0, 0, 0, 30, 0}, {0, 0, 10, 30, 0}, {0, 0, 20, 30, 0}};
    const int slot1 = line_accept(1, some.data(), 3, 0, 500, 1000);
    const int slot2 = line_accept(2, some.data(), 3, 0, 500, 1000);
    ASSERT_EQ(slot1, 0);
    ASSERT_EQ(slot2, 0);
    learned_line *one = line_slot(1, 0), *two = line_slot(2, 0);

    // Running gate 5 ends section 2: plain gates 1, 3 and 5.
    float at[3], before[3];
    gate_point(5, at), gate_point(4, before);
    const float dx = at[0] - before[0], dz = at[2] - before[2], d = std::hypot(dx, dz);
    auto along = [&](float distance, float aside, float speed) {
        return line_sample{at[0] + dx / d * distance - dz / d * aside, at[1], at[2] + dz / d * distance + dx / d * aside, speed, 0};
    };
    struct Case {
        const char *name;
        float aside, speed;            // the bike's offset from its path and its speed
        int missing_gate;              // a gate without time, -1 none
        int want_tested, want_one_failures, want_two_failures, want_ids_kept;
    };
    const Case cases[] = {
        {"on its path: a test of section 1's line", 0, 28, -1, 1, 0, 0, 1},
        {"3.9 ft aside is still on it", 3.9f, 28, -1, 1, 0, 0, 1},
        {"faster than 16/15 of the path's speed: a failure of section 2's line", 0, 32.1f, -1, 0, 0, 1, 0},
        {"4.1 ft off its path: a failure", 4.1f, 28, -1, 0, 0, 1, 0},
        {"a gate of section 1 missed: a failure", 0, 28, 3, 0, 0, 1, 0},
        {"the gate opening section 1 missed: neither", 0, 28, 1, 0, 0, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        one->tested_count = one->failure_count = two->failure_count = 0;
        one->section_time_sum = one->two_section_time_sum = 0;
        int ticks[5] = {100, 200, 300, 400, 500};
        if (c.missing_gate >= 0) ticks[c.missing_gate] = -1;
        times(b, {ticks[0], ticks[1], ticks[2], ticks[3], ticks[4]});
        b->finished = 0;
        tick_count = 640;
        const int ids[4] = {7, one->id, two->id, 9};
        for (int k = 0; k < 4; ++k) b->recent_line_ids[k] = ids[k];
        robot_path(b)->count = 0;
        for (float s : {-10.0f, 10.0f, 20.0f}) {
            const line_sample p = along(s, 0, 30);
            growable_array_append(robot_path(b), &p);
        }
        robot_look_ahead(b) = 2;
        const line_sample here = along(0, c.aside, 0);
        const float p[3] = {here.x, here.y, here.z};
        place(b, p, dx, dz, c.speed);
        autopilot_learn(b);
        ASSERT_EQ(bike_get_gate_time(b, 5), 640);
        EXPECT_EQ(one->tested_count, c.want_tested);
        EXPECT_EQ(one->failure_count, c.want_one_failures);
        EXPECT_EQ(two->failure_count, c.want_two_failures);
        if (c.want_tested) {
            EXPECT_EQ(one->section_time_sum, 400 - 200);
            EXPECT_EQ(one->two_section_time_sum, 640 - 200);
            EXPECT_EQ(one->best_two_section_time, 640 - 200);
        }
        for (int k = 0; k < 4; ++k) EXPECT_EQ(b->recent_line_ids[k], c.want_ids_kept ? ids[k] : 0);
    }
}

TEST_F(LineLearning, ARobotsMishapFailsItsLines)
{
    bike *b = rider(0, CONTROLLER_ROBOT, start_positions[0][0], start_positions[0][2]);
    b->personality = 4;
    const std::vector<line_sample> some = {{0, 0, 0, 30, 0}, {0, 0, 10, 30, 0}, {0, 0, 20, 30, 0}};
    line_accept(1, some.data(), 3, 0, 500, 1000);
    line_accept(2, some.data(), 3, 0, 500, 1000);
    learned_line *one = line_slot(1, 0), *two = line_slot(2, 0);
    struct Case { const char *name; int last_gate_tick; int want_one, want_two; };
    const Case cases[] = {
        {"long after the gate: the section's own line", 300, 0, 1},
        {"within a second of the gate: the line before it too", 600, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        one->failure_count = two->failure_count = 0;
        times(b, {100, 200, 300, c.last_gate_tick});   // in section 2, past gate 3 that ends section 1
        tick_count = 700;
        b->recent_line_ids[1] = one->id, b->recent_line_ids[2] = two->id;
        b->mishap_flag = 1;
        dBodySetPosition(b->bodies[BODY_FRONT_WHEEL], 0, 0, 0);   // far from every gate
        autopilot_learn(b);
        EXPECT_EQ(one->failure_count, c.want_one);
        EXPECT_EQ(two->failure_count, c.want_two);
        for (int id : b->recent_line_ids) EXPECT_EQ(id, 0);
        EXPECT_EQ(b->mishap_flag, 2);
    }
}

}   // namespace
