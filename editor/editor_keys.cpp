// Every input event of the editor view: the left button over the panel or the map, panning, and
// the key table. Character codes arrive as presses only.
#include "editor/editor.h"
#include "editor/editor_state.h"
#include "shell/globals.h"
#include "terrain/decal_grid.h"
#include "terrain/field.h"
#include <cctype>
#include <cmath>
#include <cstdio>

enum { ZOOM_KEY_MAX = 32 };   // beyond this 2^zoom leaves the float range

static void brush_press(void)
{
    editor_set_status("OK");
    editor_take_snapshot();
}

static void smudge_press(void)
{
    editor_cursor(&g_editor.smudge_x, &g_editor.smudge_z);
    brush_press();
}

static void brush_held(void)
{
    if (g_editor.stroke_ticks % 32 == 0) editor_brush_apply();
}

static void snap_held(void)
{
    if (g_editor.stroke_ticks % 16 == 0) editor_snap_apply();
}

static int decals_erase(void)
{
    decal_erase(0);
    return 1;
}

static void placement_press(void)
{
    float x, z, r = editor_pick_radius();
    editor_cursor(&x, &z);
    if (gradient *g = editor_selected_gradient()) {
        if (std::hypot(x - g->x0, z - g->z0) <= r) {
            g_editor.grip = 1;
            return;
        }
        if (std::hypot(x - g->x1, z - g->z1) <= r) {
            g_editor.grip = 2;
            return;
        }
    }
    g_editor.grip = 0;
    gradient_pick();
}

editor_mode_ops editor_modes[EDITOR_MODES] = {
    {brush_press, brush_held, nullptr},                 // Raise
    {brush_press, brush_held, nullptr},                 // Lower
    {brush_press, brush_held, nullptr},                 // Smooth
    {smudge_press, brush_held, nullptr},                // Smudge
    {brush_press, snap_held, nullptr},                  // Snap
    {nullptr, brush_held, nullptr},                     // Gradient Linear Paint
    {nullptr, brush_held, nullptr},                     // Gradient Linear Add
    {nullptr, brush_held, nullptr},                     // Gradient Radial Paint
    {nullptr, brush_held, nullptr},                     // Gradient Radial Add
    {placement_press, gradient_placement_held, nullptr},// Gradient Placement
    {gradient_point_pick, gradient_edit_held, nullptr}, // Gradient Edit
    {gate_pick, gate_held, nullptr},                    // Timing Gate
    {billboard_press, billboard_held, billboard_erase}, // Billboards
    {statue_pick, statue_held, statue_delete},          // Statues
    {nullptr, tile_held, nullptr},                      // Tilemap Edit
    {decal_press, decal_held, decals_erase},            // Decals
};

static int button_is(int code, int which) { return menu_buttons[which] != 0 && (std::uint32_t)code == menu_buttons[which]; }

static void pressed_status(int code)
{
    static char text[32];
    if (std::isprint(code)) std::snprintf(text, sizeof text, "Pressed 0x%02x ('%c')", code, code);
    else std::snprintf(text, sizeof text, "Pressed 0x%02x", code);
    editor_set_status(text);
}

static void slider_step(int index, double by, double lo, double hi)
{
    menu_slider &s = editor_panel[index].slider;
    s.value += by;
    if (s.value < lo) s.value = lo;
    if (s.value > hi) s.value = hi;
}

// The selected decal grows or shrinks about its centre; the ground under its old and its new
// extent is composed again.
static void decal_scale(float by)
{
    terrain_field *t = g_editor.terrain;
    int i = g_editor.selected_decal;
    if (!t->decals.items || i < 0 || i >= t->decals.count) return;
    decal &d = ((decal *)t->decals.items)[i];
    decal_request_redraw(t, i);
    decal_grid_remove(t, i);
    d.size1 *= by;
    d.size2 *= by;
    decal_grid_insert(t, i);
    decal_request_redraw(t, i);
    t->change_flags = CHANGE_ALL;
}

