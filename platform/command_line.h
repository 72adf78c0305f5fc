// platform/command_line.h — the option values of the command line, read by every layer (the
// texture and model loaders' debug level, the vertex arrays' switch, the shell's modes).
#pragma once

// Values of the command line; the options parser fills them, defaults as set in shell/globals.cpp.
struct shell_options {
    int         fugly, nosound, novertexarrays, learn, debug_level, practice, warp;
    double      max_detail_distance, max_detail_distance2;
    double      lock_fps;
    double      fake_lag;        // seconds
    int         fake_loss;       // percent
    const char *record_audio;    // file name or null
    int         record_video;
    int         rotate_lineup;
    int         editor, hidden_pause, hidden_hud;
    int         depth_bits, zdepth_bits;
    int         draw_render_stats;
    int         accurate_skip;
    const char *track;           // "--track", null when none
    const char *connect;         // the connect address, null when none
    const char *password;
    float       chase_center[3];
    int         glfinish;
    int         print_orientation;
    const char *startup_demo;    // the one bare argument
    int         erosion_rate;    // "--erode" in 1/1024 units; the race reset's erosion strength
    // "--pause-at": race ticks (tick_count) at which the race pauses by itself, ascending; a
    // test rides a known number of ticks and takes its pictures there, at any frame rate.
    int         pause_at[16];
    int         pause_at_count;
};
extern shell_options g_options;
