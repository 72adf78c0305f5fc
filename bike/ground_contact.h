// bike/ground_contact.h — wheels and body-part shapes against the height-field ground. The game
// finds every touch itself (ODE's collision detection is not used): a wheel is a torus tested
// against both triangles of each cell under it, a shape a set of spheres, and each touch becomes
// one soft contact joint in physics_world's contact_group (shell/startup.h) for the next world
// step, its grip taken from the ground tile under the contact.
#pragma once
#include <ode/ode.h>

struct terrain_field;

// Every contact joint the ground and shape passes have made since the start: a benchmark reads
// it, so that a change adding contacts (each one rows of the world step's work) shows.
extern long contact_joints_made;
struct wheel_record;
struct shape;

// The wheel's deepest ground contact: writes the wheel's contact point, point velocity, normal and
// depth, makes the contact joint (feedback into the wheel's block) and applies the ground's rolling
// resistance. 1; or 0 with the wheel's depth set to 0. grip scales the tile's friction.
int  wheel_terrain_collide(const terrain_field *t, wheel_record *w, float grip);
// The wheel's deepest ground contact, nothing else: 1 with the outputs, or 0 leaving them alone.
int  wheel_terrain_contact(const terrain_field *t, const wheel_record *w, float point[3], float normal[3],
                           float *depth);
// A lighter probe for effects: the first triangle touched searching from the middle outward, the
// simple cases only. 1 with the outputs, or 0.
int  wheel_terrain_contact_fx(const terrain_field *t, const wheel_record *w, float point[3], float normal[3],
                              float *depth);
int  sphere_terrain_contact(const terrain_field *t, const float centre[3], float radius, float point[3],
                            float normal[3], float *depth);
// Places the shape's spheres (rotation row by row) and collides each with the ground; with a body,
// one contact joint per touching sphere, without one a test only. 1 when any sphere touched.
int  shape_terrain_collide(shape *s, dBodyID body, const float position[3], const float rotation[9],
                           const terrain_field *t);
// A ground normal pointing down becomes horizontal, or straight up when nearly vertical; then unit.
void contact_normal_clean(float n[3]);
// Each body centre c of the shape's spheres becomes M c + p in the instance's world centres.
void shape_place(shape *s, const float position[3], const float rotation[9]);

// The contact a wheel's fields describe (point, velocity, normal, depth as the wheel's ground pass
// leaves them) as the joint's surface: friction from the tile under the point times grip,
// stiffness growing with the tube's compression, friction direction across the motion.
void wheel_contact_params(const terrain_field *t, const wheel_record *w, float grip, dContact *out);
// The tile's friction coefficient at a squared contact speed, and its rolling resistance
// (force at light contact, at full tube compression; lbf) at a speed in ft/s.
float tile_friction_at(const terrain_field *t, int tile, float speed2);
void  tile_roll_resist_at(const terrain_field *t, int tile, float speed, float out[2]);
