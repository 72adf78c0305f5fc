// The robot rider's tick: its option bits, the look-ahead index moving along the path, a new
// line appended when the path runs short, the start on the line, and following or recovering.
// A path keeps its room once it has grown, so a tick allocates nothing; a pick uses the line
// search's own scratch tables.
#include "racing/autopilot.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "bike/setters.h"
#include "bike/small_ops.h"
#include "bike/steering.h"
#include "data/util.h"
#include "platform/log.h"
#include "racing/autopilot_internal.h"
#include "racing/gate_passing.h"
#include "racing/lines.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "shell/globals.h"
#include "terrain/timing_gates.h"

using namespace autopilot_detail;

const personality personalities[PERSONALITIES] = {
    {"empty", 0, 0, 0.0f, 0.0f, 0.0f},
    {"hugo", 0, 0, 1.0f, 0.2f, 0.4f},
    {"dorian", 2, 1, 10.0f, 0.2f, 0.4f},
    {"ezra", 1, 0, 10.0f, 0.0f, 0.1f},
    {"tester", 3, 3, 1.0f, 0.2f, 0.4f},
};

static float race_seconds(int ticks) { return (float)(ticks * tick); }

// A uniform number in 0..1 from the game's one generator.
static float uniform(void) { return (float)((random_next() & 0x7FFFFFFFu) / 2147483648.0); }

static void frame_position(bike *b, float out[3])
{
    const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
    out[0] = (float)p[0], out[1] = (float)p[1], out[2] = (float)p[2];
}

// The frame's forward axis in world terms (the bike faces -z in its own coordinates).
static void frame_forward(bike *b, float out[3])
{
    const dReal *r = dBodyGetRotation(b->bodies[BODY_FRAME]);
    out[0] = (float)-r[2], out[1] = (float)-r[6], out[2] = (float)-r[10];
}

void autopilot_advance(bike *b)
{
    int &index = robot_look_ahead(b);
    const int count = path_count(b);
    if (index < 0 || index >= count) return;
    const float r = robot_recovery(b) == 3 ? 30.0f : 60.0f;
    float X[3];
    frame_position(b, X);
    const line_sample &p = path(b)[index];
    const float dx = p.x - X[0], dz = p.z - X[2], d2 = dx * dx + dz * dz;
    if (!(d2 < r * r)) return;
    if (d2 > 16 && index >= 1) {
        // A sample that leads back the way the bike came waits until the bike is on it.
        const line_sample &q = path(b)[index - 1];
        const float gx = p.x - q.x, gz = p.z - q.z;
        float fwd[3];
        frame_forward(b, fwd);
        if (gx * gx + gz * gz > 1 && gx * fwd[0] + gz * fwd[2] < 0) return;
    }
    ++index;
    robot_last_advance(b) = tick_count;
    if (index >= count) index = b->line_record.count = 0;   // the path is used up
    if (robot_recovery(b) > 0) --robot_recovery(b);
}

void autopilot_append(bike *b, const learned_line *line, int first)
{
    growable_array *a = robot_path(b);
    int &index = robot_look_ahead(b);
    const int e = index - 30;
    if (e > 0) {
        const int keep = std::max(a->count - e, 0);
        if (keep > 0) memmove(a->items, path(b) + e, (size_t)keep * sizeof(line_sample));
        a->count = keep;
        index = 30;
    }
    if (a->count == 0)
        for (int k = 0; k < 5; ++k) growable_array_append(a, &line->samples[0]);
    const int B = a->count, A = std::max(B - 5, index);
    for (int k = 0; k < line->sample_count; ++k)
        if (!growable_array_append(a, &line->samples[k])) break;
    line_sample *s = path(b);
    const int N = B - A;
    if (N > 1 && A >= 0 && B < a->count && s[A].speed >= 0 && s[B].speed >= 0) {
        // A cubic Hermite from sample A to the new line's first sample, with the tangents of
        // the path on either side; from the bike itself when the path starts here.
        float P0[3], T0[3], P1[3] = {s[B].x, s[B].y, s[B].z}, T1[3];
        const line_sample &b1 = s[std::min(B + 1, a->count - 1)];
        T1[0] = (b1.x - s[B].x) * N, T1[1] = (b1.y - s[B].y) * N, T1[2] = (b1.z - s[B].z) * N;
        if (A == 0) {
            float fwd[3];
            frame_position(b, P0);
            frame_forward(b, fwd);
            for (int c = 0; c < 3; ++c) T0[c] = fwd[c] * 7.5f * (float)B;
        } else {
            const line_sample &a0 = s[A - 1];
            P0[0] = s[A].x, P0[1] = s[A].y, P0[2] = s[A].z;
            T0[0] = (s[A].x - a0.x) * N, T0[1] = (s[A].y - a0.y) * N, T0[2] = (s[A].z - a0.z) * N;
        }
        float c2[3], c3[3];
        for (int c = 0; c < 3; ++c) {
            c2[c] = 3 * (P1[c] - P0[c]) - 2 * T0[c] - T1[c];
            c3[c] = 2 * (P0[c] - P1[c]) + T0[c] + T1[c];
        }
        const float sa = s[A].speed, sb = s[B].speed, la = s[A].lean, lb = s[B].lean;
        for (int k = A + 1; k < B; ++k) {
            const float u = (float)(k - A) / (float)N;
            float *pos[3] = {&s[k].x, &s[k].y, &s[k].z};
            for (int c = 0; c < 3; ++c) *pos[c] = P0[c] + T0[c] * u + c2[c] * u * u + c3[c] * u * u * u;
            s[k].speed = std::min(s[k].speed, sa + (sb - sa) * u);
            s[k].lean = la + (lb - la) * u;
        }
    }
    if (first) {
        int k = 1;
        for (; k < a->count; ++k) {
            const float dx = s[k].x - s[0].x, dy = s[k].y - s[0].y, dz = s[k].z - s[0].z;
            if (dx * dx + dy * dy + dz * dz > 100) break;
        }
        index = k;
        robot_last_advance(b) = (int)(30 / tick);   // the first stall test comes well after the start
    }
}

