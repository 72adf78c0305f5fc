// tools/track_course.h — the course of a generated track and the ground it is carved into.
//
// A course is a closed loop (and optionally a start straight that runs into it), each a smooth
// curve through hand-placed points, sampled every foot. Along the loop sit the features of a
// motocross track (table-tops, doubles, rhythm rollers, whoops), placed on the straight parts;
// turns are banked towards their outside into berms. The ground around is rolling noise; the
// course follows a blurred copy of it, so it climbs and falls gently while its own features
// stay crisp.
//
// World units are feet; x and z run from 0 to the world size, y is up.
#pragma once
#include "tools/gen_common.h"
#include <vector>

namespace gen {

enum surface_kind { SURF_DIRT, SURF_HARDPACK, SURF_LOAM, SURF_GRASS, SURF_SAND, SURF_COUNT };

enum feature_kind { FEAT_TABLETOP, FEAT_DOUBLE, FEAT_RHYTHM, FEAT_WHOOPS, FEAT_STEPUP };

struct feature {
    feature_kind kind;
    double s0, length;   // where it starts along the loop and how long it runs (ft)
};

struct course_sample {
    double x, z;         // centre line
    double tx, tz;       // unit tangent, the way riders go
    double s;            // distance along its path
    double curvature;    // smoothed, 1/ft, positive turning towards the left normal (-tz, tx)
    double half_width;
    int    path;         // 0 the loop, 1 the start straight
};

struct course_spec {
    std::vector<double> loop_points;    // x, z pairs, in riding order
    std::vector<double> spur_points;    // start straight before it joins the loop; may be empty
    double spur_join_s;                 // where along the loop the start straight joins it
    double half_width;                  // of the loop
    double spur_start_half_width;       // of the start straight at the gate
    double corner_reach;                // ft a corner takes to turn (see sharpen)
    double finish_s;                    // finish line along the loop
    double sand_from, sand_to;          // a stretch of the loop in sand (-1 none)
    std::vector<feature_kind> wanted;   // features in the order they are tried
};

struct course {
    std::vector<course_sample> loop, spur;
    double loop_length = 0, spur_length = 0;
    std::vector<feature> features;
    const course_spec *spec = nullptr;

