// bike/rider_bones.h — the order of the rider body's nine bones: the weights of every skinned
// rider model ("@rider_body.km", "@rider_body_fp.km", "@rider_plate.km") and the catalogue's
// bone table follow it. In the bind pose the rider stands in a T: arms out along x, legs down.
#pragma once

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
