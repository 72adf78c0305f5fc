// shell/config.h — the settings file "@config": window size, HUD toggles, race defaults,
// graphics, sound and camera settings, the bike setup, the input bindings, the gate slots and
// the server-name history (kept by the network client). Most settings are the values of the
// static widget records below.
#pragma once
#include "shell/server_state.h"   // server_name_history
#include "shell/globals.h"   // key_binding, key_bindings
#include "shell/widget_values.h"

struct graphics_settings;

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

enum {
    GATE_SLOT_COUNT = 40,
    SERVER_HISTORY_COUNT = 16,
    SERVER_HISTORY_BYTES = 128,
    SERVER_NAME_MAX = 127,
    MESSAGE_LINES_MAX = 1000,
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
extern int             server_name_history_index;               // -1: the field holds the user's text
extern menu_choice     track_choice;                            // items: the tracks' long names
extern const char *const binding_config_keys[BINDING_COUNT];

// Every setting of this file back to its default (the setup has setup_init).
void config_init(void);
// Reads "@config" when it exists; every setting it does not name keeps its value.
void config_read(void);
// Hands every "key=value" line of the stream to take, the line end cut off; lines without '='
// are skipped. Setup files have the same form.
struct data_stream;
void config_read_pairs(data_stream *s, void (*take)(const char *key, const char *value));
// Writes "@config" through a temporary file, so a failed write leaves the old one.
void config_write(void);
int  binding_parse(key_binding *binding, const char *value);

// What the rest of the game reads of the settings.
void        settings_graphics(graphics_settings *out);   // the sources of the render options
int         setting_use_shader(void);
int         setting_render_texture(void);                // choice index
int         setting_ground_mipmaps(void);
int         setting_video_mode(void);                    // choice index; 1 is "Windowed"
float       setting_fov(void);
float       setting_volume(void);                        // 0..10
float       setting_comp_volume(void);                   // 0..10
int         setting_reverse_steering(void);
int         setting_sticky_dab(void);
int         setting_time_trial_abort(void);
int         setting_spy(void);
int         setting_skill(void);                         // choice index
int         setting_record(void);                        // choice index
float       setting_minutes(void);
float       setting_laps(void);
const char *setting_track(void);                         // the configured "track" folder
