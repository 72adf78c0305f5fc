// shell/startup.h — what start-up makes for the whole run (shell/run_records.cpp); start-up
// itself, the frame loop and shutdown are the program's top (shell/main/startup.h).
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
