// The targets of the smoothing and gradient brushes and the Snap tool: the mean of the stroke
// snapshot over a disc, samples along the smudge direction, the selected gradient's profile
// carried along its line or turned about its first end point, and the snap blocks laid flat on
// the coarse triangle grid.
#include "editor/editor_state.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include <cmath>

enum { SMOOTH_RADIUS_MAX = 1024, SMOOTH_ROWS_MAX = 2 * SMOOTH_RADIUS_MAX - 1, SNAP_SHIFT_MAX = 24 };

static float snapshot_clamped(int column, int row)
{
    int last = g_editor.terrain->grid_dim - 1;
    column = column < 0 ? 0 : column > last ? last : column;
    row = row < 0 ? 0 : row > last ? last : row;
    return g_editor.stroke_snapshot[(long)row * (last + 1) + column];
}

// ---- Smooth ----

// The disc of the current radius: the half width of each of its rows and the sample count.
static int    disc_radius;
static int    disc_half[SMOOTH_ROWS_MAX];
static long   disc_samples;
// Running sums of each disc row at the last vertex, valid while the brush walks to the right.
static double row_sums[SMOOTH_ROWS_MAX];
static int    last_column = -2, last_row = -2;
static int    running_sum = 1;

void editor_smooth_running_sum(int on) { running_sum = on; }

void smooth_begin(void) { last_column = last_row = -2; }

static void disc_prepare(int r)
{
    if (r == disc_radius) return;
    disc_radius = r;
    disc_samples = 0;
    for (int i = -(r - 1); i <= r - 1; ++i) {
        int w = (int)std::lround(std::sqrt((double)r * r - (double)i * i));
        disc_half[i + r - 1] = w;
        disc_samples += 2 * w + 1;
    }
    smooth_begin();
}

int smooth_radius(float strength)
{
    if (!(strength >= 1)) return 1;   // NaN too
    if (strength >= (float)SMOOTH_RADIUS_MAX) return SMOOTH_RADIUS_MAX;
    return (int)std::lround(strength);
}

float smooth_target(float, float strength, float, float, int column, int row)
{
    int r = smooth_radius(strength);
    disc_prepare(r);
    const bool step = running_sum && row == last_row && column == last_column + 1;
    double total = 0;
    for (int k = 0; k < 2 * r - 1; ++k) {
        int rr = row + k - (r - 1), w = disc_half[k];
        double &sum = row_sums[k];
        if (step) {
            sum += snapshot_clamped(column + w, rr) - snapshot_clamped(column - 1 - w, rr);
        } else {
            sum = 0;
            for (int c = column - w; c <= column + w; ++c) sum += snapshot_clamped(c, rr);
        }
        total += sum;
    }
    last_column = column;
    last_row = row;
    return (float)(total / (double)disc_samples);
}

// ---- Smudge ----

static float smudge_dx, smudge_dz;   // unit vector from the cursor toward the smudge point

int smudge_begin(float cx, float cz)
{
    editor_state &e = g_editor;
    float dx = e.smudge_x - cx, dz = e.smudge_z - cz, d = std::hypot(dx, dz);
    if (!(d >= 1)) return 0;
    smudge_dx = dx / d;
    smudge_dz = dz / d;
    e.smudge_x = cx + smudge_dx;
    e.smudge_z = cz + smudge_dz;
    return 1;
}

float smudge_target(float, float strength, float x, float z, int, int)
{
    const int level = snapshot_full_level();
    const float g = g_editor.terrain->cell_size, reach = strength * g;
    double sum = 0;
    long n = 0;
    for (long j = 0;; ++j) {
        float d = (float)j * g / 2;
        if (!(d < reach) && j > 0) break;
        sum += snapshot_lod_height_at(level, x + smudge_dx * d, z + smudge_dz * d);
        ++n;
    }
    return (float)(sum / (double)n);
}

// ---- gradient targets ----

float gradient_linear_target(float x, float z)
{
    const gradient *g = editor_selected_gradient();
    if (gradient_point_count(g) == 0) return 0;
    float dx = g->x1 - g->x0, dz = g->z1 - g->z0, len = std::hypot(dx, dz);
    // A line of no length has no direction: every point is at its start.
    float d = len > 0 ? ((x - g->x0) * dx + (z - g->z0) * dz) / len : 0;
    return gradient_profile_height(d);
}

float gradient_radial_target(float x, float z)
{
    const gradient *g = editor_selected_gradient();
    if (gradient_point_count(g) == 0) return 0;
    float dx = g->x1 - g->x0, dz = g->z1 - g->z0, len = std::hypot(dx, dz);
    float vx = x - g->x0, vz = z - g->z0;
    float along = vx * dx + vz * dz;
    float d;
    if (along >= 0 || !(len > 0)) {
        d = std::hypot(vx, vz);
    } else {
        float ux = dx / len, uz = dz / len, a = vx * ux + vz * uz;
        d = std::hypot(vx - ux * a, vz - uz * a);
    }
    return gradient_profile_height(d);
}

float linear_paint_target(float, float, float x, float z, int, int) { return gradient_linear_target(x, z); }
float linear_add_target(float h0, float, float x, float z, int, int) { return h0 + gradient_linear_target(x, z); }
float radial_paint_target(float, float, float x, float z, int, int) { return gradient_radial_target(x, z); }
float radial_add_target(float h0, float, float x, float z, int, int) { return h0 + gradient_radial_target(x, z); }

// ---- Snap ----

// The smallest u with 2^u cells at least the strength long.
int snap_shift(float strength, float cell)
{
    int u = 0;
    while (u < SNAP_SHIFT_MAX && (float)(1 << u) * cell < strength) ++u;
    return u;
}

static int block_start(float v, float inv, int b, int last)
{
    float cells = std::floor(terrain_safe_cells(v, inv));
    long c = (long)cells;
    long m = c % b;
    if (m < 0) m += b;
    c -= m;
    return c < 0 ? 0 : c > last ? last : (int)c;
}

void editor_snap_apply(void)
{
    editor_state &e = g_editor;
    terrain_field *t = e.terrain;
    float cx, cz;
    editor_cursor(&cx, &cz);
    const float strength = std::exp2((float)editor_value(W_STRENGTH));
    const int u = snap_shift(strength, t->cell_size), b = 1 << u;
    const int last = t->grid_dim - 1, level = snapshot_full_level() - u;
    const float inv = 1 / t->cell_size;
    int x0 = block_start(cx, inv, b, last), z0 = block_start(cz, inv, b, last);
    int x1 = x0 + b > last ? last : x0 + b, z1 = z0 + b > last ? last : z0 + b;
    for (int row = z0; row <= z1; ++row)
        for (int col = x0; col <= x1; ++col) editor_set_height(t, col, row, snapshot_lod_height(level, col, row));
    e.pending_edits = 1;
    editor_set_status("Update needed!");
    terrain_invalidate_cells(t, x0, z0, x1, z1);
    ++t->height_generation;
}