    const course_sample &loop_at(double s) const
    {
        double l = std::fmod(s, loop_length);
        if (l < 0) l += loop_length;
        std::size_t i = (std::size_t)(l / loop_length * (double)loop.size());
        return loop[std::min(i, loop.size() - 1)];
    }
};

// Adds a point on each side of every corner, at most reach feet away (and never past a third of
// the leg), so the curve runs straight between corners and turns within about that distance.
inline std::vector<double> sharpen(const std::vector<double> &pts, bool closed, double reach)
{
    const int n = (int)pts.size() / 2;
    std::vector<double> out;
    for (int i = 0; i < n; ++i) {
        double x = pts[2 * i], z = pts[2 * i + 1];
        bool corner = closed || (i > 0 && i < n - 1);
        if (!corner) { out.push_back(x), out.push_back(z); continue; }
        int a = (i - 1 + n) % n, b = (i + 1) % n;
        double ax = pts[2 * a], az = pts[2 * a + 1], bx = pts[2 * b], bz = pts[2 * b + 1];
        double la = std::hypot(ax - x, az - z), lb = std::hypot(bx - x, bz - z);
        double da = std::min(reach, la / 3), db = std::min(reach, lb / 3);
        out.push_back(x + (ax - x) / la * da), out.push_back(z + (az - z) / la * da);
        out.push_back(x), out.push_back(z);
        out.push_back(x + (bx - x) / lb * db), out.push_back(z + (bz - z) / lb * db);
    }
    return out;
}

// Catmull-Rom through the points (closed: the curve returns to its start), sampled every foot
// by arc length.
inline std::vector<course_sample> sample_curve(const std::vector<double> &pts, bool closed, int path)
{
    const int n = (int)pts.size() / 2;
    auto P = [&](int i, double *x, double *z) {
        if (closed) i = ((i % n) + n) % n;
        else i = std::max(0, std::min(n - 1, i));
        *x = pts[2 * i], *z = pts[2 * i + 1];
    };
    std::vector<double> dense;
    const int segments = closed ? n : n - 1, steps = 400;
    for (int i = 0; i < segments; ++i) {
        double x0, z0, x1, z1, x2, z2, x3, z3;
        P(i - 1, &x0, &z0), P(i, &x1, &z1), P(i + 1, &x2, &z2), P(i + 2, &x3, &z3);
        for (int k = 0; k < steps; ++k) {
            double t = k / (double)steps, t2 = t * t, t3 = t2 * t;
            auto cr = [&](double a, double b, double c, double d) {
                return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
            };
            dense.push_back(cr(x0, x1, x2, x3));
            dense.push_back(cr(z0, z1, z2, z3));
        }
    }
    if (!closed) dense.push_back(pts[2 * (n - 1)]), dense.push_back(pts[2 * (n - 1) + 1]);
    else dense.push_back(dense[0]), dense.push_back(dense[1]);

    std::vector<course_sample> out;
    double s = 0, next = 0;
    for (std::size_t i = 0; i + 3 < dense.size(); i += 2) {
        double ax = dense[i], az = dense[i + 1], bx = dense[i + 2], bz = dense[i + 3];
        double l = std::hypot(bx - ax, bz - az);
        while (next <= s + l && l > 0) {
            double t = (next - s) / l;
            out.push_back({ax + (bx - ax) * t, az + (bz - az) * t, (bx - ax) / l, (bz - az) / l, next, 0, 0, path});
            next += 1.0;
        }
        s += l;
    }
    // Curvature from the turn of the tangent, smoothed over 30 ft so berms build up gradually.
    const int m = (int)out.size();
    std::vector<double> raw(m, 0.0);
    for (int i = 0; i < m; ++i) {
        int a = closed ? (i - 3 + m) % m : std::max(0, i - 3), b = closed ? (i + 3) % m : std::min(m - 1, i + 3);
        double cross = out[a].tx * out[b].tz - out[a].tz * out[b].tx;
        double dot = out[a].tx * out[b].tx + out[a].tz * out[b].tz;
        double ds = closed ? 6.0 : std::max(1, b - a);
        raw[i] = std::atan2(cross, dot) / ds;
    }
    for (int i = 0; i < m; ++i) {
        double sum = 0;
        int count = 0;
        for (int k = -15; k <= 15; ++k) {
            int j = i + k;
            if (closed) j = (j % m + m) % m;
            else if (j < 0 || j >= m) continue;
            sum += raw[j], ++count;
        }
        out[i].curvature = sum / count;
    }
    return out;
}

inline double feature_length(feature_kind k)
{
    switch (k) {
    case FEAT_TABLETOP: return 80;
    case FEAT_DOUBLE: return 96;
    case FEAT_RHYTHM: return 132;
    case FEAT_WHOOPS: return 150;
    case FEAT_STEPUP: return 90;
    }
    return 0;
}

// Height the feature adds at distance u into it.
inline double feature_height(feature_kind k, double u)
{
    auto ramp = [](double u, double a, double b) { return smoothstep(a, b, u); };
    switch (k) {
    case FEAT_TABLETOP:   // 22 ft face up to 6 ft, 30 ft top, 28 ft landing
        return 6.0 * (ramp(u, 0, 22) - ramp(u, 52, 80));
    case FEAT_DOUBLE: {   // take-off to 6 ft, a gap 1.5 ft deep, a landing from 6 ft down
        // The gap is shallow: a rider who comes up short lands in it and rides out, where a
        // gap down to the ground put a 6 ft wall in his way that threw him high in the air.
        double top = 6.0 * std::min(ramp(u, 0, 20), 1.0 - ramp(u, 62, 96));
        return top - 1.5 * ramp(u, 22, 32) * (1.0 - ramp(u, 50, 60));
    }
    case FEAT_RHYTHM: {   // six rollers, 1.5 ft
        double p = u / 22.0;
        return 1.5 * std::pow(std::sin(PI * (p - std::floor(p))), 2);
    }
    case FEAT_WHOOPS: {   // fourteen whoops, 1 ft, tapering in and out
        double p = u / (150.0 / 14.0), env = smoothstep(0, 12, u) * (1 - smoothstep(138, 150, u));
        return 1.0 * env * std::pow(std::sin(PI * (p - std::floor(p))), 2);
    }
    case FEAT_STEPUP:     // up 5 ft onto a plateau, then a long gentle slope down
        return 5.0 * (ramp(u, 0, 18) - ramp(u, 40, 90));
    }
    return 0;
}

// Puts the wanted features, in order, on the straight parts of the loop, away from the finish
// line and from where the start straight joins.
inline void place_features(course &c)
{
    const course_spec &sp = *c.spec;
    const double L = c.loop_length, clear = 40;
    auto straight = [&](double s0, double len) {
        for (double s = s0 - 25; s <= s0 + len + 25; s += 2)
            if (std::fabs(c.loop_at(s).curvature) > 1.0 / 260.0) return false;
        return true;
    };
    auto near = [&](double s0, double len, double mark, double gap) {
        double mid = std::fmod(s0 + len / 2 - mark + 1.5 * L, L) - L / 2;
        return std::fabs(mid) < len / 2 + gap;
    };
    std::size_t next = 0;
    double s = 60;
    while (s < L - 60 && !sp.wanted.empty()) {
        feature_kind k = sp.wanted[next % sp.wanted.size()];
        double len = feature_length(k);
        bool ok = s + len < L - 60 && straight(s, len) && !near(s, len, sp.finish_s, 70) &&
                  (sp.spur_points.empty() || !near(s, len, sp.spur_join_s, 90));
        if (ok) {
            c.features.push_back({k, s, len});
            ++next;
            s += len + clear;
        } else {
            s += 4;
        }
    }
}

inline double course_profile(const course &c, int path, double s)
{
    if (path != 0) return 0;
    for (const feature &f : c.features)
        if (s >= f.s0 && s < f.s0 + f.length) return feature_height(f.kind, s - f.s0);
    return 0;
}

inline surface_kind course_surface(const course &c, const course_sample &k)
{
    const course_spec &sp = *c.spec;
    if (k.path == 1) return SURF_HARDPACK;
    double s = k.s;
    double from_finish = std::fabs(std::fmod(s - sp.finish_s + 1.5 * c.loop_length, c.loop_length) - c.loop_length / 2);
    if (from_finish < 45) return SURF_HARDPACK;
    if (sp.sand_from >= 0 && s >= sp.sand_from && s < sp.sand_to) return SURF_SAND;
    for (const feature &f : c.features)
        if (f.kind == FEAT_WHOOPS && s >= f.s0 - 10 && s < f.s0 + f.length + 10) return SURF_SAND;
    if (std::fabs(k.curvature) > 1.0 / 120.0) return SURF_LOAM;
    return SURF_DIRT;
}

inline course build_course(const course_spec &spec)
{
    course c;
    c.spec = &spec;
    c.loop = sample_curve(sharpen(spec.loop_points, true, spec.corner_reach), true, 0);
    c.loop_length = (double)c.loop.size();
    for (course_sample &k : c.loop) k.half_width = spec.half_width;
    if (!spec.spur_points.empty()) {
        // The start straight ends on the loop, running the loop's way.
        std::vector<double> pts = spec.spur_points;
        const course_sample &j = c.loop_at(spec.spur_join_s), &after = c.loop_at(spec.spur_join_s + 60);
        pts.push_back(j.x), pts.push_back(j.z), pts.push_back(after.x), pts.push_back(after.z);
        c.spur = sample_curve(sharpen(pts, false, spec.corner_reach), false, 1);
        // Drop what runs past the joint (the tangent guide).
        double join = 0;
        for (std::size_t i = 0; i < c.spur.size(); ++i)
            if (std::hypot(c.spur[i].x - j.x, c.spur[i].z - j.z) < 1.0) { join = c.spur[i].s; break; }
        while (!c.spur.empty() && c.spur.back().s > join) c.spur.pop_back();
        c.spur_length = (double)c.spur.size();
        for (course_sample &k : c.spur) {
            double t = smoothstep(0, c.spur_length * 0.6, k.s);
            k.half_width = mix(spec.spur_start_half_width, spec.half_width, t);
        }
    }
    place_features(c);
    return c;
}

// ---- the ground ----

struct ground {
    int dim;                          // vertices per side
    double cell;                      // ft between vertices
    std::vector<float> height;        // final heights
    std::vector<float> natural;       // the land before the course was carved
    std::vector<int>   nearest;       // per vertex: course sample index (loop, then spur), -1 far away
    std::vector<float> distance;      // per vertex: to that sample's centre line
    std::vector<unsigned char> surface;   // per vertex: surface_kind
    double world() const { return (dim - 1) * cell; }
};

inline const course_sample &sample_by_index(const course &c, int i)
{
    return i < (int)c.loop.size() ? c.loop[(std::size_t)i] : c.spur[(std::size_t)i - c.loop.size()];
}

// Box blur of a dim x dim field, radius r vertices, three passes per axis (close to a Gaussian).
inline std::vector<float> blur(const std::vector<float> &in, int dim, int r)
{
    std::vector<float> a = in, b(in.size());
    for (int pass = 0; pass < 6; ++pass) {
        const bool along_x = pass % 2 == 0;
        for (int line = 0; line < dim; ++line) {
            double sum = 0;
            auto at = [&](int i) -> float {
                i = std::max(0, std::min(dim - 1, i));
                return along_x ? a[(std::size_t)line * dim + i] : a[(std::size_t)i * dim + line];
            };
            for (int i = -r; i <= r; ++i) sum += at(i);
            for (int i = 0; i < dim; ++i) {
                float v = (float)(sum / (2 * r + 1));
                if (along_x) b[(std::size_t)line * dim + i] = v;
                else b[(std::size_t)i * dim + line] = v;
                sum += at(i + r + 1) - at(i - r);
            }
        }
        a.swap(b);
    }
    return a;
}

struct ground_spec {
    std::uint32_t seed;
    double hill_height;     // of the rolling land
    double hill_scale;      // ft across a hill
    double rim_height;      // the land rises this much towards the edges of the world
    // The bank round the field: within bank_width of an edge the ground climbs bank_height more,
    // a cliff at its foot easing to a steep slope at the edge. Steep enough that a bike driven
    // into it is stopped or thrown, never launched, and high enough that nothing rides over it.
    double bank_height = 30;
    double bank_width = 12;
};

// What the bank adds at a point e ft from the nearest edge of the world.
inline double bank_rise(const ground_spec &gs, double e)
{
    if (!(e < gs.bank_width)) return 0;
    return gs.bank_height * std::sqrt(1 - std::max(e, 0.0) / gs.bank_width);
}

inline ground carve_ground(const course &c, int dim, double cell, const ground_spec &gs)
{
    ground g;
    g.dim = dim;
    g.cell = cell;
    const std::size_t count = (std::size_t)dim * dim;
    const double W = g.world();
    g.natural.resize(count);
    for (int z = 0; z < dim; ++z)
        for (int x = 0; x < dim; ++x) {
            double wx = x * cell, wz = z * cell;
            double h = gs.hill_height * fbm(wx / gs.hill_scale, wz / gs.hill_scale, 5, gs.seed);
            h += 0.6 * (fbm(wx / 23.0, wz / 23.0, 3, gs.seed + 7) - 0.5);
            // Outside a rounded square inset from the edges the land rises towards the rim.
            const double inset = W * 0.17;
            double ox = std::max(std::fabs(wx - W / 2) - (W / 2 - inset), 0.0);
            double oz = std::max(std::fabs(wz - W / 2) - (W / 2 - inset), 0.0);
            h += gs.rim_height * std::pow(smoothstep(0, inset, std::hypot(ox, oz)), 2);
            g.natural[(std::size_t)z * dim + x] = (float)h;
        }
    const std::vector<float> base = blur(g.natural, dim, (int)(30.0 / cell));

    // Nearest course sample per vertex, found by stamping each sample's disc.
    const double band = 14.0;
    g.nearest.assign(count, -1);
    g.distance.assign(count, 1e9f);
    const int total = (int)(c.loop.size() + c.spur.size());
    for (int i = 0; i < total; ++i) {
        const course_sample &k = sample_by_index(c, i);
        const double R = k.half_width + band + 2;
        int x0 = std::max(0, (int)((k.x - R) / cell)), x1 = std::min(dim - 1, (int)((k.x + R) / cell) + 1);
        int z0 = std::max(0, (int)((k.z - R) / cell)), z1 = std::min(dim - 1, (int)((k.z + R) / cell) + 1);
        for (int z = z0; z <= z1; ++z)
            for (int x = x0; x <= x1; ++x) {
                double dx = x * cell - k.x, dz = z * cell - k.z;
                // Distance across the centre line (the sample spacing is far below a vertex).
                double along = dx * k.tx + dz * k.tz;
                if (std::fabs(along) > 0.75) continue;
                double d = std::fabs(-dx * k.tz + dz * k.tx);
                // Compare the full distance to pick a sample, keep the lateral one.
                std::size_t v = (std::size_t)z * dim + x;
                if (d > R) continue;
                if (d < g.distance[v] - 1e-9) {
                    g.distance[v] = (float)d;
                    g.nearest[v] = i;
                }
            }
    }

    g.height.resize(count);
    g.surface.assign(count, SURF_GRASS);
    for (int z = 0; z < dim; ++z)
        for (int x = 0; x < dim; ++x) {
            std::size_t v = (std::size_t)z * dim + x;
            double nat = g.natural[v];
            if (g.nearest[v] < 0) {
                g.height[v] = (float)nat;
                continue;
            }
            const course_sample &k = sample_by_index(c, g.nearest[v]);
            double dx = x * cell - k.x, dz = z * cell - k.z;
            double lateral = -dx * k.tz + dz * k.tx;   // towards the left normal
            double d = std::fabs(lateral), hw = k.half_width;
            double along = dx * k.tx + dz * k.tz;
            double top = base[v] + course_profile(c, k.path, k.s + along);
            // Berm: the outside half of a turn rises, up to 5 ft in the tightest ones. The middle
            // stays at the course's own height, so a rider on the middle line is not lifted where
            // a turn tightens and thrown where it opens (in a hairpin that made a jump).
            double bank = std::min(5.0, std::fabs(k.curvature) * 260.0);
            double outward = k.curvature > 0 ? -lateral : lateral;
            if (k.path == 0) top += bank * smoothstep(0, hw + 4, outward);
            double h;
            if (d <= hw) {
                h = top;
            } else {
                double t = smoothstep(hw, hw + band, d);
                h = mix(top, nat, t) + 0.7 * std::sin(PI * t) * (1 - t);   // a low lip along the edge
            }
            g.height[v] = (float)h;
            if (d <= hw + 1.0) g.surface[v] = (unsigned char)course_surface(c, k);
        }
    for (int z = 0; z < dim; ++z)
        for (int x = 0; x < dim; ++x) {
            const double e = std::min(std::min(x, dim - 1 - x), std::min(z, dim - 1 - z)) * cell;
            g.height[(std::size_t)z * dim + x] += (float)bank_rise(gs, e);
        }
    return g;
}

}   // namespace gen
