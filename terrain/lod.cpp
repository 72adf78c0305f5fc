// The level-of-detail pyramid, rebuilt bottom-up under a work budget so that the per-frame upkeep
// can spread a rebuild over many frames while drawing keeps using the last complete pyramid.
#include "terrain/lod.h"
#include "terrain/field.h"
#include "terrain/terrain_seams.h"
#include <cmath>

long terrain_lod_node_count(int depth) { return (4L << (2 * depth)) / 3; }

// The two triangles of a node: right-angle corner P, then the corner along x and the one
// along z. The split alternates like the height field's own checkerboard.
struct lod_triangle { int px, pz, dx, dz; };

static lod_triangle node_triangle(int x, int z, int phase, int x0, int z0, int x1, int z1)
{
    if ((x & 1) == (z & 1))
        return phase == 0 ? lod_triangle{x0, z0, 1, 1} : lod_triangle{x1, z1, -1, -1};
    return phase == 0 ? lod_triangle{x0, z1, 1, -1} : lod_triangle{x1, z0, -1, 1};
}

static float max_outside_neighbour(const float *level, int n, int cx, int cz)
{
    static const int offsets[8][2] = {
        {0, -1}, {1, -1}, {2, 0}, {2, 1}, {1, 2}, {0, 2}, {-1, 1}, {-1, 0},
    };
    float j = 0.0f;
    for (const auto &o : offsets) {
        int x = cx + o[0], z = cz + o[1];
        if (x < 0 || z < 0 || x >= n || z >= n) continue;
        float v = level[(long)z * n + x];
        if (v > j) j = v;
    }
    return j;
}

int terrain_build_lod(terrain_field *t, int budget)
{
    if (t->lod_build_state >= 0) {
        if (t->lod_build_state == t->height_generation) return 1;
        t->lod_build_state = -t->height_generation;
    }
    const bool unlimited = budget == TERRAIN_BUDGET_UNLIMITED;
    t->lod_build_budget = budget;
    const int N = t->lod_depth, dim = t->grid_dim;
    const float *heights = t->heights;
    float *next = t->lod_split_next;

    while (t->lod_build_level >= 0) {
        const int i = t->lod_build_level, n = 1 << i, s = 1 << (N + 1 - i);
        const float radius = t->world_size * 0.70710678f * std::ldexp(1.0f, -i);
        const float neighbour_gap = std::ldexp(t->world_size, -i) * 3.1622777f * 0.50048828125f;
        for (; t->lod_build_z < n; t->lod_build_z++, t->lod_build_x = 0) {
            const int z = t->lod_build_z;
            for (; t->lod_build_x < n; t->lod_build_x++) {
                const int x = t->lod_build_x;
                const int x0 = x * s, z0 = z * s, x1 = x0 + s, z1 = z0 + s;
                for (; t->lod_build_phase < 2; t->lod_build_phase++, t->lod_build_row = 0) {
                    lod_triangle tri = node_triangle(x, z, t->lod_build_phase, x0, z0, x1, z1);
                    const float hp = heights[(long)tri.pz * dim + tri.px];
                    const float slope_x = (heights[(long)tri.pz * dim + tri.px + tri.dx * s] - hp) / (float)s;
                    const float slope_z = (heights[(long)(tri.pz + tri.dz * s) * dim + tri.px] - hp) / (float)s;
                    if (!unlimited) t->lod_build_budget -= 10;
                    float error = t->lod_build_error;
                    for (int m = t->lod_build_row; m <= s; ++m) {
                        const float *row = heights + (long)(tri.pz + tri.dz * m) * dim + tri.px;
                        const float base = hp + slope_z * (float)m;
                        for (int k = 0; k <= s - m; ++k) {
                            float e = std::fabs(row[tri.dx * k] - (base + slope_x * (float)k));
                            if (e > error) error = e;
                        }
                        t->lod_build_error = error;
                        if (!unlimited) {
                            t->lod_build_budget -= s - m - 1;
                            if (t->lod_build_budget < 0) {
                                t->lod_build_row = m + 1;
                                return 0;
                            }
                        }
                    }
                }
                float own = t->lod_build_error / t->lod_tolerance + radius;
                float value = own * own;
                if (i < N) {
                    const float *children = next + lod_level_offset[i + 1];
                    const int n2 = n * 2, cx = 2 * x, cz = 2 * z;
                    float k = std::sqrt(max_outside_neighbour(children, n2, cx, cz)) + neighbour_gap;
                    float h = k * k;
                    const float c[4] = {
                        children[(long)cz * n2 + cx], children[(long)cz * n2 + cx + 1],
                        children[(long)(cz + 1) * n2 + cx], children[(long)(cz + 1) * n2 + cx + 1],
                    };
                    for (float v : c)
                        if (v > h) h = v;
                    if (h > value) value = h;
                }
                next[lod_level_offset[i] + (long)z * n + x] = value;
                t->lod_build_phase = 0;
                t->lod_build_row = 0;
                t->lod_build_error = 0.0f;
            }
        }
        t->lod_build_z = 0;
        t->lod_build_level--;
    }

    float *done = t->lod_split_next;
    t->lod_split_next = t->lod_split_dist2;
    t->lod_split_dist2 = done;
    t->lod_build_state = -t->lod_build_state;
    t->lod_build_level = N;
    t->lod_build_x = t->lod_build_z = 0;
    return 1;
}

