// shell/main/seams.h — the operations start-up, shutdown and the frame loop call in their places,
// gathered from the headers of the modules that define them.
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
#include "shell/main/cameras.h"
#include "terrain/cameras.h"        // gate_camera
#include "terrain/timing_gates.h"   // lap_list

// Track list, track loader and terrain upkeep.
#include "shell/track_list.h"
#include "terrain/track_load.h"
#include "terrain/upkeep.h"
