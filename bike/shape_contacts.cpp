// Sphere-set contacts: each touching sphere pair becomes a soft contact joint, a direct force
// pair, or only a report.
#include "bike/shape_contacts.h"

#include <cmath>
#include <cstring>

#include "bike/bike.h"
#include "bike/ground_contact.h"
#include "bike/shape.h"
#include "shell/startup.h"

static const float TICK = 1.0f / 128.0f;
static const float SPRING_CAP = 2500.0f;     // lbf a sphere pair's spring may push with
static const float FORCE_CAP = 1000.0f;      // lbf of the direct force mode
static const float NEAR_CENTRE = 1.0f / 256.0f;
// How far a sphere must clear a shape's bounding sphere before its pairs go untested: far above
// the rounding of the placed centres (about 1e-4 ft on the largest fields).
static const float CLEAR_MARGIN = 1.0f / 64;

static void point_velocity(dBodyID body, const float p[3], float out[3])
{
    if (!body) {
        out[0] = out[1] = out[2] = 0;
        return;
    }
    dVector3 v;
    dBodyGetPointVel(body, p[0], p[1], p[2], v);
    out[0] = (float)v[0];
    out[1] = (float)v[1];
    out[2] = (float)v[2];
}

int sphere_sphere_contact(const shape_sphere *a, dBodyID body_a, const shape_sphere *b,
                          dBodyID body_b, int mode, contact_report *report)
{
    float d[3] = {b->center[0] - a->center[0], b->center[1] - a->center[1],
                  b->center[2] - a->center[2]};
    float l2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    float reach = a->radius + b->radius;
    if (!(reach * reach > l2)) return 0;
    if (!body_a && !body_b) return 1;
    // No normal can be taken between (nearly) shared centres; a zero radius makes the second
    // test pass at any distance, so an exact match always counts here.
    float r_min = a->radius < b->radius ? a->radius : b->radius;
    if (l2 == 0 || (l2 < NEAR_CENTRE && l2 < r_min * r_min * NEAR_CENTRE)) return 1;

    float l = std::sqrt(l2);
    float depth = reach - l;
    float n[3] = {d[0] / l, d[1] / l, d[2] / l};
    float along = (a->radius - depth * 0.5f) / l;
    float p[3] = {a->center[0] + d[0] * along, a->center[1] + d[1] * along,
                  a->center[2] + d[2] * along};
    if (report) {
        memcpy(report->point, p, sizeof p);
        point_velocity(body_a, p, report->velocity);
        memcpy(report->normal, n, sizeof n);
        report->depth = depth;
        memset(&report->feedback, 0, sizeof report->feedback);
    }
    if (mode == -1) return 1;

    float k = a->k < b->k ? a->k : b->k;
    float c = a->c < b->c ? a->c : b->c;
    float mu = a->friction < b->friction ? a->friction : b->friction;
    if (k * depth > SPRING_CAP) k = SPRING_CAP / depth;

    if (mode == 0) {
        float stiff = TICK * k + c;
        if (!(stiff > 0)) return 1;   // no spring and no damper: nothing to build
        float cfm = 1.0f / stiff;
        dContact contact;
        memset(&contact, 0, sizeof contact);
        contact.surface.mode = dContactApprox1 | dContactSoftERP | dContactSoftCFM;
        contact.surface.mu = mu;
        contact.surface.soft_erp = TICK * k * cfm;
        contact.surface.soft_cfm = cfm;
        for (int i = 0; i < 3; ++i) {
            contact.geom.pos[i] = p[i];
            contact.geom.normal[i] = n[i];
        }
        contact.geom.depth = depth;
        dJointID joint = dJointCreateContact(physics_world, contact_group, &contact);
        ++contact_joints_made;
        // B first, so the normal points into B.
        dJointAttach(joint, body_b, body_a);
        return 1;
    }

    float va[3], vb[3];
    point_velocity(body_a, p, va);
    point_velocity(body_b, p, vb);
    float closing = (va[0] - vb[0]) * n[0] + (va[1] - vb[1]) * n[1] + (va[2] - vb[2]) * n[2];
    float force = depth * k + closing * c;
    if (force > FORCE_CAP) force = FORCE_CAP;
    if (force < -FORCE_CAP) force = -FORCE_CAP;
    if (body_b && dBodyIsEnabled(body_b))
        dBodyAddForceAtPos(body_b, force * n[0], force * n[1], force * n[2], p[0], p[1], p[2]);
    if (body_a && dBodyIsEnabled(body_a))
        dBodyAddForceAtPos(body_a, -force * n[0], -force * n[1], -force * n[2], p[0], p[1], p[2]);
    return 1;
}

