// shell/config.h — the settings file "@config": window size, HUD toggles, race defaults,
// graphics, sound and camera settings, the bike setup, the input bindings, the gate slots and
// the server-name history. Most settings are the values of the static widget records below.
#pragma once
#include "ui/widgets.h"

struct axis_handle;

enum config_choice_index {
    CONFIG_RECORD,
    CONFIG_SKILL,
    CONFIG_TIME_TRIAL_ABORT,
    CONFIG_GROUND_TEXTURE_DIM,
    CONFIG_GROUND_MIPMAPS,
    CONFIG_TEXTURE_COMPRESS,
    CONFIG_USE_FBO,
    CONFIG_RENDER_TEXTURE,
    CONFIG_USE_SHADER,
    CONFIG_LENS_FLARE,
    CONFIG_REFLECTIONS,
    CONFIG_HIDE_RIDER,
    CONFIG_RIGID_CAMERA,
    CONFIG_PLAYBACK_MODE,
    CONFIG_CHOICE_COUNT
};

enum config_slider_index {
    CONFIG_MINUTES,
    CONFIG_LAPS,
    CONFIG_GHOST_FADE_DISTANCE,
    CONFIG_GROUND_DETAIL,
    CONFIG_GROUND_TEXTURE_DETAIL,
    CONFIG_MODEL_DETAIL,
    CONFIG_MODEL_TEXTURE_DETAIL,
    CONFIG_ROOST_DENSITY,
    CONFIG_FOV,
    CONFIG_FIRST_PERSON_HEIGHT,
    CONFIG_FIRST_PERSON_ANGLE,
    CONFIG_THIRD_PERSON_HEIGHT,
    CONFIG_THIRD_PERSON_DISTANCE,
    CONFIG_VOLUME,
    CONFIG_COMP_VOLUME,
    CONFIG_SLIDER_COUNT
};

// The twenty bindings in file order.
enum binding_index {
    BIND_THROTTLE, BIND_FRONT_BRAKE, BIND_REAR_BRAKE, BIND_LEFT, BIND_RIGHT,
    BIND_CLUTCH, BIND_UPSHIFT, BIND_DOWNSHIFT, BIND_DAB, BIND_BACK_UP,
    BIND_LEAN_FORWARD, BIND_LEAN_BACKWARD, BIND_PAUSE, BIND_STEP, BIND_REWIND,
    BIND_SKIP, BIND_PREV, BIND_NEXT, BIND_CONSOLE, BIND_SCREENSHOT,
    BINDING_COUNT
};

enum {
    GATE_SLOT_COUNT = 40,
    SERVER_HISTORY_COUNT = 16,
    SERVER_HISTORY_BYTES = 128,
    SERVER_NAME_MAX = 127,
    MESSAGE_LINES_MAX = 1000,
};

// Either a key (key_name set) or an axis (axis_name set). The control value of an axis is
// (reading / 32768 - axis_min) / (axis_max - axis_min), clamped to 0..1, so min above max
// inverts it. Codes and handles are resolved from the names after reading, never stored.
struct key_binding {
    const char  *label;
    const char  *key_name;     // interned, or null
    int          key_code;     // 0 when none
    const char  *axis_name;    // interned, or null
    axis_handle *axis;
    float        axis_min;
    float        axis_max;
};

struct config_values {
    int         draw_fps, draw_time, draw_ping, draw_speed;
    int         spy;
    const char *track;         // interned folder name of the wanted track
    int         billboard_optimize_lookahead;
    int         demo_backups;
    float       map_scale;     // 0.125..8
};

extern int             xres, yres;   // window size in pixels
extern config_values   g_config;
extern menu_choice     config_choices[CONFIG_CHOICE_COUNT];
extern menu_slider     config_sliders[CONFIG_SLIDER_COUNT];
extern menu_choice     config_slots[GATE_SLOT_COUNT];          // "Gate 1".."Gate 40"
extern menu_text_field config_server_name;                      // "Server"
extern char            server_name_history[SERVER_HISTORY_COUNT][SERVER_HISTORY_BYTES];
extern int             server_name_history_index;               // -1: the field holds the user's text
extern menu_choice     track_choice;                            // items: the tracks' long names
extern key_binding     key_bindings[BINDING_COUNT];
extern const char *const binding_config_keys[BINDING_COUNT];

// Every setting of this file back to its default (the setup has setup_init).
void config_init(void);
// Reads "@config" when it exists; every setting it does not name keeps its value.
void config_read(void);
// Writes "@config" through a temporary file, so a failed write leaves the old one.
void config_write(void);
int  binding_parse(key_binding *binding, const char *value);
