// bike/world_step.h — the physics world's step of one tick: ODE's dense solver, as exact as the
// rows it is given. On a row set it cannot solve it leaves every constraint force it has not
// reached at zero; the step is then made again from the same state with the iterative solver.
#pragma once
#include <ode/ode.h>

struct bike;

struct world_step_counts {
    long exact;       // ticks stepped by the dense solver alone
    long fallback;    // ticks the dense solver gave up on and the iterative one made again
};
extern world_step_counts world_steps;

// Steps world by step seconds. bikes (count entries, null entries skipped) hold every body of
// the world: their state is what a repeated step starts from.
void world_step(dWorldID world, dReal step, bike *const *bikes, int count);
