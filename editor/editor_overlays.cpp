// The editor's overlays in the map plane, drawn with texturing and lighting off. Markers keep a
// readable size at every zoom through the marker scale s (a hundredth of the visible span, at
// least one map unit).
#include "editor/editor_overlays.h"
#include "editor/editor_state.h"
#include "bike/shape.h"
#include "graphics/font.h"
#include "graphics/model.h"
#include "graphics/model_draw.h"
#include "shell/globals.h"
#include "terrain/decal_grid.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"
#include <GL/gl.h>
#include <cmath>
#include <cstdio>

static const float pi = 3.14159265358979f;

void draw_ground_ring(float x, float z, float radius, float width)
{
    float inner = radius - width / 2, outer = radius + width / 2;
    glBegin(GL_TRIANGLE_STRIP);
    for (int k = 0; k <= 64; ++k) {
        float a = (float)k * 2 * pi / 64, c = std::cos(a), s = std::sin(a);
        glVertex3f(x + c * inner, 0, z + s * inner);
        glVertex3f(x + c * outer, 0, z + s * outer);
    }
    glEnd();
}

static void circle(float x, float z, float radius)
{
    glBegin(GL_LINE_LOOP);
    for (int k = 0; k < 64; ++k) {
        float a = (float)k * 2 * pi / 64;
        glVertex3f(x + std::cos(a) * radius, 0, z + std::sin(a) * radius);
    }
    glEnd();
}

static void line(float x0, float z0, float x1, float z1)
{
    glBegin(GL_LINES);
    glVertex3f(x0, 0, z0);
    glVertex3f(x1, 0, z1);
    glEnd();
}

void editor_draw_marker(float size, float spacing, float width)
{
    draw_ground_ring(0, 0, size, width);
    draw_ground_ring(0, -spacing, size, width);
    float h = width / 2;
    glBegin(GL_QUADS);
    glVertex3f(-h, 0, -size);
    glVertex3f(h, 0, -size);
    glVertex3f(h, 0, -spacing + size);
    glVertex3f(-h, 0, -spacing + size);
    glEnd();
    float half = size * std::sqrt(2.0f) / 2;
    glBegin(GL_TRIANGLES);
    glVertex3f(0, 0, -spacing * 1.25f);
    glVertex3f(-half, 0, -spacing * 0.75f);
    glVertex3f(half, 0, -spacing * 0.75f);
    glEnd();
}

static void ring_pair(float x, float z, float s, const float under[3], const float over[3], float alpha)
{
    glColor4f(under[0], under[1], under[2], alpha);
    draw_ground_ring(x, z, s / 2, 0.375f * s);
    glColor4f(over[0], over[1], over[2], alpha);
    draw_ground_ring(x, z, s / 2, 0.25f * s);
}

static const float black[3] = {0, 0, 0}, white[3] = {1, 1, 1}, grey[3] = {0.5f, 0.5f, 0.5f};

void editor_draw_tool_handles(int index)
{
    const gradient *g = editor_gradient(index);
    if (!g) return;
    const editor_state &e = g_editor;
    const float s = editor_marker_scale();
    const bool selected = index == e.selected_gradient;
    float alpha = selected && e.editor_mode == MODE_GRADIENT_PLACEMENT ? 1.0f : 0.25f;
    glColor4f(1, 1, 1, alpha);
    line(g->x0, g->z0, g->x1, g->z1);
    float arm = 4 * s / 2;
    line(g->x0 - arm, g->z0, g->x0 + arm, g->z0);
    line(g->x0, g->z0 - arm, g->x0, g->z0 + arm);
    ring_pair(g->x0, g->z0, s, black, white, alpha);
    ring_pair(g->x1, g->z1, s, black, white, alpha);
    if (!selected) return;
    glColor4f(1, 1, 1, 0.25f);
    float radius = std::hypot(g->x1 - g->x0, g->z1 - g->z0);
    int p = e.selected_point;
    if (e.editor_mode == MODE_GRADIENT_EDIT && p >= 0 && p < gradient_point_count(g))
        radius = gradient_points(g)[p].distance;
    circle(g->x0, g->z0, radius);
}

