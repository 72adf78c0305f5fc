// bike/contact_geometry.h — a wheel torus or a sphere against one ground triangle, and the small
// primitives they share. Single-precision floats throughout (rl_bike builds with
// -ffp-contract=off, so results do not depend on the compiler fusing multiplies); lengths in ft.
//
// A triangle is three vertices; its face normal (T1 - T0) x (T2 - T0) is not normalised. A wheel
// is its centre W, its axle direction a (any length but zero), the radius R of its centre circle
// and the tube radius r. Every test returns a penetration depth, positive when the shapes overlap,
// and then writes a contact point and a unit normal pointing from the triangle toward the wheel
// or sphere. A depth of 0 or less means no contact: the point and normal are then meaningless.
#pragma once

// The point of the circle (centre W, axis a, radius R) nearest p. A point on the axle line takes
// a fixed fallback direction, so the result is always on the circle.
void  circle_closest_point(float out[3], const float W[3], const float a[3], float R, const float p[3]);
// Distance of q from the plane through p perpendicular to d.
float point_plane_distance(const float p[3], const float d[3], const float q[3]);
// P + t D on the plane through Q with normal N; 1, or 0 with out = P when the line is parallel.
int   line_plane_intersect(float out[3], const float P[3], const float D[3], const float Q[3], const float N[3]);
// Smallest distance between the wheel's circle and disc and the triangle's edges and vertices.
float circle_edge_closest(float point[3], float normal[3], const float W[3], const float a[3], float R, float r,
                          const float tri[3][3], const float n[3]);
float torus_triangle_distance(float point[3], float normal[3], const float W[3], const float a[3], float R,
                              float r, const float tri[3][3]);
// The same cases, except that a wheel not meeting the face the simple ways gives 0 (effects only).
float torus_triangle_distance_fx(float point[3], float normal[3], const float W[3], const float a[3], float R,
                                 float r, const float tri[3][3]);
// torus_triangle_distance in two stages, for a caller that can skip the costly second. The face
// cases set *edges 0 and give the depth; with *edges 1 the depth is torus_triangle_edges'. That
// search leaves out what cannot be deeper than `deeper_than`: a depth it returns at or below
// that may be shallower than the full search's, one above it is the same, point and normal too.
float torus_triangle_face(float point[3], float normal[3], const float W[3], const float a[3], float R, float r,
                          const float tri[3][3], int *edges);
float torus_triangle_edges(float point[3], float normal[3], const float W[3], const float a[3], float R, float r,
                           const float tri[3][3], float deeper_than);
float sphere_triangle_distance(float point[3], float normal[3], const float c[3], float r, const float tri[3][3]);

// Newton refinement of a root of c[4] t^4 + c[3] t^3 + ... + c[0] from t: at most 4 steps, none
// taken where the slope is below 2^-30 or where |f| would grow.
float quartic_newton_refine(const float c[5], float t);
