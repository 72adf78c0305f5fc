// bike/rider_bones.h — the rider's skeleton, shared by every model: nine bone points in rider-body
// coordinates, in the order the rider body model's bone indices use. The table reads as a T-pose
// (arms straight out, legs straight down), which is how the rider body model is built.
#pragma once
#include "bike/bike_info.h"

enum rider_bone {
    RIDER_BONE_LEFT_ELBOW, RIDER_BONE_RIGHT_ELBOW,
    RIDER_BONE_LEFT_SHOULDER, RIDER_BONE_RIGHT_SHOULDER,
    RIDER_BONE_LEFT_KNEE, RIDER_BONE_RIGHT_KNEE,
    RIDER_BONE_LEFT_HIP, RIDER_BONE_RIGHT_HIP,
    RIDER_BONE_PELVIS,   // the torso and head hang on this one
};
static_assert(RIDER_BONE_PELVIS + 1 == RIDER_BONES);

// Feet; every catalogue record points at this table.
extern const float rider_bones[RIDER_BONES][3];
