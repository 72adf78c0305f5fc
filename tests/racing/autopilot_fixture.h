// tests/racing/autopilot_fixture.h — robots on the race fixture's flat field: a bike posed and
// set moving by hand, a path written straight into it, and a small line store of straight lines
// along -z that all join one another.
#pragma once
#include <vector>

#include "race_fixture.h"
#include "racing/autopilot.h"
#include "racing/lines.h"

struct RobotField : RaceField {
    std::vector<learned_line> store;
    std::vector<int> chains;
    std::vector<std::vector<line_sample>> owned;

    void TearDown() override;
    // A robot of that personality in the slot, at rest at (x, z) facing -z.
    bike *robot(int slot, int personality, float x, float z);
    // Poses the frame body at p moving with velocity v (the other bodies stay).
    static void pose(bike *b, const float p[3], const float v[3]);
    // The robot's path becomes these samples, the look-ahead index i.
    static void set_path(bike *b, const std::vector<line_sample> &samples, int index);
    // A store of f first-lap and p lap sections, every slot empty.
    void make_store(int f, int p);
    // Slot j of a section gets samples and statistics; its id is 100 x section + j + 1.
    learned_line *put_line(int section, int slot, const std::vector<line_sample> &samples, int tested,
                           int section_time_sum, int two_section_time_sum);
};

// n samples along -z from (x, y, z0), step ft apart, at one speed.
std::vector<line_sample> straight_samples(int n, float x, float y, float z0, float step, float speed);
