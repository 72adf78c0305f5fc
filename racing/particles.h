// racing/particles.h — flying dirt: a pool of 2000 particles, each drawn by a billboard of its
// own that the track loader reserves; and the orientation of an object standing on the ground.
#pragma once
#include "racing/race.h"

struct roost_type;

struct particle_node {
    float position[3];           // ft
    float velocity[3];           // ft/s
    int billboard;               // index into billboards; -1 none
    const roost_type *style;
    particle_node *next;
};

// Every node back on the free list, its billboard parked out of sight.
void particles_reset(void);
// Moves, slows and drops every particle one tick; a falling one that meets the ground retires.
void particles_update(void);
int  particles_active_count(void);
