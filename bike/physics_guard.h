// bike/physics_guard.h — ODE never ends a race. Before each world step a bike whose bodies are
// not finite, or move beyond what any bike can, is re-placed or stopped; should ODE still meet
// a fault inside the step, its handler leaves the step and the race goes on from a calmed world.
#pragma once
#include <ode/ode.h>

struct bike;

constexpr double BIKE_SPEED_MAX_FPS = 1000;   // no bike body is this fast: a fault or a teleport
constexpr double BIKE_SPIN_MAX_RAD_S = 4000;

// ODE's error, debug and message handlers, and the world's own threading implementation (one
// that can be replaced after a fault). physics_world_step calls it for a world it has not seen;
// the game's one world keeps both for the process, and what they hold stays reachable.
void physics_guard_init(dWorldID world);
// Before dWorldDestroy, for tests that make worlds one after another: the world lets go of the
// threading implementation, which is freed.
void physics_guard_free(dWorldID world);

// 1 when the bike had to be re-placed (a pose not finite) or stopped (a speed, spin, force or
// torque not finite or beyond the limits above); says so in the log.
int  bike_guard_state(bike *b);
// world_step (bikes and count as it takes them) that comes back even when ODE meets an internal
// fault: 0 then, the fault logged and the world given a fresh threading implementation; guard
// every bike before the next. After 64 faults the world is no longer stepped (0 every time)
// rather than use more memory.
int  physics_world_step(dWorldID world, dReal step_seconds, bike *const *bikes = nullptr, int count = 0);
// How many faults ODE raised inside a world step since start (the tests read it).
int  physics_step_faults(void);
