// shell/main/cameras.h — the cameras the frame loop owns besides the on-board and keyframed
// views: the chase camera of view 3 (behind the viewed bike, or orbiting it under the player's
// controls when the rider is not local), and in view 4 the aiming of the track's fixed cameras
// and the flight of the free camera.
#pragma once
#include <ode/ode.h>
#include "terrain/cameras.h"   // track_camera
#include "terrain/free_camera.h"
#include "graphics/listener.h"

struct bike;
struct terrain_field;

struct chase_orbit_state {
    float angle;      // radians
    float distance;   // feet
    float height;     // feet
};

extern chase_orbit_state chase_orbit;

// Back to the start-of-run values (tests run the shell more than once).
void cameras_reset(void);

// Smoothed ground height under a disc: vertices inside the radius weigh 1, fading to 0 over one
// more cell. A disc entirely off the terrain reads the nearest border heights.
float terrain_disc_height(const terrain_field *t, float x, float z, float radius);

// Turns a camera toward its target for one tick: under the steer and shift sums while rider
// numbers are off, else following the target with limited angular acceleration. cut: the
// camera was just switched to and takes its aim at once.
void chase_camera_aim(track_camera *camera, const float *control_sums, const float target[3],
                      const float velocity[3], int cut);

// Horizontal direction from the chase centre to the eye of a local rider's chase camera:
// behind the heading when slow, behind the motion from 30 ft/s, blended between. heading is
// the frame's forward axis, velocity the frame's; keeps *previous when no direction is defined
// and stores the result there.
void chase_direction(const float heading[3], const float velocity[3], int rigid, float previous[3]);

// The chase camera of a frame body: eye and a look-at rotation (row-major, columns right, up
// and backward) toward the chase centre.
void chase_camera_place(dBodyID frame, int local, float eye[3], float rotation[9]);
void chase_view_draw(bike *viewed);

// Per-tick controls of view 3 (the orbit) and view 4 (track and free cameras) while the viewed
// rider is not local.
void chase_camera_control(const float *control_sums);
void track_camera_control(const float *control_sums);

// The camera that takes over when the viewed rider has passed gate_index gates: a camera
// index, or -1 for no change. Lap and map entries are checked against their tables.
int  camera_for_gate(int gate_index, int first_lap_gates, int gates_per_lap, const int *lap_list,
                     const int *gate_cameras, int camera_count);
