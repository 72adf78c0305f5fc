#include "bike/contact_geometry.h"
#include <gtest/gtest.h>
#include <cmath>
#include <random>

namespace {

const float kThroughEdge = 9.5367431640625e-07f;   // 2^-20

void expect_vec(const float got[3], float x, float y, float z, float tol)
{
    EXPECT_NEAR(got[0], x, tol);
    EXPECT_NEAR(got[1], y, tol);
    EXPECT_NEAR(got[2], z, tol);
}

// A large level triangle at height 0 (face normal up) holding x >= -10, z >= -10, x + z <= 0.
const float kFloor[3][3] = {{-10, 0, -10}, {-10, 0, 10}, {10, 0, -10}};
// A small level triangle in the corner of a cell.
const float kCorner[3][3] = {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}};

} // namespace

TEST(ContactGeometry, TorusCases)
{
    const float R = 1.0f, r = 0.25f;
    const float up_left = 0.8f / std::sqrt(0.89f), back = -0.5f / std::sqrt(0.89f);
    struct Case {
        const char *name;
        const float (*tri)[3];
        float W[3], a[3];
        float want_depth;
        float want_normal[3];
        float want_point[3];
        bool check_point;
    };
    const Case cases[] = {
        // Upright wheel, lowest point above the face: the tube reaches 0.1 under it.
        {"above the face", kFloor, {-2, R + r - 0.1f, -2}, {1, 0, 0}, 0.1f, {0, 1, 0}, {-2, -0.1f, -2}, true},
        // Circle through the face: depth from the lowest point plus the tube.
        {"circle through the face", kFloor, {-2, R - 0.2f, -2}, {1, 0, 0}, r + 0.2f, {0, 1, 0}, {-2, -0.2f - r, -2}, true},
        {"clear of the face", kFloor, {-2, R + r + 0.05f, -2}, {1, 0, 0}, -0.05f, {0, 0, 0}, {0, 0, 0}, false},
        // Entirely under the face, over the triangle.
        {"buried", kFloor, {-2, -1.5f, -2}, {1, 0, 0}, 2 * R, {0, 1, 0}, {-2, -2.5f, -2}, true},
        // The circle dips under the plane beside the triangle, across edge 2 (along x) inside the disc.
        {"across an edge", kCorner, {0.5f, 0.8f, -0.5f}, {1, 0, 0}, r - kThroughEdge, {0, up_left, back}, {0, 0, 0}, false},
        // Lying flat (axle along the face normal): a direction in its plane is chosen, the result finite.
        {"lying flat", kFloor, {-2, 0.1f, -2}, {0, 1, 0}, r - 0.1f, {0, 1, 0}, {-1, 0.1f - r, -2}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        float point[3] = {0, 0, 0}, normal[3] = {0, 0, 0};
        float depth = torus_triangle_distance(point, normal, c.W, c.a, R, r, c.tri);
        EXPECT_NEAR(depth, c.want_depth, 2e-6f);
        if (depth <= 0) continue;
        expect_vec(normal, c.want_normal[0], c.want_normal[1], c.want_normal[2], 1e-5f);
        if (c.check_point) expect_vec(point, c.want_point[0], c.want_point[1], c.want_point[2], 1e-5f);
        for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::isfinite(point[k]) && std::isfinite(normal[k]));
    }
}

TEST(ContactGeometry, TorusAcrossAnEdgeIsAtRightAnglesToIt)
{
    float point[3], normal[3];
    const float W[3] = {0.5f, 0.8f, -0.5f}, a[3] = {1, 0, 0};
    ASSERT_GT(torus_triangle_distance(point, normal, W, a, 1.0f, 0.25f, kCorner), 0);
    EXPECT_NEAR(normal[0], 0, 1e-6f);   // edge 2 runs along x
    // The point is the circle's point over the edge's crossing, pushed out by the tube.
    EXPECT_NEAR(point[0], 0.5f, 1e-5f);
    float ry = point[1] + 0.25f * normal[1] - W[1], rz = point[2] + 0.25f * normal[2] - W[2];
    EXPECT_NEAR(ry * ry + rz * rz, 1.0f, 1e-5f);
}

