// Gradients: lines on the map with a height profile along them. Their records, the profile
// curves, the operations of the gradient buttons and keys, and the snapshot samplers that read
// the heights on a coarser triangle grid.
#include "editor/editor_state.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/track_load.h"
#include <cmath>
#include <cstring>

enum { PROFILE_POINTS_MAX = 1 << 20 };   // Set From Terrain on an absurdly long line stops here

gradient *editor_gradient(int i)
{
    if (i < 0 || i >= g_editor.gradients.count) return nullptr;
    return (gradient *)g_editor.gradients.items + i;
}

gradient *editor_selected_gradient(void) { return editor_gradient(g_editor.selected_gradient); }

int gradient_point_count(const gradient *g) { return g ? g->points.count : 0; }
gradient_point *gradient_points(const gradient *g) { return (gradient_point *)g->points.items; }
unsigned char *gradient_types(const gradient *g) { return (unsigned char *)g->types.items; }

void gradient_clear_profile(gradient *g)
{
    g->points.count = 0;
    g->types.count = 0;
}

int gradient_append_point(gradient *g, float distance, float height, int type)
{
    gradient_point p = {distance, height};
    unsigned char t = (unsigned char)(type == SEGMENT_CURVE ? SEGMENT_CURVE : SEGMENT_LINE);
    if (!growable_array_append(&g->points, &p)) return 0;
    if (!growable_array_append(&g->types, &t)) {
        --g->points.count;
        return 0;
    }
    return 1;
}

void gradient_remove_point(gradient *g, int i)
{
    int n = g->points.count;
    if (i < 0 || i >= n) return;
    std::memmove(gradient_points(g) + i, gradient_points(g) + i + 1, sizeof(gradient_point) * (n - 1 - i));
    std::memmove(gradient_types(g) + i, gradient_types(g) + i + 1, (std::size_t)(n - 1 - i));
    --g->points.count;
    --g->types.count;
}

static float gradient_length(const gradient *g) { return std::hypot(g->x1 - g->x0, g->z1 - g->z0); }

// A new empty gradient at the end of the list, selected; null when the list could not grow.
static gradient *gradient_add(float x0, float z0, float x1, float z1)
{
    gradient g = {x0, z0, x1, z1, {}, {}};
    if (!growable_array_init(&g.points, (int)sizeof(gradient_point))) return nullptr;
    if (!growable_array_init(&g.types, 1) || !growable_array_append(&g_editor.gradients, &g)) {
        growable_array_free(&g.points);
        growable_array_free(&g.types);
        return nullptr;
    }
    g_editor.selected_gradient = g_editor.gradients.count - 1;
    return editor_selected_gradient();
}

void editor_new_gradient(void)
{
    float x, z;
    editor_screen_to_map(frame_width / 2.0f, frame_height / 2.0f, &x, &z);
    if (gradient_add(x, z, x + 50, z)) gradient_flatten();
}

void editor_copy_gradient(void)
{
    gradient *from = editor_selected_gradient();
    if (!from) {
        editor_set_status("No gradient selected");
        return;
    }
    float dx = from->x1 - from->x0, dz = from->z1 - from->z0, len = std::hypot(dx, dz);
    // The sideways unit normal; a line of no length has none, so the copy goes along x.
    float nx = len > 0 ? -dz / len : 1, nz = len > 0 ? dx / len : 0;
    gradient copy = *from;   // the list may move when it grows
    gradient *g = gradient_add(copy.x0 + 10 * nx, copy.z0 + 10 * nz, copy.x1 + 10 * nx, copy.z1 + 10 * nz);
    if (!g) return;
    for (int i = 0; i < copy.points.count; ++i) {
        const gradient_point &p = ((const gradient_point *)copy.points.items)[i];
        gradient_append_point(g, p.distance, p.height, ((const unsigned char *)copy.types.items)[i]);
    }
    g_editor.terrain->change_flags = CHANGE_ALL;
}

void gradient_flatten(void)
{
    g_editor.terrain->change_flags = CHANGE_ALL;
    gradient *g = editor_selected_gradient();
    if (!g) return;
    gradient_clear_profile(g);
    gradient_append_point(g, 0, 0, SEGMENT_LINE);
    gradient_append_point(g, gradient_length(g), 0, SEGMENT_LINE);
    g_editor.selected_point = -1;
}

void gradient_pick(void)
{
    float x, z, r = editor_pick_radius();
    editor_cursor(&x, &z);
    for (int i = 0; i < g_editor.gradients.count; ++i) {
        const gradient *g = editor_gradient(i);
        if (std::hypot(x - g->x0, z - g->z0) <= r || std::hypot(x - g->x1, z - g->z1) <= r) {
            g_editor.selected_gradient = i;
            g_editor.selected_point = -1;
        }
    }
}

