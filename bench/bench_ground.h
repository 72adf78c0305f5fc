// bench/bench_ground.h — the 1025^2 grounds the terrain, bike and collision benchmarks run on, the
// size of the largest tracks. Each is made once per benchmark program and kept to its end.
#pragma once
#include "terrain/field.h"
#include <cstdlib>

// A 1025^2 field of cells `cell` ft wide, tiles two cells wide, every tile of the map tile 0.
// height(x, z) gives the height at grid point (x, z); the loaded heights beside them stay zero.
template <class Height>
terrain_field *bench_ground_make(float cell, Height height)
{
    terrain_field *t = (terrain_field *)calloc(1, sizeof(terrain_field));
    t->lod_depth = 9;
    t->grid_dim = 1025;
    t->cell_size = cell;
    t->tile_size = 2 * cell;
    t->world_size = 1024 * cell;
    const long n = 1025L * 1025;
    t->heights = (float *)calloc(2 * n, sizeof(float));
    t->loaded_heights = t->heights + n;
    for (int z = 0; z < 1025; ++z)
        for (int x = 0; x < 1025; ++x) t->heights[(long)z * 1025 + x] = height(x, z);
    t->tilemap = (unsigned char *)calloc(512 * 512, 1);
    return t;
}

// Bumps of up to 0.96 ft scattered over the ground without a pattern the eye sees.
inline float bench_ground_bumps(int x, int z)
{
    const long i = (long)z * 1025 + x;
    return (float)((i * 7919) % 97) * 0.01f;
}
