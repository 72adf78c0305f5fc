#include "bike/ground_contact.h"
#include "bike/bike.h"
#include "bike/shape.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include "terrain/terrain_fixture.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include "bike/contact_geometry.h"

namespace {

const float kTick = 1.0f / 128;

// The world and contact group start-up makes, for one test.
struct physics {
    physics()
    {
        static const int once = dInitODE2(0);
        (void)once;
        physics_world = dWorldCreate();
        contact_group = dJointGroupCreate(0);
    }
    ~physics()
    {
        dJointGroupDestroy(contact_group);
        dWorldDestroy(physics_world);
        contact_group = nullptr;
        physics_world = nullptr;
    }
};

// A 9 x 9 field of 1 ft cells with a 4 x 4 tile map (every tile 0 unless set) and plain curves:
// friction 1 at any speed, rolling resistance 5 lbf light and 15 lbf at full compression.
struct ground : physics, small_field {
    unsigned char map[16] = {};
    explicit ground(const std::function<float(int, int)> &h) : small_field(2, 1.0f, h)
    {
        t->tilemap = map;
        for (int k = 0; k < TILE_MAX; ++k) {
            t->friction[k][0] = 1;
            t->friction_key[k][0] = 1;
            t->roll_resist[k][0][0] = 5;
            t->roll_resist[k][0][1] = 15;
            t->roll_resist_key[k][0] = 1;
        }
    }
    ~ground() { t->tilemap = nullptr; }
};

float level(int, int) { return 0; }

// An upright wheel (axle along x), R 1 and r 0.25, resting on its own body.
wheel_record make_wheel(float x, float y, float z)
{
    wheel_record w = {};
    w.body = dBodyCreate(physics_world);
    dBodySetPosition(w.body, x, y, z);
    w.axle[0] = 1;
    w.radius = 1.0f;
    w.tube_radius = 0.25f;
    return w;
}

// Spring and damper back from a contact's soft ERP and CFM.
void stiffness(const dContact &c, double *kp, double *kd)
{
    *kp = c.surface.soft_erp / (kTick * c.surface.soft_cfm);
    *kd = 1 / c.surface.soft_cfm - kTick * *kp;
}

} // namespace

TEST(GroundContact, TouchAndNoTouch)
{
    ground g(level);
    wheel_record w = make_wheel(4.3f, 1.15f, 4.6f);
    dBodySetLinearVel(w.body, 3, 0, 0);
    ASSERT_EQ(wheel_terrain_collide(g.t, &w, 1.0f), 1);
    EXPECT_NEAR(w.depth, 0.1f, 1e-6f);
    EXPECT_NEAR(w.contact_point[0], 4.3f, 1e-6f);
    EXPECT_NEAR(w.contact_point[1], -0.1f, 1e-6f);
    EXPECT_NEAR(w.contact_point[2], 4.6f, 1e-6f);
    EXPECT_EQ(w.contact_normal[1], 1.0f);
    EXPECT_FLOAT_EQ(w.contact_velocity[0], 3.0f);
    EXPECT_EQ(dBodyGetNumJoints(w.body), 1);
    // The joint reports into the wheel's feedback block once the world steps.
    dWorldStep(physics_world, kTick);
    EXPECT_GT(w.feedback.f1[1], 0);

    // Touching exactly (depth 0) is no contact, and the depth is cleared.
    wheel_record clear = make_wheel(4.3f, 1.25f, 4.6f);
    clear.depth = 0.7f;
    EXPECT_EQ(wheel_terrain_collide(g.t, &clear, 1.0f), 0);
    EXPECT_EQ(clear.depth, 0.0f);
    EXPECT_EQ(dBodyGetNumJoints(clear.body), 0);
    float p[3] = {7, 7, 7}, n[3] = {7, 7, 7}, d = 7;
    EXPECT_EQ(wheel_terrain_contact(g.t, &clear, p, n, &d), 0);
    EXPECT_EQ(d, 7.0f);
}

