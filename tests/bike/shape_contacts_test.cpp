// Sphere, shape and wheel contacts on bodies in a world of their own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "bike/bike.h"
#include "bike/shape.h"
#include "bike/shape_contacts.h"
#include "shell/startup.h"

namespace {

struct ContactWorld : ::testing::Test {
    dWorldID saved_world = nullptr;
    dJointGroupID saved_group = nullptr;

    void SetUp() override
    {
        dInitODE2(0);
        saved_world = physics_world;
        saved_group = contact_group;
        physics_world = dWorldCreate();
        contact_group = dJointGroupCreate(0);
    }
    void TearDown() override
    {
        dJointGroupDestroy(contact_group);
        dWorldDestroy(physics_world);
        physics_world = saved_world;
        contact_group = saved_group;
    }
    // A heavy ball, so one step shows the force a joint applied.
    dBodyID body_at(float x, float y, float z, float mass = 1000)
    {
        dBodyID b = dBodyCreate(physics_world);
        dMass m;
        dMassSetSphereTotal(&m, mass, 1);
        dBodySetMass(b, &m);
        dBodySetPosition(b, x, y, z);
        return b;
    }
};

shape_sphere ball(float x, float y, float z, float r, float k = 5000, float c = 500, float mu = 1)
{
    shape_sphere s = {{x, y, z}, r, mu, k, c};
    return s;
}

// An instance built by hand: body spheres, room for the world centres.
struct test_shape {
    shape s = {};
    shape_sphere spheres[4];
    float centers[4][3];