TEST(ContactGeometry, FxSkipsTheEdgeCase)
{
    // Over the corner but off the triangle: only the edge-and-vertex search finds the touch.
    const float W[3] = {-0.15f, 1.05f, 0.5f}, a[3] = {1, 0, 0};
    float p[3], n[3];
    EXPECT_GT(torus_triangle_distance(p, n, W, a, 1.0f, 0.25f, kCorner), 0);
    float q[3] = {7, 7, 7}, m[3] = {7, 7, 7};
    EXPECT_EQ(torus_triangle_distance_fx(q, m, W, a, 1.0f, 0.25f, kCorner), 0);
    expect_vec(q, 7, 7, 7, 0);
    // The face case is the same in both.
    const float over[3] = {-2, 1.15f, -2};
    EXPECT_EQ(torus_triangle_distance_fx(q, m, over, a, 1.0f, 0.25f, kFloor),
              torus_triangle_distance(p, n, over, a, 1.0f, 0.25f, kFloor));
}

TEST(ContactGeometry, SphereCases)
{
    // A tilted face rising toward +x; its unit normal leans toward -x.
    const float tilted[3][3] = {{-10, -1, -10}, {-10, -1, 10}, {10, 1, -10}};
    const float nl = 1.0f / std::sqrt(1.01f);
    const float tn[3] = {-0.1f * nl, nl, 0};
    struct Case {
        const char *name;
        const float (*tri)[3];
        float c[3], r;
        float want_depth;
        float want_normal[3];
    };
    const Case cases[] = {
        {"0.3 from a corner", kCorner, {1.18f, 0, -0.24f}, 0.5f, 0.2f, {0.6f, 0, -0.8f}},
        // Beside edge 2 though over the far edge's span: the near edge gives the contact.
        {"beside an edge", kCorner, {0.5f, 0.3f, -0.4f}, 0.6f, 0.1f, {0, 0.6f, -0.8f}},
        {"over the face", tilted, {0.3f * tn[0], 0.3f * tn[1], -5}, 0.5f, 0.2f, {tn[0], tn[1], tn[2]}},
        {"0.3 under the face", tilted, {-0.3f * tn[0], -0.3f * tn[1], -5}, 0.5f, 0.8f, {tn[0], tn[1], tn[2]}},
        // More than r under the face: pushed straight up.
        {"0.8 under the face", tilted, {-0.8f * tn[0], -0.8f * tn[1], -5}, 0.5f, 1.3f, {0, 1, 0}},
        // A centre exactly on an edge takes the face normal.
        {"on an edge", kCorner, {0.5f, 0, 0}, 0.5f, 0.5f, {0, 1, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        float point[3], normal[3];
        float depth = sphere_triangle_distance(point, normal, c.c, c.r, c.tri);
        EXPECT_NEAR(depth, c.want_depth, 2e-6f);
        expect_vec(normal, c.want_normal[0], c.want_normal[1], c.want_normal[2], 1e-5f);
        expect_vec(point, c.c[0] - c.r * normal[0], c.c[1] - c.r * normal[1], c.c[2] - c.r * normal[2], 1e-6f);
    }
    // A steep face: 2 ft under its middle along the normal lies outside its vertical projection,
    // so nothing is found and nothing written.
    const float steep[3][3] = {{0, 0, 0}, {0, 0, 1}, {1, 4, 0}};
    const float sl = std::sqrt(17.0f), sn[3] = {-4 / sl, 1 / sl, 0};
    const float c[3] = {1.0f / 3 - 2 * sn[0], 4.0f / 3 - 2 * sn[1], 1.0f / 3};
    float point[3] = {7, 7, 7}, normal[3] = {7, 7, 7};
    EXPECT_EQ(sphere_triangle_distance(point, normal, c, 0.5f, steep), 0);
    expect_vec(point, 7, 7, 7, 0);
    expect_vec(normal, 7, 7, 7, 0);
}

TEST(ContactGeometry, NewtonRefinement)
{
    // t^4 - 1: from 0.1 the first step would land near 250 where |f| is enormous, so it stays.
    const float steep[5] = {-1, 0, 0, 0, 1};
    EXPECT_EQ(quartic_newton_refine(steep, 0.1f), 0.1f);
    // From 2 it closes in on 1, but stops after four steps.
    float t = quartic_newton_refine(steep, 2.0f);
    EXPECT_GT(std::fabs(t - 1), 1e-3f);
    EXPECT_LT(std::fabs(t - 1), 1e-2f);
    // t^2 - 1 from 0: no slope, no step.
    const float flat[5] = {-1, 0, 1, 0, 0};
    EXPECT_EQ(quartic_newton_refine(flat, 0.0f), 0.0f);
}

TEST(ContactGeometry, EdgeAlongTheAxle)
{
    // Edge 0 runs parallel to the axle 0.5 under the upright circle.
    const float tri[3][3] = {{-1, -1.5f, 0}, {1, -1.5f, 0}, {0, -1.5f, -3}};
    const float W[3] = {0, 0, 0}, a[3] = {1, 0, 0}, n[3] = {0, 1, 0};
    float point[3], normal[3];
    EXPECT_NEAR(circle_edge_closest(point, normal, W, a, 1.0f, 0.25f, tri, n), 0.5f, 1e-5f);
    expect_vec(point, 0, -1.5f, 0, 1e-3f);
    expect_vec(normal, 0, 1, 0, 1e-3f);
}

TEST(ContactGeometry, Primitives)
{
    const float W[3] = {1, 2, 3}, a[3] = {0, 0, 2};
    float out[3];
    const float p[3] = {1, 5, 9};
    circle_closest_point(out, W, a, 2.0f, p);
    expect_vec(out, 1, 4, 3, 1e-6f);
    // On the axle line: the first fallback direction, (R, 0, 0).
    const float on_axle[3] = {1, 2, -4};
    circle_closest_point(out, W, a, 2.0f, on_axle);
    expect_vec(out, 3, 2, 3, 1e-6f);
    // An axle along x makes (R, 0, 0) vanish: (0, R, 0) is next.
    const float ax[3] = {3, 0, 0};
    circle_closest_point(out, W, ax, 2.0f, W);
    expect_vec(out, 1, 4, 3, 1e-6f);

    const float q[3] = {4, 6, 3};
    EXPECT_NEAR(point_plane_distance(W, a, q), 0.0f, 1e-6f);
    EXPECT_NEAR(point_plane_distance(W, q, W), 0.0f, 1e-6f);
    const float d[3] = {0, 3, 4};
    EXPECT_NEAR(point_plane_distance(W, d, q), 12.0f / 5, 1e-6f);

    const float P[3] = {0, 5, 0}, D[3] = {0, -2, 0}, Q[3] = {0, 1, 0}, N[3] = {0, 3, 0}, side[3] = {1, 0, 0};
    EXPECT_EQ(line_plane_intersect(out, P, D, Q, N), 1);
    expect_vec(out, 0, 1, 0, 1e-6f);
    EXPECT_EQ(line_plane_intersect(out, P, side, Q, N), 0);
    expect_vec(out, 0, 5, 0, 0);
}

namespace {

struct Rng {
    std::mt19937 gen{1234567u};
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(gen); }
};

// Unit vectors u, v spanning the plane perpendicular to a.
void plane_basis(const float a[3], double u[3], double v[3])
{
    double al = std::sqrt((double)a[0] * a[0] + (double)a[1] * a[1] + (double)a[2] * a[2]);
    double n[3] = {a[0] / al, a[1] / al, a[2] / al};
    double t[3] = {1, 0, 0};
    if (std::fabs(n[0]) > 0.9) t[0] = 0, t[1] = 1;
    double k = t[0] * n[0] + t[1] * n[1] + t[2] * n[2];
    for (int i = 0; i < 3; ++i) u[i] = t[i] - k * n[i];
    double ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (int i = 0; i < 3; ++i) u[i] /= ul;
    v[0] = n[1] * u[2] - n[2] * u[1];
    v[1] = n[2] * u[0] - n[0] * u[2];
    v[2] = n[0] * u[1] - n[1] * u[0];
}

double dist3(const double p[3], const double q[3])
{
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]));
}