static int key_table(int code)
{
    editor_state &e = g_editor;
    const editor_mode_ops &ops = editor_modes[e.editor_mode];
    switch (code) {
    case '=': slider_step(W_ZOOM, 0.5, -1e9, ZOOM_KEY_MAX); return 1;
    case '-': slider_step(W_ZOOM, -0.5, -3, 1e9); return 1;
    case ']': slider_step(W_STRENGTH, editor_panel[W_STRENGTH].slider.step, -1e9, 5); return 1;
    case '[': slider_step(W_STRENGTH, -editor_panel[W_STRENGTH].slider.step, -5, 1e9); return 1;
    case 'l':
        if ((EDITOR_LEVEL_MODES >> e.editor_mode) & 1) {
            if (e.level_x != -1 || e.level_z != -1) e.level_x = e.level_z = -1;
            else editor_cursor(&e.level_x, &e.level_z);
        }
        return 1;
    case 's': editor_save_track(); return 1;
    case 'p': editor_export_pov(); return 1;
    case 'u': editor_take_snapshot(); return 1;
    case 8: editor_undo(); return 1;
    case 'f': gradient_flatten(); return 1;
    case 127:
    case 'x': return ops.erase ? ops.erase() : 0;
    case 'i':
        if (e.editor_mode != MODE_STATUES) return 0;
        statue_interpolate();
        return 1;
    case 'd':
        if (e.editor_mode == MODE_STATUES) statue_duplicate();
        else if (e.editor_mode == MODE_DECALS) decal_stamp(0);
        else return 0;
        return 1;
    case 'X':
        if (e.editor_mode != MODE_DECALS) return 0;
        decal_erase(editor_brush_radius());
        return 1;
    case 'm':
    case 'M':
        if (e.editor_mode != MODE_DECALS) return 0;
        if (code == 'm') decal_mark(1, 0);
        else decal_mark(0, editor_brush_radius());
        return 1;
    case '{':
    case '}':
        if (e.editor_mode != MODE_DECALS) return 0;
        decal_scale(code == '{' ? 0.9375f : 1 / 0.9375f);
        return 1;
    default: break;
    }
    if (code >= '1' && code <= '9') {
        static const int modes[9] = {MODE_SMOOTH, MODE_SNAP, MODE_LINEAR_PAINT, MODE_LINEAR_ADD,
                                     MODE_RADIAL_PAINT, MODE_RADIAL_ADD, MODE_GRADIENT_PLACEMENT,
                                     MODE_GRADIENT_EDIT, MODE_TIMING_GATE};
        editor_change_mode(modes[code - '1']);
        return 1;
    }
    return 0;
}

int editor_key(int code, int pressed)
{
    editor_state &e = g_editor;
    if (code == 9 || !e.active) return 0;
    if (pressed && code >= 0 && code < 256) pressed_status(code);
    if (mouse_x != e.hover_mouse_x || mouse_y != e.hover_mouse_y) {
        e.hovered_widget = editor_panel_hit();
        e.hover_mouse_x = mouse_x;
        e.hover_mouse_y = mouse_y;
    }
    if (button_is(code, MENU_CURSOR_LEFT)) {
        if (!pressed) {
            editor_release_button();
            return 1;
        }
        e.stroke_ticks = 0;
        if (e.hovered_widget >= 0) {
            e.tool_button = EDITOR_HELD_WIDGET + e.hovered_widget;
            editor_panel_event(code);
            return 0;
        }
        e.tool_button = 1;
        if (editor_modes[e.editor_mode].press) editor_modes[e.editor_mode].press();
        return 1;
    }
    if (button_is(code, MENU_CURSOR_RIGHT)) {
        e.pan_drag = pressed;
        if (pressed) {
            e.pan_last_x = (float)mouse_x;
            e.pan_last_y = (float)mouse_y;
        }
        return 1;
    }
    if (e.hovered_widget >= 0) {
        if (pressed) editor_panel_event(code);
        return 1;
    }
    if (!pressed) return 0;
    float quarter = editor_span() * 0.25f;
    if (button_is(code, MENU_LEFT)) return e.view_x -= quarter, 1;
    if (button_is(code, MENU_RIGHT)) return e.view_x += quarter, 1;
    if (button_is(code, MENU_UP)) return e.view_z -= quarter, 1;
    if (button_is(code, MENU_DOWN)) return e.view_z += quarter, 1;
    return key_table(code);
}