    test_shape(std::initializer_list<shape_sphere> list, float bounding = -1)
    {
        int n = 0;
        float reach = 0;
        for (const shape_sphere &sp : list) {
            spheres[n++] = sp;
            float d = std::sqrt(sp.center[0] * sp.center[0] + sp.center[1] * sp.center[1] +
                                sp.center[2] * sp.center[2]) + sp.radius;
            if (d > reach) reach = d;
        }
        s.name = "test";
        s.sphere_count = n;
        s.spheres = spheres;
        s.world_centers = centers;
        s.bounding_radius = bounding >= 0 ? bounding : reach;
    }
};

const float IDENTITY[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

bool finite3(const dReal *v) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

TEST_F(ContactWorld, SphereOverlapAndReport)
{
    struct Case {
        const char *what;
        shape_sphere a, b;
        int want;
        float want_depth;   // -1: the report stays untouched
    };
    const Case cases[] = {
        {"surfaces just touching", ball(0, 0, 0, 0.5f), ball(1, 0, 0, 0.5f), 0, -1},
        {"apart", ball(0, 0, 0, 0.5f), ball(2, 0, 0, 0.5f), 0, -1},
        {"overlapping", ball(0, 0, 0, 0.5f), ball(0.75f, 0, 0, 0.5f), 1, 0.25f},
        {"same centre", ball(0, 0, 0, 0.5f), ball(0, 0, 0, 0.5f), 1, -1},
        {"zero radius at the centre", ball(0, 0, 0, 0.5f), ball(0, 0, 0, 0), 1, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        dBodyID a = body_at(0, 0, 0), b = body_at(1, 0, 0);
        contact_report report;
        memset(&report, 0x7f, sizeof report);
        EXPECT_EQ(sphere_sphere_contact(&c.a, a, &c.b, b, 0, &report), c.want);
        if (c.want_depth < 0) {
            EXPECT_EQ(dBodyGetNumJoints(a), 0);
            EXPECT_EQ(dBodyGetNumJoints(b), 0);
            unsigned char untouched[sizeof report];
            memset(untouched, 0x7f, sizeof untouched);
            EXPECT_EQ(memcmp(&report, untouched, sizeof report), 0);
        } else {
            EXPECT_FLOAT_EQ(report.depth, c.want_depth);
            EXPECT_FLOAT_EQ(report.normal[0], 1);
            // The middle of the overlap on the line of centres.
            EXPECT_FLOAT_EQ(report.point[0], 0.5f - c.want_depth / 2);
            EXPECT_EQ(dBodyGetNumJoints(b), 1);
        }
        dJointGroupEmpty(contact_group);
        dBodyDestroy(a);
        dBodyDestroy(b);
    }
    // With no bodies it is a pure test.
    shape_sphere p = ball(0, 0, 0, 1), q = ball(0.5f, 0, 0, 1);
    EXPECT_EQ(sphere_sphere_contact(&p, nullptr, &q, nullptr, 0, nullptr), 1);
}

// One world step without gravity: the joint pushes B along the normal (from A to B), and the
// spring part never exceeds 2500 lbf however stiff the spheres.
TEST_F(ContactWorld, JointPushesBAlongTheNormalWithCappedSpring)
{
    dWorldSetGravity(physics_world, 0, 0, 0);
    struct Case { float k, depth, want_force; };
    const Case cases[] = {
        {25000, 0.5f, 2500},   // k lowered to 5000
        {5000, 0.1f, 500},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.k);
        dBodyID b = body_at(0, 1 - c.depth, 0);
        shape_sphere sa = ball(0, 0, 0, 0.5f, c.k, 0, 0), sb = ball(0, 1 - c.depth, 0, 0.5f, c.k, 0, 0);
        ASSERT_EQ(sphere_sphere_contact(&sa, nullptr, &sb, b, 0, nullptr), 1);
        dWorldStep(physics_world, 1.0 / 128);
        dJointGroupEmpty(contact_group);
        const dReal *v = dBodyGetLinearVel(b);
        double force = v[1] * 1000 * 128;
        EXPECT_NEAR(force, c.want_force, c.want_force * 0.01);
        EXPECT_NEAR(v[0], 0, 1e-9);
        dBodyDestroy(b);
    }
}

TEST_F(ContactWorld, ForceModeCapsAndSkipsDisabledBodies)
{
    struct Case {
        const char *what;
        float va, vb;          // x velocities of A and B (B lies at +x)
        bool disable_a;
        float want;            // force on B along +x
    };
    const Case cases[] = {
        {"at rest", 0, 0, false, 0.25f * 2000},
        {"closing fast", 50, -50, false, 1000},
        {"separating fast", -100, 100, false, -1000},
        {"A disabled", 0, 0, true, 0.25f * 2000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        dBodyID a = body_at(0, 0, 0), b = body_at(0.75f, 0, 0);
        dBodySetLinearVel(a, c.va, 0, 0);
        dBodySetLinearVel(b, c.vb, 0, 0);
        if (c.disable_a) dBodyDisable(a);
        shape_sphere sa = ball(0, 0, 0, 0.5f, 2000, 10), sb = ball(0.75f, 0, 0, 0.5f, 2000, 10);
        EXPECT_EQ(sphere_sphere_contact(&sa, a, &sb, b, 1, nullptr), 1);
        EXPECT_NEAR(dBodyGetForce(b)[0], c.want, 1e-3);
        EXPECT_NEAR(dBodyGetForce(a)[0], c.disable_a ? 0 : -c.want, 1e-3);
        EXPECT_EQ(dBodyGetNumJoints(b), 0);
        dBodyDestroy(a);
        dBodyDestroy(b);
    }
}

// Spheres that bring no spring and no damper between them, or share a centre with a zero
// radius, make no joint and nothing non-finite.
TEST_F(ContactWorld, DegeneratePairsBuildNothing)
{
    dBodyID a = body_at(0, 0, 0), b = body_at(0.5f, 0, 0);
    shape_sphere soft_a = ball(0, 0, 0, 0.5f, 0, 300), soft_b = ball(0.5f, 0, 0, 0.5f, 4000, 0);
    EXPECT_EQ(sphere_sphere_contact(&soft_a, a, &soft_b, b, 0, nullptr), 1);
    EXPECT_EQ(dBodyGetNumJoints(b), 0);
    shape_sphere point = ball(0, 0, 0, 0), big = ball(0, 0, 0, 0.5f);
    contact_report report = {};
    EXPECT_EQ(sphere_sphere_contact(&big, a, &point, b, 1, &report), 1);
    EXPECT_EQ(dBodyGetNumJoints(b), 0);
    EXPECT_TRUE(finite3(dBodyGetForce(a)));
    EXPECT_TRUE(finite3(dBodyGetForce(b)));
    EXPECT_EQ(dBodyGetForce(b)[0], 0);
    dBodyDestroy(a);
    dBodyDestroy(b);
}

TEST_F(ContactWorld, ShapePairsTestBoundingSpheresFirst)
{
    dBodyID a = body_at(0, 0, 0), b = body_at(2, 0, 0);
    float pa[3] = {0, 0, 0}, pb[3] = {2, 0, 0};
    // A sphere reaching 1.5 ft out of a shape that claims a bounding radius of 0.5.
    test_shape liar({ball(1, 0, 0, 0.5f)}, 0.5f), other({ball(0, 0, 0, 0.6f)});
    EXPECT_EQ(shape_vs_shape_contacts(&liar.s, a, pa, IDENTITY, &other.s, b, pb, IDENTITY, 0), 0);
    EXPECT_EQ(dBodyGetNumJoints(b), 0);
    test_shape honest({ball(1, 0, 0, 0.5f)});
    EXPECT_EQ(shape_vs_shape_contacts(&honest.s, a, pa, IDENTITY, &other.s, b, pb, IDENTITY, 0), 1);
    EXPECT_EQ(dBodyGetNumJoints(b), 1);
    // Placed by the rotation: turned half a turn about y the sphere points away.
    const float half_turn[9] = {-1, 0, 0, 0, 1, 0, 0, 0, -1};
    dJointGroupEmpty(contact_group);
    EXPECT_EQ(shape_vs_shape_contacts(&honest.s, a, pa, half_turn, &other.s, b, pb, IDENTITY, 0), 0);
    EXPECT_FLOAT_EQ(honest.centers[0][0], -1);
    dBodyDestroy(a);
    dBodyDestroy(b);
}

struct WheelContacts : ContactWorld {
    wheel_record wheel = {};
    void SetUp() override
    {
        ContactWorld::SetUp();
        wheel.body = body_at(0, 0, 0, 1);
        wheel.axle[0] = 1;
        wheel.radius = 1;
        wheel.tube_radius = 0.3f;
    }
};

TEST_F(WheelContacts, SphereOnTheAxleMeetsTheTubeAboveTheCentre)
{
    float p[3] = {0, 0, 0};
    test_shape hub({ball(0.5f, 0, 0, 0.9f)});
    EXPECT_EQ(shape_vs_wheel_contacts(&hub.s, nullptr, p, IDENTITY, &wheel, -1), 1);
    // The tube point taken is (0, R, 0): the normal runs from it down to the sphere.
    EXPECT_NEAR(wheel.contact_normal[0], 0.5f / std::sqrt(1.25f), 1e-5);
    EXPECT_NEAR(wheel.contact_normal[1], -1 / std::sqrt(1.25f), 1e-5);
    EXPECT_NEAR(wheel.depth, 1.2f - std::sqrt(1.25f), 1e-5);
}

TEST_F(WheelContacts, AWheelInTheAirTakesTheDeepestTouch)
{
    float p[3] = {0, 0, 0};
    // Below the wheel: the deeper sphere comes second.
    test_shape two({ball(0, -1.5f, 0.3f, 0.3f), ball(0, -1.4f, -0.2f, 0.3f)});
    EXPECT_EQ(shape_vs_wheel_contacts(&two.s, nullptr, p, IDENTITY, &wheel, 0), 1);
    EXPECT_NEAR(wheel.depth, 0.6f - (std::sqrt(2.0f) - 1), 1e-5);
    EXPECT_LT(wheel.contact_point[2], 0);   // the second sphere's side
    for (double f : {wheel.feedback.f1[0], wheel.feedback.f1[1], wheel.feedback.t1[0]}) EXPECT_EQ(f, 0);

    // A wheel already on the ground keeps its own contact.
    wheel.depth = 0.05f;
    wheel.contact_point[1] = 7;
    EXPECT_EQ(shape_vs_wheel_contacts(&two.s, nullptr, p, IDENTITY, &wheel, 0), 1);
    EXPECT_FLOAT_EQ(wheel.depth, 0.05f);
    EXPECT_FLOAT_EQ(wheel.contact_point[1], 7);

    // Beyond the broad test nothing is touched.
    float far[3] = {0, -10, 0};
    wheel.depth = 0;
    EXPECT_EQ(shape_vs_wheel_contacts(&two.s, nullptr, far, IDENTITY, &wheel, 0), 0);
    EXPECT_EQ(wheel.depth, 0);
}

}  // namespace
