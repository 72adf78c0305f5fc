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
#include "shell/graphics_presets.h"

// Screenshots, video frames and audio capture.
#include "shell/capture.h"

// Chase, track and free cameras.
#include "shell/cameras.h"
#include "terrain/cameras.h"        // gate_camera
#include "terrain/timing_gates.h"   // lap_list

// Track list, track loader and terrain upkeep.
#include "terrain/track_list.h"
#include "terrain/track_load.h"
#include "terrain/upkeep.h"
