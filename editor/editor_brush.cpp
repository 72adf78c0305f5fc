// One application of a height brush: every vertex within the outer radius of the stroke segment
// from the level point to the cursor moves toward the mode's target, never further from its
// height at the last snapshot than the strongest application asked.
#include "editor/editor_state.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include <cmath>

// Target height of a vertex for a brush mode, from its snapshot height h0 and strength S.
typedef float (*brush_target_fn)(float h0, float strength, float x, float z, int column, int row);

static float raise_target(float h0, float s, float, float, int, int) { return h0 + s; }
static float lower_target(float h0, float s, float, float, int, int) { return h0 - s; }

// By mode number; the modes that are no height brush have none.
static brush_target_fn brush_targets[EDITOR_MODES] = {
    raise_target, lower_target, smooth_target, smudge_target, nullptr,
    linear_paint_target, linear_add_target, radial_paint_target, radial_add_target,
};

// Distance from p to the segment a-c; a segment of no length is its point.
static float segment_distance(float px, float pz, float ax, float az, float cx, float cz)
{
    float dx = cx - ax, dz = cz - az;
    float len2 = dx * dx + dz * dz;
    float t = 0;
    if (len2 > 0) {
        t = ((px - ax) * dx + (pz - az) * dz) / len2;
        t = t < 0 ? 0 : t > 1 ? 1 : t;
    }
    return std::hypot(px - (ax + t * dx), pz - (az + t * dz));
}

static int clamp_index(float v, int hi)
{
    if (!(v > 0)) return 0;   // NaN too
    if (v >= (float)hi) return hi;
    return (int)v;
}

void editor_brush_apply(void)
{
    editor_state &e = g_editor;
    brush_target_fn target = brush_targets[e.editor_mode];
    if (!target || !e.active) return;
    terrain_field *t = e.terrain;
    float cx, cz;
    editor_cursor(&cx, &cz);
    // Smudge drags its point along one unit behind the cursor; a cursor that has not moved a
    // unit from it has nothing to smudge.
    if (e.editor_mode == MODE_SMUDGE && !smudge_begin(cx, cz)) return;
    smooth_begin();
    float ax = cx, az = cz;
    if (e.level_x != -1 || e.level_z != -1) {
        ax = e.level_x;
        az = e.level_z;
    }
    e.level_x = cx;
    e.level_z = cz;

    const float ro = editor_brush_radius(), ri = ro * (float)editor_value(W_FOCUS);
    const float strength = std::exp2((float)editor_value(W_STRENGTH));
    const int submode = editor_choice(W_SUBMODE);
    const int dim = t->grid_dim, last = dim - 1;
    const float cell = t->cell_size, inv = 1 / cell;
    int x0 = clamp_index(std::floor(((ax < cx ? ax : cx) - ro) * inv), last);
    int x1 = clamp_index(std::ceil(((ax > cx ? ax : cx) + ro) * inv), last);
    int z0 = clamp_index(std::floor(((az < cz ? az : cz) - ro) * inv), last);
    int z1 = clamp_index(std::ceil(((az > cz ? az : cz) + ro) * inv), last);

    for (int row = z0; row <= z1; ++row)
        for (int col = x0; col <= x1; ++col) {
            float px = (float)col * cell, pz = (float)row * cell;
            float d = segment_distance(px, pz, ax, az, cx, cz);
            if (!(d < ro)) continue;
            float w = 1;
            if (d >= ri) {
                float k = (d - ri) / (ro - ri);
                w = 1 - 3 * k * k + 2 * k * k * k;
            }
            long i = (long)row * dim + col;
            float h0 = e.stroke_snapshot[i], hc = t->heights[i];
            float v = h0 + (target(h0, strength, px, pz, col, row) - h0) * w;
            if (!(std::fabs(hc - h0) < std::fabs(v - h0))) continue;
            if (submode == SUBMODE_RAISE_ONLY && v < h0) v = h0;
            if (submode == SUBMODE_LOWER_ONLY && v > h0) v = h0;
            editor_set_height(t, col, row, v);
        }

    e.pending_edits = 1;
    editor_set_status("Update needed!");
    terrain_invalidate_cells(t, x0 - 1, z0 - 1, x1 + 1, z1 + 1);
    ++t->height_generation;
}
