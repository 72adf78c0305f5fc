// The press and drag of the gradient modes: taking or inserting a profile point on the plotted
// profile, dragging it, and dragging a gradient's end points or the whole line.
#include "editor/editor_state.h"
#include "terrain/field.h"
#include <cmath>
#include <cstring>

static int gradient_is_flat(const gradient *g)
{
    int n = gradient_point_count(g);
    if (n > 2) return 0;
    for (int i = 0; i < n; ++i)
        if (gradient_points(g)[i].height != 0) return 0;
    return 1;
}

// Inserts a point before index i; 0 when the arrays could not grow.
static int gradient_insert_point(gradient *g, int i, float distance, float height, int type)
{
    int n = gradient_point_count(g);
    if (!gradient_append_point(g, distance, height, type)) return 0;
    gradient_point *p = gradient_points(g);
    unsigned char *t = gradient_types(g);
    gradient_point moved = p[n];
    unsigned char moved_type = t[n];
    std::memmove(p + i + 1, p + i, sizeof(gradient_point) * (std::size_t)(n - i));
    std::memmove(t + i + 1, t + i, (std::size_t)(n - i));
    p[i] = moved;
    t[i] = moved_type;
    return 1;
}

static void take_point(int i, int type)
{
    g_editor.selected_point = i;
    g_editor.grip = 1;
    editor_panel[W_SEGMENT_TYPE].choice.current = type;
}

void gradient_point_pick(void)
{
    editor_state &e = g_editor;
    e.grip = 0;
    gradient *g = editor_selected_gradient();
    if (!g) return;
    float x, z, r = editor_pick_radius();
    editor_cursor(&x, &z);
    int n = gradient_point_count(g);
    const gradient_point *p = gradient_points(g);
    for (int i = 0; i < n; ++i)
        if (std::hypot(x - (g->x0 + p[i].distance), z - (g->z0 - p[i].height)) <= r) {
            take_point(i, gradient_types(g)[i]);
            return;
        }
    for (int i = 1; i < n; ++i) {
        p = gradient_points(g);
        if (!(g->x0 + p[i - 1].distance < x && x < g->x0 + p[i].distance)) continue;
        int type = gradient_types(g)[i - 1];
        if (gradient_insert_point(g, i, x - g->x0, g->z0 - z, type)) {
            take_point(i, type);
            e.terrain->change_flags = CHANGE_ALL;
        }
        return;
    }
}

static float granular(float v, float g) { return g > 0 ? std::round(v / g) * g : v; }

void gradient_edit_held(void)
{
    editor_state &e = g_editor;
    gradient *g = editor_selected_gradient();
    int n = gradient_point_count(g), i = e.selected_point;
    if (!g || e.grip != 1 || i < 0 || i >= n) return;
    e.terrain->change_flags = CHANGE_ALL;
    float x, z;
    editor_cursor(&x, &z);
    const float step = (float)editor_value(W_GRANULARITY);
    float d = granular(x - g->x0, step), h = granular(g->z0 - z, step);
    gradient_point *p = gradient_points(g);
    if (i == 0 || i == n - 1) {
        p[i].height = h;
        return;
    }
    if (p[i - 1].distance < d && d < p[i + 1].distance) {
        p[i].distance = d;
        p[i].height = h;
        return;
    }
    gradient_remove_point(g, i);
    e.grip = 0;
    e.selected_point = -1;
}

void gradient_placement_held(void)
{
    editor_state &e = g_editor;
    gradient *g = editor_selected_gradient();
    if (!g || (e.grip != 1 && e.grip != 2)) return;
    e.terrain->change_flags = CHANGE_ALL;
    float x, z;
    editor_cursor(&x, &z);
    const int flat = gradient_is_flat(g);
    if (e.grip == 1) {
        if (!flat) {
            g->x1 += x - g->x0;
            g->z1 += z - g->z0;
        }
        g->x0 = x;
        g->z0 = z;
        return;
    }
    if (flat) {
        g->x1 = x;
        g->z1 = z;
        return;
    }
    // The line keeps the profile's length; a cursor on the first end point gives no direction.
    float dx = x - g->x0, dz = z - g->z0, d = std::hypot(dx, dz);
    if (!(d > 0)) return;
    float len = gradient_points(g)[gradient_point_count(g) - 1].distance;
    g->x1 = g->x0 + dx / d * len;
    g->z1 = g->z0 + dz / d * len;
}
