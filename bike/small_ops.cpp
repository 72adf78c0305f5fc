// Lean angle, ground height, velocity matching and the wheel tracks.
#include "bike/small_ops.h"
#include "bike/bike_record.h"
#include "terrain/erosion.h"
#include "bike/wheel_erosion.h"
#include "terrain/field.h"
#include <cmath>

float bike_get_lean_angle(dBodyID frame)
{
    const dReal *r = dBodyGetRotation(frame);
    // Columns of the rotation: x (side) and y (up) axes in world terms.
    double sx = r[0], sz = r[8];
    double length = std::sqrt(sx * sx + sz * sz);
    if (!(length > 0)) return 0;
    double dot = (r[1] * sx + r[9] * sz) / length;
    dot = dot > 1 ? 1 : dot < -1 ? -1 : dot;
    return (float)(std::acos(dot) - M_PI / 2);
}

float bike_terrain_height(const terrain_field *t, float x, float z)
{
    return t && t->heights ? terrain_height_at(t, x, z) : 0.0f;
}

void body_match_velocity(dBodyID body, float force_limit, const float target[3])
{
    const dReal *v = dBodyGetLinearVel(body);
    double d[3] = {v[0] - target[0], v[1] - target[1], v[2] - target[2]};
    double size = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(size >= 0.25)) return;
    double share = (size - 0.25) * 0.8;
    share = share > 1 ? 1 : share;
    double k = -share * force_limit / size;
    dBodyAddForce(body, k * d[0], 0, k * d[2]);
}

void bike_update_wheel_tracks(bike *b)
{
    erode_wheel_contact(&b->trails[WHEEL_FRONT], &b->wheels[WHEEL_FRONT]);
    erode_wheel_contact(&b->trails[WHEEL_REAR], &b->wheels[WHEEL_REAR]);
}
