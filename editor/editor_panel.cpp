// The editor's forty panel widgets: their start values, the hit test over the rectangles they
// were last drawn in, and what each does with an event.
#include "editor/editor_state.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/track_load.h"
#include <cstring>

editor_widget editor_panel[EDITOR_WIDGETS];

static const char *const mode_names[EDITOR_MODES] = {
    "Raise", "Lower", "Smooth", "Smudge", "Snap", "Gradient Linear Paint", "Gradient Linear Add",
    "Gradient Radial Paint", "Gradient Radial Add", "Gradient Placement", "Gradient Edit",
    "Timing Gate", "Billboards", "Statues", "Tilemap Edit", "Decals",
};
static const char *const submode_items[] = {"Assign", "Raise Only", "Lower Only"};
static const char *const segment_items[] = {"Line", "Curve"};
static const char *const no_yes_items[] = {"No", "Yes"};
static const char *const orientation_items[] = {"Copy", "Random", "Flow", "Flow2", "Uphill"};
static const char *const level_items[] = {"Top", "Under Current", "Over Current", "Bottom"};

static void button(int i, const char *label, int shown_in)
{
    editor_widget &w = editor_panel[i];
    w = editor_widget{};
    w.kind = WIDGET_BUTTON;
    w.shown_in = shown_in;
    w.button.label = label;
}

static void choice(int i, const char *label, const char *const *items, int count, int current, int shown_in)
{
    editor_widget &w = editor_panel[i];
    w = editor_widget{};
    w.kind = WIDGET_CHOICE;
    w.shown_in = shown_in;
    w.choice = menu_choice{label, items, count, current, {}};
}

static void slider(int i, const char *label, double value, double step, double lo, double hi, int shown_in)
{
    editor_widget &w = editor_panel[i];
    w = editor_widget{};
    w.kind = WIDGET_SLIDER;
    w.shown_in = shown_in;
    w.slider = menu_slider{label, value, step, lo, hi, {}, 0, 0};
}

// The last tile of the leading run of plain tiles (tile and neighbour both the index).
static int plain_tile_run_end(const terrain_field *t)
{
    int run = 0;
    while (run < t->tile_count && run < TILE_MAX) {
        int code = t->tile_codes[run];
        if (((code >> 16) & 255) != run || ((code >> 8) & 255) != run) break;
        ++run;
    }
    return run > 0 ? run - 1 : 0;
}

void editor_panel_reset(const terrain_field *t)
{
    for (int i = 0; i < EDITOR_MODES; ++i) button(i, mode_names[i], -1);
    choice(W_SUBMODE, "SubMode", submode_items, 3, 0, -1);
    button(W_SAVE, "Save", -1);
    slider(W_ZOOM, "Zoom", 1, 0.125, -3, 8, -1);
    slider(W_STRENGTH, "Strength", 3, 0.25, -5, 5, -1);
    slider(W_FOCUS, "Focus", 0.5, 0.03125, 0, 1, -1);
    slider(W_RADIUS, "Radius", 64, 1, 1, 128, -1);
    slider(W_BILLBOARD_SPACING, "Spacing", 1, 0.25, 0.25, 1000, MODE_BILLBOARDS);
    slider(W_BILLBOARD_HEIGHT, "Height", 0, 0.25, -50, 50, MODE_BILLBOARDS);
    button(W_NEW_GRADIENT, "New Gradient", MODE_GRADIENT_PLACEMENT);
    button(W_COPY_GRADIENT, "Copy Gradient", MODE_GRADIENT_PLACEMENT);
    choice(W_SEGMENT_TYPE, "Segment Type", segment_items, 2, 0, MODE_GRADIENT_EDIT);
    slider(W_GRANULARITY, "Granularity", 0, 0.0625, 0, 1, MODE_GRADIENT_EDIT);
    button(W_SET_FROM_TERRAIN, "Set From Terrain", MODE_GRADIENT_EDIT);
    button(W_FLATTEN, "Flatten", MODE_GRADIENT_EDIT);
    button(W_SET_SWITCH, "Set AI Switch Point", MODE_TIMING_GATE);
    button(W_CLEAR_SWITCH, "Clear AI Switch Point", MODE_TIMING_GATE);
    slider(W_TILE, "Tile", t ? plain_tile_run_end(t) : 0, 1, 0, 255, MODE_TILEMAP);
    choice(W_SHOW_COLLIDABLE, "Show Collidable", no_yes_items, 2, 0, MODE_STATUES);
    button(W_SNAP_TO_GRADIENT, "Snap to Gradient", MODE_STATUES);
    slider(W_DECAL_SPACING, "Spacing", 0.75, 0.0625, 0.25, 4, MODE_DECALS);
    choice(W_ORIENTATION, "Orientation", orientation_items, 5, 2, MODE_DECALS);
    choice(W_HIDE_DIFFERENT, "Hide different", no_yes_items, 2, 0, MODE_DECALS);
    choice(W_LEVEL, "Level", level_items, 4, 2, MODE_DECALS);
    button(W_DUMMY, "dummy", -2);
    for (editor_widget &w : editor_panel) {
        widget_rect_clear(&w.button.rect);
        widget_rect_clear(&w.choice.rect);
        widget_rect_clear(&w.slider.rect);
    }
}

