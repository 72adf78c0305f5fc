// The dab and auto-align. The roll push acts 4 ft up the frame; the frame's body z axis points
// to the rear, so its roll rate is ω.z in body coordinates and a positive lean is to the left.
#include "bike/dab.h"

#include <algorithm>
#include <cmath>

#include "bike/bike_record.h"
#include "bike/ground_contact.h"
#include "bike/physics_step.h"
#include "bike/setters.h"
#include "bike/small_ops.h"
#include "bike/steering.h"
#include "shell/race_clock.h"
#include "shell/rider_slots.h"
#include "terrain/lap_gates.h"
#include "terrain/learned_line.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include "terrain/timing_gates.h"

static const float pi = 3.14159265358979f;

static float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Entry i of the race's gate sequence: the first lap's, then the normal lap's over and over.
static int gate_entry(int i)
{
    if (!lap_list || i < 0) return -1;
    if (i < first_lap_count) return lap_list[i];
    if (normal_lap_count <= 0) return -1;
    return lap_list[first_lap_count + (i - first_lap_count) % normal_lap_count];
}

// The store section of running section n.
static int store_section(int n)
{
    const int f = first_lap_switch_count, p = normal_lap_switch_count;
    if (n < f) return n;
    return p > 0 ? f + (n - f) % p : -1;
}

// The section's line with samples and the fewest ticks, or null.
static const learned_line *best_line(int section)
{
    if (!line_store || section < 0) return nullptr;
    const learned_line *best = nullptr;
    for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) {
        const learned_line *l = &line_store[section * LINE_SLOTS_PER_SECTION + i];
        if (l->sample_count > 0 && l->samples && (!best || l->section_time < best->section_time)) best = l;
    }
    return best;
}

static float distance2(const line_sample &s, const dReal *p)
{
    const float dx = s.x - (float)p[0], dy = s.y - (float)p[1], dz = s.z - (float)p[2];
    return dx * dx + dy * dy + dz * dz;
}

// The point 4 samples past the one nearest the frame on the best line of running section n;
// 0 when the section has no line.
static int line_aim(const dReal *frame, int n, float out[3], int tries)
{
    const learned_line *l = best_line(store_section(n));
    if (!l) return 0;
    int nearest = 0;
    for (int i = 1; i < l->sample_count; ++i)
        if (distance2(l->samples[i], frame) < distance2(l->samples[nearest], frame)) nearest = i;
    // At the line's last sample the bike has left this section: look in the next one.
    if (nearest == l->sample_count - 1 && tries > 0) return line_aim(frame, n + 1, out, tries - 1);
    int i = nearest + 4;
    if (i >= l->sample_count) {
        const learned_line *next = best_line(store_section(n + 1));
        if (next) {
            const line_sample &s = next->samples[std::min(i - l->sample_count, next->sample_count - 1)];
            out[0] = s.x, out[1] = s.y, out[2] = s.z;
            return 1;
        }
        i = l->sample_count - 1;
    }
    out[0] = l->samples[i].x, out[1] = l->samples[i].y, out[2] = l->samples[i].z;
    return 1;
}

// 4 samples past the one nearest the frame on the robot's own path; 0 without a path.
static int own_path_aim(bike *b, const dReal *frame, float out[3])
{
    const line_sample *s = (const line_sample *)b->line_record.items;
    const int count = b->line_record.count;
    if (count <= 0 || !s) return 0;
    int nearest = 0;
    for (int i = 1; i < count; ++i)
        if (distance2(s[i], frame) < distance2(s[nearest], frame)) nearest = i;
    const line_sample &a = s[std::min(nearest + 4, count - 1)];
    out[0] = a.x, out[1] = a.y, out[2] = a.z;
    return 1;
}

void bike_aim_point(bike *b, int section_offset, float out[3])
{
    const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
    if (own_path_aim(b, p, out)) return;
    const int section = std::max(race_count_plain_gates(b->gate_index) - 1, 0) + section_offset;
    if (line_aim(p, section, out, 1)) return;
    const int entry = gate_entry(b->gate_index);
    const int gate = entry < 0 ? -1 : entry % LAP_NO_SWITCH;
    if (gates && gate >= 0 && gate < gate_count) {
        for (int k = 0; k < 3; ++k) out[k] = gates[gate].centre[k];
        return;
    }
    for (int k = 0; k < 3; ++k) out[k] = (float)p[k];
}

// The leader has finished and this rider's last whole lap closed after the leader's finish.
static int leader_finished(bike *b)
{
    if (race_laps <= 0 || standings_count <= 0) return 0;
    const int first = race_first_lap_gates(), per_lap = race_gates_per_lap();
    const int final_gate = (race_laps - 1) * per_lap + first - 1;
    const standings_entry &leader = standings[0];
    if (leader.gates <= final_gate || leader.slot < 0 || leader.slot >= 160) return 0;
    bike *lb = bike_slot_table[leader.slot];
    if (!lb) return 0;
    const int leader_time = bike_get_gate_time(lb, final_gate);
    if (leader_time < 0) return 0;
    int own = -1;
    if (b->gate_index >= first && first > 0) {
        const int laps = per_lap > 0 ? (b->gate_index - first) / per_lap : 0;
        own = bike_get_gate_time(b, first - 1 + laps * per_lap);
    }
    return own >= 0 && leader_time <= own;
}