static void profile_graph(void)
{
    const gradient *g = editor_selected_gradient();
    int n = gradient_point_count(g);
    if (n == 0) return;
    const gradient_point *p = gradient_points(g);
    const unsigned char *t = gradient_types(g);
    const float s = editor_marker_scale();
    glPushMatrix();
    glTranslatef(g->x0, 0, g->z0);
    float d0 = p[0].distance, d1 = p[n - 1].distance;
    glColor4f(1, 1, 1, 0.25f);
    glBegin(GL_QUADS);
    glVertex3f(d0, 0, 0);
    glVertex3f(d1, 0, 0);
    glVertex3f(d1, 0, -100);
    glVertex3f(d0, 0, -100);
    glEnd();
    // Grid lines: every 10 units darker, every 2.5 fainter; a very long profile keeps only the
    // 10-unit lines so that a frame never draws an unbounded count. The vertical lines are
    // counted, not stepped to: far out (an edinfo made by hand) adding 2.5 to a float changes
    // nothing.
    for (int pass = 0; pass < 2; ++pass) {
        float step = pass ? 10.0f : 2.5f;
        if (!pass && (d1 - d0) / step > 4096) continue;
        if (pass && (d1 - d0) / step > 4096) break;
        glColor4f(0, 0, 0, pass ? 0.25f : 0.0625f);
        for (float h = 0; h <= 100; h += step) line(d0, -h, d1, -h);
        const double first = std::ceil((double)d0 / step);
        double lines = std::floor((double)d1 / step) - first + 1;
        lines = lines > 4098 ? 4098 : lines;   // NaN (both ends infinite) draws none
        for (int k = 0; k < lines; ++k) {
            const float d = (float)((first + k) * step);
            line(d, 0, d, -100);
        }
    }
    glColor4f(0, 0, 0, 1);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < n; ++i) {
        glVertex3f(p[i].distance, 0, -p[i].height);
        if (i + 1 < n && t[i] == SEGMENT_CURVE) {
            float span = p[i + 1].distance - p[i].distance;
            // Points out of order (a damaged edinfo) give a negative span: no curve between.
            int steps = span > 0 ? (int)std::fmin(span / 0.25f, 4096.0f) : 0;
            for (int k = 1; k < steps; ++k) {
                float f = (float)k / (float)steps;
                glVertex3f(p[i].distance + f * span, 0, -gradient_hermite(i, f));
            }
        }
    }
    glEnd();
    for (int i = 0; i < n; ++i) {
        bool sel = i == g_editor.selected_point;
        ring_pair(p[i].distance, -p[i].height, s, sel ? black : grey, sel ? white : black, 1);
    }
    glPopMatrix();
}

static void snap_square(float cx, float cz)
{
    const terrain_field *t = g_editor.terrain;
    float strength = std::exp2((float)editor_value(W_STRENGTH)), g = t->cell_size;
    for (int k = 0; k < 40 && g < strength; ++k) g *= 2;
    float x0 = std::floor(cx / g) * g, z0 = std::floor(cz / g) * g;
    glColor4f(1, 1, 1, 1);
    glBegin(GL_LINE_LOOP);
    glVertex3f(x0, 0, z0);
    glVertex3f(x0 + g, 0, z0);
    glVertex3f(x0 + g, 0, z0 + g);
    glVertex3f(x0, 0, z0 + g);
    glEnd();
}