// The axle direction turned into the world, not normalised.
static void wheel_world_axis(const wheel_record *wheel, float out[3])
{
    dVector3 v;
    dBodyVectorToWorld(wheel->body, wheel->axle[0], wheel->axle[1], wheel->axle[2], v);
    for (int i = 0; i < 3; ++i) out[i] = (float)v[i];
}

// Sphere i of an instance as placed in the world.
static shape_sphere world_sphere(const shape *s, int i)
{
    shape_sphere w = s->spheres[i];
    memcpy(w.center, s->world_centers[i], sizeof w.center);
    return w;
}

static float distance2(const float a[3], const float b[3])
{
    float d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    return d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
}

// The box around the placed spheres of s, CLEAR_MARGIN wider on every side. A centre or radius
// that is not a number spoils the box, which then clears nothing.
static void placed_box(const shape *s, float lo[3], float hi[3])
{
    const float none = s->world_centers ? INFINITY : -INFINITY;   // unplaced: clears nothing
    for (int k = 0; k < 3; ++k) lo[k] = none, hi[k] = -none;
    for (int j = 0; s->world_centers && j < s->sphere_count; ++j) {
        const float *c = s->world_centers[j], r = s->spheres[j].radius;
        for (int k = 0; k < 3; ++k) {
            const float l = c[k] - r, h = c[k] + r;
            lo[k] = l < lo[k] || l != l ? l : lo[k];
            hi[k] = h > hi[k] || h != h ? h : hi[k];
        }
    }
    for (int k = 0; k < 3; ++k) lo[k] -= CLEAR_MARGIN, hi[k] += CLEAR_MARGIN;
}

static int sphere_clear_of_box(const shape_sphere &s, const float lo[3], const float hi[3])
{
    for (int k = 0; k < 3; ++k)
        if (s.center[k] - s.radius > hi[k] || s.center[k] + s.radius < lo[k]) return 1;
    return 0;
}

static void place_once(shape *s, const float position[3], const float rotation[9], int *placed)
{
    if (placed && *placed) return;
    shape_place(s, position, rotation);
    if (placed) *placed = 1;
}

int shape_vs_shape_contacts(shape *a, dBodyID body_a, const float position_a[3],
                            const float rotation_a[9], shape *b, dBodyID body_b,
                            const float position_b[3], const float rotation_b[9], int mode)
{
    return shape_vs_shape_contacts_once(a, body_a, position_a, rotation_a, nullptr, b, body_b, position_b,
                                        rotation_b, nullptr, mode);
}

int shape_vs_shape_contacts_once(shape *a, dBodyID body_a, const float position_a[3], const float rotation_a[9],
                                 int *a_placed, shape *b, dBodyID body_b, const float position_b[3],
                                 const float rotation_b[9], int *b_placed, int mode, placed_box_cache *b_box)
{
    float reach = a->bounding_radius + b->bounding_radius;
    if (!(distance2(position_a, position_b) < reach * reach)) return 0;
    place_once(a, position_a, rotation_a, a_placed);
    place_once(b, position_b, rotation_b, b_placed);
    // B's spheres as placed, boxed: a sphere of A clear of the box meets none of them. Taken from
    // the placed centres, so it holds whatever matrix placed them; kept while B keeps its place.
    placed_box_cache own = {};
    placed_box_cache *box = b_placed && b_box ? b_box : &own;
    if (!box->ready) {
        placed_box(b, box->lo, box->hi);
        box->ready = 1;
    }
    const float *lo = box->lo, *hi = box->hi;
    int hit = 0;
    for (int i = 0; i < a->sphere_count; ++i) {
        shape_sphere sa = world_sphere(a, i);
        if (sphere_clear_of_box(sa, lo, hi)) continue;
        for (int j = 0; j < b->sphere_count; ++j) {
            // sphere_sphere_contact's own first test, in its own arithmetic: most pairs stop here.
            const float *cb = b->world_centers[j];
            const float d[3] = {cb[0] - sa.center[0], cb[1] - sa.center[1], cb[2] - sa.center[2]};
            const float l2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2], reach = sa.radius + b->spheres[j].radius;
            if (!(reach * reach > l2)) continue;
            shape_sphere sb = world_sphere(b, j);
            hit |= sphere_sphere_contact(&sa, body_a, &sb, body_b, mode, nullptr);
        }
    }
    return hit;
}

