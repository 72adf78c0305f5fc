// Flying dirt. Spawning and retiring only move nodes between the two lists.
#include "racing/particles.h"

#include <cmath>

#include "shell/globals.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/surface.h"
#include "terrain/track_load.h"

static particle_node g_pool[PARTICLE_POOL];
static particle_node *g_free, *g_active;
static int g_linked;   // the free list is built on first use

static billboard *particle_billboard(const particle_node *p)
{
    if (p->billboard < 0 || p->billboard >= billboards.count) return nullptr;
    return &((billboard *)billboards.items)[p->billboard];
}

static void link_all(void)
{
    if (!g_linked)
        for (particle_node &p : g_pool) p.billboard = -1;   // until the track loader hands them out
    g_active = nullptr;
    g_free = nullptr;
    for (int i = PARTICLE_POOL - 1; i >= 0; --i) {
        g_pool[i].next = g_free;
        g_free = &g_pool[i];
    }
    g_linked = 1;
}

void particle_set_billboard(int node, int index)
{
    if (!g_linked) link_all();
    if (node >= 0 && node < PARTICLE_POOL) g_pool[node].billboard = index;
}

void particles_reset(void)
{
    link_all();
    const terrain_field *t = race_terrain();
    const float middle = t ? t->world_size / 2 : 0;
    for (particle_node &p : g_pool)
        if (billboard *b = particle_billboard(&p)) {
            b->x = middle + 800;   // beyond any ground
            b->z = middle;
            b->texture = 0;
        }
}

particle_node *particle_spawn(const float position[3], const float velocity[3], const roost_type *style)
{
    if (!g_linked) link_all();
    particle_node *p = g_free;
    if (!p || !style) return nullptr;
    g_free = p->next;
    p->style = style;
    for (int k = 0; k < 3; ++k) {
        p->position[k] = position[k];
        p->velocity[k] = velocity[k];
    }
    if (billboard *b = particle_billboard(p)) {
        b->width = b->height = style->size;
        b->texture = (unsigned)style->texture;
        b->x = position[0], b->y = position[1], b->z = position[2];
        b->color[0] = style->r, b->color[1] = style->g, b->color[2] = style->b, b->color[3] = style->a;
    }
    p->next = g_active;
    g_active = p;
    return p;
}

static unsigned char colour_step(unsigned char c, unsigned char change)
{
    const int v = c + (signed char)change;
    return (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : v);
}

void particles_update(void)
{
    const float dt = (float)tick;
    const terrain_field *t = race_terrain();
    particle_node **link = &g_active;
    while (particle_node *p = *link) {
        const roost_type &s = *p->style;
        for (int k = 0; k < 3; ++k) p->position[k] += p->velocity[k] * dt;
        for (int k = 0; k < 3; ++k) p->velocity[k] -= p->velocity[k] * (dt * s.drag);
        p->velocity[1] -= 32 * dt;
        billboard *b = particle_billboard(p);
        if (b) {
            b->x = p->position[0], b->y = p->position[1], b->z = p->position[2];
            b->height += dt * s.grow;
            b->width = b->height;
            b->color[0] = colour_step(b->color[0], s.fade_r);
            b->color[1] = colour_step(b->color[1], s.fade_g);
            b->color[2] = colour_step(b->color[2], s.fade_b);
            b->color[3] = colour_step(b->color[3], s.fade_a);
        }
        // A rising particle may pass under a lip; it is tested once it falls.
        if (p->velocity[1] < 0 && t && p->position[1] < terrain_height_at(t, p->position[0], p->position[2])) {
            if (b) b->texture = 0;
            *link = p->next;
            p->next = g_free;
            g_free = p;
            continue;
        }
        link = &p->next;
    }
}

int particles_active_count(void)
{
    int n = 0;
    for (const particle_node *p = g_active; p; p = p->next) ++n;
    return n;
}

static void normalise(float v[3])
{
    const float l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (l > 0)
        for (int k = 0; k < 3; ++k) v[k] /= l;
}

static void cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

void object_terrain_orientation(float out[9], float x, float z, float yaw)
{
    if (yaw >= 3.25f) {
        for (int i = 0; i < 9; ++i) out[i] = i % 4 == 0 ? 1.0f : 0.0f;
        return;
    }
    float n[3] = {0, 1, 0};
    const terrain_field *t = race_terrain();
    if (yaw > -2 * 3.14159265358979f && t && t->heights) {   // no ground loaded: stand upright
        const float h0 = terrain_height_at(t, x, z);
        n[0] = -(terrain_height_at(t, x + 1, z) - h0);
        n[2] = -(terrain_height_at(t, x, z + 1) - h0);
        normalise(n);
    }
    const float heading[3] = {std::cos(yaw), 0, -std::sin(yaw)};
    float s[3], f[3];
    cross(heading, n, s);
    normalise(s);
    cross(n, s, f);
    for (int r = 0; r < 3; ++r) {
        out[r * 3 + 0] = f[r];
        out[r * 3 + 1] = n[r];
        out[r * 3 + 2] = s[r];
    }
}
