// The track map in the top-right corner: the track's picture over the whole field, x to the
// right and z downwards as the picture's columns and rows run, every rider a dark square with a
// coloured dot, and the viewed rider an arrow along his heading.
#include <GL/gl.h>
#include <cmath>

#include "bike/bike.h"
#include "shell/config.h"
#include "terrain/field.h"
#include "terrain/track_load.h"
#include "ui/hud.h"
#include "ui/ui.h"

// Dots: the riders in light blue, the viewed rider's arrow in yellow over a dark outline.
static const float RIDER_DOT[4] = {0.35f, 0.75f, 1, 1};
static const float VIEWED_ARROW[4] = {1, 0.85f, 0.1f, 1};

void track_map_point(float x, float z, float world_size, float *map_x, float *map_y)
{
    *map_x = world_size > 0 ? x / world_size : 0;
    *map_y = world_size > 0 ? -z / world_size : 0;
}

static void square(float x, float y, float h)
{
    glVertex3f(x - h, y - h, 0);
    glVertex3f(x + h, y - h, 0);
    glVertex3f(x + h, y + h, 0);
    glVertex3f(x - h, y + h, 0);
}

static int rider_point(int slot, float world_size, float *x, float *y)
{
    bike *b = slot >= 0 && slot < 160 ? bike_slot_table[slot] : nullptr;
    dBodyID frame = b ? bike_get_frame_body(b) : nullptr;
    if (!frame || rider_is_hidden(slot)) return 0;
    const dReal *p = dBodyGetPosition(frame);
    track_map_point((float)p[0], (float)p[2], world_size, x, y);
    return 1;
}

static void viewed_arrow(int slot, float world_size, float h)
{
    float x, y;
    if (!rider_point(slot, world_size, &x, &y)) return;
    // The bike's front is its body's -z; on the map z runs downwards.
    const dReal *r = dBodyGetRotation(bike_get_frame_body(bike_slot_table[slot]));
    const float fx = (float)-r[2], fy = (float)r[10];
    const float length = std::sqrt(fx * fx + fy * fy);
    const float dx = length > 0 ? fx / length : 0, dy = length > 0 ? fy / length : 1;
    const float k[2] = {3.5f * h, 2.5f * h};   // outline, then the arrow
    for (int pass = 0; pass < 2; ++pass) {
        const float a = k[pass];
        if (pass == 0) glColor4f(0, 0, 0, 1);
        else glColor4fv(VIEWED_ARROW);
        glBegin(GL_TRIANGLES);
        glVertex3f(x + dx * a, y + dy * a, 0);
        glVertex3f(x - dx * a * 0.6f - dy * a * 0.7f, y - dy * a * 0.6f + dx * a * 0.7f, 0);
        glVertex3f(x - dx * a * 0.6f + dy * a * 0.7f, y - dy * a * 0.6f - dx * a * 0.7f, 0);
        glEnd();
    }
}

void hud_draw_track_map(int viewed_slot)
{
    const terrain_field *t = race_terrain();
    if (!track_map_texture || !t || t->world_size <= 0) return;
    const float map_scale = g_config.map_scale > 0 ? g_config.map_scale : 1;
    const float s = map_scale * 0.4668050f * view_half_y;
    const float world = t->world_size;
    glPushMatrix();
    glTranslatef(view_half_x - s, view_half_y, -1);
    glScalef(s, s, s);
    hud_textured_quad(track_map_texture, 0, 0, 1, -1, 0, 0, 1, 1);

    hud_race race;
    hud_race_current(&race);
    const float h = 1.0f / (64 * map_scale);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 1);
    glBegin(GL_QUADS);
    for (int i = 0; i < race.count; ++i) {
        float x, y;
        if (rider_point(race.standings[i].slot, world, &x, &y)) square(x, y, h);
    }
    glEnd();
    // The leader last, on top of the riders he passes.
    glColor4fv(RIDER_DOT);
    glBegin(GL_QUADS);
    for (int i = race.count - 1; i >= 0; --i) {
        float x, y;
        if (race.standings[i].slot != viewed_slot && rider_point(race.standings[i].slot, world, &x, &y))
            square(x, y, h * 0.6f);
    }
    glEnd();
    viewed_arrow(viewed_slot, world, h);
    glPopMatrix();
}
