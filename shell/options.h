// shell/options.h — the command line: "--name value" or "--name=value" options that override
// "@config", "--" to end them, and one bare argument naming a demo to play.
#pragma once

struct arg_cursor {
    int          left;     // arguments not yet taken
    char *const *next;
    int          ended;    // "--" was seen
};

// Everything the command line sets. Start-up fills the render options (and the settings they
// come from) before parsing, so an option overrides them; the rest start at their defaults.
struct program_options {
    int         fugly, nosound, novertexarrays, learn, practice, warp;
    int         debug_level;               // 0, 1 with --debug, 2 with --super-debug
    int         model_texture_detail;      // render options the command line may override
    int         ground_texture_detail;
    int         roost_frequency;
    float       terrain_detail;
    float       lod_scale, lod_bias;
    int         erosion_strength;          // 1/1024 units
    float       max_detail_distance, max_detail_distance2;
    float       lock_fps;
    float       fake_lag;                  // seconds
    int         fake_loss;                 // percent
    const char *record_audio;
    int         record_video;
    int         rotate_lineup;
    int         editor, hidden_pause, hidden_hud;
    int         depth_bits, zdepth_bits;
    int         draw_render_stats;
    int         accurate_skip;
    const char *track;
    const char *connect;
    const char *password;
    float       chase_center[3];
    int         glfinish, print_orientation;
    const char *demo;                      // the bare argument, when given
    int         open_home;                 // "--open-home": open the home folder, then exit 0
};

extern program_options g_command_line;

void program_options_defaults(program_options *o);

// 1 when argv[cursor] is that option (then consumed); for a value option *value points into
// argv, or is null when it was the last argument.
int arg_match(arg_cursor *cursor, const char *name, const char **value);

// Parses argv[1..argc-1] into o (and into the settings the options override). Returns -1 when
// start-up goes on, otherwise the exit code: 1 after an error (its message already on standard
// error), 0 after "--open-home" (open_home set; the caller opens the folder).
int options_parse(int argc, char *const *argv, program_options *o);
