// ui/lens_flares.h — the lens flares of the track's light sources and the scene's track objects.
#pragma once

// Statues: the lit pass, then the reflective one.
void track_objects_draw(const float eye[3]);
// One statue's matrix and model; faces the eye first when it is a cut-out.
struct statue;
void track_object_draw(statue *object, const float eye[3], int env_pass);
// Whether a cut-out with facing value v turns at eye distance distance (level-of-detail bias
// and scale of the render options).
int  statue_faces_eye(float v, float distance, float bias, float scale);

// One pixel of the back buffer: its colour (3 bytes) and, when depth is non-null, its depth.
// Tests hand in their own; null puts OpenGL back.
typedef void (*flare_pixel_reader)(int x, int y, unsigned char rgb[3], float *depth);
void lens_flares_set_reader(flare_pixel_reader reader);
// Tests every source of flare_sources for visibility (stored in it) without drawing.
void lens_flares_test(const float eye[3], const float rotation[9], int width, int height, float half_x,
                      float half_y, float near_plane, float far_plane);
// After the world: tests, then draws every visible source's elements.
void lens_flares_draw(const float eye[3], const float rotation[9]);
