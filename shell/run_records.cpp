// What start-up makes for the whole run; start-up (shell/main/startup.cpp) fills them and
// shutdown frees them.
#include "shell/startup.h"

audio_handle  *g_audio;
dWorldID       physics_world;
dJointGroupID  contact_group;
terrain_field *g_terrain;
growable_array rider_object_hits;
growable_array camera_keyframes;
growable_array track_cameras;
unsigned       tach_texture, shifter_texture, pitboard_texture, title_texture;
const char     version_text[] = "2018-01-26-1385 snapshot";