// ---- profile curves ----

// (y_b - y_a) / (x_b - x_a), 0 where the distances coincide.
static float difference(const gradient_point *p, int a, int b)
{
    float dx = p[b].distance - p[a].distance;
    float q = dx != 0 ? (p[b].height - p[a].height) / dx : 0;
    return std::isfinite(q) ? q : 0;
}

float gradient_slope_at(int i)
{
    const gradient *g = editor_selected_gradient();
    int n = gradient_point_count(g);
    if (n < 2) return 0;
    const gradient_point *p = gradient_points(g);
    const unsigned char *t = gradient_types(g);
    if (i < 1) return difference(p, 0, 1);
    if (i >= n - 1) return difference(p, n - 2, n - 1);
    if (t[i - 1] != SEGMENT_CURVE) return difference(p, i - 1, i);
    if (t[i] != SEGMENT_CURVE) return difference(p, i, i + 1);
    return difference(p, i - 1, i) / 2 + difference(p, i, i + 1) / 2;
}

float gradient_hermite(int i, float s)
{
    const gradient *g = editor_selected_gradient();
    int n = gradient_point_count(g);
    if (n == 0 || i < 0) return 0;
    const gradient_point *p = gradient_points(g);
    if (i >= n - 1) return p[n - 1 < i ? n - 1 : i].height;
    float d = p[i + 1].distance - p[i].distance;
    float m0 = gradient_slope_at(i) * d, m1 = gradient_slope_at(i + 1) * d;
    float y0 = p[i].height, y1 = p[i + 1].height;
    return y0 + m0 * s + (3 * (y1 - y0) - 2 * m0 - m1) * s * s + (m0 + m1 + 2 * (y0 - y1)) * s * s * s;
}

float gradient_profile_height(float d)
{
    const gradient *g = editor_selected_gradient();
    int n = gradient_point_count(g);
    if (n == 0) return 0;
    const gradient_point *p = gradient_points(g);
    if (d < p[0].distance) return p[0].height;
    for (int i = 0; i + 1 < n; ++i) {
        if (!(p[i].distance <= d && d < p[i + 1].distance)) continue;
        float t = (d - p[i].distance) / (p[i + 1].distance - p[i].distance);
        if (gradient_types(g)[i] == SEGMENT_CURVE) return gradient_hermite(i, t);
        return p[i].height + t * (p[i + 1].height - p[i].height);
    }
    return p[n - 1].height;
}

// ---- snapshot samplers ----

int snapshot_full_level(void) { return g_editor.terrain ? g_editor.terrain->lod_depth : 0; }

static float snapshot_at(int column, int row)
{
    int last = g_editor.terrain->grid_dim - 1;
    column = column < 0 ? 0 : column > last ? last : column;
    row = row < 0 ? 0 : row > last ? last : row;
    return g_editor.stroke_snapshot[(long)row * (last + 1) + column];
}

static int level_block(int level)
{
    int shift = snapshot_full_level() - level;
    return 1 << (shift < 0 ? 0 : shift > 24 ? 24 : shift);
}

static int floor_multiple(long v, int b)
{
    long m = v % b;
    if (m < 0) m += b;
    return (int)(v - m);
}

// The triangle rule on the coarse cell at (C0, R0) of b vertices, offsets fx, fz inside it.
static float coarse_cell_height(int C0, int R0, int b, float fx, float fz)
{
    if (fx == 0 && fz == 0) return snapshot_at(C0, R0);   // exact at the corners
    int C1 = C0 + b, R1 = R0 + b;
    int base_c, other_c, base_r = R0, other_r = R1;
    long cc = C0 / b, rr = R0 / b;
    if (((cc ^ rr) & 1) == 0) {
        base_c = C1;
        other_c = C0;
        fx = b - fx;
    } else {
        base_c = C0;
        other_c = C1;
    }
    if (fx + fz > b) {
        fx = b - fx;
        fz = b - fz;
        base_r = R1;
        other_r = R0;
        int swap = base_c;
        base_c = other_c;
        other_c = swap;
    }
    float h = snapshot_at(base_c, base_r);
    return h + (snapshot_at(other_c, base_r) - h) * fx / b + (snapshot_at(base_c, other_r) - h) * fz / b;
}

float snapshot_lod_height(int level, int column, int row)
{
    if (!g_editor.stroke_snapshot) return 0;
    int b = level_block(level);
    int C0 = floor_multiple(column, b), R0 = floor_multiple(row, b);
    return coarse_cell_height(C0, R0, b, (float)(column - C0), (float)(row - R0));
}

