#include "bike_fixture.h"
#include "bike/anchors.h"
#include "bike/small_ops.h"
#include <cmath>

static void expect_near3(const float *p, float x, float y, float z, float eps = 1e-4f)
{
    EXPECT_NEAR(p[0], x, eps);
    EXPECT_NEAR(p[1], y, eps);
    EXPECT_NEAR(p[2], z, eps);
}

// At rest the frame sits at (0, 1.98, 3.6) unturned: a frame point is that plus the point.
static const float frame_at[3] = {0, 1.98f, 3.6f};

TEST_F(BikeWorld, AnchorsOnThePegsWithTheRiderUp)
{
    bike *b = make();
    float left[3], right[3], wl = -1, wr = -1;
    bike_get_rider_anchors(b, left, &wl, right, &wr);
    expect_near3(left, -0.6f, 1.98f - 0.557f, 3.6f + 0.584f);
    expect_near3(right, 0.6f, 1.98f - 0.557f, 3.6f + 0.584f);
    EXPECT_EQ(wl, 0);
    EXPECT_EQ(wr, 0);

    // The update stores them with the rider body's velocity there; the foot-down amount falls.
    for (dBodyID body : b->bodies) dBodySetLinearVel(body, 0, 0, -3);
    b->input.foot_down = 0.02f;
    bike_update_rider_anchors(b);
    expect_near3(b->anchors.foot[0], -0.6f, 1.423f, 4.184f);
    expect_near3(b->anchors.velocity[1], 0, 0, -3);
    EXPECT_EQ(b->input.foot_down, 0);
    bike_destroy(b);
}

TEST_F(BikeWorld, CrashedFeetRiseSpreadAndGoBack)
{
    bike *b = make();
    struct Case { int c; float spread, rise, back, blend; };
    const Case cases[] = {
        {1, 0, 0.02734375f, 0.0104167f, 1 / 128.0f},
        {64, 0, 1.75f, 2 / 3.0f, 1 / 128.0f},
        {96, 0.25f, 1.75f, 1, 0.5f},
        {500, 0.5f, 1.75f, 1, 1},
    };
    // The stored anchors the points blend toward as the crash goes on.
    const float stored[2][3] = {{-3, 0, 1}, {3, 0, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.c);
        b->crash_counter = c.c;
        for (int i = 0; i < 2; ++i)
            for (int k = 0; k < 3; ++k) b->anchors.foot[i][k] = stored[i][k];
        float feet[2][3], w[2];
        bike_get_rider_anchors(b, feet[0], &w[0], feet[1], &w[1]);
        for (int i = 0; i < 2; ++i) {
            const float side = i ? 1 : -1;
            const float moved[3] = {frame_at[0] + side * (0.6f + c.spread), frame_at[1] - 0.557f + c.rise,
                                    frame_at[2] + 0.584f + c.back};
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(feet[i][k], moved[k] + (stored[i][k] - moved[k]) * c.blend, 1e-4f) << i << k;
            EXPECT_EQ(w[i], 1);
        }
    }
    bike_destroy(b);
}

// Leaning one way puts that side's foot beside its hip on the ground; the other stays on its peg.
TEST_F(BikeWorld, FootPutDownOnTheLeaningSide)
{
    bike *b = make();
    struct Case { float roll; float foot_down; int down_side; float weight; };
    const Case cases[] = {
        {0.3f, 1, 0, 1},        // leaning left
        {-0.3f, 1, 1, 1},       // leaning right
        {0.3f, 0.5f, 0, 0.5f},  // half put down: w = 1 - clamp((0.3 + 0.5) x 2.5) x 0.5
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.roll);
        bike_reset_pose(b);
        bike_rotate(b, 0, 0, 1, c.roll);
        EXPECT_NEAR(bike_get_lean_angle(b->bodies[BODY_FRAME]), c.roll, 1e-5f);
        b->input.foot_down = 0;
        float pegs[2][3];
        bike_get_rider_anchors(b, pegs[0], nullptr, pegs[1], nullptr);
        b->input.foot_down = c.foot_down;
        float feet[2][3], w[2];
        bike_get_rider_anchors(b, feet[0], &w[0], feet[1], &w[1]);
        const int up_side = 1 - c.down_side;
        expect_near3(feet[up_side], pegs[up_side][0], pegs[up_side][1], pegs[up_side][2]);
        EXPECT_EQ(w[up_side], 0);
        EXPECT_NEAR(w[c.down_side], c.weight, 1e-6f);

        // The ground point: the hip moved outward by (1 - k)/2 of the hip spacing; standing
        // still the forward offset is -0.25 k 2.5; the ground (none loaded) at 0 plus 0.125.
        const float k = std::fabs(c.roll) * 4 / (float)M_PI;
        dVector3 hip, out, fwd;
        const float *h = info.rider.hips[c.down_side];
        dBodyGetRelPointPos(b->bodies[BODY_RIDER], h[0], h[1], h[2], hip);
        dBodyVectorToWorld(b->bodies[BODY_RIDER], c.down_side ? 1 : -1, 0, 0, out);
        dBodyVectorToWorld(b->bodies[BODY_FRAME], 0, 0, -1, fwd);
        float ground[3];
        for (int i = 0; i < 3; ++i) ground[i] = hip[i] + out[i] * (1 - k) / 2 * 0.538f - fwd[i] * 0.25f * k * 2.5f;
        ground[1] = 0.125f;
        const float *peg = pegs[c.down_side];
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(feet[c.down_side][i], peg[i] + (ground[i] - peg[i]) * c.weight, 1e-4f) << i;
    }
    bike_destroy(b);
}

