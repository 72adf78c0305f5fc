// editor/editor_state.h — the track editor's one state record, its gradients, its panel of
// widgets and the operations its modules share. Valid between editor_setup_track and
// editor_release; everything runs on the main thread.
#pragma once
#include "platform/array.h"
#include "ui/widgets.h"

struct terrain_field;

enum {
    EDITOR_UNDO_SLOTS = 8,
    EDITOR_WIDGETS = 40,
    EDITOR_MODES = 16,
    EDITOR_HELD_WIDGET = 0x10000,   // tool_button of a press held over a panel widget
    EDITOR_KEY_DRAG = 16,           // the repeated event of a held widget press
    EDITOR_LEVEL_MODES = 0x47EF,    // modes that use the level point (bit per mode number)
    CHANGE_ALL = 7, CHANGE_UNSAVED = 2, CHANGE_HEIGHTS = 4,
};

enum editor_mode_number {
    MODE_RAISE, MODE_LOWER, MODE_SMOOTH, MODE_SMUDGE, MODE_SNAP,
    MODE_LINEAR_PAINT, MODE_LINEAR_ADD, MODE_RADIAL_PAINT, MODE_RADIAL_ADD,
    MODE_GRADIENT_PLACEMENT, MODE_GRADIENT_EDIT, MODE_TIMING_GATE, MODE_BILLBOARDS,
    MODE_STATUES, MODE_TILEMAP, MODE_DECALS,
};

// Panel widget indices; 0..15 are the mode buttons in mode order.
enum editor_widget_index {
    W_SUBMODE = 16, W_SAVE, W_ZOOM, W_STRENGTH, W_FOCUS, W_RADIUS, W_BILLBOARD_SPACING,
    W_BILLBOARD_HEIGHT, W_NEW_GRADIENT, W_COPY_GRADIENT, W_SEGMENT_TYPE, W_GRANULARITY,
    W_SET_FROM_TERRAIN, W_FLATTEN, W_SET_SWITCH, W_CLEAR_SWITCH, W_TILE, W_SHOW_COLLIDABLE,
    W_SNAP_TO_GRADIENT, W_DECAL_SPACING, W_ORIENTATION, W_HIDE_DIFFERENT, W_LEVEL, W_DUMMY,
};

enum { SUBMODE_ASSIGN, SUBMODE_RAISE_ONLY, SUBMODE_LOWER_ONLY };
enum { SEGMENT_LINE = 0, SEGMENT_CURVE = 1 };

struct gradient_point {
    float distance;   // along the line from the first end point
    float height;
};

// A gradient line on the map with its height profile; points and types always hold the same
// count, the type of point i governing the segment from i to i + 1.
struct gradient {
    float          x0, z0, x1, z1;
    growable_array points;   // gradient_point
    growable_array types;    // unsigned char: SEGMENT_LINE or SEGMENT_CURVE
};

enum { WIDGET_BUTTON, WIDGET_CHOICE, WIDGET_SLIDER };
struct editor_widget {
    int         kind;
    int         shown_in;    // mode it shows in; -1 always, -2 never
    menu_button button;
    menu_choice choice;
    menu_slider slider;
};

struct undo_slot {
    unsigned char *shading;          // n*n*3
    unsigned char *normal_image;     // n*n*3, null when the terrain has no second image
    float         *heights;          // n*n
};

struct editor_state {
    terrain_field *terrain;
    float *stroke_snapshot;          // heights as of the last undo snapshot
    int    pending_edits;
    float  view_x, view_z;           // map point at the screen centre
    int    tool_button;              // 0, 1 over the map, EDITOR_HELD_WIDGET + widget index
    int    pan_drag;
    float  pan_last_x, pan_last_y;
    int    stroke_ticks;
    float  level_x, level_z;         // -1, -1 unset
    int    editor_mode;
    int    selected_gate;
    int    grip;
    float  smudge_x, smudge_z;
    growable_array gradients;        // gradient
    int    selected_point, selected_gradient;
    int    selected_billboard, placed_billboard, selected_statue, selected_decal;
    growable_array marked_decals;    // int
    undo_slot undo_ring[EDITOR_UNDO_SLOTS];
    int    undo_index, undo_count;
    const char *status;
    int    hovered_widget;
    int    hover_mouse_x, hover_mouse_y;
    int    active;                   // between set-up and release
};

extern editor_state   g_editor;
extern editor_widget  editor_panel[EDITOR_WIDGETS];

// What a mode does with the left button: the press over the map, each tick while held, and
// Delete or 'x' (1 when it used the key). Null entries do nothing (Delete then returns 0).
struct editor_mode_ops {
    void (*press)(void);
    void (*held)(void);
    int  (*erase)(void);
};
extern editor_mode_ops editor_modes[EDITOR_MODES];

// The panel: widget records at their start values, the hit list of the drawn rectangles.
void  editor_panel_reset(const terrain_field *t);
const widget_rect *editor_widget_rect(int index);
int   editor_panel_hit(void);
void  editor_panel_event(int code);
double editor_value(int index);                   // a slider's value
int    editor_choice(int index);                  // a choice's current index

