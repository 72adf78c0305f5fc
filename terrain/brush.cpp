// Ground deformation brushes. Every height goes through terrain_set_height, so the edit lock,
// the grid bounds and the dirty bits are honoured in one place.
#include "terrain/brush.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include <cmath>

float terrain_brush_weight(float d, float rc)
{
    if (d != d) return 1.0f;
    if (d > rc) return 0.0f;
    float u = d / rc;
    return 2.0f * u * u * u - 3.0f * u * u + 1.0f;
}

struct brush_window {
    float fx, fz, rc;
    int   col0, col1, row0, row1;   // inclusive vertex range, may reach outside the grid
};

static brush_window make_window(const terrain_field *t, float x, float z, float radius)
{
    brush_window w;
    float inv = 1.0f / t->cell_size;
    w.fx = terrain_safe_cells(x, inv);
    w.fz = terrain_safe_cells(z, inv);
    // A radius wider than the whole grid changes nothing more but would make the window (and
    // the loop over it) arbitrarily large; NaN or negative radii give an empty window.
    float rc = radius * inv;
    float limit = 2.0f * (float)t->grid_dim;
    if (!(rc >= 0.0f)) rc = 0.0f;
    if (rc > limit) rc = limit;
    w.rc = rc;
    int r = (int)std::ceil(rc);
    int gx = (int)std::floor(w.fx), gz = (int)std::floor(w.fz);
    w.col0 = gx - r + 1;
    w.col1 = gx + r;
    w.row0 = gz - r + 1;
    w.row1 = gz + r;
    return w;
}

static inline float window_weight(const brush_window &w, int col, int row)
{
    float dx = w.fx - (float)col, dz = w.fz - (float)row;
    return terrain_brush_weight(std::sqrt(dx * dx + dz * dz), w.rc);
}

static inline float height_clamped(const terrain_field *t, int x, int z)
{
    int hi = t->grid_dim - 1;
    x = x < 0 ? 0 : x > hi ? hi : x;
    z = z < 0 ? 0 : z > hi ? hi : z;
    return t->heights[(long)z * t->grid_dim + x];
}

static void finish(terrain_field *t, const brush_window &w)
{
    if (w.col0 <= w.col1) terrain_invalidate_cells(t, w.col0, w.row0, w.col1, w.row1);
    t->height_generation++;
}

float terrain_erode_dig(terrain_field *t, float x, float z, float radius, float amount)
{
    // A non-finite amount (a bad erosion packet) would poison every height it touches.
    if (amount == 0.0f || !std::isfinite(amount)) return 0.0f;
    brush_window w = make_window(t, x, z, radius);
    float sum = 0.0f;
    for (int row = w.row0; row <= w.row1; ++row)
        for (int col = w.col0; col <= w.col1; ++col) {
            float change = amount * window_weight(w, col, row);
            sum += change;
            terrain_set_height(t, col, row, height_clamped(t, col, row) + change);
        }
    finish(t, w);
    return sum;
}

void terrain_erode_deposit(terrain_field *t, float x, float z, float radius, float volume)
{
    if (volume == 0.0f || !std::isfinite(volume)) return;
    brush_window w = make_window(t, x, z, radius);
    float total = 0.0f;
    for (int row = w.row0; row <= w.row1; ++row)
        for (int col = w.col0; col <= w.col1; ++col) total += window_weight(w, col, row);
    if (total < 1.0f) total = 1.0f;
    for (int row = w.row0; row <= w.row1; ++row)
        for (int col = w.col0; col <= w.col1; ++col) {
            float change = volume * window_weight(w, col, row) / total;
            terrain_set_height(t, col, row, height_clamped(t, col, row) + change);
        }
    finish(t, w);
}