int autopilot_skill(bike *b)
{
    const personality &p = personalities[clampi(b->personality, 0, PERSONALITIES - 1)];
    int lead = 0;
    if (standings_count >= 2 && standings[0].slot == b->rider_slot) {
        const int g = standings[1].gates - 1, second = standings[1].slot;
        bike *o = second >= 0 && second < 160 ? bike_slot_table[second] : nullptr;
        const int a = g >= 0 ? bike_get_gate_time(b, g) : -1;
        const int c = o && g >= 0 ? bike_get_gate_time(o, g) : -1;
        if (a >= 1 && c >= 1 && c > a) lead = c - a;
    }
    return race_seconds(lead) <= p.lead_threshold ? p.skill_close : p.skill_leading;
}

// How well a line continues the path: its start on the circle the path's end is riding, its
// second sample along that circle, and not much faster than the path's end.
static float line_match(bike *b, const learned_line *l)
{
    const int count = path_count(b);
    if (count < 3) {
        if (l->sample_count < 1) return 0;
        float X[3];
        frame_position(b, X);
        const line_sample &s = l->samples[0];
        const float dx = s.x - X[0], dy = s.y - X[1], dz = s.z - X[2];
        const float m = clampf((100 - std::sqrt(dx * dx + dy * dy + dz * dz)) / 96, 0, 1);
        return 10 * m * m * m;
    }
    if (l->sample_count < 2) return 0;
    const line_sample *end = path(b) + count - 3;
    double O[2];
    line_circle_centre(end, O);
    auto radius = [&](const line_sample &s) { return (float)std::hypot(s.x - O[0], s.z - O[1]); };
    const float r = radius(end[2]), r1 = radius(l->samples[0]), r2 = radius(l->samples[1]);
    const float speed = std::fabs(end[2].speed), s1 = std::fabs(l->samples[0].speed);
    const float m = clampf((5 - std::fabs(r - r1)) * 2 / 7, 0, 1) * clampf((3 - std::fabs(r2 - r1)) / 2, 0, 1);
    return clampf((s1 + 15 - speed) / 5, 0, 1) * m * m * m;
}