TEST_F(BikeWorld, CrashedAnchorsKeepToFloorLegAndKnee)
{
    bike *b = make();
    b->crash_counter = 300;
    // Rest pose: the left hip at (-0.269, 3.929, 4.7906), the knee plane at y = 2.929.
    const float hy = 4.5f - 0.571f, hz = 4.12f + 0.6706f;

    // Floor: an anchor falling through the ground stops at 0.25 with no velocity. The bike
    // is lowered 2 ft so the ground lies within reach of the legs.
    bike_translate(b, 0, -2, 0);
    b->anchors.foot[0][0] = -0.269f, b->anchors.foot[0][1] = 0.1f, b->anchors.foot[0][2] = hz;
    b->anchors.velocity[0][0] = 1, b->anchors.velocity[0][1] = -5, b->anchors.velocity[0][2] = 0;
    bike_update_rider_anchors(b);
    expect_near3(b->anchors.foot[0], -0.269f + 1 / 128.0f, 0.25f, hz);
    expect_near3(b->anchors.velocity[0], 0, 0, 0);
    bike_reset_pose(b);
    b->crash_counter = 300;

    // Leg length: an anchor beyond 1.328 + 1.701 ft of its hip comes back onto the line to it,
    // and its speed along that line becomes the rider body's.
    for (dBodyID body : b->bodies) dBodySetLinearVel(body, 0, 0, 2);
    const float d[3] = {0, -3, 5};
    const float len = std::sqrt(34.0f), leg = 3.029f;
    const float n[3] = {0, d[1] / len, d[2] / len};
    b->anchors.foot[0][0] = -0.269f, b->anchors.foot[0][1] = hy + d[1], b->anchors.foot[0][2] = hz + d[2];
    for (float &v : b->anchors.velocity[0]) v = 0;
    bike_update_rider_anchors(b);
    expect_near3(b->anchors.foot[0], -0.269f, hy + n[1] * leg, hz + n[2] * leg);
    const float v0y = -0.25f * 0.9375f;
    const float along = 2 * n[2], before = v0y * n[1];
    expect_near3(b->anchors.velocity[0], 0, v0y + n[1] * (along - before), n[2] * (along - before));

    // Knee plane: an anchor above the plane one foot below the hips drops onto it, for either
    // foot; its vertical speed becomes the rider body's (0).
    for (dBodyID body : b->bodies) dBodySetLinearVel(body, 0, 0, 0);
    for (int i = 0; i < 2; ++i) {
        b->anchors.foot[i][0] = i ? 0.269f : -0.269f, b->anchors.foot[i][1] = hy - 0.5f, b->anchors.foot[i][2] = hz + 1;
        b->anchors.velocity[i][0] = 0, b->anchors.velocity[i][1] = 3, b->anchors.velocity[i][2] = 0;
    }
    bike_update_rider_anchors(b);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        expect_near3(b->anchors.foot[i], i ? 0.269f : -0.269f, hy - 1, hz + 1);
        EXPECT_NEAR(b->anchors.velocity[i][1], 0, 1e-5f);
    }
    bike_destroy(b);
}

TEST_F(BikeWorld, MatchVelocityIsHorizontalAndRamps)
{
    dBodyID body = dBodyCreate(physics_world);
    struct Case { float v[3]; float want_x, want_z; };
    const Case cases[] = {
        {{0.2f, 0, 0}, 0, 0},           // below 0.25 ft/s: nothing
        {{1.5f, 0, 0}, -100, 0},        // the full limit from 1.5 ft/s
        {{0, 0, -3}, 0, 100},
        {{1, 0, 0}, -60, 0},            // (1 - 0.25) x 0.8 of the limit
        {{0, 1.5f, 0}, 0, 0},           // vertical difference counts but pushes nothing
    };
    const float target[3] = {0, 0, 0};
    for (const Case &c : cases) {
        dBodySetForce(body, 0, 0, 0);
        dBodySetLinearVel(body, c.v[0], c.v[1], c.v[2]);
        body_match_velocity(body, 100, target);
        const dReal *f = dBodyGetForce(body);
        EXPECT_NEAR(f[0], c.want_x, 1e-3) << c.v[0] << " " << c.v[1] << " " << c.v[2];
        EXPECT_EQ(f[1], 0);
        EXPECT_NEAR(f[2], c.want_z, 1e-3);
    }
    const float moving[3] = {5, 0, 0};
    dBodySetForce(body, 0, 0, 0);
    dBodySetLinearVel(body, 5.1f, 0, 0);
    body_match_velocity(body, 100, moving);
    EXPECT_EQ(dBodyGetForce(body)[0], 0);
    dBodyDestroy(body);
    EXPECT_EQ(bike_terrain_height(nullptr, 3, 4), 0);
}
