// bike/rider_bones.h — the rider's skeleton, shared by every model: nine bone points in rider-body
// coordinates, in the order the rider body model's bone indices use ("@rider_body.km",
// "@rider_body_fp.km", "@rider_plate.km"). The table reads as a T-pose (arms straight out, legs
// straight down), which is how the rider body model is built.
#pragma once
#include "bike/bike_info.h"

enum rider_bone {
    RIDER_BONE_LEFT_ELBOW,      // turns the forearm and hand
    RIDER_BONE_RIGHT_ELBOW,
    RIDER_BONE_LEFT_SHOULDER,   // the upper arm
    RIDER_BONE_RIGHT_SHOULDER,
    RIDER_BONE_LEFT_KNEE,       // shin and boot
    RIDER_BONE_RIGHT_KNEE,
    RIDER_BONE_LEFT_HIP,        // the thigh
    RIDER_BONE_RIGHT_HIP,
    RIDER_BONE_PELVIS,          // the torso and everything on it
    RIDER_BONE_COUNT
};
static_assert((int)RIDER_BONE_COUNT == (int)RIDER_BONES);

// Feet; every catalogue record points at this table.
extern const float rider_bones[RIDER_BONES][3];
