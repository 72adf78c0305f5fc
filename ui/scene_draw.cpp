// The whole world from one camera, in a fixed order: sky, ground, opaque riders, track objects,
// billboards, fading riders, debug lines and lens flares. Flaggers and gate marks are brought up
// to date first.
#include "ui/ui.h"
#include "ui/bike_draw.h"
#include "ui/ground_view.h"
#include "ui/lens_flares.h"
#include "ui/scene.h"
#include "bike/bike.h"
#include "bike/bike_record.h"
#include "bike/setters.h"
#include "graphics/glcaps.h"
#include "graphics/model_draw.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "racing/race.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "terrain/compose.h"
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/flaggers.h"
#include "terrain/lighting.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"
#include <GL/gl.h>
#include <cmath>


namespace {

enum { SLOTS = 160, START_TICK = 640 };
const float tick_seconds = 1.0f / 128;

float rider_fade[SLOTS];
bool rider_seen[SLOTS];   // the rider's bound reaches into this frame's view

// Everything drawn of a rider lies within this of the body farthest from the frame: parts reach
// 3.2 ft from their bodies, the posed limbs and helmet 5 ft from the rider body.
const float rider_reach_ft = 6;

void flagger_set_texture(int index, unsigned texture, bool restart)
{
    if (index < 0 || index >= billboards.count) return;
    billboard &b = ((billboard *)billboards.items)[index];
    if (b.texture == texture) return;
    if (restart) {
        if (b.texture) texture_anim_pause(b.texture);
        if (texture) texture_anim_start(texture, tick_count);
    }
    b.texture = texture;
}

void flaggers_animate(void)
{
    const int f = race_first_lap_gates(), l = race_gates_per_lap();
    if (f + l == 0) return;
    const flagger_header_record &h = flagger_header;
    const int mover = h.mover_billboard;
    if (mover >= 0 && mover < billboards.count) {
        const float t = tick_count * tick_seconds, s = std::floor((float)START_TICK * tick_seconds);
        const float duration = h.mover_period > 0 ? h.mover_period : 1;
        float k;
        const int which = start_flagger_texture(t, s, duration, &k);
        billboard &b = ((billboard *)billboards.items)[mover];
        b.x = h.mover_start[0] + k * (h.mover_end[0] - h.mover_start[0]);
        b.z = h.mover_start[2] + k * (h.mover_end[2] - h.mover_start[2]);
        const float offset = h.mover_start[1] + k * (h.mover_end[1] - h.mover_start[1]);
        const terrain_field *t_field = race_terrain();
        b.y = (t_field && t_field->heights ? terrain_height_at(t_field, b.x, b.z) : 0) + offset;
        flagger_set_texture(mover, h.mover_textures[which], true);
    }
    if (h.board_billboard >= 0 && standings_count > 0) {
        const int laps = race_laps;
        const int which = finish_flagger_texture(standings[0].gates, f, l, laps, (laps + 1) / 2, 0);
        flagger_set_texture(h.board_billboard, h.board_textures[which], true);
    }
    for (int g = 0; g < gate_count; ++g) gates[g].scene_flag = 0;
    for (int i = 0; i < standings_count; ++i) {
        const int slot = standings[i].slot;
        if (slot < 0 || slot >= SLOTS || !bike_slot_table[slot]) continue;
        // Remote riders whose state has gone stale are left out online; the network client
        // keeps no state age yet, so only the own slot's test applies.
        if (!bike_has_mishap(bike_slot_table[slot])) continue;
        const int index = gate_mark_index(standings[i].gates, f, l);
        const int entries = first_lap_count + normal_lap_count;
        if (!lap_list || index < 0 || index >= entries) continue;
        int gate = lap_list[index];
        if (gate >= LAP_NO_SWITCH) gate -= LAP_NO_SWITCH;
        if (gate >= 0 && gate < gate_count) gates[gate].scene_flag = 1;
    }
    for (int i = 0; i < flaggers.count; ++i) {
        const flagger &fl = ((const flagger *)flaggers.items)[i];
        int marked = 0;
        for (int gate : fl.gates)
            if (gate >= 0 && gate < gate_count && gates[gate].scene_flag) marked = 1;
        flagger_set_texture(fl.billboard, fl.textures[marked], false);
    }
}

void sky_draw(void)
{
    const lighting_record &l = track_lighting;
    const int faces[5] = {l.sky_n, l.sky_e, l.sky_s, l.sky_w, l.sky_u};
    static const float corners[5][4][3] = {
        {{-1, 1, -1}, {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}},
        {{1, 1, -1}, {1, -1, -1}, {1, -1, 1}, {1, 1, 1}},
        {{1, 1, 1}, {1, -1, 1}, {-1, -1, 1}, {-1, 1, 1}},
        {{-1, 1, 1}, {-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}},
        {{-1, 1, 1}, {-1, 1, -1}, {1, 1, -1}, {1, 1, 1}},
    };
    static const float uv[4][2] = {{0.0078125f, 0.0078125f}, {0.0078125f, 0.9921875f},
                                   {0.9921875f, 0.9921875f}, {0.9921875f, 0.0078125f}};
    glDepthMask(GL_FALSE);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glColor4f(1, 1, 1, 1);
    for (int f = 0; f < 5; ++f) {
        if (!faces[f]) continue;   // a missing face leaves the clear colour
        glBindTexture(GL_TEXTURE_2D, (unsigned)faces[f]);
        ++render_stats.texture_binds;
        glBegin(GL_QUADS);
        for (int c = 0; c < 4; ++c) {
            glTexCoord2fv(uv[c]);
            glVertex3fv(corners[f][c]);
        }
        glEnd();
    }
    glDepthMask(GL_TRUE);
}

void lights_set(void)
{
    const lighting_record &l = track_lighting;
    const float global[4] = {l.global_ambient[0], l.global_ambient[1], l.global_ambient[2], 1};
    const float sun[4] = {l.sun_vector[0], l.sun_vector[1], l.sun_vector[2], 0};
    const float ambient[4] = {l.ambient[0], l.ambient[1], l.ambient[2], 1};
    const float colour[4] = {l.sun_color[0], l.sun_color[1], l.sun_color[2], 1};
    glEnable(GL_LIGHT0);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, global);
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, colour);
    glLightfv(GL_LIGHT0, GL_SPECULAR, colour);
}

