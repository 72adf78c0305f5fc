// tools/track_plans.h — the plans of the default tracks and the course each plan gives; the
// generator builds the tracks from them and the content tests ride the same courses.
#pragma once
#include "tools/track_course.h"
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace gen {

struct track_plan {
    const char *folder;
    const char *long_name;
    int depth;             // grid_dim = 2^(depth+1) + 1
    double cell;           // ft
    course_spec course;
    ground_spec land;
    double finish_at[2];   // world x, z near which the finish line crosses the loop
    double join_at[2];     // and near which the start straight joins it
    int start_count, trees;
    std::uint32_t seed;
    double sun_ahead_degrees;   // a low sun this high straight ahead of the start; 0: the usual sun
};

// Points in a 2048-unit plan, scaled onto the world.
inline std::vector<double> scaled(std::initializer_list<double> plan, double k)
{
    std::vector<double> v;
    for (double p : plan) v.push_back(p * k);
    return v;
}

inline track_plan main_track()
{
    const double k = 0.75;   // plan units to feet: a 1536 ft world
    track_plan t;
    t.folder = "ridgeback";
    t.long_name = "Ridgeback MX";
    t.depth = 9;
    t.cell = 1.5;
    t.course.loop_points = scaled({300, 300, 900, 260, 1500, 300, 1760, 420, 1800, 700, 1600, 820, 1100, 780,
                                   700, 820, 560, 1000, 700, 1180, 1200, 1150, 1650, 1150, 1800, 1350, 1750, 1650,
                                   1450, 1780, 1100, 1700, 800, 1780, 450, 1780, 260, 1550, 300, 1200},
                                  k);
    t.course.spur_points = scaled({340, 520, 620, 505, 900, 470, 1100, 400}, k);
    t.course.spur_join_s = 0;   // set from the geometry below
    t.course.half_width = 12;
    t.course.spur_start_half_width = 36;
    t.course.corner_reach = 85;
    t.course.finish_s = 0;      // likewise
    t.course.sand_from = t.course.sand_to = -1;
    t.course.wanted = {FEAT_DOUBLE, FEAT_RHYTHM, FEAT_TABLETOP, FEAT_WHOOPS, FEAT_STEPUP, FEAT_TABLETOP, FEAT_DOUBLE,
                       FEAT_RHYTHM};
    t.land = {11, 34, 420, 45};
    t.finish_at[0] = 300 * k, t.finish_at[1] = 760 * k;
    t.join_at[0] = 1300 * k, t.join_at[1] = 282 * k;
    t.start_count = 20;
    t.trees = 420;
    t.seed = 2024;
    t.sun_ahead_degrees = 0;
    return t;
}

inline track_plan practice_track()
{
    const double k = 0.25;   // a 512 ft world
    track_plan t;
    t.folder = "ridgeback-practice";
    t.long_name = "Ridgeback Practice";
    t.depth = 7;
    t.cell = 2.0;
    t.course.loop_points = scaled({380, 420, 1660, 420, 1660, 1040, 1160, 1160, 1660, 1300, 1660, 1640, 380, 1640}, k);
    t.course.half_width = 11;
    t.course.spur_start_half_width = 11;
    t.course.corner_reach = 70;   // turns wide enough that a robot does not all but stop and topple in them
    t.course.spur_join_s = 0;
    t.course.finish_s = 0;
    t.course.sand_from = t.course.sand_to = -1;
    // A table-top, not a double, on the short last straight: a rider who cannot reach the
    // double's speed out of the turn before it drops into its gap nose first; a table he rolls.
    t.course.wanted = {FEAT_TABLETOP, FEAT_RHYTHM, FEAT_TABLETOP};
    t.land = {12, 6, 160, 12, 40, 12};   // a taller bank: a clear run across the loop reaches it at 60 mph
    t.finish_at[0] = 700 * k, t.finish_at[1] = 420 * k;
    t.join_at[0] = t.join_at[1] = 0;
    t.start_count = 8;
    t.trees = 40;
    t.seed = 77;
    t.sun_ahead_degrees = 14;   // riders leave the line into the sun
    return t;
}

// Loop distance of the sample closest to (x, z).
inline double loop_s_near(const std::vector<course_sample> &loop, double x, double z)
{
    double best = 1e30, s = 0;
    for (const course_sample &k : loop) {
        double d = std::hypot(k.x - x, k.z - z);
        if (d < best) best = d, s = k.s;
    }
    return s;
}

// The course of a plan. Where the start straight joins and where the finish line sits follow
// from the plan's points; they are written into the plan, which the course points at.
inline course track_course(track_plan &plan)
{
    std::vector<course_sample> plain_loop =
        sample_curve(sharpen(plan.course.loop_points, true, plan.course.corner_reach), true, 0);
    plan.course.finish_s = loop_s_near(plain_loop, plan.finish_at[0], plan.finish_at[1]);
    if (!plan.course.spur_points.empty()) plan.course.spur_join_s = loop_s_near(plain_loop, plan.join_at[0], plan.join_at[1]);
    return build_course(plan.course);
}

}   // namespace gen
