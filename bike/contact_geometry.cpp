// Torus and sphere against one triangle. Everything here is float on purpose: the ground pass runs
// these for every triangle under every wheel each tick, and the results must not move with the
// compiler (see the -ffp-contract=off of rl_bike).
#include "bike/contact_geometry.h"
#include <cmath>

static const float ON_AXLE = 1e-6f;                 // times R: a point this near the axle line
static const float THROUGH_EDGE = 9.5367431640625e-07f;   // 2^-20
static const float FLAT_SLOPE = 9.313226e-10f;      // 2^-30: Newton stops below this |f'|

static inline float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
static inline void sub(float o[3], const float a[3], const float b[3])
{
    o[0] = a[0] - b[0];
    o[1] = a[1] - b[1];
    o[2] = a[2] - b[2];
}
static inline void cross(float o[3], const float a[3], const float b[3])
{
    float x = a[1] * b[2] - a[2] * b[1];
    float y = a[2] * b[0] - a[0] * b[2];
    float z = a[0] * b[1] - a[1] * b[0];
    o[0] = x;
    o[1] = y;
    o[2] = z;
}
static inline void set(float o[3], float x, float y, float z)
{
    o[0] = x;
    o[1] = y;
    o[2] = z;
}
static inline void copy(float o[3], const float a[3]) { set(o, a[0], a[1], a[2]); }
// a + s b
static inline void add_scaled(float o[3], const float a[3], float s, const float b[3])
{
    set(o, a[0] + s * b[0], a[1] + s * b[1], a[2] + s * b[2]);
}
static inline float clamp01(float t) { return t > 0 ? (t < 1 ? t : 1) : 0; }   // NaN gives 0

// v scaled to unit length; a zero (or non-finite) length leaves the fallback instead, so that no
// zero vector is ever divided by its length.
static void normalize_or(float o[3], const float v[3], const float fallback[3])
{
    float len2 = dot(v, v);
    if (!(len2 > 0) || !std::isfinite(len2)) {
        copy(o, fallback);
        return;
    }
    float inv = 1.0f / std::sqrt(len2);
    set(o, v[0] * inv, v[1] * inv, v[2] * inv);
}

// v with its part along a removed.
static void radial(float o[3], const float v[3], const float a[3])
{
    float k = dot(v, a) / dot(a, a);
    set(o, v[0] - a[0] * k, v[1] - a[1] * k, v[2] - a[2] * k);
}