TEST(GroundContact, UnusableCentresMakeNoContact)
{
    ground g(level);
    const float inf = INFINITY, nan = NAN;
    struct Case { const char *name; float x, y, z, sphere_radius; int want, want_wheel; };
    const Case cases[] = {
        {"beyond the edge, still ground", 1000, 0.1f, 4, 0.5f, 1, 1},
        {"not a number", nan, 0.1f, 4, 0.5f, 0, 0},
        {"infinite", 4, 0.1f, inf, 0.5f, 0, 0},
        {"2^21 cells away", 2097152.0f, 0.1f, 4, 0.5f, 0, 0},
        {"far on the other side", -1e30f, 0.1f, 4, 0.5f, 0, 0},
        {"a sphere spanning 2000 cells", 4, 0.1f, 4, 1000, 0, 1},
        {"a radius not a number", 4, 0.1f, 4, nan, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        float p[3], n[3], d;
        const float centre[3] = {c.x, c.y, c.z};
        EXPECT_EQ(sphere_terrain_contact(g.t, centre, c.sphere_radius, p, n, &d), c.want);
        wheel_record w = make_wheel(c.x, c.y + 1, c.z);
        w.depth = 0.5f;
        EXPECT_EQ(wheel_terrain_collide(g.t, &w, 1.0f), c.want_wheel);
        if (!c.want_wheel) EXPECT_EQ(w.depth, 0.0f);
        EXPECT_EQ(wheel_terrain_contact_fx(g.t, &w, p, n, &d), c.want_wheel);
    }
}

TEST(GroundContact, EqualDepthsKeepTheFirstTriangle)
{
    // A valley along z at x = 4: both slopes are equally near a centre over its floor, and the
    // left slope (lower column) comes first in the same row.
    ground g([](int x, int) { return (float)std::abs(x - 4); });
    float p[3], n[3], d;
    const float centre[3] = {4, 0.5f, 4.5f};
    ASSERT_EQ(sphere_terrain_contact(g.t, centre, 0.5f, p, n, &d), 1);
    EXPECT_NEAR(d, 0.5f - 0.5f / std::sqrt(2.0f), 1e-6f);
    EXPECT_GT(n[0], 0.7f);   // the left slope faces +x
    EXPECT_GT(n[1], 0.7f);

    wheel_record w = make_wheel(4, 1.5f, 4.5f);
    w.axle[0] = 0;
    w.axle[2] = 1;   // rolling along the valley
    ASSERT_EQ(wheel_terrain_contact(g.t, &w, p, n, &d), 1);
    EXPECT_GT(n[0], 0.7f);
}

TEST(GroundContact, BeyondTheEdge)
{
    // Heights rise along the border column x = 8, so beyond it the ground keeps that profile.
    ground g([](int x, int z) { return x == 8 ? 0.25f * (float)z : bumpy(x, z); });
    g.map[2 * 4 + 3] = 3;   // the border tile of cell rows 4 to 7
    g.t->friction[3][0] = 0.4f;
    // Rolling up the slope in the plane x = 20, the tube 0.1 ft into the ground.
    wheel_record w = make_wheel(20, 0, 5.5f);
    const float ground_y = 0.25f * 5.5f, nz = -0.25f / std::sqrt(1.0625f);
    const float lift = (1.25f - 0.1f) * std::sqrt(1.0625f);
    dBodySetPosition(w.body, 20, ground_y + lift, 5.5f);
    ASSERT_EQ(wheel_terrain_collide(g.t, &w, 1.0f), 1);
    EXPECT_NEAR(w.depth, 0.1f, 1e-5f);
    EXPECT_NEAR(w.contact_normal[2], nz, 1e-5f);
    dContact c;
    wheel_contact_params(g.t, &w, 1.0f, &c);
    EXPECT_FLOAT_EQ(c.surface.mu, 0.4f);   // the nearest border tile's
    // Beyond the far corner the ground is level at the corner's height, and tile (3, 3) holds.
    g.map[15] = 5;
    g.t->friction[5][0] = 0.7f;
    dBodySetPosition(w.body, 20, 2 + 1.15f, 40);
    ASSERT_EQ(wheel_terrain_collide(g.t, &w, 0.5f), 1);
    EXPECT_NEAR(w.depth, 0.1f, 1e-5f);
    EXPECT_EQ(w.contact_normal[1], 1.0f);
    wheel_contact_params(g.t, &w, 0.5f, &c);
    EXPECT_FLOAT_EQ(c.surface.mu, 0.35f);   // and the grip factor scales it
}

TEST(GroundContact, NormalCleanUp)
{
    const float limit = std::sqrt(0.0009765625f);   // horizontal part of length 2^-5
    struct Case { const char *name; float n[3]; float want[3]; };
    const Case cases[] = {
        {"up stays", {0, 2, 0}, {0, 1, 0}},
        {"down and sideways turns level", {3, -1, 4}, {0.6f, 0, 0.8f}},
        {"down, horizontal part at the bound", {limit, -1, 0}, {1, 0, 0}},
        {"nearly straight down turns up", {limit * 0.99f, -1, 0}, {0, 1, 0}},
        {"slightly up keeps its lean", {3, 4, 0}, {0.6f, 0.8f, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        float n[3] = {c.n[0], c.n[1], c.n[2]};
        contact_normal_clean(n);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(n[k], c.want[k], 1e-6f);
    }
}

TEST(GroundContact, FrictionCurve)
{
    ground g(level);
    // Tile 1: 0.5 up to 10 ft/s, 1.0 at 20, 0.8 from 40. Tile 2: point 0 at speed 0. Tile 3: two
    // equal keys. Tile 4: all eight points used.
    const float k1[3] = {10, 20, 40}, v1[3] = {0.5f, 1.0f, 0.8f};
    for (int i = 0; i < 3; ++i) g.t->friction_key[1][i] = k1[i], g.t->friction[1][i] = v1[i];
    g.t->friction_key[2][0] = 0, g.t->friction[2][0] = 0.9f;
    g.t->friction_key[2][1] = 5, g.t->friction[2][1] = 0.1f;
    const float k3[3] = {10, 10, 20}, v3[3] = {0.2f, 0.6f, 1.0f};
    for (int i = 0; i < 3; ++i) g.t->friction_key[3][i] = k3[i], g.t->friction[3][i] = v3[i];
    for (int i = 0; i < 8; ++i) g.t->friction_key[4][i] = (float)(i + 1), g.t->friction[4][i] = 0.1f * (float)(i + 1);
    struct Case { int tile; float speed2, want; };
    const Case cases[] = {
        {1, 25, 0.5f},      // below the first key
        {1, 250, 0.75f},    // halfway from 100 to 400 in squared speed
        {1, 1600, 0.8f},    // at the last key
        {1, 1e6f, 0.8f},    // past it
        {2, 0, 0.9f},
        {2, 1e4f, 0.9f},    // point 0 at speed 0 holds everywhere
        {3, 100, 0.6f},     // at the shared key: the second of the pair
        {3, 250, 0.8f},
        {4, 1000, 0.8f},    // all eight passed: the last
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "tile " << c.tile << " speed^2 " << c.speed2);
        EXPECT_NEAR(tile_friction_at(g.t, c.tile, c.speed2), c.want, 1e-6f);
    }
    // Rolling resistance is keyed by plain speed: halfway from 2 to 4 ft/s.
    g.t->roll_resist_key[1][0] = 2, g.t->roll_resist[1][0][0] = 4, g.t->roll_resist[1][0][1] = 8;
    g.t->roll_resist_key[1][1] = 4, g.t->roll_resist[1][1][0] = 6, g.t->roll_resist[1][1][1] = 12;
    float rr[2];
    tile_roll_resist_at(g.t, 1, 3, rr);
    EXPECT_FLOAT_EQ(rr[0], 5);
    EXPECT_FLOAT_EQ(rr[1], 10);
    tile_roll_resist_at(g.t, 1, 100, rr);
    EXPECT_FLOAT_EQ(rr[1], 12);
}

TEST(GroundContact, JointSurface)
{
    ground g(level);
    wheel_record w = make_wheel(4, 1, 4);
    w.contact_point[0] = 4, w.contact_point[2] = 4;
    w.contact_normal[1] = 1;
    struct Case { const char *name; float depth, v[3]; double kp, kd; float fdir[3]; };
    const Case cases[] = {
        {"fully compressed", 0.25f, {0, 0, 2}, 25000, 2500, {1, 0, 0}},
        {"past full", 0.4f, {0, 0, 2}, 25000, 2500, {1, 0, 0}},
        {"a bare touch", 1e-6f, {0, 0, 2}, 1000, 200, {1, 0, 0}},
        {"half", 0.125f, {0, 0, 2}, 4000, 487.5, {1, 0, 0}},
        // Hardly moving: the friction direction comes from the axle.
        {"at rest", 0.1f, {0, 0, 0.01f}, -1, -1, {0, 0, -1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        w.depth = c.depth;
        for (int k = 0; k < 3; ++k) w.contact_velocity[k] = c.v[k];
        dContact con;
        wheel_contact_params(g.t, &w, 1.0f, &con);
        EXPECT_EQ(con.surface.mode, dContactApprox1 | dContactSoftERP | dContactSoftCFM | dContactFDir1);
        EXPECT_FLOAT_EQ(con.surface.mu, 1.0f);
        if (c.kp > 0) {
            double kp, kd;
            stiffness(con, &kp, &kd);
            EXPECT_NEAR(kp, c.kp, c.kp * 1e-5);
            EXPECT_NEAR(kd, c.kd, c.kd * 1e-4);
        }
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(con.fdir1[k], c.fdir[k], 1e-6);
        EXPECT_EQ(con.geom.depth, (dReal)c.depth);
    }
}

TEST(GroundContact, RollingResistance)
{
    // A flat field; the wheel moves along x with its tube 0.1 ft in: q = 0.4, 5 + 10 q = 9 lbf.
    struct Case { float speed, want_force; };
    const Case cases[] = {{0.5f, -4.5f}, {1, -9}, {3, -9}, {0, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.speed);
        ground g(level);
        wheel_record w = make_wheel(4.3f, 1.15f, 4.6f);
        dBodySetLinearVel(w.body, c.speed, 0, 0);
        ASSERT_EQ(wheel_terrain_collide(g.t, &w, 1.0f), 1);
        const dReal *f = dBodyGetForce(w.body);
        EXPECT_NEAR(f[0], c.want_force, 1e-4);
        EXPECT_NEAR(f[1], 0, 1e-9);
    }
}

TEST(GroundContact, Shapes)
{
    ground g(level);
    shape_sphere spheres[3] = {
        {{1, 0, 0}, 0.5f, 0.8f, 25000, 2500},    // touching
        {{0, 0, 1}, 0.5f, 0.8f, 25000, 2500},    // touching
        {{0, 3, 0}, 0.5f, 0.8f, 25000, 2500},    // high above
    };
    float world[3][3];
    shape s = {};
    s.name = "test.shp";
    s.sphere_count = 3;
    s.spheres = spheres;
    s.world_centers = world;
    s.bounding_radius = 3.5f;
    // A quarter turn about y: x goes to -z, z to x.
    const float rot[9] = {0, 0, 1, 0, 1, 0, -1, 0, 0};
    const float pos[3] = {4, 0.3f, 4};
    dBodyID body = dBodyCreate(physics_world);
    EXPECT_EQ(shape_terrain_collide(&s, body, pos, rot, g.t), 1);
    EXPECT_EQ(dBodyGetNumJoints(body), 2);
    const float want[3][3] = {{4, 0.3f, 3}, {5, 0.3f, 4}, {4, 3.3f, 4}};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(world[i][k], want[i][k]);
    // Without a body it only tests.
    dBodyID other = dBodyCreate(physics_world);
    EXPECT_EQ(shape_terrain_collide(&s, nullptr, pos, rot, g.t), 1);
    EXPECT_EQ(dBodyGetNumJoints(other), 0);
    const float high[3] = {4, 5, 4};
    EXPECT_EQ(shape_terrain_collide(&s, body, high, rot, g.t), 0);
    EXPECT_EQ(dBodyGetNumJoints(body), 2);
}

TEST(GroundContact, ProbeTakesTheFirstFromTheMiddle)
{
    // Flat rows 3 to 5 in z between two ramps: rising to 2.5 ft at z = 3 and at z = 6.
    ground g([](int, int z) { return z <= 3 || z >= 6 ? 2.5f : 0.0f; });
    float p[3], n[3], d;
    // Low enough to touch the flat middle: the probe stops there, the full search finds the ramp.
    wheel_record w = make_wheel(4.5f, 1.15f, 4.5f);
    ASSERT_EQ(wheel_terrain_contact_fx(g.t, &w, p, n, &d), 1);
    EXPECT_NEAR(d, 0.1f, 1e-6f);
    EXPECT_EQ(n[1], 1.0f);
    ASSERT_EQ(wheel_terrain_contact(g.t, &w, p, n, &d), 1);
    EXPECT_GT(d, 0.3f);
    EXPECT_GT(n[2], 0.5f);   // the ramp behind faces +z
    // Clear of the middle: the row after the middle comes before the row before it.
    dBodySetPosition(w.body, 4.5f, 1.3f, 4.5f);
    ASSERT_EQ(wheel_terrain_contact_fx(g.t, &w, p, n, &d), 1);
    EXPECT_LT(n[2], -0.5f);   // the ramp ahead faces -z
}

TEST(GroundContact, WheelDepthIsTheDeepestOfAllTriangles)
{
    // Every triangle of the field and a ring of cells beyond it against the search under the
    // wheel: the cells it visits, and those it passes over, hide no deeper touch, and the
    // triangles it searches last still give way to an equal one met earlier.
    ground g(bumpy);
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> pos(-1.5f, 9.5f), lift(-2.5f, 2.5f), turn(0, 6.2831853f);
    int touching = 0;
    for (int n_case = 0; n_case < 300; ++n_case) {
        SCOPED_TRACE(n_case);
        const float x = pos(rng), z = pos(rng), yaw = turn(rng), lean = turn(rng) * 0.1f;
        wheel_record w = make_wheel(x, terrain_height_at(g.t, x, z) + lift(rng), z);
        w.axle[0] = std::cos(yaw) * std::cos(lean);
        w.axle[1] = std::sin(lean);
        w.axle[2] = std::sin(yaw) * std::cos(lean);
        const float W[3] = {x, (float)dBodyGetPosition(w.body)[1], z};
        float best = 0, best_p[3] = {}, best_n[3] = {};
        for (int j = -3; j < 11; ++j)
            for (int i = -3; i < 11; ++i) {
                auto vtx = [&](int vi, int vj, float *o) {
                    o[0] = (float)vi;
                    o[1] = g.h(std::min(std::max(vi, 0), 8), std::min(std::max(vj, 0), 8));
                    o[2] = (float)vj;
                };
                const int D = ((i ^ j) & 1) == 0;
                float tri[2][3][3];
                vtx(i, j, tri[0][0]), vtx(i, j + 1, tri[0][1]), vtx(i + 1, j + D, tri[0][2]);
                vtx(i + 1, j + 1, tri[1][0]), vtx(i + 1, j, tri[1][1]), vtx(i, j + 1 - D, tri[1][2]);
                for (auto &tr : tri) {
                    float p[3], n[3];
                    const float d = torus_triangle_distance(p, n, W, w.axle, 1.0f, 0.25f, tr);
                    if (d > best) {   // of equal depths, the first in the walk's order
                        best = d;
                        std::memcpy(best_p, p, sizeof p);
                        std::memcpy(best_n, n, sizeof n);
                    }
                }
            }
        contact_normal_clean(best_n);
        float p[3], n[3], d = 0;
        int got = wheel_terrain_contact(g.t, &w, p, n, &d);
        EXPECT_EQ(got, best > 0);
        if (got) {
            EXPECT_EQ(d, best);
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(p[k], best_p[k]);
                EXPECT_EQ(n[k], best_n[k]);
            }
        }
        touching += got;
    }
    EXPECT_GE(touching, 50);
}

TEST(GroundContact, SphereAndShapeDepthsAreTheDeepestOfAllTriangles)
{
    // The sphere search skips cells whose corners lie below the sphere, and a shape whose spheres
    // all clear the ground skips them all: against every triangle of the field, neither may miss
    // a touch nor change a depth.
    ground g(bumpy);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> pos(-1.5f, 9.5f), lift(-1.5f, 3.0f), size(0.05f, 1.5f), turn(0, 6.2831853f);
    auto deepest = [&](const float c[3], float r) {
        float best = 0;
        for (int j = -3; j < 11; ++j)
            for (int i = -3; i < 11; ++i) {
                auto vtx = [&](int vi, int vj, float *o) {
                    o[0] = (float)vi;
                    o[1] = g.h(std::min(std::max(vi, 0), 8), std::min(std::max(vj, 0), 8));
                    o[2] = (float)vj;
                };
                const int D = ((i ^ j) & 1) == 0;
                float tri[2][3][3];
                vtx(i, j, tri[0][0]), vtx(i, j + 1, tri[0][1]), vtx(i + 1, j + D, tri[0][2]);
                vtx(i + 1, j + 1, tri[1][0]), vtx(i + 1, j, tri[1][1]), vtx(i, j + 1 - D, tri[1][2]);
                for (auto &tr : tri) {
                    float p[3], n[3];
                    best = std::max(best, sphere_triangle_distance(p, n, c, r, tr));
                }
            }
        return best;
    };
    int touching = 0, shapes_touching = 0;
    for (int n_case = 0; n_case < 300; ++n_case) {
        SCOPED_TRACE(n_case);
        const float x = pos(rng), z = pos(rng);
        const float c[3] = {x, terrain_height_at(g.t, x, z) + lift(rng), z};
        const float r = size(rng);
        const float best = deepest(c, r);
        float p[3], n[3], d = 0;
        const int got = sphere_terrain_contact(g.t, c, r, p, n, &d);
        EXPECT_EQ(got, best > 0);
        if (got) EXPECT_EQ(d, best);
        touching += got;

        // Three spheres about a turned body: the shape touches when any of them does.
        shape_sphere spheres[3] = {{{0, 0, 0}, r, 1, 1, 1}, {{1.2f, 0.4f, 0}, 0.3f, 1, 1, 1}, {{0, 1.5f, -0.8f}, 0.5f, 1, 1, 1}};
        float world[3][3];
        shape s = {};
        s.sphere_count = 3;
        s.spheres = spheres;
        s.world_centers = world;
        // Half the cases with the box a read shape carries, which skips placing a clear shape.
        s.has_body_box = n_case % 2;
        for (int k = 0; k < 3; ++k) {
            s.body_lo[k] = std::min({spheres[0].center[k] - spheres[0].radius, spheres[1].center[k] - spheres[1].radius,
                                     spheres[2].center[k] - spheres[2].radius});
            s.body_hi[k] = std::max({spheres[0].center[k] + spheres[0].radius, spheres[1].center[k] + spheres[1].radius,
                                     spheres[2].center[k] + spheres[2].radius});
        }
        const float a = turn(rng), co = std::cos(a), si = std::sin(a);
        const float rot[9] = {co, 0, si, 0, 1, 0, -si, 0, co};
        const int shape_got = shape_terrain_collide(&s, nullptr, c, rot, g.t);
        shape_place(&s, c, rot);   // a shape clear of the ground is not placed by the search
        int want = 0;
        for (int i = 0; i < 3; ++i) want |= deepest(world[i], spheres[i].radius) > 0;
        EXPECT_EQ(shape_got, want);
        shapes_touching += shape_got;
    }
    EXPECT_GE(touching, 50);
    EXPECT_GE(shapes_touching, 50);
    EXPECT_LT(shapes_touching, 290);
}
