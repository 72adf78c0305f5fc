// shell/globals.h — state the shell shares with the rest of the game: the tick, the quit flag,
// the view, the input bindings and the control table the ticks sum over; and, from the layers
// below, the render options and the option values of the command line.
#pragma once
#include <cstdint>
#include "graphics/render_options.h"   // render_options, g_render
#include "platform/command_line.h"    // shell_options, g_options

struct display;
struct axis_handle;

// The simulation step: every tick is 1/128 s.
constexpr double tick = 0.0078125;
enum { RIDER_SLOTS = 160, NO_RIDER = 160 };

extern display *g_display;

// Frame loop state read elsewhere.
extern int    quit_flag;
extern int    view_mode;          // 0 on-board, 2 editor, 3 chase, 4 track cameras, 5 title
extern int    paused;
extern double total_time;         // frame time fed to the ticks, after online scaling
extern double frame_time_min;     // starts 1.0
extern double frame_time_max;
extern int    frame_time_counts[8];
extern int    frame_width, frame_height;
extern int    video_mode_index;   // the mode the window was opened with; 1 is "Windowed"
extern int    menu_changed;
extern int    left_button_down;
extern int    focused_item;
extern int    track_camera_index; // -1 none
extern int    show_rider_numbers;

enum { VIEW_ONBOARD = 0, VIEW_EDITOR = 2, VIEW_CHASE = 3, VIEW_TRACK_CAMERAS = 4, VIEW_TITLE = 5 };


// The graphics settings the render options come from (menu values: sliders and choice indices).
struct graphics_settings {
    double ground_detail;
    double ground_texture_detail;
    int    ground_texture_dim;      // choice index: 32 << index
    double model_detail;
    double model_texture_detail;
    double roost_density;
    int    texture_compress;
    int    reflections;
    int    ground_mipmaps;
    int    use_shader;
    int    render_texture;
};
void render_options_derive(const graphics_settings *s, render_options *out);

void shell_options_reset(void);

// One input binding: a key (key name set) or an axis (axis name set).
struct key_binding {
    const char  *label;
    const char  *key_name;   // interned, or null
    int          key_code;   // resolved from key_name; 0 when none
    const char  *axis_name;  // interned, or null
    axis_handle *axis;       // resolved from axis_name
    float        axis_min;   // reading that gives 0
    float        axis_max;   // reading that gives full control
};

// The twenty bindings in settings-file order.
enum {
    BIND_THROTTLE, BIND_FRONT_BRAKE, BIND_REAR_BRAKE, BIND_LEFT, BIND_RIGHT, BIND_CLUTCH,
    BIND_UPSHIFT, BIND_DOWNSHIFT, BIND_DAB, BIND_BACK_UP, BIND_LEAN_FORWARD, BIND_LEAN_BACKWARD,
    BIND_PAUSE, BIND_STEP, BIND_REWIND, BIND_SKIP, BIND_PREV, BIND_NEXT, BIND_CONSOLE,
    BIND_SCREENSHOT, BINDING_COUNT
};
extern key_binding key_bindings[BINDING_COUNT];
void key_bindings_reset(void);   // labels and default key names, nothing resolved

// The nine controls the ride bindings add up to.
enum {
    CONTROL_STEER, CONTROL_THROTTLE, CONTROL_FRONT_BRAKE, CONTROL_REAR_BRAKE, CONTROL_SHIFT,
    CONTROL_CLUTCH, CONTROL_DAB, CONTROL_BACK_UP, CONTROL_LEAN, CONTROL_COUNT
};
struct control_row {
    key_binding *binding;
    int          control;
    float        scale;
    float        value;
};
enum { CONTROL_ROWS = 12 };
extern control_row control_table[CONTROL_ROWS];
extern float       control_sums[CONTROL_COUNT];
void control_values_clear(void);

// Menu navigation buttons, resolved by name at start-up.
enum {
    MENU_UP, MENU_DOWN, MENU_LEFT, MENU_RIGHT, MENU_ENTER, MENU_KEYPAD_ENTER, MENU_ESC,
    MENU_PAUSE, MENU_CURSOR_LEFT, MENU_CURSOR_RIGHT, MENU_PAGE_UP, MENU_PAGE_DOWN, MENU_CLOSE,
    MENU_BUTTON_COUNT
};
extern const char *const menu_button_names[MENU_BUTTON_COUNT];
extern std::uint32_t     menu_buttons[MENU_BUTTON_COUNT];
extern axis_handle      *cursor_axes[2];

// A binding capture started by the controls page and finished by the ticks.
struct watched_axis {
    axis_handle *axis;
    float        rest;
    float        extreme;
};
enum { WATCHED_AXES_MAX = 64 };
struct binding_capture_state {
    key_binding  *binding;        // null when no capture runs
    std::uint32_t key_code;       // 0 until a key is captured
    double        time;
    const char   *key_name;
    watched_axis  axes[WATCHED_AXES_MAX];
    const char   *axis_names[WATCHED_AXES_MAX];
    int           axis_count;
};
extern binding_capture_state binding_capture;

// Resets everything above to its start-of-run value (tests run the shell more than once).
void shell_globals_reset(void);
