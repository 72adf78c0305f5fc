// Roost: each tile lists up to four emitters; kind 1 flings dirt off the tyre within an arc that
// narrows as the wheel spins up, kind 2 sprays it to both sides of the contact.
#include "bike/roost.h"

#include <algorithm>
#include <cmath>

#include "bike/bike_record.h"
#include "bike/ground_contact.h"
#include "data/util.h"
#include "shell/globals.h"
#include "shell/race_clock.h"
#include "terrain/field.h"

roost_spawner roost_default_spawner;
static roost_spawner g_spawn;

void bike_roost_set_spawner(roost_spawner spawn) { g_spawn = spawn; }

static void spawn(const float position[3], const float velocity[3], const roost_type *style)
{
    roost_spawner s = g_spawn ? g_spawn : roost_default_spawner;
    if (s) s(position, velocity, style);
}

static float uniform(void) { return (float)(random_next() >> 8) * (1.0f / 16777216); }
static float dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The tile of the tile-map cell nearest the point.
static int roost_tile(const terrain_field *t, const float p[3])
{
    if (!t->tilemap || !(t->cell_size > 0)) return 0;
    const float inv = 0.5f / t->cell_size;
    const long last = (1L << t->lod_depth) - 1;
    const long x = std::clamp(std::lround(terrain_safe_cells(p[0], inv)), 0L, last);
    const long z = std::clamp(std::lround(terrain_safe_cells(p[2], inv)), 0L, last);
    return t->tilemap[(z << t->lod_depth) + x];
}

static void spray(const wheel_record *w, const roost_type &e, int n)
{
    const dReal *wv = dBodyGetLinearVel(w->body);
    const float *normal = w->contact_normal;
    float v[3] = {(float)wv[0], (float)wv[1], (float)wv[2]};
    const float along = dot3(v, normal);
    for (int k = 0; k < 3; ++k) v[k] -= along * normal[k];
    const float s = std::sqrt(dot3(v, v));
    // A wheel not moving over the ground has no sides to spray to.
    if (!(s > 0)) return;
    const float t[3] = {v[0] / s, v[1] / s, v[2] / s};
    const float side[3] = {normal[1] * t[2] - normal[2] * t[1], normal[2] * t[0] - normal[0] * t[2],
                           normal[0] * t[1] - normal[1] * t[0]};
    for (int i = 0; i < n; ++i) {
        const float sign = ((tick_count ^ i) & 1) ? -1.0f : 1.0f;
        float d[3], p[3], vel[3];
        for (int k = 0; k < 3; ++k) d[k] = (sign * side[k] + normal[k]) * s * 0.70710677f;
        const float ahead = (float)(i * tick / n);
        for (int k = 0; k < 3; ++k) p[k] = w->contact_point[k] + d[k] * ahead;
        const float jitter[3] = {uniform() - 0.5f, uniform() - 0.5f, uniform() - 0.5f};
        const float scale = e.vscale * uniform();
        for (int k = 0; k < 3; ++k) vel[k] = (d[k] + e.randomize * jitter[k]) * scale;
        spawn(p, vel, &e);
    }
}

// The fling arc at squared spin w2; equal spins make it a step at that spin.
static float fling_arc(const roost_type &e, float w2, float arc_limit)
{
    const float lo2 = e.slow_speed * e.slow_speed, hi2 = e.fast_speed * e.fast_speed;
    const float share = hi2 == lo2 ? (w2 > lo2 ? 1.0f : 0.0f) : std::clamp((w2 - lo2) / (hi2 - lo2), 0.0f, 1.0f);
    return std::min(e.slow_angle + (e.fast_angle - e.slow_angle) * share, arc_limit);
}

static void fling(const wheel_record *w, const roost_type &e, int n, float arc_limit)
{
    const float *slide = w->contact_velocity;
    if (!(std::sqrt(dot3(slide, slide)) >= e.slip_threshold)) return;
    const dReal *wv = dBodyGetLinearVel(w->body), *spin = dBodyGetAngularVel(w->body);
    const float v[3] = {(float)wv[0], (float)wv[1], (float)wv[2]};
    const float omega[3] = {(float)spin[0], (float)spin[1], (float)spin[2]};
    const float arc = dot3(v, slide) >= 0 ? 0.049087387f : fling_arc(e, dot3(omega, omega), arc_limit);

    // The contact point turns with the tyre, so the dirt leaves the way the wheel spins.
    dVector3 axle;
    dBodyVectorToWorld(w->body, 1, 0, 0, axle);
    const float a[3] = {(float)axle[0], (float)axle[1], (float)axle[2]};
    const float turn = dot3(omega, a) < 0 ? -1.0f : 1.0f;
    const dReal *c = dBodyGetPosition(w->body);
    const float r[3] = {w->contact_point[0] - (float)c[0], w->contact_point[1] - (float)c[1],
                        w->contact_point[2] - (float)c[2]};
    for (int i = 0; i < n; ++i) {
        dMatrix3 m;
        dRFromAxisAndAngle(m, axle[0], axle[1], axle[2], turn * uniform() * arc);
        float p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = (float)(c[k] + m[k * 4] * r[0] + m[k * 4 + 1] * r[1] + m[k * 4 + 2] * r[2]);
        dVector3 pv;
        dBodyGetPointVel(w->body, p[0], p[1], p[2], pv);
        const float ahead = (float)(i * tick / n);
        float vel[3];
        for (int k = 0; k < 3; ++k) p[k] += (float)pv[k] * ahead;
        const float jitter[3] = {uniform() - 0.5f, uniform() - 0.5f, uniform() - 0.5f};
        for (int k = 0; k < 3; ++k) vel[k] = ((float)pv[k] + e.randomize * jitter[k]) * e.vscale;
        spawn(p, vel, &e);
    }
}

void bike_roost_emit(wheel_record *w, int reuse, int budget, float arc_limit)
{
    const terrain_field *t = terrain_ptr;
    if (!t) return;
    if (!reuse) {
        float point[3], normal[3], depth;
        if (!wheel_terrain_contact_fx(t, w, point, normal, &depth)) {
            w->depth = 0;
            return;
        }
        dVector3 v;
        dBodyGetPointVel(w->body, point[0], point[1], point[2], v);
        for (int k = 0; k < 3; ++k) {
            w->contact_point[k] = point[k];
            w->contact_normal[k] = normal[k];
            w->contact_velocity[k] = (float)v[k];
        }
        w->depth = depth;
    }
    if (!(w->depth > 0)) return;

    const roost_type *emitters = t->roost[roost_tile(t, w->contact_point)];
    for (int i = 0; i < TILE_ROOST_TYPES && emitters[i].kind != 0; ++i) {
        const roost_type &e = emitters[i];
        const float whole = std::floor(e.count);
        int n = (int)whole + (uniform() < e.count - whole ? 1 : 0);
        n = std::min(n, budget);
        if (n <= 0) continue;
        if (e.kind == 2) spray(w, e, n);
        else if (e.kind == 1) fling(w, e, n, arc_limit);
    }
}

void bike_spawn_wheel_particles(bike *b, int reuse)
{
    const int r = g_render.roost_frequency;
    const int budget = r / 100 + ((int)(random_next() % 100) < r % 100 ? 1 : 0);
    if (budget <= 0) return;
    bike_roost_emit(&b->wheels[WHEEL_FRONT], reuse, budget, 0.39269908f);
    bike_roost_emit(&b->wheels[WHEEL_REAR], reuse, budget, 6.2831853f);
}
