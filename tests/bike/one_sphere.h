// tests/bike/one_sphere.h — a shape of one sphere at its body's origin, for bike parts and track
// objects whose collisions a test works out by hand.
#pragma once
#include <cstring>

#include "bike/shape.h"
#include "data/mem.h"

// In one block, as the shape cache hands instances out; mem_free lets it go.
inline shape *one_sphere_shape(float radius)
{
    struct block { shape s; shape_sphere sphere; float world[1][3]; };
    block *b = (block *)mem_alloc(sizeof(block));
    memset(b, 0, sizeof *b);
    b->sphere = {{0, 0, 0}, radius, 1, 5000, 500};
    b->s.name = "sphere";
    b->s.sphere_count = 1;
    b->s.spheres = &b->sphere;
    b->s.world_centers = b->world;
    b->s.bounding_radius = radius;
    return &b->s;
}