static inline int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// Ring window origin of level L along one axis, in level-L units.
static int ring_origin(int eye_cell, int level, int depth)
{
    int o = ((eye_cell - (1 << level)) >> (level + 1)) - 1;
    return clampi(o, 0, (1 << (depth - level)) - 4);
}

void terrain_mark_dirty(terrain_field *t, int x0, int z0, int x1, int z1)
{
    const int N = t->lod_depth;
    if (t->texture_mode == 1) {
        if (t->block_request) {
            const int blocks = 1 << (N - 6);
            int bx0 = clampi(x0 >> 7, 0, blocks - 1), bx1 = clampi(x1 >> 7, 0, blocks - 1);
            int bz0 = clampi(z0 >> 7, 0, blocks - 1), bz1 = clampi(z1 >> 7, 0, blocks - 1);
            for (int bz = bz0; bz <= bz1; ++bz)
                for (int bx = bx0; bx <= bx1; ++bx)
                    if (t->block_request[bz * blocks + bx] == 0)
                        t->block_request[bz * blocks + bx] = t->draw_stamp;
        }
        int detail = terrain_settings.ground_texture_detail;
        if (detail >= 6) return;
        for (int L = detail < 0 ? 0 : detail; L <= 5; ++L) {
            int ox = ring_origin(t->eye_cell_x, L, N), oz = ring_origin(t->eye_cell_z, L, N);
            for (int sz = 0; sz < 4; ++sz)
                for (int sx = 0; sx < 4; ++sx) {
                    int cx0 = (ox + sx) << (L + 1), cx1 = (ox + sx + 1) << (L + 1);
                    int cz0 = (oz + sz) << (L + 1), cz1 = (oz + sz + 1) << (L + 1);
                    if (cx1 < x0 || cx0 > x1 || cz1 < z0 || cz0 > z1) continue;
                    if (t->ring_request[L][sz][sx] == 0) t->ring_request[L][sz][sx] = t->draw_stamp;
                }
        }
        return;
    }
    if (!t->block_dirty || t->block_count <= 0) return;
    const int last = t->block_count - 1;
    int c0 = clampi(x0 / 384, 0, last), c1 = clampi(x1 / 384, 0, last);
    int r0 = clampi(z0 / 384, 0, last), r1 = clampi(z1 / 384, 0, last);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) bit_set(t->block_dirty, (long)r * t->block_count + c);
}

void terrain_invalidate_cells(terrain_field *t, int x0, int z0, int x1, int z1)
{
    const int hi = t->grid_dim - 1;
    terrain_mark_dirty(t, clampi(x0, 0, hi), clampi(z0, 0, hi), clampi(x1, 0, hi), clampi(z1, 0, hi));
}
