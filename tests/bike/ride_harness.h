// tests/bike/ride_harness.h — bikes ridden the way the race step will ride them: ground
// contacts, one world step of 1/128 s, the contact group emptied, every bike's physics step and
// the tick count raised, on the game's own globals. The ground is a generated field with one
// dirt tile (friction, rolling resistance and roost as the default track's dirt).
#pragma once
#include <functional>
#include <vector>

#include "bike/bike_record.h"
#include "terrain/terrain_fixture.h"

struct ride_harness {
    small_field ground;
    terrain_field *saved_terrain, *saved_g_terrain;
    std::vector<bike *> bikes;

    // depth: the field has 2^(depth+1) cells of cell ft a side; height(x, z) by vertex.
    ride_harness(int depth, float cell, const std::function<float(int, int)> &height);
    ~ride_harness();

    // A catalogue model (by name; null for the first record) without textures; its collision
    // shapes come from the game's generated content when it is there. At rest, facing -z, its
    // wheels at (x, z) resting on the ground, rider attached, clutch engaged.
    bike *add(const char *model, float x, float z);
    // One tick of every bike in the race step's order.
    void tick();
    void run(int ticks, const std::function<void(int)> &each = nullptr);
};

// 1: the world steps as the race does (world_step: the dense solver); 0 with dWorldQuickStep
// alone. RL_RIDE_QUICK in the environment starts it at 0, to ride a table both ways.
extern int ride_exact_step;

// The frame's speed (ft/s) and forward speed (along its -z axis).
float ride_speed(bike *b);
float ride_forward_speed(bike *b);
// Every body's position, rotation and velocities are finite.
bool ride_finite(bike *b);
