// The shell's shared state and its start-of-run values.
#include "shell/globals.h"
#include <cstring>

display *g_display;

int    quit_flag;
int    view_mode;
int    paused;
double total_time;
double frame_time_min = 1.0;
double frame_time_max;
int    frame_time_counts[8];
int    frame_width, frame_height;
int    video_mode_index;
int    menu_changed;
int    left_button_down;
int    focused_item;
int    track_camera_index = -1;
int    show_rider_numbers;

key_binding           key_bindings[BINDING_COUNT];
control_row           control_table[CONTROL_ROWS];
float                 control_sums[CONTROL_COUNT];
std::uint32_t         menu_buttons[MENU_BUTTON_COUNT];
axis_handle          *cursor_axes[2];
binding_capture_state binding_capture;

const char *const menu_button_names[MENU_BUTTON_COUNT] = {
    "up", "down", "left", "right", "enter", "keypad enter", "esc", "pause",
    "cursor-left", "cursor-right", "page up", "page down", "close",
};

static float clampf(float v, float lo, float hi) { return v < lo ? lo : v > hi ? hi : v; }

void render_options_derive(const graphics_settings *s, render_options *out)
{
    out->terrain_detail = (float)(0.125 / s->ground_detail);
    out->ground_texture_detail = (int)clampf((float)(10.0 - s->ground_texture_detail), 0, 10);
    out->ground_texture_size = 32 << s->ground_texture_dim;
    float scale = clampf((float)(100.0 - s->model_detail), 0, 100) * 0.02f;
    out->model_lod_scale = scale > 1 ? scale * scale * scale : scale;
    out->model_lod_bias = 50 - 50 * clampf((float)((s->model_detail - 10) * 0.05), 0, 1);
    out->model_texture_detail = (int)clampf((float)(10.0 - s->model_texture_detail), 0, 10);
    out->roost_frequency = (int)s->roost_density;
    out->texture_compression = s->texture_compress;
    out->reflections = s->reflections;
}

void shell_options_reset(void)
{
    memset(&g_options, 0, sizeof g_options);
    g_options.depth_bits = 16;
    g_options.zdepth_bits = 16;
    g_options.chase_center[0] = 0.0f;
    g_options.chase_center[1] = 2.52f;
    g_options.chase_center[2] = 0.52f;
}

void key_bindings_reset(void)
{
    static const char *const defaults[BINDING_COUNT][2] = {
        {"Throttle", "x"}, {"Front Brake", "c"}, {"Rear Brake", "v"}, {"Left", "left"},
        {"Right", "right"}, {"Clutch", "z"}, {"Upshift", "up"}, {"Downshift", "down"},
        {"Sit/Dab", "right ctrl"}, {"Back up", "b"}, {"Lean Forward", "n"},
        {"Lean Backward", "m"}, {"Pause", "pause"}, {"Step", "."}, {"Rewind", "\\"},
        {"Skip", "/"}, {"Previous Bike", "["}, {"Next Bike", "]"}, {"Chat", "t"},
        {"Screenshot", "s"},
    };
    for (int i = 0; i < BINDING_COUNT; ++i) {
        key_binding *b = &key_bindings[i];
        memset(b, 0, sizeof *b);
        b->label = defaults[i][0];
        b->key_name = defaults[i][1];
        b->axis_max = 1.0f;
    }
    static const struct { int binding, control; float scale; } rows[CONTROL_ROWS] = {
        {BIND_LEFT, CONTROL_STEER, +1},         {BIND_RIGHT, CONTROL_STEER, -1},
        {BIND_THROTTLE, CONTROL_THROTTLE, +1},  {BIND_FRONT_BRAKE, CONTROL_FRONT_BRAKE, +1},
        {BIND_REAR_BRAKE, CONTROL_REAR_BRAKE, +1}, {BIND_UPSHIFT, CONTROL_SHIFT, +1},
        {BIND_DOWNSHIFT, CONTROL_SHIFT, -1},    {BIND_CLUTCH, CONTROL_CLUTCH, +1},
        {BIND_DAB, CONTROL_DAB, +1},            {BIND_BACK_UP, CONTROL_BACK_UP, +1},
        {BIND_LEAN_FORWARD, CONTROL_LEAN, -1},  {BIND_LEAN_BACKWARD, CONTROL_LEAN, +1},
    };
    for (int i = 0; i < CONTROL_ROWS; ++i)
        control_table[i] = {&key_bindings[rows[i].binding], rows[i].control, rows[i].scale, 0};
}

void control_values_clear(void)
{
    for (control_row &row : control_table) row.value = 0;
}

void shell_globals_reset(void)
{
    g_display = nullptr;
    quit_flag = 0;
    view_mode = 0;
    paused = 0;
    total_time = 0;
    frame_time_min = 1.0;
    frame_time_max = 0;
    memset(frame_time_counts, 0, sizeof frame_time_counts);
    frame_width = frame_height = 0;
    video_mode_index = 0;
    menu_changed = 0;
    left_button_down = 0;
    focused_item = 0;
    track_camera_index = -1;
    show_rider_numbers = 0;
    memset(&g_render, 0, sizeof g_render);
    shell_options_reset();
    key_bindings_reset();
    memset(control_sums, 0, sizeof control_sums);
    memset(menu_buttons, 0, sizeof menu_buttons);
    cursor_axes[0] = cursor_axes[1] = nullptr;
    memset(&binding_capture, 0, sizeof binding_capture);
}