int local_rider_slot(void)
{
    for (int s = 0; s < SLOTS; ++s)
        if (bike_slot_table[s] && controller_kind[s] == CONTROLLER_LOCAL) return s;
    return -1;
}

float body_distance(bike *a, bike *b)
{
    const dReal *p = dBodyGetPosition(a->bodies[BODY_FRAME]), *q = dBodyGetPosition(b->bodies[BODY_FRAME]);
    const double d[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    return (float)std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

bool rider_in_view(bike *b, const float eye[3], const float rotation[9])
{
    const dReal *f = dBodyGetPosition(b->bodies[BODY_FRAME]);
    double far2 = 0;
    for (dBodyID body : b->bodies) {
        if (!body) continue;
        const dReal *p = dBodyGetPosition(body);
        const double d[3] = {p[0] - f[0], p[1] - f[1], p[2] - f[2]};
        far2 = std::fmax(far2, d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    }
    const float centre[3] = {(float)f[0], (float)f[1], (float)f[2]};
    const lighting_record &l = track_lighting;
    return sphere_in_view(eye, rotation, view_half_x, view_half_y, l.near_plane, l.far_plane, centre,
                          (float)std::sqrt(far2) + rider_reach_ft) != 0;
}

int rider_view_for(int slot, int first_person_slot)
{
    if (slot != first_person_slot) return RIDER_VIEW_OUTSIDE;
    return config_choices[CONFIG_HIDE_RIDER].current == 1 ? RIDER_VIEW_HIDDEN : RIDER_VIEW_FIRST_PERSON;
}

void riders_first_pass(const float eye[3], const float rotation[9], int first_person_slot)
{
    const int local = local_rider_slot();
    const float g = (float)config_sliders[CONFIG_GHOST_FADE_DISTANCE].value;
    for (int s = 0; s < SLOTS; ++s) {
        bike *b = bike_slot_table[s];
        rider_fade[s] = 1;
        rider_seen[s] = false;
        if (!b || !b->bodies[BODY_FRAME]) continue;
        rider_seen[s] = rider_in_view(b, eye, rotation);
        if (local >= 0 && net_socket < 0 && controller_kind[s] == CONTROLLER_REMOTE)
            rider_fade[s] = ghost_fade(body_distance(b, bike_slot_table[local]), g);
        else if (rider_is_hidden(s))
            rider_fade[s] = 0;
        if (rider_fade[s] >= 1 && rider_seen[s]) bike_draw(b, rider_view_for(s, first_person_slot), eye);
    }
}

void riders_second_pass(const float eye[3], int first_person_slot)
{
    for (int s = 0; s < SLOTS; ++s) {
        bike *b = bike_slot_table[s];
        if (!b || !b->bodies[BODY_FRAME] || rider_fade[s] >= 1 || !rider_seen[s]) continue;
        model_alpha = rider_fade[s];
        bike_draw(b, rider_view_for(s, first_person_slot), eye);
    }
    model_alpha = 1;
}

void billboards_draw(const float eye[3], const float rotation[9])
{
    if (billboards.count <= 0 || billboard_sort_space.count < 2 * billboards.count) return;
    billboard *all = (billboard *)billboards.items;
    int *list = (int *)billboard_sort_space.items, *scratch = list + billboards.count;
    const float d[3] = {rotation[2], rotation[5], rotation[8]};
    const int n = billboard_list_build(all, billboards.count, PARTICLE_POOL, d, eye, list);
    if (n < billboards.count) list[n] = -1;
    billboard_radix_sort(list, n, all, scratch);
    billboard_group(list, n, all, eye, d, g_config.billboard_optimize_lookahead);
    const float rl = std::sqrt(d[2] * d[2] + d[0] * d[0]);
    const float r[3] = {rl > 0 ? d[2] / rl : 1, 0, rl > 0 ? -d[0] / rl : 0};

    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDepthMask(GL_FALSE);
    unsigned bound = 0;
    bool open = false;
    for (int i = 0; i < n; ++i) {
        const billboard &v = all[list[i]];
        if (v.texture != bound || !open) {
            if (open) glEnd();
            glBindTexture(GL_TEXTURE_2D, v.texture);
            ++render_stats.texture_binds;
            bound = v.texture;
            glBegin(GL_QUADS);
            open = true;
        }
        const float w = v.width_fraction * v.height * 0.5f;
        glColor4ubv(v.color);
        glTexCoord2f(0, 1);
        glVertex3f(v.x - r[0] * w, v.y, v.z - r[2] * w);
        glTexCoord2f(1, 1);
        glVertex3f(v.x + r[0] * w, v.y, v.z + r[2] * w);
        glTexCoord2f(1, 0);
        glVertex3f(v.x + r[0] * w, v.y + v.height, v.z + r[2] * w);
        glTexCoord2f(0, 0);
        glVertex3f(v.x - r[0] * w, v.y + v.height, v.z - r[2] * w);
    }
    if (open) glEnd();
    render_stats.billboards += (unsigned)n;
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
}

} // namespace

int sphere_in_view(const float eye[3], const float rotation[9], float half_x, float half_y, float near_plane,
                   float far_plane, const float centre[3], float radius)
{
    const float v[3] = {centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]};
    const float x = v[0] * rotation[0] + v[1] * rotation[3] + v[2] * rotation[6];
    const float y = v[0] * rotation[1] + v[1] * rotation[4] + v[2] * rotation[7];
    const float ahead = -(v[0] * rotation[2] + v[1] * rotation[5] + v[2] * rotation[8]);
    if (ahead < near_plane - radius || ahead > far_plane + radius) return 0;
    // The side planes through the eye: |x| = half_x * ahead, their normals (1, -half_x) scaled.
    if (std::fabs(x) - half_x * ahead > radius * std::sqrt(1 + half_x * half_x)) return 0;
    if (std::fabs(y) - half_y * ahead > radius * std::sqrt(1 + half_y * half_y)) return 0;
    return 1;
}

void scene_draw(const float eye[3], const float rotation[9], float fov_degrees, int first_person_slot)
{
    render_stats.texture_binds = 0;
    render_stats.program_switches = 0;
    render_stats.model_vertices = 0;
    render_stats.model_triangles = 0;
    render_stats.billboards = 0;
    flaggers_animate();
    texture_anim_update(tick_count);

    terrain_settings_from_render();
    for (int k = 0; k < 3; ++k) listener[k] = eye[k];
    for (int k = 0; k < 9; ++k) listener_rotation[k] = rotation[k];
    terrain_field *t = race_terrain();
    const bool ground = t && t->heights;
    if (ground) {
        for (int k = 0; k < 3; ++k) {
            t->eye_pos[k] = eye[k];
            t->view_dir[k] = -rotation[k * 3 + 2];
        }
        terrain_compose_texture(t);
    }
    set_projection(frame_width, frame_height, fov_degrees);
    // The world-to-eye rotation is the transpose; OpenGL reads columns, so the rows of the
    // camera rotation go in as they stand.
    GLfloat m[16] = {0};
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) m[j * 4 + i] = rotation[j * 3 + i];
    m[15] = 1;
    glLoadIdentity();
    glMultMatrixf(m);
    const bool shaders = g_render.use_shader != 0;
    if (shaders) shader_set_envmat(rotation);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDepthMask(GL_TRUE);
    if (g_options.fugly) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else {
        glClearColor(0.55f, 0.70f, 0.90f, 1.0f);   // behind a sky with missing faces
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        sky_draw();
    }
    if (track_lighting.fog_density > 0) glEnable(GL_FOG);

    glTranslatef(-eye[0], -eye[1], -eye[2]);
    lights_set();
    if (ground) terrain_draw(t);

    glDepthFunc(GL_LEQUAL);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.75f);
    riders_first_pass(eye, rotation, first_person_slot);
    track_objects_draw(eye);
    glDisable(GL_ALPHA_TEST);
    billboards_draw(eye, rotation);
    riders_second_pass(eye, first_person_slot);
    if (shaders) shader_use(SHADER_FIXED);

    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glLoadIdentity();
    glDepthFunc(GL_ALWAYS);
    lens_flares_draw(eye, rotation);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
}