const widget_rect *editor_widget_rect(int i)
{
    editor_widget &w = editor_panel[i];
    switch (w.kind) {
    case WIDGET_CHOICE: return &w.choice.rect;
    case WIDGET_SLIDER: return &w.slider.rect;
    default: return &w.button.rect;
    }
}

int editor_panel_hit(void)
{
    const widget_rect *list[EDITOR_WIDGETS + 1];
    for (int i = 0; i < EDITOR_WIDGETS; ++i) list[i] = editor_widget_rect(i);
    list[EDITOR_WIDGETS] = nullptr;
    return widget_hit_index(list);
}

double editor_value(int i) { return editor_panel[i].slider.value; }
int    editor_choice(int i) { return editor_panel[i].choice.current; }

static void billboard_height_changed(void)
{
    editor_state &e = g_editor;
    if (e.selected_billboard < 0 || e.selected_billboard >= billboards.count) return;
    billboard &b = ((billboard *)billboards.items)[e.selected_billboard];
    b.height_offset = (float)editor_value(W_BILLBOARD_HEIGHT);
    b.y = editor_terrain_height(e.terrain, b.x, b.z) + b.height_offset;
    e.terrain->change_flags = CHANGE_ALL;
}

static void segment_type_changed(void)
{
    gradient *g = editor_selected_gradient();
    int p = g_editor.selected_point;
    if (!g || p < 0 || p >= gradient_point_count(g)) return;
    gradient_types(g)[p] = (unsigned char)editor_choice(W_SEGMENT_TYPE);
    g_editor.terrain->change_flags = CHANGE_ALL;
}

void editor_panel_event(int code)
{
    int i = g_editor.hovered_widget;
    if (i < 0 || i >= EDITOR_WIDGETS || !g_editor.active) return;
    editor_widget &w = editor_panel[i];
    if (w.kind == WIDGET_CHOICE) {
        widget_choice_key(&w.choice, code);
        if (i == W_SEGMENT_TYPE) segment_type_changed();
        return;
    }
    if (w.kind == WIDGET_SLIDER) {
        widget_slider_key(&w.slider, code);
        if (i == W_BILLBOARD_HEIGHT) billboard_height_changed();
        return;
    }
    if (i == W_DUMMY || !widget_is_activated(&w.button, code)) return;
    if (i < EDITOR_MODES) {
        editor_change_mode(i);
        return;
    }
    switch (i) {
    case W_SAVE: editor_save_track(); break;
    case W_NEW_GRADIENT: editor_new_gradient(); break;
    case W_COPY_GRADIENT: editor_copy_gradient(); break;
    case W_SET_FROM_TERRAIN: gradient_set_from_terrain(); break;
    case W_FLATTEN: gradient_flatten(); break;
    case W_SNAP_TO_GRADIENT:
        if (!g_editor.terrain->edit_lock) statue_snap_to_gradient();
        break;
    case W_SET_SWITCH: switch_point_set(1); break;
    case W_CLEAR_SWITCH: switch_point_set(0); break;
    default: break;
    }
}
