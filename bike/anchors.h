// bike/anchors.h — where the rider's feet are: on the pegs, put down on the ground when stopping
// or leaning, and flung about by a crash.
#pragma once

struct bike;

// The two feet in world terms and how much each rests on the ground (0..1); weights may be null.
void bike_get_rider_anchors(bike *b, float left[3], float *left_weight, float right[3], float *right_weight);
// Once per tick: lowers the foot-down amount and moves the stored anchors.
void bike_update_rider_anchors(bike *b);
