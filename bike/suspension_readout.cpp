#include "bike/suspension_readout.h"

#include <cmath>

#include "bike/bike_record.h"
#include "shell/race_clock.h"

static float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

void swingarm_leverage(const bike_info *info, float x, float *value, float *slope)
{
    const float b = info->leverage_break;
    float t, len, y0, y1, m0, m1;
    if (x <= b) {
        t = x / b;
        len = b;
        y0 = 0;
        y1 = info->leverage_at_break;
        m0 = info->leverage_slope[0] * len;
        m1 = info->leverage_slope[1] * len;
    } else {
        t = (x - b) / (1 - b);
        len = 1 - b;
        y0 = info->leverage_at_break;
        y1 = info->leverage_at_full;
        m0 = info->leverage_slope[1] * len;
        m1 = info->leverage_slope[2] * len;
    }
    const float c2 = 3 * (y1 - y0) - 2 * m0 - m1, c3 = 2 * (y0 - y1) + m0 + m1;
    *value = y0 + m0 * t + c2 * t * t + c3 * t * t * t;
    *slope = (m0 + 2 * c2 * t + 3 * c3 * t * t) / len;
}

// The low-speed offset's share o / (o + |speed|·c) of rebound (speed >= 0) or compression
// damping. A zero denominator (a unit at rest with no offset) reads 0: the graph colours it.
static float damping_factor(const bike_suspension &s, float speed)
{
    float c = speed >= 0 ? s.rebound : s.compression;
    float o = speed >= 0 ? s.slow_rebound : s.slow_compression;
    float d = o + std::fabs(speed) * c;
    return d == 0 ? 0.0f : o / d;
}

void bike_get_fork_telemetry(bike *b, float *travel, float *speed, float *factor)
{
    dJointID slider = b->joints[JOINT_FORK_SLIDER];
    *travel = -(float)dJointGetSliderPosition(slider) / b->info.fork_travel;
    *speed = (float)dJointGetSliderPositionRate(slider);
    *factor = damping_factor(b->fork, *speed);
}

void bike_get_swingarm_telemetry(bike *b, float *travel, float *speed, float *factor)
{
    dJointID hinge = b->joints[JOINT_SWINGARM];
    *travel = clampf(-(float)dJointGetHingeAngle(hinge) / b->info.swingarm_angle_max, 0, 1);
    float value, slope;
    swingarm_leverage(&b->info, *travel, &value, &slope);
    *speed = (float)dJointGetHingeAngleRate(hinge) * slope;
    *factor = damping_factor(b->shock, *speed);
}

void bike_relay_joint_forces(bike *b)
{
    if (tick_count <= 1 || b->crash_counter >= 1) return;
    const dReal *pf = dBodyGetPosition(b->bodies[BODY_FRAME]);
    dReal f[3] = {0, 0, 0}, t[3] = {0, 0, 0};
    for (int j = 0; j < BIKE_JOINTS; ++j) {
        dBodyID b1 = dJointGetBody(b->joints[j], 0), b2 = dJointGetBody(b->joints[j], 1);
        if (!b1 || !b2) return;   // a joint half detached: nothing to relay this tick
        const dJointFeedback &fb = b->feedback[j];
        const dReal *p1 = dBodyGetPosition(b1), *p2 = dBodyGetPosition(b2);
        dReal r1[3] = {p1[0] - pf[0], p1[1] - pf[1], p1[2] - pf[2]};
        dReal r2[3] = {p2[0] - pf[0], p2[1] - pf[1], p2[2] - pf[2]};
        for (int i = 0; i < 3; ++i) {
            int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
            f[i] += fb.f1[i] + fb.f2[i];
            t[i] += r1[i1] * fb.f1[i2] - r1[i2] * fb.f1[i1] + r2[i1] * fb.f2[i2] - r2[i2] * fb.f2[i1] +
                    fb.t1[i] + fb.t2[i];
        }
    }
    dBodyAddForce(b->bodies[BODY_FRAME], -f[0], -f[1], -f[2]);
    dBodyAddTorque(b->bodies[BODY_FRAME], -t[0], -t[1], -t[2]);
}
