// bike/shape_contacts.h — touches between sphere sets: a bike part against a track object or
// another bike's part, and a shape against a wheel's tyre.
//
// Every routine takes a mode per pair: -1 tests only (the report is filled, nothing acts),
// 0 makes one contact joint per touching sphere pair in the step's contact group, any other
// value pushes both bodies apart with a damped spring force directly.
#pragma once
#include <ode/ode.h>

struct shape;
struct shape_sphere;
struct wheel_record;

// Laid out like the contact fields of a wheel_record, so it can be copied over them.
struct contact_report {
    float point[3];
    float velocity[3];      // of the first sphere's body at the point; zero without one
    float normal[3];        // unit, from the first sphere toward the second
    float depth;
    dJointFeedback feedback;   // always zero
};

// 1 when the spheres overlap (strictly). Either body may be null.
int sphere_sphere_contact(const shape_sphere *a, dBodyID body_a, const shape_sphere *b,
                          dBodyID body_b, int mode, contact_report *report);

// Positions are 3 floats, rotations 3x3 floats row by row. 1 when any sphere pair touches.
int shape_vs_shape_contacts(shape *a, dBodyID body_a, const float position_a[3],
                            const float rotation_a[9], shape *b, dBodyID body_b,
                            const float position_b[3], const float rotation_b[9], int mode);

// A shape against the tyre of a wheel. A wheel without ground contact this tick takes the
// deepest touch as its contact. 1 when any sphere touches the tube.
int shape_vs_wheel_contacts(shape *s, dBodyID body, const float position[3],
                            const float rotation[9], wheel_record *wheel, int mode);

// The same two tests for a caller that meets one shape with many at one pose: *placed (null:
// always place) says the shape's world centres already hold this pose, and is set once they do.
// With b_placed, b_box (or null) keeps the box of b's placed spheres from its first test at this
// pose for the next ones; it starts with ready 0.
struct placed_box_cache { int ready; float lo[3], hi[3]; };
int shape_vs_shape_contacts_once(shape *a, dBodyID body_a, const float position_a[3], const float rotation_a[9],
                                 int *a_placed, shape *b, dBodyID body_b, const float position_b[3],
                                 const float rotation_b[9], int *b_placed, int mode,
                                 placed_box_cache *b_box = nullptr);
int shape_vs_wheel_contacts_once(shape *s, dBodyID body, const float position[3], const float rotation[9],
                                 int *placed, wheel_record *wheel, int mode);
