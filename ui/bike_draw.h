// ui/bike_draw.h — one simulated bike with its rider drawn from the poses of its bodies: rigid
// parts on their bodies, the rider skinned on the shared bone table with arms and legs bent to
// the grips and feet, the helmet looking ahead, and the reflective pass.
#pragma once
#include <ode/ode.h>

struct bike;

// The alpha of every material colour of bikes and track objects (1 at rest); the scene sets it
// to a fading rider's fade for the second rider pass.
extern float model_alpha;

enum { RIDER_VIEW_OUTSIDE = 0, RIDER_VIEW_HIDDEN = 1, RIDER_VIEW_FIRST_PERSON = 2 };

// One pose for the nine rider bones: centres (27), translations (27), rotations (81), in the
// model drawing's conventions, in rider-body coordinates.
struct rider_pose {
    float centres[27], translations[27], rotations[81];
};

// rider_view: RIDER_VIEW_*. eye: the camera position.
void bike_draw(bike *b, int rider_view, const float eye[3]);
// Pushes the GL matrix of the body; position and rotation (row-major, world from body) for the
// model call. The caller pops.
void bike_body_matrix(dBodyID body, float position[3], float rotation[9]);
// Binds the maps of a model group on units 0..2 and picks the program (shaders on).
void bind_model_maps(unsigned base, unsigned normal, unsigned specular);
void bind_env_maps(unsigned normal);
// The rider's limbs posed to the grips and feet (arms, legs, torso), in rider-body coordinates.
void rider_pose_build(bike *b, const float body_position[3], const float body_rotation[9], rider_pose *pose);
// The helmet's world rotation (row-major, world from helmet).
void rider_head_look(bike *b, const float body_rotation[9], float out[9]);
// The models bike_draw draws in each pass, as bits of BIKE_PART_*: what the lit and the
// reflective pass include for that view and crash state.
enum {
    BIKE_PART_FRAME = 1, BIKE_PART_FORK_UPPER = 2, BIKE_PART_FORK_LOWER = 4, BIKE_PART_SWINGARM = 8,
    BIKE_PART_FRONT_WHEEL = 16, BIKE_PART_REAR_WHEEL = 32, BIKE_PART_RIDER = 64, BIKE_PART_HELMET = 128,
    BIKE_PART_EXTRAS = 256, BIKE_PART_RIDER_LAYER = 512, BIKE_PART_FIRST_PERSON = 1024,
};
int  bike_parts_drawn(int rider_view, int crashed, int reflection_pass);
