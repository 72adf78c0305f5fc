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
// Every pair of the list in order (the first with each later one, then the second...), each as
// bike_collide_bikes(list[i], list[j], 0); pairs whose bounds are apart are not visited.
void bike_collide_list(bike *const *list, int count);

// A box around everything of a bike the passes test: each part's shape about its body and each
// tyre's reach about its wheel, in ft.
struct bike_bounds { double lo[3], hi[3]; };
void bike_bounds_of(const bike *b, bike_bounds *out);
// 1 when the boxes (or the box and the sphere) are apart by more than any rounding of the part
// tests, so that no part of one can touch the other; 0 when they may touch or a value is not finite.
int  bike_bounds_apart(const bike_bounds *a, const bike_bounds *b);
int  bike_bounds_miss_sphere(const bike_bounds *a, const float centre[3], float radius);