// The part of v across the axle a (not normalised).
static float radial(const float v[3], const float a[3], float a2, float out[3])
{
    float t = (v[0] * a[0] + v[1] * a[1] + v[2] * a[2]) / a2;
    for (int i = 0; i < 3; ++i) out[i] = v[i] - a[i] * t;
    return out[0] * out[0] + out[1] * out[1] + out[2] * out[2];
}

int shape_vs_wheel_contacts(shape *s, dBodyID body, const float position[3],
                            const float rotation[9], wheel_record *wheel, int mode)
{
    return shape_vs_wheel_contacts_once(s, body, position, rotation, nullptr, wheel, mode);
}

int shape_vs_wheel_contacts_once(shape *s, dBodyID body, const float position[3], const float rotation[9],
                                 int *placed, wheel_record *wheel, int mode)
{
    const dReal *w = dBodyGetPosition(wheel->body);
    float centre[3] = {(float)w[0], (float)w[1], (float)w[2]};
    float big_r = wheel->radius, r = wheel->tube_radius;
    float reach = r + big_r + s->bounding_radius;
    if (!(distance2(centre, position) < reach * reach)) return 0;
    float axis[3];
    wheel_world_axis(wheel, axis);
    float a2 = axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2];
    place_once(s, position, rotation, placed);

    shape_sphere tube = {};
    tube.radius = r;
    tube.friction = 1.0f;
    tube.k = 25000.0f;
    tube.c = 2500.0f;
    contact_report best = {}, report;
    int hit = 0;
    for (int i = 0; i < s->sphere_count; ++i) {
        shape_sphere placed = world_sphere(s, i);
        const shape_sphere *sphere = &placed;
        float rel[3] = {sphere->center[0] - centre[0], sphere->center[1] - centre[1],
                        sphere->center[2] - centre[2]};
        float u[3];
        float u2 = a2 > 0 ? radial(rel, axis, a2, u) : 0;
        if (u2 < big_r * 1e-6f) {
            // On the axle line: take the first fallback direction that leaves the axle.
            static const float fallback[7][3] = {{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 1},
                                                 {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
            u2 = 0;
            for (int f = 0; f < 7 && a2 > 0; ++f) {
                float v[3] = {fallback[f][0] * big_r, fallback[f][1] * big_r, fallback[f][2] * big_r};
                u2 = radial(v, axis, a2, u);
                if (u2 >= big_r * 1e-6f) break;
            }
            if (u2 < big_r * 1e-6f) continue;   // a degenerate axle: no tube to meet
        }
        float scale = big_r / std::sqrt(u2);
        for (int k = 0; k < 3; ++k) tube.center[k] = centre[k] + u[k] * scale;
        report.depth = 0;   // a touch too concentric to measure reports nothing
        if (!sphere_sphere_contact(&tube, wheel->body, sphere, body, mode, &report)) continue;
        hit = 1;
        if (report.depth > best.depth) best = report;
    }
    if (best.depth > 0 && wheel->depth == 0) {
        memcpy(wheel->contact_point, best.point, sizeof best.point);
        memcpy(wheel->contact_velocity, best.velocity, sizeof best.velocity);
        memcpy(wheel->contact_normal, best.normal, sizeof best.normal);
        wheel->depth = best.depth;
        memset(&wheel->feedback, 0, sizeof wheel->feedback);
    }
    return hit;
}
