// The editor's state record: set-up and release with the track, the view's mapping from the
// screen to the map, mode changes, the button release and the per-tick work.
#include "editor/editor.h"
#include "editor/editor_state.h"
#include "data/mem.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include <cmath>
#include <cstring>

editor_state g_editor;

void editor_set_status(const char *text) { g_editor.status = text; }

float editor_span(void)
{
    const terrain_field *t = g_editor.terrain;
    float e = t ? t->world_size : 0;
    return e / std::exp2((float)editor_value(W_ZOOM));
}

void editor_screen_to_map(float sx, float sy, float *x, float *z)
{
    float w = (float)frame_width, h = frame_height > 0 ? (float)frame_height : 1.0f;
    float span = editor_span();
    *x = (sx - w / 2) / h * span + g_editor.view_x;
    *z = (sy - h / 2) / h * span + g_editor.view_z;
}

void editor_cursor(float *x, float *z) { editor_screen_to_map((float)mouse_x, (float)mouse_y, x, z); }

float editor_marker_scale(void)
{
    float s = 0.01f * editor_span();
    return s > 1 ? s : 1;
}

float editor_pick_radius(void) { return editor_marker_scale() / 2; }

float editor_brush_radius(void)
{
    float h = frame_height > 0 ? (float)frame_height : 1.0f;
    return (float)editor_value(W_RADIUS) * editor_span() / h;
}

void editor_set_height(terrain_field *t, int column, int row, float h) { terrain_set_height(t, column, row, h); }

float editor_terrain_height(const terrain_field *t, float x, float z) { return terrain_height_at(t, x, z); }

void editor_change_mode(int mode)
{
    if (mode == g_editor.editor_mode) return;
    editor_set_status("OK");
    editor_take_snapshot();
    g_editor.editor_mode = mode;
}

// Gradient Placement's release: a profile still flat follows the line's new length.
static void placement_release(void)
{
    gradient *g = editor_selected_gradient();
    if (!g || g_editor.grip == 0) return;
    int n = gradient_point_count(g);
    if (n > 2) return;
    for (int i = 0; i < n; ++i)
        if (gradient_points(g)[i].height != 0) return;
    gradient_flatten();
}

// The release ends a stroke; a press that went to a panel widget started none, so its release
// leaves the status the widget set (a Save click keeps "Saved!").
void editor_release_button(void)
{
    int mode = g_editor.editor_mode;
    if (g_editor.tool_button == 1) {
        if (mode <= MODE_SNAP) editor_take_snapshot();
        if (mode == MODE_GRADIENT_PLACEMENT) placement_release();
        if ((EDITOR_LEVEL_MODES >> mode) & 1) g_editor.level_x = g_editor.level_z = -1;
    }
    g_editor.tool_button = 0;
}

void editor_tick(void)
{
    if (!g_editor.active) return;
    terrain_field *t = g_editor.terrain;
    if ((t->change_flags & CHANGE_HEIGHTS) && !g_editor.pending_edits) {
        g_editor.pending_edits = 1;
        editor_set_status("Update needed!");
    }
    if (mouse_x != g_editor.hover_mouse_x || mouse_y != g_editor.hover_mouse_y) {
        g_editor.hovered_widget = editor_panel_hit();
        g_editor.hover_mouse_x = mouse_x;
        g_editor.hover_mouse_y = mouse_y;
    }
    if (g_editor.pan_drag) {
        float h = frame_height > 0 ? (float)frame_height : 1.0f;
        float k = editor_span() / h;
        g_editor.view_x += (g_editor.pan_last_x - (float)mouse_x) * k;
        g_editor.view_z += (g_editor.pan_last_y - (float)mouse_y) * k;
        g_editor.pan_last_x = (float)mouse_x;
        g_editor.pan_last_y = (float)mouse_y;
    }
    if (g_editor.tool_button == 1) {
        const editor_mode_ops &ops = editor_modes[g_editor.editor_mode];
        if (ops.held) ops.held();
        ++g_editor.stroke_ticks;
    } else if (g_editor.tool_button >= EDITOR_HELD_WIDGET &&
               g_editor.tool_button - EDITOR_HELD_WIDGET == g_editor.hovered_widget) {
        editor_panel_event(EDITOR_KEY_DRAG);
    }
}

static float *alloc_floats(long n) { return (float *)alloc_or_die((std::size_t)n * sizeof(float)); }

void editor_setup_track(display *, terrain_field *t)
{
    if (g_editor.active) editor_release();
    editor_state &e = g_editor;
    e = editor_state{};
    e.terrain = t;
    e.level_x = e.level_z = -1;
    e.view_x = e.view_z = t->world_size / 2;
    e.editor_mode = MODE_RAISE;
    e.selected_gradient = e.selected_point = e.selected_gate = e.placed_billboard = -1;
    e.hovered_widget = -1;
    e.hover_mouse_x = e.hover_mouse_y = -1000000;
    growable_array_init(&e.gradients, (int)sizeof(gradient));
    growable_array_init(&e.marked_decals, (int)sizeof(int));
    long n = (long)t->grid_dim * t->grid_dim;
    for (undo_slot &s : e.undo_ring) {
        s.shading = (unsigned char *)alloc_or_die((std::size_t)n * 3);
        s.normal_image = t->normal_image ? (unsigned char *)alloc_or_die((std::size_t)n * 3) : nullptr;
        s.heights = alloc_floats(n);
    }
    e.stroke_snapshot = alloc_floats(n);
    e.active = 1;
    editor_panel_reset(t);
    e.pending_edits = 1;
    editor_take_snapshot();
    editor_read_edinfo();
    editor_set_status("OK");
    t->change_flags = 0;
}

void editor_release(void)
{
    editor_state &e = g_editor;
    if (!e.active) return;
    mem_free(e.stroke_snapshot);
    for (undo_slot &s : e.undo_ring) {
        mem_free(s.shading);
        mem_free(s.normal_image);
        mem_free(s.heights);
    }
    for (int i = 0; i < e.gradients.count; ++i) {
        gradient *g = editor_gradient(i);
        growable_array_free(&g->points);
        growable_array_free(&g->types);
    }
    growable_array_free(&e.gradients);
    growable_array_free(&e.marked_decals);
    e = editor_state{};
}