// Distance of p from the circle, exactly.
double circle_distance(const double p[3], const float W[3], const float a[3], float R)
{
    double d[3] = {p[0] - W[0], p[1] - W[1], p[2] - W[2]};
    double al2 = (double)a[0] * a[0] + (double)a[1] * a[1] + (double)a[2] * a[2];
    double axial = (d[0] * a[0] + d[1] * a[1] + d[2] * a[2]) / std::sqrt(al2);
    double radial = std::sqrt(std::max(0.0, d[0] * d[0] + d[1] * d[1] + d[2] * d[2] - axial * axial));
    return std::sqrt((radial - R) * (radial - R) + axial * axial);
}

void random_case(Rng &rng, float W[3], float a[3], float &R, float tri[3][3])
{
    for (int k = 0; k < 3; ++k) W[k] = rng.uniform(-1, 1);
    float len2;
    do {
        for (int k = 0; k < 3; ++k) a[k] = rng.uniform(-1, 1);
        len2 = a[0] * a[0] + a[1] * a[1] + a[2] * a[2];
    } while (len2 < 0.1f);
    R = rng.uniform(0.6f, 1.4f);
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 3; ++k) tri[v][k] = rng.uniform(-2.5f, 2.5f);
}

// A wheel over ground: a bumpy cell-sized triangle, an upright or leaning wheel above it.
void ground_case(Rng &rng, float W[3], float a[3], float &R, float tri[3][3])
{
    float yaw = rng.uniform(0, 6.2831853f), lean = rng.uniform(-0.7f, 0.7f);
    a[0] = std::cos(yaw) * std::cos(lean);
    a[1] = std::sin(lean);
    a[2] = std::sin(yaw) * std::cos(lean);
    R = rng.uniform(0.8f, 1.1f);
    const float base[3][2] = {{0, 0}, {0, 2}, {2, 0}};
    for (int v = 0; v < 3; ++v) {
        tri[v][0] = base[v][0];
        tri[v][1] = rng.uniform(-0.5f, 0.5f);
        tri[v][2] = base[v][1];
    }
    W[0] = rng.uniform(-1.2f, 3.2f);
    W[1] = rng.uniform(0.4f, 1.4f);
    W[2] = rng.uniform(-1.2f, 3.2f);
}

} // namespace