int autopilot_pick(bike *b)
{
    const int n = robot_next_section(b);
    const int count = path_count(b);
    if (robot_look_ahead(b) < count - 10 || !line_store || b->finished) return 0;
    const int sigma = line_store_section(n);
    if (sigma < 0) return 0;
    int filled = 0;
    for (int j = 0; j < LINE_SLOTS_PER_SECTION && !filled; ++j) filled = line_slot(sigma, j)->sample_count > 0;
    if (!filled) return 0;

    const int skill = autopilot_skill(b);
    const std::int64_t *table = line_search(sigma, 8, skill);
    std::int64_t cost[LINE_SLOTS_PER_SECTION], best = 0;
    for (int j = 0; j < LINE_SLOTS_PER_SECTION; ++j) {
        cost[j] = table[j * LINE_SLOTS_PER_SECTION];
        for (int k = 1; k < LINE_SLOTS_PER_SECTION; ++k) cost[j] = std::min(cost[j], table[j * LINE_SLOTS_PER_SECTION + k]);
        best = j == 0 ? cost[j] : std::min(best, cost[j]);
    }
    const float t = race_seconds(tick_count);
    const float pull = clampf((t - 40) * 0.05f, 0, 1);
    const int chain = skill <= SKILL_EXPERT ? line_chain_id(skill, sigma) : 0;
    int chosen = 0;
    float chosen_value = 0, chosen_q = 0, chosen_m = 0;
    for (int j = 0; j < LINE_SLOTS_PER_SECTION; ++j) {
        const learned_line *l = line_slot(sigma, j);
        float q = cost[j] > 0 ? (float)((double)best / (double)cost[j]) : 1.0f;
        if (skill <= SKILL_EXPERT && chain != 0 && l->id == chain) q += (1 - q) * pull;
        if (sigma == 0) q = q * 0.2f + 0.8f;   // the start is chosen mostly by where the bike stands
        const float m = line_match(b, l);
        const float rested = race_seconds(tick_count - l->last_picked);
        const float value = q * clampf(rested / 3, 0, 1) + m;
        if (value > chosen_value) chosen = j, chosen_value = value, chosen_q = q, chosen_m = m;
        if (j == 0) chosen_q = q, chosen_m = m;
    }

    learned_line *l = line_slot(sigma, chosen);
    if (g_options.debug_level)
        kubl_log_printf("auto pilot: picking %d score = %f match = %f last_picked = %f\n", chosen, chosen_q, chosen_m,
                        race_seconds(tick_count - l->last_picked));
    l->last_picked = tick_count;
    if (l->sample_count <= 0) return 0;
    // Lines that end where this one ends are rested with it.
    const line_sample &end = l->samples[l->sample_count - 1];
    for (int j = 0; j < LINE_SLOTS_PER_SECTION; ++j) {
        learned_line *o = line_slot(sigma, j);
        if (o->sample_count <= 0) continue;
        const line_sample &e = o->samples[o->sample_count - 1];
        const float dx = e.x - end.x, dy = e.y - end.y, dz = e.z - end.z;
        if (dx * dx + dy * dy + dz * dz < 9) o->last_picked = tick_count;
    }
    b->recent_line_ids[n & 3] = l->id;
    robot_next_section(b) = n + 1;
    autopilot_append(b, l, n == 0);
    return 1;
}

// Dab down, in second gear, clutch out and both brakes on, bars straight.
static void hold(bike *b)
{
    bike_set_dab(b, 1);
    bike_set_auto_shift(b, 0);
    bike_set_clutch(b, 0);
    bike_set_front_brake(b, 1);
    bike_set_rear_brake(b, 1);
    bike_set_steer(b, 0);
    bike_set_gear(b, 1);
}

void autopilot_launch(bike *b, float x)
{
    const float c = clampf(4 * x, 0, 1);
    if (4 * x >= 0.75f) {
        bike_set_auto_shift(b, 1);
    } else {
        bike_set_auto_shift(b, 0);
        bike_set_gear(b, 1);
    }
    bike_set_throttle(b, 1);
    bike_set_dab(b, 1 - c);
    bike_set_clutch(b, c);
    bike_set_front_brake(b, 0);
    bike_set_rear_brake(b, 0);
    // Left alone on the launch, the fork swung while the front wheel was up and the bike
    // landed turning into its neighbour a few feet away: half the field went down at the gate.
    // The rider keeps the fork straight in the air and the bike upright on the ground.
    float steer = bike_steer_toward_angle(b, 0);
    if (b->wheels[WHEEL_FRONT].depth > 0) {
        dVector3 w;
        frame_spin(b, w);
        steer = clampf(counter_steer(-lean_gain * bike_get_lean_angle(b->bodies[BODY_FRAME]), (float)w[2]), -1, 1);
    }
    bike_set_steer(b, steer);
}

// The start on the line. 1 when the step ends here.
static int start_phase(bike *b)
{
    float &timer = b->robot_float[ROBOT_START_TIMER];
    const float t = race_seconds(tick_count), s = race_seconds(race_start_tick), W = race_seconds(race_span);
    if (timer == 0) timer = (float)((random_next() & 0x7FFFFFFFu) / 1073741824.0);
    if (t < W) {
        // Blipping the throttle: open for 0.25 to 0.75 s every 2 to 2.5 s.
        hold(b);
        if (timer < 0) {
            bike_set_throttle(b, 1);
            if (t > -timer) timer = std::min(t + 2 + 0.5f * uniform(), W);
        } else {
            bike_set_throttle(b, 0);
            if (t > timer) timer = -(t + 0.25f + 0.5f * uniform());
        }
        return 1;
    }
    if (timer <= W) timer = W + 0.125f + 0.375f * uniform();
    if (timer < s) {
        if (t < timer) {
            hold(b);
            bike_set_throttle(b, 0);
            return 1;
        }
        const personality &p = personalities[clampi(b->personality, 0, PERSONALITIES - 1)];
        timer = s + p.reaction_min + (p.reaction_max - p.reaction_min) * uniform();
    }
    if (t < timer) {
        hold(b);
        bike_set_throttle(b, 1);
        return 1;
    }
    if (t < timer + 2) {
        autopilot_launch(b, t - timer);
        return 1;
    }
    return 0;
}

