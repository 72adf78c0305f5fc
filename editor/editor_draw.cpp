// One editor frame: the ground seen straight down at the panel's zoom, the track objects, the
// overlay of the current mode, then the panel down the left edge with the cursor readout and
// the status line.
#include "editor/editor.h"
#include "editor/editor_overlays.h"
#include "editor/editor_state.h"
#include "graphics/font.h"
#include "graphics/shader.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "terrain/compose.h"
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/lighting.h"
#include "terrain/terrain_seams.h"
#include "ui/hud.h"
#include "ui/lens_flares.h"
#include "ui/ui.h"
#include <GL/gl.h>
#include <cmath>
#include <cstdio>

enum { PANEL_HEIGHT = 64 };
static const float panel_width = 21, widget_width = 20, row_step = 1.5f;

static void lights_from_track(void)
{
    const lighting_record &l = track_lighting;
    const float global[4] = {l.global_ambient[0], l.global_ambient[1], l.global_ambient[2], 1};
    const float sun[4] = {l.sun_vector[0], l.sun_vector[1], l.sun_vector[2], 0};
    const float ambient[4] = {l.ambient[0], l.ambient[1], l.ambient[2], 1};
    const float colour[4] = {l.sun_color[0], l.sun_color[1], l.sun_color[2], 1};
    glEnable(GL_LIGHT0);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, global);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, colour);
    glLightfv(GL_LIGHT0, GL_SPECULAR, colour);
}

static void draw_world(float px, float pz)
{
    editor_state &e = g_editor;
    terrain_field *t = e.terrain;
    t->eye_pos[0] = px;
    t->eye_pos[1] = 0;
    t->eye_pos[2] = pz;
    t->view_dir[0] = t->view_dir[1] = t->view_dir[2] = 0;
    for (int i = 0; i < 8; ++i) terrain_compose_texture(t);

    float w = view_half_x, h = view_half_y;
    glViewport(0, 0, frame_width, frame_height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-w, w, -h, h, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (g_render.use_shader) {
        static const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        shader_set_envmat(identity);
    }
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    float k = std::exp2((float)editor_value(W_ZOOM)) * 2 * h / t->world_size;
    glRotatef(90, 1, 0, 0);
    glTranslatef(0, -1, 0);
    glScalef(k, k, k);
    glTranslatef(-e.view_x, 0, -e.view_z);

    int detail = terrain_settings.ground_texture_detail;
    if (e.editor_mode != MODE_DECALS) terrain_settings.ground_texture_detail = 6;
    terrain_draw(t);
    terrain_settings.ground_texture_detail = detail;

    lights_from_track();
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.75f);
    editor_draw_statue_silhouettes();
    const float eye[3] = {px, t->height_max + 1000, pz};
    track_objects_draw(eye);
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    if (g_render.use_shader) shader_use(0);
    editor_draw_mode_overlay();
}

static int widget_shown(const editor_widget &w)
{
    return w.shown_in == -1 || w.shown_in == g_editor.editor_mode;
}

static void draw_panel(float px, float pz)
{
    editor_state &e = g_editor;
    set_projection(frame_width, frame_height, setting_fov());
    glDisable(GL_DEPTH_TEST);
    overlay_push_topleft(PANEL_HEIGHT);
    draw_flat_quad(0, 0, 0, 0.75f, 0, 1, panel_width - 0.25f, -PANEL_HEIGHT + 1);
    // The fade at the strip's right edge.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_QUADS);
    glColor4f(0, 0, 0, 0.75f);
    glVertex3f(panel_width - 0.25f, 1, 0);
    glVertex3f(panel_width - 0.25f, -PANEL_HEIGHT + 1, 0);
    glColor4f(0, 0, 0, 0);
    glVertex3f(panel_width, -PANEL_HEIGHT + 1, 0);
    glVertex3f(panel_width, 1, 0);
    glEnd();
    glDisable(GL_BLEND);

    const float unit = frame_height / (float)PANEL_HEIGHT;
    layout_pen pen = {0, -1};
    const layout_scale scale = {unit, -unit};
    glPushMatrix();
    overlay_translate(&pen, 0.5f, 0);
    for (int i = 0; i < EDITOR_WIDGETS; ++i) {
        editor_widget &w = editor_panel[i];
        if (!widget_shown(w)) {
            widget_rect_clear(&w.button.rect);
            widget_rect_clear(&w.choice.rect);
            widget_rect_clear(&w.slider.rect);
            continue;
        }
        if (i == W_SET_FROM_TERRAIN) overlay_translate(&pen, 0, -row_step);
        if (i == W_SET_SWITCH) {
            // The selected gate's switch-point state stands above its two buttons.
            draw_text_shadowed(1, 1, 1, 1, switch_point_text());
            overlay_translate(&pen, 0, -row_step);
        }
        int hovered = i == e.hovered_widget;
        switch (w.kind) {
        case WIDGET_CHOICE: widget_draw_choice(&w.choice, hovered, pen, scale, widget_width, 0, 0.5f); break;
        case WIDGET_SLIDER: widget_draw_slider(&w.slider, hovered, pen, scale, widget_width, 0, 0.4f); break;
        default:
            widget_draw_button(&w.button, hovered || i == e.editor_mode, pen, scale, widget_width, 0);
            break;
        }
        overlay_translate(&pen, 0, -row_step);
    }
    char line[128];
    std::snprintf(line, sizeof line, "%.2f %.2f %.2f", px, editor_terrain_height(e.terrain, px, pz), pz);
    draw_text_shadowed(1, 1, 1, 1, line);
    overlay_translate(&pen, 0, -row_step);
    draw_text_shadowed(1, 1, 1, 1, e.status ? e.status : "");
    glPopMatrix();
    overlay_pop();
    // The console's message lines go right of the panel, off its buttons.
    hud_keep_clear(panel_width / (float)PANEL_HEIGHT, 0);
}

void editor_draw(void)
{
    if (!g_editor.active || !g_editor.terrain || !g_editor.terrain->heights) return;
    float px, pz;
    editor_cursor(&px, &pz);
    draw_world(px, pz);
    draw_panel(px, pz);
}
