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
#include "shell/config.h"
#include "shell/lists.h"
#include "shell/options.h"
#include "shell/setup.h"
#include "shell/video_modes.h"
void graphics_preset_apply(int preset);           // the twelve graphics settings
void track_lighting_set_default(void);

// Screenshots, video frames and audio capture.
#include "shell/capture.h"

// Chase, track and free cameras.
#include "shell/cameras.h"
// The track's gate-to-camera map (-1: no change) and lap list (first-lap entries, then
// normal-lap entries; + 100000 on gates that are no switch point).
extern int  gate_camera[256];
extern int *lap_list;


// Track list, track loader and terrain upkeep.
int  scan_tracks(void);             // the number of tracks; -1 while there is no track list
int  track_choice_select(const char *folder);   // 1 when a track has that folder name
void track_list_free(void);
void free_track(void);
terrain_field *race_terrain(void);  // the one static field of the race
#include "terrain/upkeep.h"   // terrain_update, terrain_update_all
