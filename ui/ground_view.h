// ui/ground_view.h — the race views that end in the scene (on board, keyframes, track and free
// cameras) and the projection's half-extents.
#pragma once
#include <ode/ode.h>

extern float view_half_x, view_half_y;   // half-size of the view at unit distance
extern int   keycam_playback;            // the keyframed path plays instead of the track camera

// The on-board eye and rotation on a rider body, for a height blend k and a pitch in degrees.
void onboard_camera(dBodyID body, float k, float angle_degrees, float eye[3], float rotation[9]);

// Copies the render options that the ground reads into its settings.
void terrain_settings_from_render(void);
