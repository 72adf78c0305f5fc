// Statues mode: taking a statue by its position or its turn handle, dragging or turning it,
// removing the track's own statue under the cursor, copying the selected one to the cursor and
// lining up the statues after the selected one.
#include "editor/editor_state.h"
#include "data/mem.h"
#include "racing/object_grid.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/track_load.h"
#include <cmath>
#include <cstring>

static statue *statue_list(void) { return (statue *)statues.items; }

static float turn_handle_distance(void) { return 4 * editor_marker_scale(); }

static void turn_handle(const statue &s, float *x, float *z)
{
    float h = turn_handle_distance();
    *x = s.x - h * std::sin(s.angle);
    *z = s.z - h * std::cos(s.angle);
}

static int within(float ax, float az, float bx, float bz, float r)
{
    return (ax - bx) * (ax - bx) + (az - bz) * (az - bz) < r * r;
}

void statue_pick(void)
{
    editor_state &e = g_editor;
    float x, z, r = editor_pick_radius();
    editor_cursor(&x, &z);
    const statue *s = statue_list();
    for (int i = 0; i < statues.count; ++i)
        if (within(s[i].x, s[i].z, x, z, r)) {
            e.grip = 1;
            e.selected_statue = i;
            return;
        }
    for (int i = 0; i < statues.count; ++i) {
        float hx, hz;
        turn_handle(s[i], &hx, &hz);
        if (within(hx, hz, x, z, r)) {
            e.grip = 2;
            e.selected_statue = i;
            return;
        }
    }
    e.grip = 0;
    e.selected_statue = -1;
}

// The heading that faces along (dx, dz), by the rule the Snap to Gradient button uses: an upright
// statue (3.25 or more) keeps its angle.
void statue_face(statue *s, float dx, float dz)
{
    if (s->angle >= 3.25f) return;
    const float pi = 3.14159265358979f;
    float f = (std::atan2(dx, dz) + pi) / (2 * pi);
    f -= std::floor(f);
    float previous = s->angle;
    s->angle = f * 2 * pi - pi;
    if (previous <= -2 * pi) s->angle -= 4 * pi;
}

void statue_held(void)
{
    editor_state &e = g_editor;
    int i = e.selected_statue;
    if (e.terrain->edit_lock || i < 0 || i >= statues.count || (e.grip != 1 && e.grip != 2)) return;
    statue &s = statue_list()[i];
    float x, z;
    editor_cursor(&x, &z);
    if (e.grip == 1) {
        s.x = x;
        s.z = z;
        statue_reseat(&s);
        object_grid_rebuild();
    } else {
        statue_face(&s, s.x - x, s.z - z);
        statue_reseat(&s);
    }
    e.terrain->change_flags = CHANGE_ALL;
}

// Only the track's own statues go: the start gates' statues come before them and are named by
// the start list, which would otherwise point at the wrong statues.
int statue_delete(void)
{
    editor_state &e = g_editor;
    float x, z, r = editor_pick_radius();
    editor_cursor(&x, &z);
    statue *s = statue_list();
    int first = first_own_statue < 0 ? 0 : first_own_statue;
    for (int i = first; i < statues.count; ++i) {
        if (!within(s[i].x, s[i].z, x, z, r)) continue;
        mem_free(s[i].shape);
        mem_free(s[i].model_name);
        mem_free(s[i].texture_name);
        mem_free(s[i].shape_name);
        std::memmove(s + i, s + i + 1, sizeof(statue) * (std::size_t)(statues.count - 1 - i));
        --statues.count;
        // The selection follows its statue down the list; a removed one is no longer selected.
        if (e.selected_statue == i) e.selected_statue = -1, e.grip = 0;
        else if (e.selected_statue > i) --e.selected_statue;
        object_grid_rebuild();
        e.terrain->change_flags = CHANGE_ALL;
        return 1;
    }
    return 1;
}

void statue_duplicate(void)
{
    editor_state &e = g_editor;
    int i = e.selected_statue;
    if (i < 0 || i >= statues.count) return;
    const statue from = statue_list()[i];   // the list may move as it grows
    float x, z;
    editor_cursor(&x, &z);
    statue_add(x, from.height_offset, z, from.angle, from.model_name, from.texture_name, from.shape_name);
    object_grid_rebuild();
    e.terrain->change_flags = CHANGE_ALL;
}

static int same_name(const char *a, const char *b) { return a == b || (a && b && !std::strcmp(a, b)); }

void statue_interpolate(void)
{
    editor_state &e = g_editor;
    int first = e.selected_statue, n = statues.count;
    if (first < 0 || first > n - 3) return;
    statue *s = statue_list();
    for (int i = first + 1; i < n; ++i)
        if (s[i].model != s[first].model || !same_name(s[i].model_name, s[first].model_name) ||
            s[i].texture != s[first].texture || !same_name(s[i].texture_name, s[first].texture_name)) {
            editor_set_status("Bad match for interpolate!");
            return;
        }
    const statue &a = s[first], &b = s[n - 1];
    for (int i = first + 1; i < n - 1; ++i) {
        float f = (float)(i - first) / (float)(n - 1 - first);
        s[i].x = a.x + f * (b.x - a.x);
        s[i].z = a.z + f * (b.z - a.z);
        statue_reseat(&s[i]);
    }
    e.terrain->change_flags = CHANGE_ALL;
    object_grid_rebuild();
}
