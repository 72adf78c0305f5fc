// tools/track_lines.h — the robots' first lines on a generated track, as a rider would have
// recorded them riding the course: "lines_novice", "lines_amateur" and "lines_expert".
//
// The ride is planned along the course: the speed each stretch allows (lateral grip in the
// turns, braking before them, accelerating out of them, a top speed), the frame following the
// ground at its ride height and leaving it where the ground falls away faster than it can fall
// (the jumps), one sample every 32 ticks. The ride is cut at the switch-point gates into the
// first-lap sections and the lap sections. Section 0 holds one line from each start gate,
// merging into the course's middle before the first switch point; every other section holds
// the middle line and two that swing a few feet to either side between its ends, so any line
// of a section continues into any line of the next. All lines are untested.
#pragma once
#include "tools/track_objects.h"
#include "tools/track_plans.h"
#include "terrain/field.h"
#include <string>
#include <vector>

namespace gen {

namespace lines_plan {
constexpr double TICK = 1.0 / 128;
constexpr int SAMPLE_TICKS = 32;
constexpr double FRAME_HEIGHT = 1.67;   // ft of the frame body above the ground, a bike at rest
constexpr double TOP_SPEED = 64;        // ft/s, about 44 mph
constexpr double LATERAL_GRIP = 25;     // ft/s², about 0.8 g
constexpr double ACCELERATION = 15;     // ft/s², below what full throttle gives
constexpr double BRAKING = 18;          // ft/s², about 0.55 g
constexpr double GRAVITY = 32.174;      // ft/s²
constexpr double SWING = 5;             // ft to either side of the middle line
constexpr double WHEEL_REACH = 0.3;     // ft the frame rises before the extended wheels leave the ground
}   // namespace lines_plan

struct plan_sample { double x, y, z, speed, lean; };

struct plan_line {
    std::vector<plan_sample> samples;
    int section_ticks = 0, two_section_ticks = 0;
};

// A path one foot of course per step: the course's middle plus a lateral offset towards
// (-tz, tx).
struct plan_path {
    std::vector<double> x, z, kappa, speed, cap;
};

// A rider's route over the course: the start straight and then the loop (the first lap), or
// the loop from a given distance on (the laps); one point per foot.
struct plan_route {
    std::vector<course_sample> at;
    std::vector<double> cap;   // speed limit per point
    int period = 0;            // points per lap when the route goes round and round
};

// Slows the route to v around point i (on every lap of a route that goes round).
inline void lower_cap(plan_route &r, int i, double v)
{
    const int n = (int)r.at.size();
    for (int base = r.period ? i % r.period : i; base < n; base += r.period ? r.period : n)
        for (int k = std::max(base - 30, 0); k <= std::min(base + 30, n - 1); ++k)
            r.cap[(std::size_t)k] = std::min(r.cap[(std::size_t)k], v);
}

inline plan_route route_first_lap(const course &c)
{
    plan_route r;
    const course_spec &sp = *c.spec;
    double s0;
    if (!c.spur.empty()) {
        for (std::size_t i = 8; i < c.spur.size(); ++i) r.at.push_back(c.spur[i]);
        s0 = sp.spur_join_s;
    } else {
        s0 = sp.finish_s + 30;
    }
    for (double s = 0; s < 2.5 * c.loop_length; s += 1) r.at.push_back(c.loop_at(s0 + s + 0.5));
    r.cap.assign(r.at.size(), lines_plan::TOP_SPEED);
    return r;
}

inline plan_route route_laps(const course &c, double s0)
{
    plan_route r;
    for (double s = 0; s < 3 * c.loop_length; s += 1) r.at.push_back(c.loop_at(s0 + s + 0.5));
    r.cap.assign(r.at.size(), lines_plan::TOP_SPEED);
    r.period = (int)c.loop_length;
    return r;
}

inline bool gate_passed(const gate_line &g, double x, double z)
{
    const double dx = x - g.centre[0], dz = z - g.centre[2];
    return dx * dx + dz * dz <= g.radius * g.radius && dx * g.direction[0] + dz * g.direction[2] >= 0;
}

// First route index from `from` on where the gate counts as passed; -1 when never.
inline int route_crossing(const plan_route &r, const gate_line &g, int from)
{
    for (int i = std::max(from, 0); i < (int)r.at.size(); ++i)
        if (gate_passed(g, r.at[(std::size_t)i].x, r.at[(std::size_t)i].z)) return i;
    return -1;
}

// Curvature (1/ft, positive turning towards (-tz, tx)) of a polyline with one-foot steps, from
// the turn over six steps, smoothed over twenty.
inline void path_curvature(plan_path &p)
{
    const int n = (int)p.x.size();
    std::vector<double> raw((std::size_t)n, 0.0);
    for (int i = 3; i + 3 < n; ++i) {
        double ax = p.x[(std::size_t)i] - p.x[(std::size_t)i - 3], az = p.z[(std::size_t)i] - p.z[(std::size_t)i - 3];
        double bx = p.x[(std::size_t)i + 3] - p.x[(std::size_t)i], bz = p.z[(std::size_t)i + 3] - p.z[(std::size_t)i];
        double la = std::hypot(ax, az), lb = std::hypot(bx, bz);
        if (la <= 0 || lb <= 0) continue;
        raw[(std::size_t)i] = std::atan2(ax * bz - az * bx, ax * bx + az * bz) / (0.5 * (la + lb));
    }
    p.kappa.assign((std::size_t)n, 0.0);
    for (int i = 0; i < n; ++i) {
        double sum = 0;
        int count = 0;
        for (int k = -10; k <= 10; ++k) {
            int j = i + k;
            if (j < 0 || j >= n) continue;
            sum += raw[(std::size_t)j], ++count;
        }
        p.kappa[(std::size_t)i] = sum / count;
    }
}

// Speeds along the path: what grip allows in the turns, then accelerating forward from v0 and
// braking backward into every slower stretch (and into v1 at the end when v1 >= 0).
inline void path_speeds(plan_path &p, double v0, double v1)
{
    using namespace lines_plan;
    const std::size_t n = p.x.size();
    p.speed = p.cap;
    for (std::size_t i = 0; i < n; ++i) {
        double k = std::fabs(p.kappa[i]);
        if (k > 1e-9) p.speed[i] = std::min(p.speed[i], std::sqrt(LATERAL_GRIP / k));
    }
    if (v1 >= 0) p.speed[n - 1] = std::min(p.speed[n - 1], v1);
    p.speed[0] = std::min(p.speed[0], v0);
    for (std::size_t i = 1; i < n; ++i) {
        double ds = std::hypot(p.x[i] - p.x[i - 1], p.z[i] - p.z[i - 1]);
        p.speed[i] = std::min(p.speed[i], std::sqrt(p.speed[i - 1] * p.speed[i - 1] + 2 * ACCELERATION * ds));
    }
    for (std::size_t i = n - 1; i-- > 0;) {
        double ds = std::hypot(p.x[i + 1] - p.x[i], p.z[i + 1] - p.z[i]);
        p.speed[i] = std::min(p.speed[i], std::sqrt(p.speed[i + 1] * p.speed[i + 1] + 2 * BRAKING * ds));
    }
}

// Route points from..to with a lateral offset per point.
inline plan_path offset_path(const plan_route &r, int from, int to, const std::vector<double> &offset)
{
    plan_path p;
    for (int i = from; i < to; ++i) {
        const course_sample &k = r.at[(std::size_t)i];
        const double o = offset[(std::size_t)(i - from)];
        p.x.push_back(k.x - k.tz * o);
        p.z.push_back(k.z + k.tx * o);
        p.cap.push_back(r.cap[(std::size_t)i]);
    }
    path_curvature(p);
    return p;
}

// The frame's ride along a path, tick by tick.
struct plan_ride_state {
    long   tick;
    double f;        // place along the path, in path steps
    double y, vy;
    bool   air;
};

inline double interpolate(const std::vector<double> &v, double f)
{
    const std::size_t n = v.size();
    if (f <= 0) return v[0];
    if (f >= (double)(n - 1)) return v[n - 1];
    std::size_t i = (std::size_t)f;
    double t = f - (double)i;
    return v[i] * (1 - t) + v[i + 1] * t;
}

// Rides from state s until the place reaches `end` (path steps), calling each(sample) at every
// tick that is a multiple of 32 after adding phase. Returns the state at the end.
template <class F>
plan_ride_state ride_path(const plan_path &p, const terrain_field *t, plan_ride_state s, double end, int phase, F each)
{
    using namespace lines_plan;
    auto ground = [&](double f) {
        return (double)terrain_height_at(t, (float)interpolate(p.x, f), (float)interpolate(p.z, f)) + FRAME_HEIGHT;
    };
    for (;;) {
        if (s.f >= end) return s;
        const double v = std::max(interpolate(p.speed, s.f), 2.0);
        if ((s.tick + phase) % SAMPLE_TICKS == 0) {
            const double lean = -std::atan(v * v * interpolate(p.kappa, s.f) / 32);
            const double speed = std::sqrt(v * v + s.vy * s.vy);
            const bool flying = s.air && s.y > ground(s.f) + WHEEL_REACH;
            each(plan_sample{interpolate(p.x, s.f), s.y, interpolate(p.z, s.f), flying ? -speed : speed, lean});
        }
        // Steps along the path are a foot of course; the path's own length per step differs
        // beside the middle of a turn.
        std::size_t i = std::min((std::size_t)s.f, p.x.size() - 2);
        const double step = std::max(std::hypot(p.x[i + 1] - p.x[i], p.z[i + 1] - p.z[i]), 0.05);
        const double f = s.f + v * TICK / step;
        const double g = ground(f);
        const double fall_y = s.y + s.vy * TICK - 0.5 * GRAVITY * TICK * TICK;
        if (s.air) {
            s.vy -= GRAVITY * TICK;
            s.y = fall_y;
            if (s.y <= g) s.y = g, s.air = false;
        } else if (g < fall_y - 0.02) {
            // The ground falls away faster than the bike can follow: it flies.
            s.vy -= GRAVITY * TICK;
            s.y = fall_y;
            s.air = true;
        } else {
            s.vy = (g - s.y) / TICK;
            s.y = g;
        }
        s.f = f;
        ++s.tick;
    }
}

// The joining test the robots' line search applies between a line and one of the next
// section: the next line starts on the circle through this one's last three samples.
inline bool plan_lines_join(const plan_line &a, const plan_line &b)
{
    if (a.samples.size() < 3 || b.samples.size() < 2) return false;
    const plan_sample &p0 = a.samples[a.samples.size() - 3], &p1 = a.samples[a.samples.size() - 2],
                      &p2 = a.samples.back();
    const double ax = p1.x - p0.x, az = p1.z - p0.z, bx = p2.x - p1.x, bz = p2.z - p1.z;
    const double mx = (p0.x + p1.x) / 2, mz = (p0.z + p1.z) / 2, nx = (p1.x + p2.x) / 2, nz = (p1.z + p2.z) / 2;
    // Perpendiculars (az, -ax) and (bz, -bx) from the two midpoints.
    const double cross = az * -bx - -ax * bz;
    double cx, cz;
    if (std::fabs(cross * 0.5) <= 1e-6) {
        cx = mx + 1000000 * az, cz = mz - 1000000 * ax;
    } else {
        const double u = ((nx - mx) * -bx - (nz - mz) * bz) / cross;
        cx = mx + u * az, cz = mz - u * ax;
    }
    const double r = std::hypot(p2.x - cx, p2.z - cz);
    const double d0 = std::hypot(b.samples[0].x - cx, b.samples[0].z - cz);
    const double d1 = std::hypot(b.samples[1].x - cx, b.samples[1].z - cz);
    return std::fabs(p2.speed) <= std::fabs(b.samples[0].speed) + 15 && d0 >= std::max(r - 2.5, 0.0) &&
           d0 <= r + 2.5 && std::fabs(d0 - d1) <= 2;
}

struct plan_lines {
    int first_sections = 0, lap_sections = 0;
    std::vector<std::vector<plan_line>> sections;
    int broken_joins = 0;
};

// Offsets of a swing to one side between a section's ends: flat for the first and last tenth.
inline std::vector<double> swing_offsets(int count, double side)
{
    std::vector<double> o((std::size_t)count);
    for (int i = 0; i < count; ++i) {
        double t = clamp01(((double)i / std::max(count - 1, 1) - 0.1) / 0.8);
        double s = std::sin(PI * t);
        o[(std::size_t)i] = side * s * s;
    }
    return o;
}

// The speed a rider takes a feature at. Jumps: the approach speed whose flight from the lip
// lands nearest the landing's sweet spot (the top's far end, the landing face, the step's
// plateau). Rhythm rollers and whoops are ridden slower than the straight allows.
// Only speeds up to the one the rider can reach by the feature count; with none landing within
// ten feet of the spot the rider rolls the feature slowly.
inline double feature_speed(const course &c, const feature &f, const terrain_field *t, double reachable)
{
    using namespace lines_plan;
    double target;
    switch (f.kind) {
    case FEAT_RHYTHM: return 34;
    case FEAT_WHOOPS: return 42;
    case FEAT_TABLETOP: target = 60; break;
    case FEAT_DOUBLE: target = 72; break;
    case FEAT_STEPUP: target = 28; break;
    default: return TOP_SPEED;
    }
    plan_route r;
    for (double s = f.s0 - 30; s < f.s0 + f.length + 30; s += 1) r.at.push_back(c.loop_at(s + 0.5));
    double best = 18, best_miss = 10;
    for (double v = 20; v <= std::min(TOP_SPEED, reachable); v += 1) {
        r.cap.assign(r.at.size(), v);
        plan_path p = offset_path(r, 0, (int)r.at.size(), std::vector<double>(r.at.size(), 0.0));
        p.speed = p.cap;
        plan_ride_state s = {1, 0, (double)terrain_height_at(t, (float)p.x[0], (float)p.z[0]) + FRAME_HEIGHT, 0, false};
        // The longest flight's landing, in feet into the feature.
        double landing = -1e9, took_off = 0, longest = 0;
        bool was_air = false;
        for (int i = 1; i < (int)r.at.size() - 1; ++i) {
            s = ride_path(p, t, s, i, 1, [](const plan_sample &) {});
            if (s.air && !was_air) took_off = s.f;
            if (!s.air && was_air && s.f - took_off > longest) longest = s.f - took_off, landing = s.f - 30;
            was_air = s.air;
        }
        const double miss = std::fabs(landing - target);
        if (miss <= best_miss) best_miss = miss, best = v;
    }
    return best;
}

// Slows the route's points on each feature (and on its approach) to the feature's speed.
inline void cap_features(plan_route &r, const course &c, const terrain_field *t, double v0)
{
    plan_path p = offset_path(r, 0, (int)r.at.size(), std::vector<double>(r.at.size(), 0.0));
    path_speeds(p, v0, -1);
    auto into = [&](const course_sample &k, const feature &f) {
        double u = std::fmod(k.s - f.s0 + 2 * c.loop_length, c.loop_length);
        return u > c.loop_length - 30 ? u - c.loop_length : u;
    };
    for (const feature &f : c.features) {
        double reachable = lines_plan::TOP_SPEED;
        for (std::size_t i = 1; i < r.at.size(); ++i)
            if (r.at[i].path == 0 && r.at[i - 1].path == 0 && into(r.at[i - 1], f) < 0 && into(r.at[i], f) >= 0)
                reachable = std::min(reachable, p.speed[i]);
        const double v = feature_speed(c, f, t, reachable);
        const double reach = f.kind == FEAT_RHYTHM || f.kind == FEAT_WHOOPS ? f.length : 0.6 * f.length;
        for (std::size_t i = 0; i < r.at.size(); ++i) {
            const course_sample &k = r.at[i];
            const double u = into(k, f);
            if (k.path == 0 && u >= -30 && u <= reach) r.cap[i] = std::min(r.cap[i], v);
        }
    }
}

struct plan_cut {
    plan_route *route;
    int from, to;   // route points
};

// The ride cut into sections: the first lap's from the start, the laps' from the last switch
// point of a lap. False when the course misses a gate of the sequence.
inline bool plan_cuts(const course &c, const track_objects &o, const terrain_field *t, plan_route &first,
                      plan_route &laps, std::vector<plan_cut> &cuts)
{
    auto plain = [](int e) { return e < 100000; };
    int last_plain = 0;
    for (int e : o.normal_lap)
        if (plain(e)) last_plain = e;
    const gate_line &lap_gate = o.gates[(std::size_t)last_plain];
    first = route_first_lap(c);
    laps = route_laps(c, loop_s_near(c.loop, lap_gate.centre[0], lap_gate.centre[2]) - 20);
    cap_features(first, c, t, 0);
    cap_features(laps, c, t, lines_plan::TOP_SPEED);
    int at = 0, from = 0;
    for (int e : o.first_lap) {
        int i = route_crossing(first, o.gates[(std::size_t)(e % 100000)], at);
        if (i < 0) return false;
        at = i;
        if (plain(e)) cuts.push_back({&first, from, i}), from = i;
    }
    at = from = route_crossing(laps, lap_gate, laps.period - 40);
    if (at < 0) return false;
    for (int e : o.normal_lap) {
        int i = route_crossing(laps, o.gates[(std::size_t)(e % 100000)], at + 1);
        if (i < 0) return false;
        at = i;
        if (plain(e)) cuts.push_back({&laps, from, i}), from = i;
    }
    return true;
}

inline plan_lines plan_track_lines(const course &c, const track_objects &o, const terrain_field *t)
{
    using namespace lines_plan;
    plan_lines out;
    for (int e : o.first_lap) out.first_sections += e < 100000;
    for (int e : o.normal_lap) out.lap_sections += e < 100000;
    const int F = out.first_sections, P = out.lap_sections;
    out.sections.resize((std::size_t)(F + P));
    plan_route first, laps;
    std::vector<plan_cut> cuts;
    if (F == 0 || P == 0 || !plan_cuts(c, o, t, first, laps, cuts)) return out;

    // The middle line's ride over each route gives every section's entry speed and state.
    struct middle_ride { plan_path path; std::vector<plan_ride_state> states; };
    auto ride_middle = [&](const plan_route &r, double v0) {
        middle_ride m;
        m.path = offset_path(r, 0, (int)r.at.size(), std::vector<double>(r.at.size(), 0.0));
        path_speeds(m.path, v0, -1);
        plan_ride_state s = {0, 0, (double)terrain_height_at(t, (float)m.path.x[0], (float)m.path.z[0]) + FRAME_HEIGHT, 0, false};
        m.states.push_back(s);
        for (int i = 1; i < (int)r.at.size() - 2; ++i) {
            s = ride_path(m.path, t, s, i, 0, [](const plan_sample &) {});
            m.states.push_back(s);
        }
        return m;
    };
    middle_ride first_ride, lap_ride;

    auto make_line = [&](const plan_cut &k, const std::vector<double> &offset, int phase) {
        const middle_ride &m = k.route == &first ? first_ride : lap_ride;
        // The path runs a little past the section's end so the speeds brake for what follows.
        const int tail = std::min(200, (int)k.route->at.size() - k.to - 1);
        std::vector<double> off = offset;
        off.resize((std::size_t)(k.to - k.from + tail), offset.back());
        plan_path p = offset_path(*k.route, k.from, k.to + tail, off);
        path_speeds(p, m.path.speed[(std::size_t)k.from], -1);
        for (std::size_t i = (std::size_t)(k.to - k.from); i < p.speed.size(); ++i)
            p.speed[i] = std::min(p.speed[i], m.path.speed[(std::size_t)k.from + i]);
        for (std::size_t i = p.speed.size() - 1; i-- > 0;) {
            double ds = std::hypot(p.x[i + 1] - p.x[i], p.z[i + 1] - p.z[i]);
            p.speed[i] = std::min(p.speed[i], std::sqrt(p.speed[i + 1] * p.speed[i + 1] + 2 * BRAKING * ds));
        }
        plan_ride_state s = m.states[(std::size_t)std::min<int>(k.from, (int)m.states.size() - 1)];
        s.f = 0;
        // A line beside the middle starts on its own ground.
        const double g0 = (double)terrain_height_at(t, (float)p.x[0], (float)p.z[0]) + FRAME_HEIGHT;
        if (!s.air || s.y < g0) s.y = g0;
        plan_line l;
        const long start = s.tick;
        s = ride_path(p, t, s, k.to - k.from, phase, [&](const plan_sample &q) { l.samples.push_back(q); });
        l.section_ticks = (int)(s.tick - start);
        return l;
    };
    auto broken_joins = [&](const std::vector<plan_line> &from, const std::vector<plan_line> &to) {
        int broken = 0;
        for (const plan_line &a : from)
            for (const plan_line &b : to) broken += !plan_lines_join(a, b);
        return broken;
    };
    auto next_of = [&](int n) { return n + 1 < F + P ? n + 1 : F; };

    // Lines of different sections come from different rides, so each section's samples may fall
    // at their own phase of the 32 ticks: the phase that lets the most lines join into the
    // sections already made is kept. Where lines still do not join (a turn that begins right
    // at a switch point, ridden fast, bends too much between two samples), the ride slows
    // around that switch point and the lines are made again.
    for (int attempt = 0; attempt < 12; ++attempt) {
        first_ride = ride_middle(first, 0);
        lap_ride = ride_middle(laps, TOP_SPEED);
        for (int n = 0; n < F + P; ++n) {
            const plan_cut &k = cuts[(std::size_t)n];
            const int count = k.to - k.from;
            std::vector<plan_line> &lines = out.sections[(std::size_t)n];
            lines.clear();
            if (n == 0) {
                // From each start gate, merging into the middle well before the first switch point.
                const course_sample &s0 = k.route->at[(std::size_t)k.from];
                const int merge = std::max(count - 60, 40);
                for (std::size_t g = 0; g < o.start_lines.size() && g < 43; ++g) {
                    double x, y, z, a;
                    if (sscanf(o.start_lines[g].c_str(), "[ %lf %lf %lf ] %lf", &x, &y, &z, &a) != 4) continue;
                    const double side = (x - s0.x) * -s0.tz + (z - s0.z) * s0.tx;
                    std::vector<double> off((std::size_t)count);
                    for (int i = 0; i < count; ++i) off[(std::size_t)i] = side * (1 - smoothstep(10, merge, i));
                    lines.push_back(make_line(k, off, 0));
                }
                continue;
            }
            int best = -1;
            for (int phase = 0; phase < SAMPLE_TICKS && best != 0; ++phase) {
                std::vector<plan_line> made;
                for (double side : {0.0, -SWING, SWING}) made.push_back(make_line(k, swing_offsets(count, side), phase));
                int broken = broken_joins(out.sections[(std::size_t)n - 1], made);
                if (n == F + P - 1) broken += broken_joins(made, out.sections[(std::size_t)F]);
                if (best < 0 || broken < best) best = broken, lines = made;
            }
        }
        out.broken_joins = 0;
        for (int n = 0; n < F + P; ++n) {
            const int next = next_of(n);
            const int broken = broken_joins(out.sections[(std::size_t)n], out.sections[(std::size_t)next]);
            out.broken_joins += broken;
            if (broken == 0) continue;
            // Slower by a sixth where the two sections meet.
            const plan_cut &a = cuts[(std::size_t)n], &b = cuts[(std::size_t)next];
            const middle_ride &ma = a.route == &first ? first_ride : lap_ride;
            const middle_ride &mb = b.route == &first ? first_ride : lap_ride;
            lower_cap(*a.route, a.to, ma.path.speed[(std::size_t)a.to] * 5 / 6);
            lower_cap(*b.route, b.from, mb.path.speed[(std::size_t)b.from] * 5 / 6);
        }
        if (out.broken_joins == 0) break;
    }
    // Recorded two-section times: the line's own and the middle line of the next section.
    for (int n = 0; n < F + P; ++n) {
        const std::vector<plan_line> &after = out.sections[(std::size_t)next_of(n)];
        const int next_ticks = after.empty() ? 0 : after[0].section_ticks;
        for (plan_line &l : out.sections[(std::size_t)n]) l.two_section_ticks = l.section_ticks + next_ticks;
    }
    return out;
}

// The learned-lines file of the game, every line untested.
inline std::string lines_file_text(const plan_lines &p)
{
    std::string s;
    char buffer[256];
    snprintf(buffer, sizeof buffer, "ct03 %d\n", (int)p.sections.size());
    s += buffer;
    for (const std::vector<plan_line> &section : p.sections) {
        snprintf(buffer, sizeof buffer, "%d\n", (int)section.size());
        s += buffer;
        for (const plan_line &l : section) {
            snprintf(buffer, sizeof buffer, "%d %d %d %d %d %d %d %d %d\n", (int)l.samples.size(), l.section_ticks,
                     l.two_section_ticks, 0, 1000000, 1000000, 0, 0, 0);
            s += buffer;
            for (const plan_sample &q : l.samples) {
                snprintf(buffer, sizeof buffer, "[%f %f %f] %f %f\n", (double)(float)q.x, (double)(float)q.y,
                         (double)(float)q.z, (double)(float)q.speed, (double)(float)q.lean);
                s += buffer;
            }
        }
    }
    return s;
}

}   // namespace gen
