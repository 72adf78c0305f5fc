// The rider's foot anchors.
#include "bike/anchors.h"
#include "bike/bike_record.h"
#include "bike/small_ops.h"
#include "shell/startup.h"
#include <cmath>

static const float tick = 1.0f / 128;

static float clampf(float v, float lo, float hi) { return v > hi ? hi : v >= lo ? v : lo; }

static void world_point(dBodyID body, const float p[3], float out[3])
{
    dVector3 w;
    dBodyGetRelPointPos(body, p[0], p[1], p[2], w);
    for (int k = 0; k < 3; ++k) out[k] = (float)w[k];
}

// Puts a foot on the ground beside its hip: side -1 left, +1 right.
static void put_foot_down(bike *b, int side, float k, float forward_offset, float blend, float foot[3], float *weight)
{
    const rider_geometry &g = b->info.rider;
    dBodyID rider = b->bodies[BODY_RIDER], frame = b->bodies[BODY_FRAME];
    const int i = side < 0 ? 0 : 1;
    float hip[3];
    world_point(rider, g.hips[i], hip);
    const float spacing = std::fabs(g.hips[1][0] - g.hips[0][0]);
    dVector3 out, forward;
    dBodyVectorToWorld(rider, (float)side, 0, 0, out);
    dBodyVectorToWorld(frame, 0, 0, -1, forward);
    float ground[3];
    for (int c = 0; c < 3; ++c)
        ground[c] = hip[c] + (float)out[c] * (1 - k) / 2 * spacing + (float)forward[c] * forward_offset;
    ground[1] = bike_terrain_height(g_terrain, ground[0], ground[2]) + 0.125f;
    for (int c = 0; c < 3; ++c) foot[c] += (ground[c] - foot[c]) * blend;
    *weight = blend;
}

void bike_get_rider_anchors(bike *b, float left[3], float *left_weight, float right[3], float *right_weight)
{
    const rider_geometry &g = b->info.rider;
    dBodyID frame = b->bodies[BODY_FRAME];
    const int c = b->crash_counter;
    float feet[2][3];
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 3; ++k) feet[i][k] = g.feet[i][k];
    if (c > 0) {
        const float s = (float)(c < 1 ? 1 : c > 128 ? 128 : c) / 128;
        const float spread = 0.5f * clampf(2 * (s - 0.5f), 0, 1);
        const float rise = 1.75f * clampf(2 * s, 0, 1);
        const float back = clampf(4 * s / 3, 0, 1);
        feet[0][0] -= spread;
        feet[1][0] += spread;
        for (int i = 0; i < 2; ++i) feet[i][1] += rise, feet[i][2] += back;
    }
    float weight[2] = {0, 0};
    float *out[2] = {left, right};
    for (int i = 0; i < 2; ++i) world_point(frame, feet[i], out[i]);

    const float down = b->input.foot_down;
    if (down != 0 && c < 128) {
        const float lean = bike_get_lean_angle(frame);
        const float k = clampf(std::fabs(lean) * 4 / (float)M_PI, 0, 1);
        const dReal *v = dBodyGetLinearVel(frame);
        dVector3 forward;
        dBodyVectorToWorld(frame, 0, 0, -1, forward);
        const float speed = (float)(v[0] * forward[0] + v[1] * forward[1] + v[2] * forward[2]);
        const float vs = clampf(speed / 15, 0, 1);
        const float offset = (1.25f * vs - 0.25f) * k * 2.5f;
        if (lean > -0.1f)
            put_foot_down(b, -1, k, offset, 1 - clampf((lean + 0.5f) * 2.5f, 0, 1) * (1 - down), left, &weight[0]);
        if (lean < 0.1f)
            put_foot_down(b, 1, k, offset, 1 - clampf((0.5f - lean) * 2.5f, 0, 1) * (1 - down), right, &weight[1]);
    }
    if (c > 0) {
        const float m = (float)(2 * c - 128 < 1 ? 1 : 2 * c - 128 > 128 ? 128 : 2 * c - 128) / 128;
        for (int i = 0; i < 2; ++i)
            for (int k = 0; k < 3; ++k) out[i][k] += (b->anchors.foot[i][k] - out[i][k]) * m;
        weight[0] = weight[1] = 1;
    }
    if (left_weight) *left_weight = weight[0];
    if (right_weight) *right_weight = weight[1];
}

static float dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The anchor's velocity along the unit direction n becomes the rider body's at the anchor.
static void take_rider_velocity(dBodyID rider, const float p[3], const float n[3], float v[3])
{
    dVector3 w;
    dBodyGetPointVel(rider, p[0], p[1], p[2], w);
    const float body[3] = {(float)w[0], (float)w[1], (float)w[2]};
    const float change = dot3(body, n) - dot3(v, n);
    for (int k = 0; k < 3; ++k) v[k] += n[k] * change;
}

static void move_crashed_anchor(bike *b, int i)
{
    const rider_geometry &g = b->info.rider;
    dBodyID rider = b->bodies[BODY_RIDER];
    float *p = b->anchors.foot[i], *v = b->anchors.velocity[i];
    for (int k = 0; k < 3; ++k) p[k] += v[k] * tick;
    v[1] -= 32 * tick;
    const float floor = bike_terrain_height(g_terrain, p[0], p[2]) + 0.25f;
    if (p[1] < floor) {
        p[1] = floor;
        v[0] = v[1] = v[2] = 0;
    }
    for (int k = 0; k < 3; ++k) v[k] *= 0.9375f;

    float hip[3];
    world_point(rider, g.hips[i], hip);
    const float leg = g.upper_leg + g.lower_leg;
    float d[3] = {p[0] - hip[0], p[1] - hip[1], p[2] - hip[2]};
    const float distance = std::sqrt(dot3(d, d));
    if (distance > leg) {
        const float n[3] = {d[0] / distance, d[1] / distance, d[2] / distance};
        for (int k = 0; k < 3; ++k) p[k] = hip[k] + n[k] * leg;
        take_rider_velocity(rider, p, n, v);
    }

    // Both knees bend about one plane through the left hip: the hips differ only across.
    dVector3 down;
    dBodyVectorToWorld(rider, 0, -1, 0, down);
    const float dn[3] = {(float)down[0], (float)down[1], (float)down[2]};
    float left_hip[3];
    world_point(rider, g.hips[0], left_hip);
    const float plane[3] = {left_hip[0] + dn[0], left_hip[1] + dn[1], left_hip[2] + dn[2]};
    const float rel[3] = {p[0] - plane[0], p[1] - plane[1], p[2] - plane[2]};
    const float depth = dot3(rel, dn);
    if (depth < 0) {
        for (int k = 0; k < 3; ++k) p[k] -= dn[k] * depth;
        take_rider_velocity(rider, p, dn, v);
    }
}

void bike_update_rider_anchors(bike *b)
{
    float &down = b->input.foot_down;
    down = down - 4 * tick > 0 ? down - 4 * tick : 0;
    if (b->crash_counter > 0) {
        move_crashed_anchor(b, 0);
        move_crashed_anchor(b, 1);
        return;
    }
    bike_get_rider_anchors(b, b->anchors.foot[0], nullptr, b->anchors.foot[1], nullptr);
    for (int i = 0; i < 2; ++i) {
        const float *p = b->anchors.foot[i];
        dVector3 w;
        dBodyGetPointVel(b->bodies[BODY_RIDER], p[0], p[1], p[2], w);
        for (int k = 0; k < 3; ++k) b->anchors.velocity[i][k] = (float)w[k];
    }
}
