#include "autopilot_fixture.h"

#include <cstring>

#include "terrain/timing_gates.h"

void RobotField::TearDown()
{
    line_store = nullptr;
    line_section_arrays = nullptr;
    first_lap_switch_count = normal_lap_switch_count = 0;
    standings_count = 0;
    RaceField::TearDown();
}

bike *RobotField::robot(int slot, int personality, float x, float z)
{
    bike *b = rider(slot, CONTROLLER_ROBOT, x, z);
    b->rider_slot = slot;
    b->personality = personality;
    return b;
}

void RobotField::pose(bike *b, const float p[3], const float v[3])
{
    dBodySetPosition(b->bodies[BODY_FRAME], p[0], p[1], p[2]);
    dBodySetLinearVel(b->bodies[BODY_FRAME], v[0], v[1], v[2]);
}

void RobotField::set_path(bike *b, const std::vector<line_sample> &samples, int index)
{
    b->line_record.count = 0;
    for (const line_sample &s : samples) growable_array_append(&b->line_record, &s);
    b->robot_state[ROBOT_LOOK_AHEAD] = index;
}

void RobotField::make_store(int f, int p)
{
    learned_line empty = {};
    empty.section_time = empty.two_section_time = LINE_TIME_NONE;
    empty.best_section_time = empty.best_two_section_time = LINE_TIME_NONE;
    store.assign((size_t)(f + p) * LINE_SLOTS_PER_SECTION, empty);
    chains.assign((size_t)3 * (f + p), 0);
    line_store = store.data();
    line_section_arrays = chains.data();
    first_lap_switch_count = f;
    normal_lap_switch_count = p;
}

learned_line *RobotField::put_line(int section, int slot, const std::vector<line_sample> &samples, int tested,
                                   int section_time_sum, int two_section_time_sum)
{
    owned.push_back(samples);
    learned_line *l = &store[(size_t)section * LINE_SLOTS_PER_SECTION + slot];
    l->samples = owned.back().data();
    l->sample_count = (int)samples.size();
    l->section_time = 300, l->two_section_time = 600;
    l->tested_count = tested;
    l->section_time_sum = section_time_sum, l->two_section_time_sum = two_section_time_sum;
    l->id = 100 * section + slot + 1;
    return l;
}

std::vector<line_sample> straight_samples(int n, float x, float y, float z0, float step, float speed)
{
    std::vector<line_sample> s;
    for (int i = 0; i < n; ++i) s.push_back({x, y, z0 - step * (float)i, speed, 0});
    return s;
}
