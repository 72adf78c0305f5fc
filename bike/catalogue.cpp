#include "bike/catalogue.h"

#include "bike/bike.h"
#include "bike/rider_bones.h"
#include <cmath>
#include <cstring>

const float rider_bones[RIDER_BONES][3] = {
    {-1.456f, 0.875f, 0.01f}, {1.456f, 0.875f, 0.01f},
    {-0.556f, 0.875f, 0.01f}, {0.556f, 0.875f, 0.01f},
    {-0.269f, -2.208f, 0.01f}, {0.269f, -2.208f, 0.01f},
    {-0.269f, -0.88f, 0.01f}, {0.269f, -0.88f, 0.01f},
    {0, -0.88f, 0.01f},
};

const bike_info *bike_info_find(const char *name)
{
    if (!name) return nullptr;
    for (int i = 0; i < bike_catalogue_count; ++i)
        if (strcmp(bike_catalogue[i].name, name) == 0) return &bike_catalogue[i];
    return nullptr;
}

// Written so that a setting that is not a number reads as the low end.
static float setting_in_range(const float range[2], float s)
{
    s = s > 0 ? (s < 1 ? s : 1) : 0;
    return range[0] + s * (range[1] - range[0]);
}

// Spring rates are stored in lbf/ft for the two fork legs together; the setup shows kg/mm.
float bike_info_fork_spring_rate_kgmm(const bike_info *info, float s)
{
    return (float)(setting_in_range(info->fork_spring_range, s) * 0.0007440819724087572);
}
float bike_info_fork_preload_mm(const bike_info *info, float s)
{
    return (float)(setting_in_range(info->fork_preload_range, s) * 304.8);
}
float bike_info_fork_oil_level_mm(const bike_info *info, float s)
{
    return (float)(setting_in_range(info->fork_air_length_range, s) * 304.8);
}
float bike_info_shock_spring_rate_kgmm(const bike_info *info, float s)
{
    return (float)(setting_in_range(info->shock_spring_range, s) * 0.0014881639448175144);
}
float bike_info_shock_preload_mm(const bike_info *info, float s)
{
    return (float)(setting_in_range(info->shock_preload_range, s) * 304.8);
}

float bike_info_front_teeth(const bike_info *info) { return info->front_teeth; }
float bike_info_rear_teeth(const bike_info *info) { return info->rear_teeth; }

float bike_info_engine_torque(const bike_info *info, float rpm, float throttle)
{
    const float last = BIKE_TORQUE_POINTS - 1;
    float x = rpm * 0.002f;
    x = x > 0 ? (x < last ? x : last) : 0;   // a speed that is not a number reads point 0
    int i = (int)std::floor(x);
    float f = x - (float)i;
    int j = i + 1 < BIKE_TORQUE_POINTS ? i + 1 : BIKE_TORQUE_POINTS - 1;
    const float *kc = info->torque_closed, *ko = info->torque_open;
    float closed = kc[i] + (kc[j] - kc[i]) * f;
    float open = ko[i] + (ko[j] - ko[i]) * f;
    return closed + (open - closed) * throttle;
}
