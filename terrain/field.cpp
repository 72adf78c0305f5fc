// The height field record and its point queries.
#include "terrain/field.h"
#include <cmath>

static terrain_field g_field;
terrain_field *terrain_ptr = &g_field;

// Five zero entries first, so that an offset looked up for depth d - 5 below 0 reads 0.
static const int lod_offset_table[5 + 16] = {
    0, 0, 0, 0, 0,
    0, 1, 5, 21, 85, 341, 1365, 5461, 21845, 87381, 349525, 1398101, 5592405, 22369621,
    89478485, 357913941,
};
const int *const lod_level_offset = lod_offset_table + 5;

static inline int clamp_index(int v, int hi) { return v < 0 ? 0 : v > hi ? hi : v; }

float terrain_safe_cells(float world, float inv_cell_size)
{
    const float limit = 1073741824.0f;   // 2^30 cells: far beyond any grid, still fits an int
    float f = world * inv_cell_size;
    if (f != f) return 0.0f;
    if (f > limit) return limit;
    if (f < -limit) return -limit;
    return f;
}

// The triangle under a point: corner (c, r), the other column c2 on row r and the other row r2
// in column c, with the weights u along the row and v along the column.
struct tri_pick { int c, c2, r, r2; float u, v; };

static tri_pick pick_triangle(const terrain_field *t, float x, float z)
{
    float inv = 1.0f / t->cell_size;
    float fx = terrain_safe_cells(x, inv), fz = terrain_safe_cells(z, inv);
    int gx = (int)std::floor(fx), gz = (int)std::floor(fz);
    tri_pick p;
    p.u = fx - (float)gx;
    p.v = fz - (float)gz;
    if ((gx & 1) != (gz & 1)) {
        p.c = gx;
        p.c2 = gx + 1;
    } else {
        p.u = 1.0f - p.u;
        p.c = gx + 1;
        p.c2 = gx;
    }
    p.r = gz;
    p.r2 = gz + 1;
    if (p.u + p.v > 1.0f) {
        p.u = 1.0f - p.u;
        p.v = 1.0f - p.v;
        p.r = gz + 1;
        p.r2 = gz;
        int c = p.c;
        p.c = p.c2;
        p.c2 = c;
    }
    return p;
}

static inline float height_clamped(const terrain_field *t, int x, int z)
{
    int hi = t->grid_dim - 1;
    return t->heights[(long)clamp_index(z, hi) * t->grid_dim + clamp_index(x, hi)];
}

float terrain_height_at(const terrain_field *t, float x, float z)
{
    tri_pick p = pick_triangle(t, x, z);
    float h0 = height_clamped(t, p.c, p.r);
    float h1 = height_clamped(t, p.c2, p.r);
    float h2 = height_clamped(t, p.c, p.r2);
    // In double, so that a vertex (u = 1, v = 0 after the split's flip) gives its height exactly.
    double h = (double)h0 + ((double)h2 - h0) * p.v + ((double)h1 - h0) * p.u;
    return (float)h;
}

void terrain_normal_at(const terrain_field *t, float x, float z, float out[3])
{
    tri_pick p = pick_triangle(t, x, z);
    float s = t->cell_size;
    float h0 = height_clamped(t, p.c, p.r);
    float h1 = height_clamped(t, p.c2, p.r);
    float h2 = height_clamped(t, p.c, p.r2);
    // Edges P1 - P0 and P2 - P0 from the index differences, so that points far outside the grid
    // (huge indices) still give an exact cell-sized edge.
    float ax = (float)(p.c2 - p.c) * s, ay = h1 - h0;              // az = 0
    float by = h2 - h0, bz = (float)(p.r2 - p.r) * s;               // bx = 0
    float n[3] = { ay * bz, -ax * bz, ax * by };
    if (n[1] < 0) { n[0] = -n[0]; n[1] = -n[1]; n[2] = -n[2]; }
    out[0] = n[0];
    out[1] = n[1];
    out[2] = n[2];
}

static inline float clamp_cells(float v, float hi) { return v > 0 ? (v < hi ? v : hi) : 0; }   // NaN gives 0

int terrain_tile_at(const terrain_field *t, float x, float z)
{
    if (!t->tilemap) return 0;
    const int last = (1 << t->lod_depth) - 1;
    const float s = 0.5f / t->cell_size;
    const int tx = (int)clamp_cells(x * s, (float)last);
    const int tz = (int)clamp_cells(z * s, (float)last);
    return t->tilemap[(long)tz * (last + 1) + tx];
}

void terrain_set_height(terrain_field *t, int x, int z, float h)
{
    int dim = t->grid_dim;
    if (x < 0 || z < 0 || x >= dim || z >= dim || t->edit_lock) return;
    t->change_flags = 7;
    if (h > t->height_max) t->height_max = h;
    if (h < t->height_min) t->height_min = h;
    t->heights[(long)z * dim + x] = h;
    int i0 = x > 0 ? x - 1 : 0, i1 = x < dim - 1 ? x + 1 : dim - 1;
    int j0 = z > 0 ? z - 1 : 0, j1 = z < dim - 1 ? z + 1 : dim - 1;
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            long bit = (long)j * dim + i;
            if (t->vertex_dirty) bit_set(t->vertex_dirty, bit);
            if (t->normal_dirty) bit_set(t->normal_dirty, bit);
        }
}