// The first of the fixed directions whose part across the axle is long enough: a direction in the
// wheel's plane for points on the axle line. Returns 0 when none is (R of 0).
static int axle_fallback(float u[3], const float a[3], float R)
{
    static const float dirs[7][3] = {{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
    for (const float *d : dirs) {
        float v[3] = {d[0] * R, d[1] * R, d[2] * R};
        radial(u, v, a);
        if (dot(u, u) >= R * ON_AXLE) return 1;
    }
    return 0;
}

void circle_closest_point(float out[3], const float W[3], const float a[3], float R, const float p[3])
{
    float d[3], u[3];
    sub(d, p, W);
    radial(u, d, a);
    if (dot(u, u) < R * ON_AXLE) axle_fallback(u, a, R);
    float len2 = dot(u, u);
    if (!(len2 > 0)) {
        copy(out, W);
        return;
    }
    add_scaled(out, W, R / std::sqrt(len2), u);
}

float point_plane_distance(const float p[3], const float d[3], const float q[3])
{
    float v[3];
    sub(v, q, p);
    return std::fabs(dot(v, d)) / std::sqrt(dot(d, d));
}

int line_plane_intersect(float out[3], const float P[3], const float D[3], const float Q[3], const float N[3])
{
    float dn = dot(D, N);
    if (dn == 0) {
        copy(out, P);
        return 0;
    }
    float v[3];
    sub(v, Q, P);
    add_scaled(out, P, dot(v, N) / dn, D);
    return 1;
}

static inline float quartic(const float c[5], float t) { return (((c[4] * t + c[3]) * t + c[2]) * t + c[1]) * t + c[0]; }
static inline float quartic_slope(const float c[5], float t)
{
    return ((4 * c[4] * t + 3 * c[3]) * t + 2 * c[2]) * t + c[1];
}

float quartic_newton_refine(const float c[5], float t)
{
    float f = quartic(c, t);
    for (int step = 0; step < 4; ++step) {
        float slope = quartic_slope(c, t);
        if (!(std::fabs(slope) >= FLAT_SLOPE)) break;
        float t2 = t - f / slope;
        float f2 = quartic(c, t2);
        if (!(std::fabs(f2) <= std::fabs(f))) break;   // growing (or NaN): keep where we are
        t = t2;
        f = f2;
    }
    return t;
}

// Edge i of the triangle: the point of the edge nearest the circle, with its distance.
static float edge_candidate(float best_p[3], const float W[3], const float a[3], float R, const float T[3],
                            const float e[3])
{
    float q[3];
    sub(q, W, T);
    const float E = dot(e, e), B = dot(e, q), G = dot(e, a), S = dot(q, q), H = dot(q, a);
    const float K = 1.0f / dot(a, a), R2 = R * R;
    const float E2 = E * E, G2 = G * G, H2 = H * H, B2 = B * B;
    float c[5];
    c[4] = E2 * G2 * K - E2 * E;
    c[3] = 4 * B * E2 - 2 * E2 * G * H * K - 2 * E * B * G2 * K;
    c[2] = E2 * H2 * K + E2 * R2 - E2 * S - 5 * E * B2 + 4 * E * B * G * H * K + B2 * G2 * K - 2 * E * G2 * K * R2 +
           G2 * G2 * K * K * R2;
    c[1] = 2 * (E * G * H * K * R2 + B2 * B - E * B * R2 + E * B * S + B * G2 * K * R2 - E * B * H2 * K -
                B2 * G * H * K - G2 * G * H * K * K * R2);
    c[0] = G2 * H2 * K * K * R2 + B2 * H2 * K + B2 * R2 - B2 * S - 2 * B * G * H * K * R2;

    // Start either side of W's foot on the edge line, half the circle's shadow on the line away.
    float tc = 0, delta = 0;
    if (E > 0) {
        tc = B / E;
        float ea[3], w[3];
        cross(ea, e, a);
        cross(w, ea, a);
        float w2 = dot(w, w);
        if (w2 >= R * ON_AXLE) {
            float s = R / std::sqrt(w2);
            float rw[3] = {w[0] * s, w[1] * s, w[2] * s};
            delta = std::fabs(dot(rw, e)) / E;
        } else {
            delta = R * 0.001f;   // the edge runs along the axle
        }
    }
    float best = 0;
    for (int k = 0; k < 2; ++k) {
        float t = E > 0 ? clamp01(quartic_newton_refine(c, k == 0 ? tc - delta : tc + delta)) : 0;
        float p[3], on_circle[3], d[3];
        add_scaled(p, T, t, e);
        circle_closest_point(on_circle, W, a, R, p);
        sub(d, on_circle, p);
        float dist = std::sqrt(dot(d, d));
        if (k == 0 || dist < best) {
            best = dist;
            copy(best_p, p);
        }
    }
    return best;
}

// A distance the edge search can measure for edge T + t e no shorter than, but for rounding:
// every distance it takes is from a point p of the edge to the circle or disc, so at least
// sqrt(h² + max(0, ρ - R)²) with h the offset of p along the (unit) axle u and ρ its distance
// from the axle line. Over the edge, h is at least the nearer end's when both ends lie on one
// side of the wheel's plane (else 0), and ρ at least the edge's closest approach to the line.
static float edge_distance_bound(const float W[3], const float u[3], float R, const float T[3], const float e[3])
{
    float q[3], v[3], f[3], c[3];
    sub(q, T, W);
    const float h0 = dot(q, u), he = dot(e, u), h1 = h0 + he;
    float h = 0;
    if (h0 > 0 && h1 > 0) h = h0 < h1 ? h0 : h1;
    if (h0 < 0 && h1 < 0) h = h0 > h1 ? -h0 : -h1;
    add_scaled(v, q, -h0, u);
    add_scaled(f, e, -he, u);
    const float f2 = dot(f, f);
    add_scaled(c, v, f2 > 0 ? clamp01(-dot(v, f) / f2) : 0, f);
    const float rho = std::sqrt(dot(c, c));
    const float out = rho > R ? rho - R : 0;
    return std::sqrt(h * h + out * out);
}

// Margin of the edge bounds: far above their rounding and the search's (about 1e-6 ft).
static const float EDGE_BOUND_MARGIN = 1.0f / 1024;

// circle_edge_closest, leaving out the edges that cannot come nearer than `farthest`, nor than a
// vertex does: the nearest distance, its winner and point are unchanged unless they lie beyond
// `farthest`, when the result only has to lie beyond it too.
static float circle_edge_closest_within(float point[3], float normal[3], const float W[3], const float a[3], float R,
                                        float r, const float tri[3][3], const float n[3], float farthest)
{
    float u[3], bound[3] = {0, 0, 0};
    const float a2 = dot(a, a);
    const int bounded = a2 > 0 && std::isfinite(a2);
    if (bounded) {
        const float inv = 1.0f / std::sqrt(a2);
        set(u, a[0] * inv, a[1] * inv, a[2] * inv);
        for (int i = 0; i < 3; ++i) {
            float e[3];
            sub(e, tri[(i + 1) % 3], tri[i]);
            bound[i] = edge_distance_bound(W, u, R, tri[i], e);
        }
        // Every distance measured below is from a point of an edge, a vertex's too: with every
        // edge beyond `farthest`, so is the result, and its point and normal serve no one.
        const float nearest = std::fmin(bound[0], std::fmin(bound[1], bound[2]));
        if (nearest > farthest + EDGE_BOUND_MARGIN) {
            copy(point, tri[0]);
            set(normal, 0, 1, 0);
            return nearest;
        }
    }
    // The nearest point of the disc to each vertex: its offset across the axle, at most R long.
    float vertex_dist[3], nearest_vertex = INFINITY;
    for (int i = 0; i < 3; ++i) {
        float v[3], off[3], d[3];
        sub(v, tri[i], W);
        radial(off, v, a);
        float len2 = dot(off, off);
        if (len2 > R * R) {
            float s = R / std::sqrt(len2);
            set(off, off[0] * s, off[1] * s, off[2] * s);
        }
        sub(d, v, off);
        vertex_dist[i] = std::sqrt(dot(d, d));
        nearest_vertex = vertex_dist[i] < nearest_vertex ? vertex_dist[i] : nearest_vertex;
    }
    const float skip_beyond = (farthest < nearest_vertex ? farthest : nearest_vertex) + EDGE_BOUND_MARGIN;

    float best = 0, best_p[3] = {0, 0, 0};
    int winner = -1;
    for (int i = 0; i < 3; ++i) {
        float e[3], p[3];
        sub(e, tri[(i + 1) % 3], tri[i]);
        if (bounded && bound[i] > skip_beyond) continue;
        float d = edge_candidate(p, W, a, R, tri[i], e);
        if (winner < 0 || d < best) {
            best = d;
            winner = i;
            copy(best_p, p);
        }
    }
    if (winner < 0) best = INFINITY;   // every edge lies beyond a vertex or `farthest`
    for (int i = 0; i < 3; ++i)
        if (vertex_dist[i] < best) {
            best = vertex_dist[i];
            winner = 3 + i;
        }
    if (winner < 0) {   // nothing measured (distances not finite): no touch
        copy(point, tri[0]);
        set(normal, 0, 1, 0);
        return best;
    }

    float unit_n[3];
    const float up[3] = {0, 1, 0};
    normalize_or(unit_n, n, up);
    if (winner < 3) {
        float Q[3], d[3];
        circle_closest_point(Q, W, a, R, best_p);
        copy(point, best_p);
        if (best > THROUGH_EDGE) {
            sub(d, Q, best_p);
            normalize_or(normal, d, unit_n);
        } else {
            // The circle passes through the edge: push out across the edge, in the face's direction.
            float e[3], qw[3], b[3], eb[3];
            sub(e, tri[(winner + 1) % 3], tri[winner]);
            sub(qw, Q, W);
            cross(b, qw, a);
            if (dot(b, n) < 0) set(b, -b[0], -b[1], -b[2]);
            cross(eb, e, b);
            if (dot(eb, eb) < THROUGH_EDGE) copy(normal, unit_n);
            else normalize_or(normal, eb, unit_n);
            add_scaled(point, Q, -r, normal);
        }
    } else {
        const float *V = tri[winner - 3];
        float v[3];
        sub(v, V, W);
        normalize_or(normal, a, unit_n);
        if (dot(v, a) > 0) set(normal, -normal[0], -normal[1], -normal[2]);
        copy(point, V);
    }
    return best;
}

float circle_edge_closest(float point[3], float normal[3], const float W[3], const float a[3], float R, float r,
                          const float tri[3][3], const float n[3])
{
    return circle_edge_closest_within(point, normal, W, a, R, r, tri, n, INFINITY);
}

// Inside edge i: (p - T_i) . ((T_{i+1} - T_i) x n) <= 0; with n = (0, 1, 0) the test is against the
// triangle's vertical projection.
static int inside_edge(const float tri[3][3], const float n[3], int i, const float p[3])
{
    float e[3], m[3], v[3];
    sub(e, tri[(i + 1) % 3], tri[i]);
    cross(m, e, n);
    sub(v, p, tri[i]);
    return dot(v, m) <= 0;
}
static int inside(const float tri[3][3], const float n[3], const float p[3])
{
    return inside_edge(tri, n, 0, p) && inside_edge(tri, n, 1, p) && inside_edge(tri, n, 2, p);
}

// The face normal, not normalised, as every torus case takes it.
static inline void face_normal(float n[3], const float tri[3][3])
{
    float e1[3], e2[3];
    sub(e1, tri[1], tri[0]);
    sub(e2, tri[2], tri[0]);
    cross(n, e1, e2);
}

// The cases that meet the face directly: 1 with the depth in *depth, or 0 when only the edge
// search (circle_edge_closest) can tell.
static int torus_face_cases(float point[3], float normal[3], const float W[3], const float a[3], float R, float r,
                            const float tri[3][3], float *depth)
{
    static const float up[3] = {0, 1, 0};
    float n[3], unit_n[3];
    face_normal(n, tri);
    normalize_or(unit_n, n, up);

    // Downward in the wheel's plane. A wheel lying flat (axle along n) has none; any direction in
    // its plane serves, and the axle-line fallback gives one.
    float na[3], w[3], down[3];
    cross(na, n, a);
    cross(w, na, a);
    if (dot(w, n) > 0) set(w, -w[0], -w[1], -w[2]);
    float w2 = dot(w, w);
    if (!(w2 > 0) || !std::isfinite(w2)) {
        if (!axle_fallback(w, a, R)) radial(w, up, a);
    }
    normalize_or(down, w, up);
    float low[3], high[3], d[3];
    add_scaled(low, W, R, down);
    add_scaled(high, W, -R, down);
    sub(d, low, tri[0]);
    const int low_below = dot(d, n) <= 0;
    sub(d, high, tri[0]);
    const int high_below = dot(d, n) <= 0;

    if (low_below && !high_below) {
        float X[3];
        line_plane_intersect(X, W, down, tri[0], n);
        if (inside(tri, n, X)) {
            copy(normal, unit_n);
            add_scaled(point, low, -r, normal);
            *depth = point_plane_distance(tri[0], n, low) + r;
            return 1;
        }
        int side[3];
        for (int k = 0; k < 3; ++k) {
            sub(d, tri[k], W);
            side[k] = dot(d, a) <= 0;
        }
        for (int i = 0; i < 3; ++i) {
            int j = (i + 1) % 3;
            if (inside_edge(tri, n, i, X) || side[i] == side[j]) continue;
            float e[3], Y[3], yw[3];
            sub(e, tri[j], tri[i]);
            line_plane_intersect(Y, tri[i], e, W, a);
            sub(yw, Y, W);
            if (!(dot(yw, yw) < R * R)) continue;
            // The edge crosses the disc: the circle dips under the face across this edge.
            float b[3], eb[3], Q[3];
            cross(b, yw, a);
            if (dot(b, n) < 0) set(b, -b[0], -b[1], -b[2]);
            cross(eb, e, b);
            normalize_or(normal, eb, unit_n);
            circle_closest_point(Q, W, a, R, Y);
            add_scaled(point, Q, -r, normal);
            *depth = r - THROUGH_EDGE;
            return 1;
        }
    } else if (low_below && high_below) {
        if (inside(tri, up, W)) {
            copy(point, low);
            copy(normal, up);
            *depth = 2 * R;
            return 1;
        }
    } else if (inside(tri, n, low)) {
        float F[3], Q[3];
        sub(d, low, tri[0]);
        add_scaled(F, low, -dot(d, n) / dot(n, n), n);
        sub(d, F, low);
        copy(normal, unit_n);
        circle_closest_point(Q, W, a, R, F);
        add_scaled(point, Q, -r, normal);
        *depth = r - std::sqrt(dot(d, d));
        return 1;
    }
    return 0;
}

float torus_triangle_face(float point[3], float normal[3], const float W[3], const float a[3], float R, float r,
                          const float tri[3][3], int *edges)
{
    float depth = 0;
    *edges = !torus_face_cases(point, normal, W, a, R, r, tri, &depth);
    return *edges ? 0 : depth;
}

float torus_triangle_edges(float point[3], float normal[3], const float W[3], const float a[3], float R, float r,
                           const float tri[3][3], float deeper_than)
{
    float n[3];
    face_normal(n, tri);
    return r - circle_edge_closest_within(point, normal, W, a, R, r, tri, n, r - deeper_than);
}

float torus_triangle_distance(float point[3], float normal[3], const float W[3], const float a[3], float R,
                              float r, const float tri[3][3])
{
    float depth;
    if (torus_face_cases(point, normal, W, a, R, r, tri, &depth)) return depth;
    return torus_triangle_edges(point, normal, W, a, R, r, tri, -INFINITY);
}

float torus_triangle_distance_fx(float point[3], float normal[3], const float W[3], const float a[3], float R,
                                 float r, const float tri[3][3])
{
    float depth;
    return torus_face_cases(point, normal, W, a, R, r, tri, &depth) ? depth : 0;
}

float sphere_triangle_distance(float point[3], float normal[3], const float c[3], float r, const float tri[3][3])
{
    static const float up[3] = {0, 1, 0};
    float e1[3], e2[3], n[3], unit_n[3], d[3];
    sub(e1, tri[1], tri[0]);
    sub(e2, tri[2], tri[0]);
    cross(n, e1, e2);
    normalize_or(unit_n, n, up);

    if (!inside(tri, n, c)) {
        // The nearest point of the three edges, each clamped to its segment (a tie keeps the lower
        // edge). Taking the first edge the centre projects onto instead would pick a far edge for a
        // centre beside another one, and spheres would sink into every ridge.
        float best = 0, P[3] = {0, 0, 0};
        for (int j = 0; j < 3; ++j) {
            float e[3], q[3], v[3];
            sub(e, tri[(j + 1) % 3], tri[j]);
            sub(d, c, tri[j]);
            float e2 = dot(e, e);
            float t = e2 > 0 ? clamp01(dot(d, e) / e2) : 0;
            add_scaled(q, tri[j], t, e);
            sub(v, c, q);
            float d2 = dot(v, v);
            if (j == 0 || d2 < best) {
                best = d2;
                copy(P, q);
            }
        }
        sub(d, c, P);
        normalize_or(normal, d, unit_n);   // a centre on an edge line takes the face normal
        add_scaled(point, c, -r, normal);
        return r - std::sqrt(best);
    }
    sub(d, c, tri[0]);
    float depth = r - dot(unit_n, d);
    if (depth <= 2 * r) {
        copy(normal, unit_n);
    } else {
        // More than r below the face: push straight up, and only from under the triangle itself.
        if (!inside(tri, up, c)) return 0;
        copy(normal, up);
    }
    add_scaled(point, c, -r, normal);
    return depth;
}