// Turns the bike on the spot toward its aim point. 1 when the step ends here.
static int auto_align(bike *b)
{
    dBodyID frame = b->bodies[BODY_FRAME];
    dVector3 z;
    dBodyVectorToWorld(frame, 0, 0, 1, z);
    float hx = (float)z[0], hz = (float)z[2];
    const float h2 = hx * hx + hz * hz;
    if (!(h2 > 1.0f / 1024)) return 0;
    const float hl = std::sqrt(h2);
    hx /= hl, hz /= hl;
    float aim[3];
    bike_aim_point(b, 0, aim);
    const dReal *p = dBodyGetPosition(frame);
    const float dx = aim[0] - (float)p[0], dz = aim[2] - (float)p[2];
    const float along = hx * dx + hz * dz, side = hz * dx - hx * dz;
    const float rate = b->bump_timer < 0 ? pi : pi / 2;
    const float limit = 320 * b->total_mass;
    const float up[3] = {0, 1, 0};
    // An aim point to the right (side > 0) turns the bike clockwise seen from above.
    const float velocity = side > 0 ? -rate : rate;
    if (along >= 0 || std::fabs(side) >= -0.25f * along) {
        bike_axis_motor(frame, up, 0, velocity, limit);
        for (const wheel_record &w : b->wheels)
            if (w.depth > 0) dBodyAddForce(w.body, 0, 32 * b->total_mass, 0);
        return 1;
    }
    bike_axis_motor(frame, up, 0, velocity, std::fabs(side * 0.25f / along) * limit);
    return 0;
}

// The lean (rad, times 1.25) below which the push fades out, by speed.
static float lean_limit(const bike *b, float v)
{
    const float md = b->tuning.max_dab_speed_fps, angle = b->tuning.roll_limit_angle;
    float limit;
    if (v >= md) {
        limit = 2 * pi;
    } else if (v <= 15) {
        const float q = md > 0 ? clampf(v * v / (md * md), 0, 1) : 1;
        limit = (1 - std::pow(1 - q, 32.0f)) * angle;
    } else {
        limit = angle + (2 * pi - angle) * clampf((v * v - 225) / (md * md - 225), 0, 1);
    }
    return limit * 1.25f;
}

static void roll_push(bike *b, float v, float lean)
{
    dBodyID frame = b->bodies[BODY_FRAME];
    dVector3 w;
    const dReal *wa = dBodyGetAngularVel(frame);
    dBodyVectorFromWorld(frame, wa[0], wa[1], wa[2], w);
    const float a = std::fabs(lean);
    float r = lean >= 0 ? -pi / 8 : pi / 8;
    if ((b->option_flags & OPTION_AUTO_DAB) && b->bump_timer < 0) r *= 3;
    if (a < pi / 16) r *= a * 16 / pi;
    float f = 0;
    if (r > 0 && r > (float)w[2]) f = -400;
    else if (r < 0 && r < (float)w[2]) f = 400;
    if (a < pi / 32) f *= a * 32 / pi;

    if (b->input.back_up < 0.125f || v > 5) {
        float s = b->input.steer;
        if (r >= 0) s = -s;
        const float k = clampf(2 * (s - 0.5f), 0, 1);
        const float m = clampf((a - lean_limit(b, v)) / 0.25f, 0, 1);
        f *= m + (1 - m) * k;
        if (v > 5) f *= lock_nearness;
    }
    if (f == 0) return;
    dVector3 u;
    dBodyVectorToWorld(frame, 0, 1, 0, u);
    if (u[1] < 0.707) {
        dBodyAddForceAtRelPos(frame, 0, std::fabs(f), 0, 0, 4, 0);
    } else {
        dBodyAddForceAtRelPos(frame, 0, std::fabs(f) / 8, 0, 0, 4, 0);
        dBodyAddRelForceAtRelPos(frame, f, 0, 0, 0, 4, 0);
    }
}

void bike_dab_step(bike *b)
{
    bike_inputs &in = b->input;
    if (b->crash_counter > 0) {
        in.foot_down = std::min(in.foot_down + 8 * (float)tick, 1.0f);
        return;
    }
    if (in.dab == 0) return;
    dBodyID frame = b->bodies[BODY_FRAME], rider = b->bodies[BODY_RIDER];
    if (b->wheels[WHEEL_FRONT].depth <= 0) {
        // A foot can only reach ground within a leg's length or so of the rider.
        const dReal *r = dBodyGetPosition(rider);
        const float centre[3] = {(float)r[0], (float)r[1], (float)r[2]};
        float point[3], normal[3], depth;
        if (!terrain_ptr || !sphere_terrain_contact(terrain_ptr, centre, b->info.rider_position[1] + 1, point, normal,
                                                    &depth))
            return;
    }
    const dReal *fv = dBodyGetLinearVel(frame);
    const float v = (float)std::sqrt(fv[0] * fv[0] + fv[1] * fv[1] + fv[2] * fv[2]);
    float vmax = b->tuning.max_dab_speed_fps;
    if (b->bump_timer <= -512) vmax = std::max(vmax, 75.0f);
    if (v > vmax) return;
    const float lean = bike_get_lean_angle(frame);
    if (v > 15 && !(b->wheels[0].depth > 0 && b->wheels[1].depth > 0 && std::fabs(lean) >= 0.5890486f)) return;

    in.foot_down = std::min(in.foot_down + 8 * (float)tick, 1.0f);
    if (b->option_flags2 & OPTION2_ARCADE) return;

    if (v >= 5) {
        if (b->bump_timer > 0) return;
    } else {
        const float a = std::fabs(lean);
        if (a > pi / 8 && a < 1.0995574f && tick_count >= race_start_tick && b->gate_index > 0 && !b->finished) {
            if (leader_finished(b)) {
                b->finished = 1;
            } else if ((b->option_flags & OPTION_AUTO_ALIGN) && in.back_up <= 0.125f) {
                if (auto_align(b)) return;
            }
        }
    }
    roll_push(b, v, lean);
}
