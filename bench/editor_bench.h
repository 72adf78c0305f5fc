// A bare field for the editor benchmarks: heights, shading and dirty bits, as the loader leaves
// them for the editor's undo ring and brushes.
#pragma once
#include "terrain/field.h"
#include "terrain/lod.h"
#include <cmath>
#include <cstdlib>

inline terrain_field *editor_bench_field(int depth)
{
    terrain_field *t = (terrain_field *)calloc(1, sizeof(terrain_field));
    t->lod_depth = depth;
    t->grid_dim = (1 << (depth + 1)) + 1;
    t->cell_size = 1.0f;
    t->tile_size = 2.0f;
    t->world_size = (float)(1 << (depth + 1));
    t->eye_cell_x = t->eye_cell_z = TERRAIN_NO_EYE;
    t->texture_mode = 1;
    const long n = (long)t->grid_dim * t->grid_dim;
    t->heights = (float *)calloc(2 * n, sizeof(float));
    t->loaded_heights = t->heights + n;
    for (long i = 0; i < n; ++i) t->heights[i] = 4 * std::sin((float)(i % t->grid_dim) / 31.0f);
    t->height_min = -4;
    t->height_max = 4;
    t->shading = (unsigned char *)calloc(3 * n, 1);
    t->shadows = (unsigned char *)calloc(n, 1);
    t->vertex_dirty = (unsigned char *)calloc(bit_bytes(n), 1);
    t->block_request = (int *)calloc(64 * 64, sizeof(int));
    return t;
}