// The view: window size from the shell, zoom from the panel.
void  editor_screen_to_map(float sx, float sy, float *x, float *z);
void  editor_cursor(float *x, float *z);          // the mouse's map point
float editor_span(void);                          // map units over the screen height
float editor_marker_scale(void);                  // max(1, span / 100)
float editor_pick_radius(void);
float editor_brush_radius(void);                  // outer radius in map units

void  editor_set_height(terrain_field *t, int column, int row, float h);
float editor_terrain_height(const terrain_field *t, float x, float z);

void  editor_set_status(const char *text);
void  editor_change_mode(int mode);
void  editor_release_button(void);

// Undo ring and files.
void  editor_take_snapshot(void);
void  editor_undo(void);
int   editor_save_track(void);                    // 1 when every writer succeeded
void  editor_save_edinfo_status(void);
int   editor_save_edinfo(void);
void  editor_read_edinfo(void);
// One "edinfo" line as the reader takes it; 1 when it was a record that was used.
int   edinfo_parse_line(const char *line);
int   editor_export_pov(void);                    // 1 written
// The export identifier of a model or texture name into out (size bytes).
void  scene_id(const char *name, char *out, int size);

// Gradients.
gradient *editor_gradient(int index);             // null when out of range
gradient *editor_selected_gradient(void);
int   gradient_point_count(const gradient *g);
gradient_point *gradient_points(const gradient *g);
unsigned char  *gradient_types(const gradient *g);
void  gradient_clear_profile(gradient *g);
int   gradient_append_point(gradient *g, float distance, float height, int type);
void  gradient_remove_point(gradient *g, int index);
void  editor_new_gradient(void);
void  editor_copy_gradient(void);
void  gradient_flatten(void);
void  gradient_pick(void);
void  gradient_set_from_terrain(void);
void  statue_snap_to_gradient(void);
float gradient_slope_at(int i);
float gradient_hermite(int i, float s);
float gradient_profile_height(float d);
float snapshot_lod_height(int level, int column, int row);
float snapshot_lod_height_at(int level, float x, float z);
int   snapshot_full_level(void);                  // the level of the full-resolution grid

// Brushes: one application of the current mode's height brush, and the targets it drives the
// ground toward (h0 the snapshot height, strength 2^Strength, the vertex at x, z).
void  editor_brush_apply(void);
float smooth_target(float h0, float strength, float x, float z, int column, int row);
float smudge_target(float h0, float strength, float x, float z, int column, int row);
float linear_paint_target(float h0, float strength, float x, float z, int column, int row);
float linear_add_target(float h0, float strength, float x, float z, int column, int row);
float radial_paint_target(float h0, float strength, float x, float z, int column, int row);
float radial_add_target(float h0, float strength, float x, float z, int column, int row);
int   smooth_radius(float strength);              // round(strength) held to 1..1024
void  smooth_begin(void);                         // forgets the running sums
void  editor_smooth_running_sum(int on);          // 0: every vertex sums its whole disc
int   smudge_begin(float cx, float cz);           // 0: the cursor is under a unit from the smudge point
float gradient_linear_target(float x, float z);
float gradient_radial_target(float x, float z);
int   snap_shift(float strength, float cell);     // log2 of the snap block in cells
void  editor_snap_apply(void);

// Billboards.
int   billboard_pick(float x, float z, float radius);   // index hit, -1 none
void  billboard_press(void);
void  billboard_held(void);
int   billboard_erase(void);

// Gradient Placement and Gradient Edit drags, the profile point press.
void  gradient_point_pick(void);
void  gradient_edit_held(void);
void  gradient_placement_held(void);

// Timing gates and the robots' switch points.
void  gate_pick(void);
void  gate_held(void);
const char *switch_point_text(void);              // of the selected gate
void  switch_point_set(int on);                   // Set (1) or Clear (0) AI Switch Point

// Statues.
struct statue;
void  statue_pick(void);
void  statue_held(void);
int   statue_delete(void);
void  statue_duplicate(void);
void  statue_interpolate(void);
void  statue_face(statue *s, float dx, float dz);

// Decals.
struct decal;
struct decal_pose { float x, z, angle; };
int   decal_match(const decal &a, const decal &b);
void  decal_press(void);
void  decal_mark(int toggle, float least_radius);
void  decal_erase(float radius);                  // 0: the pick radius
void  decal_stamp(int along);
int   decal_level_index(int n);
void  decal_group_transform(decal_pose old_pose, decal_pose new_pose, float scale);
void  decal_held(void);
void  editor_random_seed(unsigned seed);
int   editor_random15(void);                      // 0..32767

// Tile painting.
int   tile_painted(const terrain_field *t);       // the Tile slider held to the tiles, -1 none
void  tile_fix_corners(terrain_field *t, int u, int w, int tile, int mask);
void  tile_paint_stroke(float x0, float z0, float x1, float z1, float radius);
void  tile_held(void);
