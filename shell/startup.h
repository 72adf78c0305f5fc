// shell/startup.h — the program from its first line to its last: start-up in a fixed order,
// the frame loop, shutdown in a fixed order; and what start-up makes for the whole run.
#pragma once
#include "platform/array.h"
#include <ode/ode.h>

struct audio_handle;
struct terrain_field;

extern audio_handle  *g_audio;          // null: no sound
extern dWorldID       physics_world;
extern dJointGroupID  contact_group;    // the contacts of one world step
extern terrain_field *g_terrain;        // the race's one field
extern growable_array rider_object_hits;   // 4-byte entries
extern growable_array camera_keyframes;    // 36-byte entries
extern growable_array track_cameras;       // 36-byte entries
extern unsigned       tach_texture, shifter_texture, pitboard_texture, title_texture;
extern const char     version_text[];      // "2018-01-26-1385 snapshot"

struct display;
enum { WINDOW_SIDE_MIN = 64 };   // window sides below this from the settings mean 640 x 480
// Opens the game's window from the settings (video_mode, xres, yres) and the options; when that
// fails, says so and tries a 640 x 480 window once. Null when neither opens.
display *main_window_open(void);

// The whole program; returns the process exit code.
int rutline_main(int argc, char **argv);
// The shutdown order, from the frame loop or from a failed start. Returns 0.
int shutdown_run(void);
