// Tilemap Edit: painting ground tiles along the cursor's path, picking at random among the
// tiles that share the painted tile's code, and repairing the eight neighbouring map cells so
// that their transition tiles blend into it.
//
// A tile code holds a corner mask in bits 0-3 (8: -x-z, 4: +x-z, 2: -x+z, 1: +x+z) and two
// tiles: a corner whose bit is set shows tile A (bits 8-15), a clear one tile B (bits 16-23).
#include "editor/editor_state.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include <cmath>

static const int corner_bits[4] = {8, 4, 2, 1};

static void corner_values(int code, int out[4])
{
    for (int k = 0; k < 4; ++k) out[k] = (code & corner_bits[k]) ? (code >> 8) & 255 : (code >> 16) & 255;
}

static int map_side(const terrain_field *t) { return 1 << t->lod_depth; }

static int inside_map(const terrain_field *t, int u, int w)
{
    return u >= 0 && w >= 0 && u < map_side(t) && w < map_side(t);
}

static void put_tile(terrain_field *t, int u, int w, int tile)
{
    t->tilemap[(long)w * map_side(t) + u] = (unsigned char)tile;
    t->change_flags = CHANGE_ALL;
}

void tile_fix_corners(terrain_field *t, int u, int w, int tile, int mask)
{
    int side = map_side(t);
    int cu = u < 0 ? 0 : u >= side ? side - 1 : u, cw = w < 0 ? 0 : w >= side ? side - 1 : w;
    int current = t->tilemap[(long)cw * side + cu];
    if (current >= t->tile_count) return;   // a cell beyond the table has no corners to keep
    int want[4];
    corner_values(t->tile_codes[current], want);
    int done = 1;
    for (int k = 0; k < 4; ++k)
        if ((mask & corner_bits[k]) && want[k] != tile) {
            want[k] = tile;
            done = 0;
        }
    if (done) return;
    for (int i = 0; i < t->tile_count; ++i) {
        int have[4];
        corner_values(t->tile_codes[i], have);
        if (have[0] == want[0] && have[1] == want[1] && have[2] == want[2] && have[3] == want[3]) {
            if (inside_map(t, u, w)) put_tile(t, u, w, i);
            return;
        }
    }
}

// The painted tile: the "Tile" slider held to the track's tiles; -1 when it has none.
int tile_painted(const terrain_field *t)
{
    if (t->tile_count <= 0 || !t->tilemap) return -1;
    long v = std::lround(editor_value(W_TILE));
    return v < 0 ? 0 : v >= t->tile_count ? t->tile_count - 1 : (int)v;
}

static void paint_cell(terrain_field *t, int u, int w, int tile)
{
    int code = t->tile_codes[tile], candidates = 0;
    for (int i = 0; i < t->tile_count; ++i) candidates += t->tile_codes[i] == code;
    int chosen = tile;
    if (candidates > 1) {
        int pick = editor_random15() % candidates;
        for (int i = 0; i < t->tile_count; ++i)
            if (t->tile_codes[i] == code && pick-- == 0) {
                chosen = i;
                break;
            }
    }
    if (inside_map(t, u, w)) put_tile(t, u, w, chosen);
    static const int ring[8][3] = {{-1, -1, 1}, {0, -1, 3}, {1, -1, 2}, {-1, 0, 5},
                                   {1, 0, 10},  {-1, 1, 4}, {0, 1, 12}, {1, 1, 8}};
    for (const auto &r : ring) tile_fix_corners(t, u + r[0], w + r[1], tile, r[2]);
}

static int clamp_cell(float v, int last)
{
    if (!(v > 0)) return 0;
    if (v >= (float)last) return last;
    return (int)v;
}

void tile_paint_stroke(float x0, float z0, float x1, float z1, float radius)
{
    terrain_field *t = g_editor.terrain;
    int tile = tile_painted(t);
    if (tile < 0) return;
    const float s = t->cell_size, inv = 1 / s;
    const int last = t->grid_dim - 2;
    int c0 = clamp_cell(std::floor(((x0 < x1 ? x0 : x1) - radius) * inv), last);
    int c1 = clamp_cell(std::ceil(((x0 > x1 ? x0 : x1) + radius) * inv), last);
    int r0 = clamp_cell(std::floor(((z0 < z1 ? z0 : z1) - radius) * inv), last);
    int r1 = clamp_cell(std::ceil(((z0 > z1 ? z0 : z1) + radius) * inv), last);
    terrain_invalidate_cells(t, c0, r0, c1, r1);
    const float dx = x1 - x0, dz = z1 - z0, len2 = dx * dx + dz * dz;
    // The last column and row are visited too: a centre exactly at the radius is painted, and so
    // is the map's last cell, whose centre is the last inner vertex.
    for (int j = r0 | 1; j <= r1; j += 2)
        for (int i = c0 | 1; i <= c1; i += 2) {
            float px = (float)i * s, pz = (float)j * s;
            float tt = dx * (px - x0) + dz * (pz - z0), dist;
            if (tt >= len2) dist = std::hypot(px - x1, pz - z1);
            else if (tt > 0) dist = std::fabs(dx * (pz - z0) - dz * (px - x0)) / std::sqrt(len2);
            else dist = std::hypot(px - x0, pz - z0);
            if (dist <= radius) paint_cell(t, i / 2, j / 2, tile);
        }
}

void tile_held(void)
{
    editor_state &e = g_editor;
    if (e.stroke_ticks % 32 != 0) return;
    float x, z;
    editor_cursor(&x, &z);
    float ax = x, az = z;
    if (e.level_x != -1 || e.level_z != -1) ax = e.level_x, az = e.level_z;
    e.level_x = x;
    e.level_z = z;
    tile_paint_stroke(ax, az, x, z, editor_brush_radius());
}
