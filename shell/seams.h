// shell/seams.h — operations of modules still to come that start-up, shutdown and the frame
// loop call in their places. Each is defined as a do-nothing stand-in in shell/seams.cpp; the
// module that lands moves the declaration into its own header and deletes the stand-in.
#pragma once
#include <cstdint>

struct display;
struct bike;
struct terrain_field;
struct graphics_settings;

// Settings, setup, command line, video modes, start-up lists.
// Returns 0 to go on, 1 after a bad option (the message is on standard error), 2 when the
// program is to end at once with code 0 ("--open-home").
int  parse_options(int argc, char **argv);
void config_read(void);
void config_write(void);
void video_modes_build(void);
void video_modes_free(void);
void video_mode_size(int index, int *width, int *height);   // 0 x 0: the desktop's mode
void setup_select_bike(const char *model);        // the rider page's bike model choice
int  setup_stability(void);                       // the stability slider, truncated
void setup_set_defaults(int stability);
void graphics_preset_apply(int preset);           // the twelve graphics settings
void track_lighting_set_default(void);
void settings_graphics(graphics_settings *out);
int  setting_use_shader(void);
int  setting_render_texture(void);                // choice index
int  setting_ground_mipmaps(void);
int  setting_video_mode(void);                    // choice index; 1 is "Windowed"
float setting_fov(void);
float setting_volume(void);                       // 0..10
float setting_comp_volume(void);                  // 0..10
int  setting_reverse_steering(void);
int  setting_sticky_dab(void);
int  setting_time_trial_abort(void);
int  setting_spy(void);
int  setting_skill(void);                         // race settings: choice index
int  setting_record(void);                        // race settings: choice index
float setting_minutes(void);
float setting_laps(void);
const char *setting_track(void);                  // the configured "track" folder, or null
extern int xres, yres;
void gather_graphics_variants(void);
void gather_demo_list(void);
void gather_series(void);
void series_free(void);
void variant_lists_free(void);
void demo_lists_free(void);

// Screenshots, video frames and audio capture.
#include "shell/capture.h"

// Chase, track and free cameras.
void chase_view_draw(bike *viewed);
void chase_camera_control(const float *control_sums);
void track_camera_control(const float *control_sums);

// Fonts, models, shaders.
void     fonts_load(void);
void     fonts_free(void);
void     model_purge(int all);
int      shader_build_programs(void);

// Track list, track loader and terrain upkeep.
#include "terrain/track_list.h"
#include "terrain/track_load.h"
#include "terrain/upkeep.h"
