// The line store learns from the riders: human riders' paths are recorded per gate section and
// offered one plain gate later, when the section's two-section time is known; a robot's runs
// are credited to the lines it rode, or counted against them as failures.
#include <cmath>

#include "bike/setters.h"
#include "bike/small_ops.h"
#include "racing/gate_passing.h"
#include "racing/lines.h"
#include "terrain/timing_gates.h"

enum { TICKS_PER_SECOND = 128 };

static int is_robot(const bike *b) { return b->personality != 0; }

// The entry of running gate number g in the gate sequence; -1 when there is none.
static int gate_entry(int g)
{
    if (!lap_list || g < 0) return -1;
    if (g < first_lap_count) return lap_list[g];
    if (normal_lap_count <= 0) return -1;
    return lap_list[first_lap_count + (g - first_lap_count) % normal_lap_count];
}

static int plain_gate(int g)
{
    const int e = gate_entry(g);
    return e >= 0 && e < LAP_NO_SWITCH;
}

static void buffer_empty(bike *b, int parity)
{
    learn_buffer(b, parity)->count = 0;
    b->line_cursor &= ~(1 << (parity & 1));
}

static void fail_recent(bike *b, int running)
{
    int &id = b->recent_line_ids[running & 3];
    line_fail(line_store_section(running), id);
    id = 0;
}

static void forget_recent(bike *b)
{
    for (int &id : b->recent_line_ids) id = 0;
}

void learn_sample(bike *b)
{
    if (is_robot(b)) return;
    const dBodyID frame = b->bodies[BODY_FRAME];
    const dReal *p = dBodyGetPosition(frame), *v = dBodyGetLinearVel(frame);
    line_sample s;
    s.x = (float)p[0], s.y = (float)p[1], s.z = (float)p[2];
    s.speed = (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (b->wheels[WHEEL_FRONT].depth == 0 && b->wheels[WHEEL_REAR].depth == 0) s.speed = -s.speed;
    s.lean = bike_get_lean_angle(frame);
    growable_array_append(learn_buffer(b, race_count_plain_gates(b->gate_index)), &s);
}

void learn_mishap(bike *b)
{
    if (!is_robot(b) || !line_store) return;
    const int n = race_count_plain_gates(b->gate_index);
    fail_recent(b, n);
    // A mishap just after a gate is still the doing of the line that led into it.
    const int last = bike_get_gate_time(b, b->gate_index - 1);
    if (b->gate_index >= 1 && last != -1 && tick_count - last < TICKS_PER_SECOND)
        fail_recent(b, race_count_plain_gates(b->gate_index - 1));
    forget_recent(b);
}

void learn_gate_spoil(bike *b)
{
    if (b->mishap_flag != 0) b->line_cursor |= 1 << (race_count_plain_gates(b->gate_index) & 1);
}

// Every gate from first to last (inclusive) has a time.
static int all_timed(bike *b, int first, int last)
{
    for (int g = first < 0 ? 0 : first; g <= last; ++g)
        if (bike_get_gate_time(b, g) == -1) return 0;
    return 1;
}

// Whether the robot is still on its path at the gate: within 4 ft of the line through the two
// path samples about its place, and not faster than 16/15 of both samples' speeds.
static int on_path(bike *b)
{
    const growable_array *path = robot_path(b);
    const line_sample *s = robot_path_samples(b);
    if (path->count <= 0 || !s) return 0;
    const int p = (int)std::lround(autopilot_path_position(b));
    const int hi = p < 0 ? 0 : p >= path->count ? path->count - 1 : p;
    const int lo = p - 1 < 0 ? 0 : p - 1 >= path->count ? path->count - 1 : p - 1;
    const line_sample &a = s[lo], &c = s[hi];

    const dBodyID frame = b->bodies[BODY_FRAME];
    const dReal *x = dBodyGetPosition(frame), *v = dBodyGetLinearVel(frame);
    const double d[3] = {(double)c.x - a.x, (double)c.y - a.y, (double)c.z - a.z};
    const double w[3] = {x[0] - a.x, x[1] - a.y, x[2] - a.z};
    const double dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const double t = dd > 0 ? (w[0] * d[0] + w[1] * d[1] + w[2] * d[2]) / dd : 0;
    double off2 = 0;
    for (int k = 0; k < 3; ++k) off2 += (w[k] - t * d[k]) * (w[k] - t * d[k]);
    if (off2 > 16) return 0;
    const double speed = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return 0.9375 * speed <= std::fabs(a.speed) || 0.9375 * speed <= std::fabs(c.speed);
}

void learn_section_end(bike *b, int g, int u)
{
    if (!plain_gate(g)) return;
    const int n = race_count_plain_gates(g);
    int plain[3] = {-1, -1, g};   // g0, g1, g2: the last three plain gates up to g
    for (int k = g - 1, found = 1; k >= 0 && found < 3; --k)
        if (plain_gate(k)) plain[2 - found++] = k;
    int t[3];
    for (int i = 0; i < 3; ++i) t[i] = plain[i] < 0 ? 0 : bike_get_gate_time(b, plain[i]);

    if (is_robot(b)) {
        if (n < 1 || !line_store) return;
        int failed = 1;
        if (on_path(b)) {
            failed = !all_timed(b, plain[0] + 1, plain[1]);
            const int id = b->recent_line_ids[(n - 1) & 3];
            if (!failed && all_timed(b, plain[0], plain[2]) && id != 0)
                line_credit(line_store_section(n - 1), id, t[1] - t[0], t[2] - t[0]);
        }
        if (failed) {
            fail_recent(b, n);
            forget_recent(b);
        }
        buffer_empty(b, 0);
        buffer_empty(b, 1);
        return;
    }

    if (u != 0) {
        buffer_empty(b, 0);
        buffer_empty(b, 1);
        return;
    }
    if (n >= 1 && line_store && all_timed(b, plain[0], plain[2])) {
        const growable_array *done = learn_buffer(b, n - 1);
        line_accept(line_store_section(n - 1), (const line_sample *)done->items, done->count,
                    learn_buffer_spoiled(b, n - 1), t[1] - t[0], t[2] - t[0]);
    }
    buffer_empty(b, n + 1);   // ready for the section that starts here
}
