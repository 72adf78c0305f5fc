// bike/suspension_readout.h — the swingarm's leverage curve, the fork and swingarm readouts the
// telemetry graphs record, and the relay that cancels the joints' net push on the frame.
#pragma once

struct bike;
struct bike_info;

// The leverage curve at swingarm travel x (0..1): two cubic Hermite segments meeting at the
// model's break point. Writes the value and its slope d(value)/dx.
void swingarm_leverage(const bike_info *info, float x, float *value, float *slope);

// Travel (fraction of the fork's travel, not clamped), slider speed (ft/s) and the share of the
// damping the low-speed offset makes up.
void bike_get_fork_telemetry(bike *b, float *travel, float *speed, float *factor);
// The same for the swingarm: travel clamped to 0..1, speed through the leverage curve.
void bike_get_swingarm_telemetry(bike *b, float *travel, float *speed, float *factor);

// Gives the frame the negated sum of the six joints' forces and torques from the last world
// step, taken about the frame's position. Not while the rider is down, nor before tick 2.
void bike_relay_joint_forces(bike *b);
