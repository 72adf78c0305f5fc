// ui/ground_view.h — the projection and the race views' cameras drawn over the ground: the
// stand-in for the full world scene (sky, objects, riders come with it), which keeps its
// interface so that the scene fills it in.
#pragma once

extern float view_half_x, view_half_y;   // half-size of the view at unit distance

// The camera rotation of a track or free camera: row-major, columns right, up and backward.
// At yaw 0 and pitch 0 the camera looks along +z with its right axis along -x.
void matrix_from_yaw_pitch(float pitch, float yaw, float out[9]);

// Copies the render options that the ground reads into its settings.
void terrain_settings_from_render(void);