static void gate_overlay(void)
{
    const float s = editor_marker_scale();
    for (int i = 0; i < gate_count; ++i) {
        const timing_gate &g = gates[i];
        bool sel = i == g_editor.selected_gate;
        float dx = g.direction[0], dz = g.direction[2], r = std::hypot(dx, dz);
        float a = std::atan2(dz, dx);
        glColor4f(sel ? 1.0f : 0.0f, sel ? 1.0f : 0.0f, sel ? 1.0f : 0.0f, 1);
        glBegin(GL_LINE_STRIP);
        for (int k = 0; k <= 32; ++k) {
            float b = a - pi / 2 + pi * (float)k / 32;
            glVertex3f(g.centre[0] + std::cos(b) * r, 0, g.centre[2] + std::sin(b) * r);
        }
        glEnd();
        draw_ground_ring(g.centre[0] + dz, g.centre[2] - dx, s / 2, 0.25f * s);
        draw_ground_ring(g.centre[0] - dz, g.centre[2] + dx, s / 2, 0.25f * s);
        char number[16];
        std::snprintf(number, sizeof number, "%d", i);
        glPushMatrix();
        glTranslatef(g.centre[0], 0, g.centre[2]);
        glRotatef(-90, 1, 0, 0);   // text up is up the screen, away from the viewer's +z
        glScalef(25, 25, 25);
        draw_text(sel ? 1.0f : 0.0f, sel ? 1.0f : 0.0f, sel ? 1.0f : 0.0f, 1, number, TEXT_NORMAL);
        glPopMatrix();
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
}

static void billboard_overlay(void)
{
    const float s = editor_marker_scale();
    const billboard *b = (const billboard *)billboards.items;
    int first = first_own_billboard < 0 ? 0 : first_own_billboard;
    for (int i = first; i < billboards.count; ++i) {
        glColor4f(0, 0, 0, 1);
        circle(b[i].x, b[i].z, b[i].width_fraction * b[i].height / 2);
        ring_pair(b[i].x, b[i].z, s, black, grey, 1);
    }
    int sel = g_editor.selected_billboard;
    if (sel >= first && sel < billboards.count) {
        glColor4f(1, 1, 1, 1);
        circle(b[sel].x, b[sel].z, b[sel].width_fraction * b[sel].height / 2);
        ring_pair(b[sel].x, b[sel].z, s, black, white, 1);
    }
}

static void marker_at(float x, float z, float angle, float s, const float under[3], const float over[3])
{
    glPushMatrix();
    glTranslatef(x, 0, z);
    glRotatef(angle * 180 / pi, 0, 1, 0);
    glScalef(s, s, s);
    glColor4f(under[0], under[1], under[2], 1);
    editor_draw_marker(0.5f, 4, 0.375f);
    glColor4f(over[0], over[1], over[2], 1);
    editor_draw_marker(0.5f, 4, 0.25f);
    glPopMatrix();
}

static void statue_overlay(void)
{
    const float s = editor_marker_scale();
    const statue *st = (const statue *)statues.items;
    for (int i = 0; i < statues.count; ++i) {
        bool sel = i == g_editor.selected_statue;
        marker_at(st[i].x, st[i].z, st[i].angle < 3.25f ? st[i].angle : 0, s, sel ? black : grey, sel ? white : black);
    }
}

static void decal_overlay(float cx, float cz)
{
    terrain_field *t = g_editor.terrain;
    if (!t->decals.items) return;
    int count = 0;
    const int *found = decal_grid_query(t, cx - 100, cz - 100, cx + 100, cz + 100, &count);
    const decal *all = (const decal *)t->decals.items;
    const float s = editor_marker_scale();
    int sel = g_editor.selected_decal;
    bool hide = editor_choice(W_HIDE_DIFFERENT) == 1 && sel >= 0 && sel < t->decals.count;
    for (int k = 0; found && k < count; ++k) {
        int i = found[k];
        if (i < 0 || i >= t->decals.count) continue;
        const decal &d = all[i];
        if (std::hypot(d.x - cx, d.z - cz) > 100) continue;
        if (hide && (d.color_texture != all[sel].color_texture || d.pixels != all[sel].pixels)) continue;
        bool marked = false;
        for (int m = 0; m < g_editor.marked_decals.count; ++m) marked |= ((const int *)g_editor.marked_decals.items)[m] == i;
        const float *under = i == sel || marked ? black : grey;
        const float *over = i == sel ? white : marked ? grey : black;
        marker_at(d.x, d.z, d.angle, s, under, over);
    }
}

// The brush circles around the cursor, or the capsule from the level point to it.
static void cursor_circles(float cx, float cz)
{
    const editor_state &e = g_editor;
    float r = editor_brush_radius(), focus = (float)editor_value(W_FOCUS);
    glColor4f(1, 1, 1, 1);
    bool level = e.level_x != -1 || e.level_z != -1;
    for (int pass = 0; pass < 2; ++pass) {
        float radius = pass ? r : r * focus;
        if (!pass && !(focus > 0)) continue;
        if (!level) {
            circle(cx, cz, radius);
            continue;
        }
        float a = std::atan2(e.level_z - cz, e.level_x - cx);
        glBegin(GL_LINE_LOOP);
        for (int k = 0; k <= 32; ++k) {
            float b = a + pi / 2 + pi * (float)k / 32;
            glVertex3f(cx + std::cos(b) * radius, 0, cz + std::sin(b) * radius);
        }
        for (int k = 0; k <= 32; ++k) {
            float b = a - pi / 2 + pi * (float)k / 32;
            glVertex3f(e.level_x + std::cos(b) * radius, 0, e.level_z + std::sin(b) * radius);
        }
        glEnd();
    }
}

void editor_draw_statue_silhouettes(void)
{
    const statue *st = (const statue *)statues.items;
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glColor4f(0, 0, 0, 1);
    for (int i = 0; i < statues.count; ++i) {
        if (!st[i].model) continue;
        const float *r = st[i].orientation;
        GLfloat m[16] = {r[0], r[3], r[6], 0, r[1], r[4], r[7], 0, r[2], r[5], r[8], 0, st[i].x, st[i].y, st[i].z, 1};
        glPushMatrix();
        glMultMatrixf(m);
        for (const km_mesh *mesh = st[i].model; mesh; mesh = mesh->next) model_draw_wire(mesh);
        glPopMatrix();
    }
}

// Every collision sphere of every statue, placed by the statue's rotation and position.
static void collidable_spheres(void)
{
    const statue *st = (const statue *)statues.items;
    glColor4f(1, 1, 1, 1);
    for (int i = 0; i < statues.count; ++i) {
        const shape *sh = st[i].shape;
        if (!sh || !sh->spheres) continue;
        const float *r = st[i].orientation;
        for (int k = 0; k < sh->sphere_count; ++k) {
            const float *c = sh->spheres[k].center;
            float x = st[i].x + r[0] * c[0] + r[1] * c[1] + r[2] * c[2];
            float z = st[i].z + r[6] * c[0] + r[7] * c[1] + r[8] * c[2];
            circle(x, z, sh->spheres[k].radius);
        }
    }
}

void editor_draw_mode_overlay(void)
{
    float cx, cz;
    editor_cursor(&cx, &cz);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    int mode = g_editor.editor_mode;
    if (mode == MODE_STATUES && editor_choice(W_SHOW_COLLIDABLE) == 1) collidable_spheres();
    switch (mode) {
    case MODE_SNAP: snap_square(cx, cz); break;
    case MODE_GRADIENT_PLACEMENT:
        for (int i = 0; i < g_editor.gradients.count; ++i) editor_draw_tool_handles(i);
        break;
    case MODE_GRADIENT_EDIT: profile_graph(); break;
    case MODE_TIMING_GATE: gate_overlay(); break;
    case MODE_BILLBOARDS: billboard_overlay(); break;
    case MODE_STATUES: statue_overlay(); break;
    case MODE_DECALS: decal_overlay(cx, cz); break;
    default:
        if (mode >= MODE_LINEAR_PAINT && mode <= MODE_RADIAL_ADD)
            for (int i = 0; i < g_editor.gradients.count; ++i) editor_draw_tool_handles(i);
        cursor_circles(cx, cz);
        break;
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}
