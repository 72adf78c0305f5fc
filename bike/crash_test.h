// bike/crash_test.h — when the rider parts from the bike: a rider body moving too fast against
// the frame, or pushed too hard, starts a crash. Both limits tighten right after landing a long
// jump.
#pragma once

struct bike;

// The factor on both crash limits: 1.5, down to 1.0 for the first moments after a long fall.
float bike_crash_tolerance(bike *b);
// The rider body's acceleration over the last four ticks with gravity taken out (ft/s²), from
// the velocity ring whose entry tick_count & 3 still holds the velocity of four ticks ago.
void  bike_rider_acceleration(bike *b, float out[3]);
// Runs both tests while riding (and not in arcade mode) and starts a crash when one fails.
void  bike_crash_test(bike *b);