float snapshot_lod_height_at(int level, float x, float z)
{
    if (!g_editor.stroke_snapshot) return 0;
    const terrain_field *t = g_editor.terrain;
    float inv = 1 / t->cell_size;
    float cx = terrain_safe_cells(x, inv), cz = terrain_safe_cells(z, inv);
    int b = level_block(level);
    int C0 = floor_multiple((long)std::floor(cx), b), R0 = floor_multiple((long)std::floor(cz), b);
    return coarse_cell_height(C0, R0, b, cx - (float)C0, cz - (float)R0);
}

// ---- Set From Terrain ----

static float run_slope(const gradient_point *p, int a, int b) { return difference(p, a, b); }

void gradient_set_from_terrain(void)
{
    g_editor.terrain->change_flags = CHANGE_ALL;
    gradient *g = editor_selected_gradient();
    if (!g) return;
    const float c = g_editor.terrain->cell_size;
    const int level = snapshot_full_level();
    float len = gradient_length(g);
    float ux = len > 0 ? (g->x1 - g->x0) / len : 0, uz = len > 0 ? (g->z1 - g->z0) / len : 0;
    gradient_clear_profile(g);
    for (long k = 0; k < PROFILE_POINTS_MAX; ++k) {
        float d = (float)k * c;
        if (!(d < len)) break;
        gradient_append_point(g, d, snapshot_lod_height_at(level, g->x0 + ux * d, g->z0 + uz * d), SEGMENT_LINE);
    }
    gradient_append_point(g, len, snapshot_lod_height_at(level, g->x1, g->z1), SEGMENT_LINE);
    std::memset(gradient_types(g), SEGMENT_CURVE, (std::size_t)g->types.count);

    // Straight runs become one Line segment.
    const float slope_tolerance = 1.0f / 8192, min_run = 2 * std::sqrt(2.0f) * c;
    int end = g->points.count - 1;
    while (end > 1) {
        const gradient_point *p = gradient_points(g);
        int start = end - 1;
        while (start >= 1 && std::fabs(run_slope(p, start - 1, start) - run_slope(p, start, start + 1)) < slope_tolerance)
            --start;
        if (end - start >= 2 && p[end].distance - p[start].distance >= min_run) {
            for (int i = end - 1; i > start; --i) gradient_remove_point(g, i);
            gradient_types(g)[start] = SEGMENT_LINE;
            end = start;
        } else {
            --end;
        }
    }

    // Curve points close to the straight line through their neighbours go.
    for (float tolerance = 1.0f / 128; tolerance <= 0.25f; tolerance *= 2)
        for (int i = g->points.count - 2; i >= 1; --i) {
            const gradient_point *p = gradient_points(g);
            const unsigned char *t = gradient_types(g);
            if (t[i] != SEGMENT_CURVE || t[i - 1] != SEGMENT_CURVE) continue;
            float span = p[i + 1].distance - p[i - 1].distance;
            float f = span != 0 ? (p[i].distance - p[i - 1].distance) / span : 0;
            float line = p[i - 1].height + f * (p[i + 1].height - p[i - 1].height);
            if (std::fabs(p[i].height - line) <= tolerance) gradient_remove_point(g, i);
        }
    g_editor.selected_point = -1;
}

// ---- Snap to Gradient ----

void statue_snap_to_gradient(void)
{
    editor_state &e = g_editor;
    gradient *g = editor_selected_gradient();
    if (!g || e.selected_statue < 0 || e.selected_statue >= statues.count || e.terrain->edit_lock) return;
    int n = gradient_point_count(g);
    float len = gradient_length(g);
    if (n == 0 || !(len > 0)) return;
    statue &s = ((statue *)statues.items)[e.selected_statue];
    float ux = (g->x1 - g->x0) / len, uz = (g->z1 - g->z0) / len;
    float vx = s.x - g->x0, vz = s.z - g->z0;
    float r = std::hypot(vx, vz);
    const gradient_point *p = gradient_points(g);
    float nearest = p[0].distance;
    for (int i = 1; i < n; ++i)
        if (std::fabs(p[i].distance - r) < std::fabs(nearest - r)) nearest = p[i].distance;
    float along = vx * ux + vz * uz;
    float side = std::fabs(vx * uz - vz * ux);
    float dx, dz;
    if (side >= std::fabs(nearest - r)) {
        if (!(r > 0)) return;   // on the first end point: no direction to move along
        s.x = g->x0 + vx / r * nearest;
        s.z = g->z0 + vz / r * nearest;
        dx = vx;
        dz = vz;
    } else {
        s.x = g->x0 + ux * along;
        s.z = g->z0 + uz * along;
        dx = -ux;
        dz = -uz;
    }
    statue_face(&s, dx, dz);
    statue_reseat(&s);
    e.terrain->change_flags = CHANGE_ALL;
}
