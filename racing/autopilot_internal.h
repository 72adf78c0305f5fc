// racing/autopilot_internal.h — what the robot's driving files share: the path as an array, its
// samples with indices held to the path, and small arithmetic.
#pragma once
#include <cmath>

#include "bike/bike_record.h"
#include "racing/race.h"

namespace autopilot_detail {

inline line_sample *path(bike *b) { return (line_sample *)b->line_record.items; }
inline int path_count(const bike *b) { return b->line_record.count; }

inline int clampi(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Sample i of a non-empty path, i held to 0 .. count - 1.
inline const line_sample &sample(bike *b, int i) { return path(b)[clampi(i, 0, path_count(b) - 1)]; }

// The path's position at a fractional index, between neighbouring samples.
inline void path_point(bike *b, float f, float out[3])
{
    const int n = path_count(b);
    if (!(f > 0)) f = 0;
    if (f > (float)(n - 1)) f = (float)(n - 1);
    const int i = (int)f;
    const float w = f - (float)i;
    const line_sample &a = sample(b, i), &c = sample(b, i + 1);
    out[0] = a.x + (c.x - a.x) * w;
    out[1] = a.y + (c.y - a.y) * w;
    out[2] = a.z + (c.z - a.z) * w;
}

inline float dot3(const float *a, const float *b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The frame's angular velocity in its own coordinates: x pitch (positive raises the front),
// z roll.
inline void frame_spin(bike *b, dVector3 out)
{
    const dReal *w = dBodyGetAngularVel(b->bodies[BODY_FRAME]);
    dBodyVectorFromWorld(b->bodies[BODY_FRAME], w[0], w[1], w[2], out);
}

// The lean command's gain, per radian of lean error. At twice this our bikes weave on the
// straights (the command asks for more roll than the few degrees of steering lock at speed
// give) and the weave grows under braking until the bike falls.
constexpr float lean_gain = 2;

// The counter-steer that turns the roll rate wz toward the commanded rate e: none within
// 0.125 rad/s of it, then 4 per rad/s of steer input (not yet held to -1..1).
inline float counter_steer(float e, float wz)
{
    const float d = clampf(e - wz, -0.125f, 0.125f);
    return 4 * (wz - (e - d));
}

}   // namespace autopilot_detail