void autopilot_recover(bike *b)
{
    const int count = path_count(b);
    if (race_seconds(tick_count - robot_last_advance(b)) > 40) {
        // Long stuck: try another stretch of the path.
        robot_recovery(b) = 3;
        robot_look_ahead(b) = count > 0 ? ((tick_count % count) + count) % count : 0;
        robot_last_advance(b) = tick_count;
    }
    const line_sample &p = sample(b, robot_look_ahead(b));
    const int n = (int)std::lround(autopilot_path_position(b));
    int k = -1;
    for (int j = std::max(n, 0); j < std::min(n + 20, count) - 1; ++j)
        if (sample(b, j).speed < 0 && sample(b, j + 1).speed < 0) {
            k = j;
            break;
        }
    dBodyID frame = b->bodies[BODY_FRAME];
    if (race_seconds(tick_count - robot_last_advance(b)) <= 19) {
        const dReal *lv = dBodyGetLinearVel(frame);
        const float v = (float)std::sqrt(lv[0] * lv[0] + lv[1] * lv[1] + lv[2] * lv[2]);
        dVector3 w, r;
        frame_spin(b, w);
        bike_set_dab(b, 0);
        const float lean = bike_get_lean_angle(frame);
        dBodyGetPosRelPoint(frame, p.x, p.y, p.z, r);
        const float rx = (float)r[0], rz = (float)r[2];
        float a = 0.5f;
        if (v < 10) {
            a = 1.0f / 6;
            bike_set_dab(b, 1);
        } else if (v < 20) {
            a = 0.5f * (1.0f / 3 + (v - 10) * 0.1f * 2 / 3);
        }
        const float target = v < 10 && std::fabs(lean) > 1.0f / 6 ? 5.0f : 15.0f;
        float l;
        if (std::fabs(rx) <= -rz) l = rz < 0 ? clampf(0.5f * rx / rz, -a, a) : 0;   // straight under the bike: upright
        else l = rx >= 0 ? -a : a;
        if (-rz < 4 * std::fabs(rx) || (k >= n && k <= n + 8)) robot_recovery(b) = 3;
        bike_set_steer(b, clampf(2 * ((float)w[2] - clampf(4 * (l - lean), -4, 4)), -1, 1));
        autopilot_speed_control(b, v, target);
        return;
    }
    // Helped along: the front wheel pulled toward the target, the frame lifted by half its weight.
    dBodyID wheel = b->bodies[BODY_FRONT_WHEEL];
    const dReal *fw = dBodyGetPosition(wheel);
    float d[3] = {p.x - (float)fw[0], p.y - (float)fw[1], p.z - (float)fw[2]};
    const float dl = std::sqrt(dot3(d, d));
    float target[3] = {0, 0, 0};
    if (dl > 0)
        for (int c = 0; c < 3; ++c) target[c] = d[c] / dl * 5;
    body_match_velocity(wheel, 2000, target);
    dBodyAddForce(frame, 0, 16 * b->total_mass, 0);
    dJointID steering = b->joints[JOINT_STEERING];
    bike_set_steer(b, clampf((float)(-dJointGetHingeAngle(steering) - dJointGetHingeAngleRate(steering)) / 4, -1, 1));
    bike_set_dab(b, 1);
    bike_set_clutch(b, 0);
    bike_set_throttle(b, 0);
    bike_set_front_brake(b, 0);
    bike_set_rear_brake(b, 0);
}

void autopilot_step(bike *b)
{
    if (b->personality == 0) return;
    bike_set_stop_wheelies(b, 3);
    bike_set_front_brake_aid(b, 1);
    bike_set_rear_brake_aid(b, 1);
    bike_set_auto_shift(b, 1);
    autopilot_advance(b);
    autopilot_pick(b);
    if (robot_look_ahead(b) >= path_count(b)) {
        // Nothing to follow: stop and put a foot down.
        bike_set_throttle(b, 0);
        bike_set_clutch(b, 0);
        bike_set_front_brake(b, 1);
        bike_set_rear_brake(b, 1);
        bike_set_steer(b, 0);
        bike_set_dab(b, 1);
        return;
    }
    if (race_seconds(tick_count) < race_seconds(race_start_tick) + 5 && start_phase(b)) return;
    if (robot_recovery(b) == 0) autopilot_follow(b);
    else autopilot_recover(b);
}

void learn_roll_out(bike *b)
{
    if (b->personality == 0) return;
    const int c = path_count(b), p = std::max((int)std::lround(autopilot_path_position(b)), 0);
    if (p >= c) return;
    // Down to a quarter of the speed by the end of the path it holds: it picks no more lines.
    line_sample *s = path(b);
    for (int k = p; k < c; ++k) s[k].speed *= 0.25f + 0.75f * (float)(c - k) / (float)(c - p);
}
