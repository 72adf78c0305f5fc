// bike/collision_passes.h — which parts of a bike meet what each tick: the ground, the track's
// objects and other bikes. The passes make the contacts, combine the hit flags, start crashes
// from hard rider hits, raise the mishap flag and keep the bike-bike bump timers.
#pragma once
#include <ode/ode.h>

struct bike;
struct shape;

// Hit flags of one bike's parts.
enum {
    HIT_FRAME = 1, HIT_FRONT_WHEEL = 2, HIT_REAR_WHEEL = 4, HIT_FORK_UPPER = 8,
    HIT_FORK_LOWER = 16, HIT_SWINGARM = 32, HIT_RIDER = 64,
};

// The tick of the race's first bike-bike contact; -1 until then (the race reset sets it).
extern int first_bump_tick;

// Declared in bike/bike.h for the shell: int bike_terrain_collide(bike *b);

// This bike's parts against one other shape on a body (or none) at a position and rotation
// (3x3 row by row). `mode` is the contact mode of bike/shape_contacts.h; with `fork_only_test`
// the front wheel and both fork parts only test.
int bike_collide_shape(bike *b, shape *other, dBodyID other_body, const float position[3],
                       const float rotation[9], int mode, int fork_only_test);
// A track object: joints, then the rider crashes on a hit faster than 20 ft/s.
int bike_collide_object(bike *b, shape *object, dBodyID object_body, const float position[3],
                        const float rotation[9]);
// A's parts against B; returns the flags of B's parts that were touched.
int bike_collide_bikes(bike *a, bike *b, int fork_only_test);