TEST(ContactGeometry, CircleEdgeClosestAgainstSampling)
{
    Rng rng;
    const int circle_steps = 720, edge_steps = 400, disc_rings = 60, cases = 60;
    int close = 0;
    for (int n_case = 0; n_case < cases; ++n_case) {
        float W[3], a[3], R, tri[3][3];
        random_case(rng, W, a, R, tri);
        SCOPED_TRACE(n_case);
        double u[3], v[3];
        plane_basis(a, u, v);
        // Edges against the circle, densely sampled both ways.
        double brute = 1e30, longest = 0;
        static double circle[720][3];
        for (int c = 0; c < circle_steps; ++c) {
            double ang = 2 * M_PI * c / circle_steps;
            for (int k = 0; k < 3; ++k) circle[c][k] = W[k] + R * (std::cos(ang) * u[k] + std::sin(ang) * v[k]);
        }
        for (int e = 0; e < 3; ++e) {
            const float *A = tri[e], *B = tri[(e + 1) % 3];
            double len = std::sqrt((double)(B[0] - A[0]) * (B[0] - A[0]) + (double)(B[1] - A[1]) * (B[1] - A[1]) +
                                   (double)(B[2] - A[2]) * (B[2] - A[2]));
            longest = std::max(longest, len);
            for (int s = 0; s <= edge_steps; ++s) {
                double t = (double)s / edge_steps;
                double p[3] = {A[0] + t * (B[0] - A[0]), A[1] + t * (B[1] - A[1]), A[2] + t * (B[2] - A[2])};
                for (int c = 0; c < circle_steps; ++c) brute = std::min(brute, dist3(p, circle[c]));
            }
        }
        // Vertices against the disc.
        for (int i = 0; i < 3; ++i) {
            double V[3] = {tri[i][0], tri[i][1], tri[i][2]};
            for (int ring = 0; ring <= disc_rings; ++ring) {
                double rr = R * ring / disc_rings;
                for (int c = 0; c < circle_steps; ++c) {
                    double ang = 2 * M_PI * c / circle_steps;
                    double p[3];
                    for (int k = 0; k < 3; ++k) p[k] = W[k] + rr * (std::cos(ang) * u[k] + std::sin(ang) * v[k]);
                    brute = std::min(brute, dist3(p, V));
                }
            }
        }
        const double tol = longest / edge_steps + 2 * M_PI * R / circle_steps + R / disc_rings;
        float e1[3] = {tri[1][0] - tri[0][0], tri[1][1] - tri[0][1], tri[1][2] - tri[0][2]};
        float e2[3] = {tri[2][0] - tri[0][0], tri[2][1] - tri[0][1], tri[2][2] - tri[0][2]};
        float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        float point[3], normal[3];
        float got = circle_edge_closest(point, normal, W, a, R, 0.25f, tri, n);
        // Always a true distance between the shapes, and never far above the nearest one. Four
        // Newton steps from the two starts do not always settle on the nearest point of an edge
        // (a few hundredths of a foot off at worst); most cases find it.
        EXPECT_GE(got, brute - tol);
        EXPECT_LE(got, brute + 0.05);
        close += got <= brute + tol;
        EXPECT_NEAR(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2], 1.0f, 1e-5f);
    }
    EXPECT_GE(close, cases * 85 / 100);
}

