#include "bike/crash_test.h"

#include <cmath>

#include "bike/bike_record.h"
#include "bike/crash_start.h"
#include "shell/race_clock.h"
#include "shell/globals.h"

static float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

float bike_crash_tolerance(bike *b)
{
    if (b->landing_tick < b->fall_start_tick) return 1.5f;   // still in the air
    // Falls from 0.559 s to 0.685 s lower it; it holds 0.125 s after touchdown, is back at 0.25 s.
    float airtime = (float)(b->landing_tick - b->fall_start_tick) * (float)tick;
    float p = clampf((airtime - 0.559f) * 7.936508655548096f, 0, 1);
    float since = (float)(tick_count - b->landing_tick) * (float)tick;
    float q = clampf((since - 0.25f) * -8, 0, 1);
    return 1.5f - 0.5f * p * q;
}

static float length(const float v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void bike_rider_acceleration(bike *b, float out[3])
{
    const dReal *v = dBodyGetLinearVel(b->bodies[BODY_RIDER]);
    const float *old = b->rider_velocity_ring[tick_count & 3];
    const float k = 0.25f / (float)tick;
    out[0] = ((float)v[0] - old[0]) * k;
    out[1] = ((float)v[1] - old[1]) * k + 32;   // a rider in free fall reads about 0
    out[2] = ((float)v[2] - old[2]) * k;
}

static int may_crash(const bike *b) { return b->crash_counter < 1 && b->bump_timer >= 0; }

void bike_crash_test(bike *b)
{
    if (b->crash_counter != 0 || (b->option_flags2 & OPTION2_ARCADE)) return;
    const float m = bike_crash_tolerance(b);
    dBodyID rider = b->bodies[BODY_RIDER];
    const dReal *v = dBodyGetLinearVel(rider), *p = dBodyGetPosition(rider);

    dVector3 carried;   // the frame's velocity at the rider body's position
    dBodyGetPointVel(b->bodies[BODY_FRAME], p[0], p[1], p[2], carried);
    const float u[3] = {(float)(v[0] - carried[0]), (float)(v[1] - carried[1]), (float)(v[2] - carried[2])};
    if (length(u) > 31 * m && may_crash(b)) bike_crash_start(b);

    float g[3];
    bike_rider_acceleration(b, g);
    if (length(g) > 1376 * m && may_crash(b)) bike_crash_start(b);
}
