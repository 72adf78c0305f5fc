// The cockpit layer over the viewed rider's view: telemetry graphs, tachometer, gear, pit
// board, the name of a watched rider, the lean indicator and the track map. Everything sits on
// the plane one unit in front of the eye and scales with the view's height.
#include <GL/gl.h>
#include <cmath>

#include "bike/bike.h"
#include "bike/drivetrain.h"
#include "bike/setters.h"
#include "graphics/font.h"
#include "racing/race_state.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include "terrain/track_load.h"
#include "ui/hud.h"
#include "ui/ui.h"

static const float PI_F = 3.14159265f;

// Instruments' size in the bottom-right corner, and where the dial's centre sits in it.
static const float INSTRUMENT_SCALE = 0.2334025f;
static const float DIAL_X = -1.05f, DIAL_Y = 1.05f;
static const float GEAR_Y = -0.6f;   // below the dial's centre, in the gap of the scale

float hud_needle_degrees(float rpm) { return (rpm * 0.000046875f - 0.375f) * 360.0f; }

void hud_gear_cell(int gear, int *column, int *row)
{
    *column = (gear % 3 + 3) % 3;
    *row = ((gear / 3) % 3 + 3) % 3;
}

int hud_lean_band(float lean, float *angle0, float *angle1)
{
    if (lean >= 0) {
        *angle0 = lean - PI_F / 2;
        *angle1 = -PI_F / 2;
    } else {
        *angle0 = PI_F / 2;
        *angle1 = lean + PI_F / 2;
    }
    return std::fabs(lean) > 0.6283185f;
}

int arc_band_pairs(float angle0, float angle1) { return (int)std::floor(std::fabs(angle1 - angle0) * 31 / PI_F) + 2; }

void draw_arc_band(float angle0, float angle1, float r_inner, float r_outer, const float inner[4],
                   const float outer[4])
{
    const int n = arc_band_pairs(angle0, angle1);
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i < n; ++i) {
        const float a = angle0 + (angle1 - angle0) * (float)i / (float)(n - 1);
        const float s = std::sin(a), c = std::cos(a);
        glColor4fv(inner);
        glVertex3f(r_inner * s, r_inner * c, 0);
        glColor4fv(outer);
        glVertex3f(r_outer * s, r_outer * c, 0);
    }
    glEnd();
}

void hud_textured_quad(unsigned texture, float x0, float y0, float x1, float y1, float u0, float v0,
                       float u1, float v1)
{
    if (!texture) return;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(u0, v0);
    glVertex3f(x0, y0, 0);
    glTexCoord2f(u0, v1);
    glVertex3f(x0, y1, 0);
    glTexCoord2f(u1, v1);
    glVertex3f(x1, y1, 0);
    glTexCoord2f(u1, v0);
    glVertex3f(x1, y0, 0);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

static void tachometer(bike *b)
{
    glPushMatrix();
    glTranslatef(DIAL_X, DIAL_Y, 0);
    hud_textured_quad(tach_texture, -1, 1, 1, -1, 0, 0, 1, 1);
    glPushMatrix();
    glRotatef(-hud_needle_degrees(bike_get_rpm(b)), 0, 0, 1);   // clockwise
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.75f, 0, 0, 1);
    glBegin(GL_TRIANGLES);
    glVertex3f(0, 0.75f, 0);
    glVertex3f(-0.1f, 0.25f, 0);
    glVertex3f(0.1f, 0.25f, 0);
    glEnd();
    glPopMatrix();

    int column, row;
    hud_gear_cell(bike_get_gear(b), &column, &row);
    const float third = 1.0f / 3;
    glTranslatef(0, GEAR_Y, 0);
    hud_textured_quad(shifter_texture, -third, third, third, -third, column * third, row * third,
                      (column + 1) * third, (row + 1) * third);
    glPopMatrix();
}

static void watched_name(int slot)
{
    if (controller_kind[slot] != CONTROLLER_REMOTE || !rider_names[slot][0]) return;
    const float width = frame_height > 0 ? 30.0f * frame_width / frame_height : 40.0f;
    overlay_push_topleft(30);
    glTranslatef(0, -28, 0);
    draw_text_centered_shadowed(1, 1, 1, 1, 0, width, rider_names[slot]);
    overlay_pop();
}

static void lean_indicator(bike *b)
{
    const terrain_field *t = race_terrain();
    dBodyID frame = bike_get_frame_body(b);
    if (!t || !t->heights || !frame) return;
    const dReal *p = dBodyGetPosition(frame), *r = dBodyGetRotation(frame);
    float n[3];
    terrain_normal_at(t, (float)p[0], (float)p[2], n);
    // Into the frame body's coordinates: the transpose of its rotation (rows of 4 in ODE).
    const float nx = (float)(r[0] * n[0] + r[4] * n[1] + r[8] * n[2]);
    const float ny = (float)(r[1] * n[0] + r[5] * n[1] + r[9] * n[2]);
    float a0, a1;
    const int strong = hud_lean_band(std::atan2(nx, ny), &a0, &a1);
    static const float colours[2][2][4] = {{{0, 0, 0, 0}, {0, 0, 0, 0.25f}}, {{1, 0, 0, 0}, {1, 0, 0, 0.25f}}};
    glPushMatrix();
    glTranslatef(0, 0, -1);
    const float s = 0.9336101f * view_half_y;
    glScalef(s, s, s);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    draw_arc_band(a0, a1, 0.5f, 1, colours[strong][0], colours[strong][1]);
    glPopMatrix();
}

void hud_draw_telemetry(int slot)
{
    bike *b = slot >= 0 && slot < 160 ? bike_slot_table[slot] : nullptr;
    // Nothing under an open menu page: at 640x480 the boards would cover its bottom rows.
    if (!b || menu_state >= 0) return;
    overlay_state_begin();

    glPushMatrix();
    glTranslatef(view_half_x, -view_half_y, -1);
    const float s = INSTRUMENT_SCALE * view_half_y;
    glScalef(s, s, s);
    if (telemetry_on) hud_draw_telemetry_graphs();
    tachometer(b);
    glPopMatrix();

    hud_draw_position_board(slot);
    watched_name(slot);
    if (setup_choices[SETUP_LEAN_INDICATOR].current) lean_indicator(b);
    hud_draw_track_map(slot);

    overlay_state_end();
}
