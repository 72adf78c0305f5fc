// bike/crash_test.h — when the rider parts from the bike: a rider body moving too fast against
// the frame, or pushed too hard, starts a crash. Both limits tighten right after landing a long
// jump.
#pragma once

struct bike;

// The factor on both crash limits: 1.5, down to 1.0 for the first moments after a long fall.
float bike_crash_tolerance(bike *b);
// Runs both tests while riding (and not in arcade mode) and starts a crash when one fails.
void  bike_crash_test(bike *b);
