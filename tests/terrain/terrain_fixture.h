// A small generated field in memory, set up the way the loader leaves it.
#pragma once
#include "terrain/field.h"
#include "terrain/lod.h"
#include <cstdlib>
#include <cstring>
#include <functional>

struct small_field {
    terrain_field *t;

    small_field(int depth, float cell, const std::function<float(int, int)> &height)
    {
        t = (terrain_field *)calloc(1, sizeof(terrain_field));
        t->lod_depth = depth;
        t->grid_dim = (1 << (depth + 1)) + 1;
        t->cell_size = cell;
        t->tile_size = 2 * cell;
        t->world_size = (float)(1 << (depth + 1)) * cell;
        t->lod_tolerance = 0.125f;
        t->eye_cell_x = t->eye_cell_z = TERRAIN_NO_EYE;
        t->texture_mode = 1;
        t->height_generation = 1;
        t->lod_build_level = depth;
        long n = (long)t->grid_dim * t->grid_dim;
        t->heights = (float *)calloc(2 * n, sizeof(float));
        t->loaded_heights = t->heights + n;
        t->height_min = 1e30f;
        t->height_max = -1e30f;
        for (int z = 0; z < t->grid_dim; ++z)
            for (int x = 0; x < t->grid_dim; ++x) {
                float h = height(x, z);
                t->heights[(long)z * t->grid_dim + x] = h;
                if (h < t->height_min) t->height_min = h;
                if (h > t->height_max) t->height_max = h;
            }
        t->vertex_dirty = (unsigned char *)calloc(bit_bytes(n), 1);
        t->shadows = (unsigned char *)calloc(n, 1);
        t->shading = (unsigned char *)calloc(3 * n, 1);
        long nodes = terrain_lod_node_count(depth);
        t->lod_split_dist2 = (float *)calloc(nodes, sizeof(float));
        t->lod_split_next = (float *)calloc(nodes, sizeof(float));
    }
    ~small_field()
    {
        free(t->heights);
        free(t->vertex_dirty);
        free(t->normal_dirty);
        free(t->shadows);
        free(t->shading);
        free(t->lod_split_dist2);
        free(t->lod_split_next);
        free(t->block_request);
        free(t->block_dirty);
        free(t);
    }
    float h(int x, int z) const { return t->heights[(long)z * t->grid_dim + x]; }
    double total() const
    {
        double s = 0;
        for (long i = 0; i < (long)t->grid_dim * t->grid_dim; ++i) s += t->heights[i];
        return s;
    }
};

// Heights with no pattern the triangle rule could hide behind.
inline float bumpy(int x, int z) { return (float)((x * 7919 + z * 104729 + x * z * 31) % 1000) * 0.01f; }