TEST(ContactGeometry, TorusSignAgainstSampling)
{
    // Wheels over the ground whose circle stays clear of the triangle's plane: the torus meets
    // the triangle exactly when some point of the triangle is within r of the circle.
    Rng rng;
    const float r = 0.3f;
    const int steps = 160;
    int checked = 0, touching = 0;
    for (int n_case = 0; n_case < 1000 && checked < 150; ++n_case) {
        float W[3], a[3], R, tri[3][3];
        ground_case(rng, W, a, R, tri);
        float e1[3] = {tri[1][0] - tri[0][0], tri[1][1] - tri[0][1], tri[1][2] - tri[0][2]};
        float e2[3] = {tri[2][0] - tri[0][0], tri[2][1] - tri[0][1], tri[2][2] - tri[0][2]};
        double n[3] = {(double)e1[1] * e2[2] - (double)e1[2] * e2[1], (double)e1[2] * e2[0] - (double)e1[0] * e2[2],
                       (double)e1[0] * e2[1] - (double)e1[1] * e2[0]};
        double nl = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        // Height of the circle's lowest point over the plane.
        double al = std::sqrt((double)a[0] * a[0] + (double)a[1] * a[1] + (double)a[2] * a[2]);
        double na = (n[0] * a[0] + n[1] * a[1] + n[2] * a[2]) / (nl * al);
        double centre = ((W[0] - tri[0][0]) * n[0] + (W[1] - tri[0][1]) * n[1] + (W[2] - tri[0][2]) * n[2]) / nl;
        double lowest = centre - R * std::sqrt(std::max(0.0, 1 - na * na));
        if (lowest <= 0.01) continue;
        double best = 1e30;
        for (int i = 0; i <= steps; ++i)
            for (int j = 0; i + j <= steps; ++j) {
                double s = (double)i / steps, t = (double)j / steps;
                double p[3];
                for (int k = 0; k < 3; ++k) p[k] = tri[0][k] + s * e1[k] + t * e2[k];
                best = std::min(best, circle_distance(p, W, a, R));
            }
        if (std::fabs(best - r) < 0.03) continue;   // grazing
        ++checked;
        SCOPED_TRACE(n_case);
        float point[3], normal[3];
        float depth = torus_triangle_distance(point, normal, W, a, R, r, tri);
        touching += best < r;
        EXPECT_EQ(depth > 0, best < r) << "sampled distance " << best << " depth " << depth;
        if (depth > 0) EXPECT_NEAR(depth, r - best, 0.03);
    }
    EXPECT_EQ(checked, 150);
    EXPECT_GE(touching, 20);
}

TEST(ContactGeometry, EdgeSearchWithAFloorKeepsEveryDeeperTouch)
{
    // The wheel's search skips edges that cannot beat the deepest touch found so far: whatever
    // the floor, a depth above it must be the full search's to the bit, point and normal too,
    // and a depth at or below it may only stand for a full depth no higher.
    Rng rng;
    int exact_above = 0, skipped = 0;
    for (int n_case = 0; n_case < 3000; ++n_case) {
        SCOPED_TRACE(n_case);
        float W[3], a[3], R, tri[3][3];
        if (n_case % 2) ground_case(rng, W, a, R, tri);
        else random_case(rng, W, a, R, tri);
        const float r = 0.3f;
        float full_p[3], full_n[3];
        const float full = torus_triangle_edges(full_p, full_n, W, a, R, r, tri, -INFINITY);
        const float floors[] = {-1.0f, 0.0f, full - 0.01f, full, full + 1e-4f, full + 0.01f, rng.uniform(-0.5f, 0.5f)};
        for (float floor : floors) {
            float p[3], n[3];
            const float got = torus_triangle_edges(p, n, W, a, R, r, tri, floor);
            if (got > floor) {
                ASSERT_EQ(got, full) << "floor " << floor;
                for (int k = 0; k < 3; ++k) {
                    ASSERT_EQ(p[k], full_p[k]);
                    ASSERT_EQ(n[k], full_n[k]);
                }
                exact_above += full > floor;
            } else {
                ASSERT_LE(full, floor) << "got " << got;
                skipped += got != full;
            }
        }
    }
    // Both sides are exercised: touches kept above the floor, and searches cut short below it.
    EXPECT_GE(exact_above, 1000);
    EXPECT_GE(skipped, 100);
}
