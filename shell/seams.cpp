// Do-nothing stand-ins for modules still to come; see shell/seams.h. Each group is deleted by
// the module that replaces it.
#include "shell/seams.h"
#include "shell/globals.h"

// Settings, setup, command line, video modes, start-up lists.
int  parse_options(int, char **) { return 0; }
void config_read(void) {}
void config_write(void) {}
void video_modes_build(void) {}
void video_modes_free(void) {}
void video_mode_size(int, int *width, int *height) { *width = *height = 0; }
void setup_select_bike(const char *) {}
int  setup_stability(void) { return 100; }
void setup_set_defaults(int) {}
void graphics_preset_apply(int) {}
void track_lighting_set_default(void) {}
void settings_graphics(graphics_settings *out)
{
    // The menus' defaults.
    *out = {50, 9, 2, 50, 9, 250, 1, 1, 1, 1, 2};
}
int  setting_use_shader(void) { return 1; }
int  setting_render_texture(void) { return 2; }
int  setting_ground_mipmaps(void) { return 1; }
int  setting_video_mode(void) { return 1; }
float setting_fov(void) { return 110; }
float setting_volume(void) { return 10; }
float setting_comp_volume(void) { return 8; }
int  setting_reverse_steering(void) { return 1; }
int  setting_sticky_dab(void) { return 0; }
int  setting_time_trial_abort(void) { return 1; }
int  setting_spy(void) { return 0; }
int  setting_skill(void) { return 0; }
int  setting_record(void) { return 0; }
float setting_minutes(void) { return 0; }
float setting_laps(void) { return 5; }
const char *setting_track(void) { return "rabbithill"; }
int  xres = 640, yres = 480;
void gather_graphics_variants(void) {}
void gather_demo_list(void) {}
void gather_series(void) {}
void series_free(void) {}
void variant_lists_free(void) {}
void demo_lists_free(void) {}

// Cameras.
void chase_view_draw(bike *) {}
void chase_camera_control(const float *) {}
void track_camera_control(const float *) {}

// Fonts, models, shaders.
void     fonts_load(void) {}
void     fonts_free(void) {}
void     model_purge(int) {}
int      shader_build_programs(void) { return 0; }
