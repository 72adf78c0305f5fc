// Bikes and riders. Matrices here are row-major 3x3 "world from body" (v_world = M v_body),
// which is what ODE's rotation holds (as 3x4) and what the model drawing takes as the object
// rotation. Bone rotations go to the skinning transposed (its rows are the images of the axes).
//
// The rider body is never moved for drawing: the lean correction is applied to a copy of its
// pose, so drawing cannot disturb the simulation.
#include "ui/bike_draw.h"
#include "ui/scene.h"
#include "bike/anchors.h"
#include "bike/bike_record.h"
#include "bike/rider_bones.h"
#include "graphics/glcaps.h"
#include "graphics/model.h"
#include "graphics/model_draw.h"
#include "graphics/texture.h"
#include "graphics/shader.h"
#include "shell/globals.h"
#include "terrain/lighting.h"
#include <GL/gl.h>
#include <cmath>

float model_alpha = 1;

namespace {

struct pose3 {
    float p[3];
    float m[9];
};

void body_pose(dBodyID body, pose3 *out)
{
    const dReal *p = dBodyGetPosition(body), *r = dBodyGetRotation(body);
    for (int i = 0; i < 3; ++i) {
        out->p[i] = (float)p[i];
        for (int j = 0; j < 3; ++j) out->m[i * 3 + j] = (float)r[i * 4 + j];
    }
}

void to_world(const pose3 &b, const float v[3], float out[3])
{
    for (int i = 0; i < 3; ++i) out[i] = b.p[i] + b.m[i * 3] * v[0] + b.m[i * 3 + 1] * v[1] + b.m[i * 3 + 2] * v[2];
}

void to_body(const pose3 &b, const float w[3], float out[3])
{
    const float d[3] = {w[0] - b.p[0], w[1] - b.p[1], w[2] - b.p[2]};
    for (int j = 0; j < 3; ++j) out[j] = b.m[j] * d[0] + b.m[3 + j] * d[1] + b.m[6 + j] * d[2];
}

float dot(const float *a, const float *b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void cross(const float *a, const float *b, float *out)
{
    const float c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    out[0] = c[0];
    out[1] = c[1];
    out[2] = c[2];
}

bool normalise(float *v)
{
    const float l = std::sqrt(dot(v, v));
    if (!(l > 1e-6f)) return false;
    for (int i = 0; i < 3; ++i) v[i] /= l;
    return true;
}

void multiply(const float *a, const float *b, float *out)   // out = a b
{
    float r[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    for (int i = 0; i < 9; ++i) out[i] = r[i];
}

// The rider body as drawn: pitched back while the rider is pressed against the bars, turning
// about the pivot so that it keeps its place.
void rider_draw_pose(bike *b, pose3 *rider)
{
    body_pose(b->bodies[BODY_RIDER], rider);
    pose3 fork;
    body_pose(b->bodies[BODY_FORK_UPPER], &fork);
    const rider_geometry &g = b->info.rider;
    float reference[3], bar_local[3], bar[3];
    to_world(*rider, g.chest, reference);
    for (int i = 0; i < 3; ++i) bar_local[i] = (g.grips[0][i] + g.grips[1][i]) / 2;
    to_world(fork, bar_local, bar);
    const float gap[3] = {bar[0] - reference[0], bar[1] - reference[1], bar[2] - reference[2]};
    const float d = std::sqrt(dot(gap, gap));
    if (!(d < 1.25f)) return;
    const float k = std::fmin(1.0f, 1.25f - d);
    float pivot_local[3], pivot[3];
    for (int i = 0; i < 3; ++i) pivot_local[i] = (g.hips[0][i] + g.hips[1][i]) / 2;
    to_world(*rider, pivot_local, pivot);
    float x[3], y[3], z[3];
    for (int i = 0; i < 3; ++i) {
        x[i] = rider->m[i * 3];
        y[i] = rider->m[i * 3 + 1] + 0.375f * k * rider->m[i * 3 + 2];
    }
    if (!normalise(y)) return;
    cross(x, y, z);
    normalise(z);
    cross(z, x, y);
    for (int i = 0; i < 3; ++i) {
        rider->m[i * 3] = x[i];
        rider->m[i * 3 + 1] = y[i];
        rider->m[i * 3 + 2] = z[i];
    }
    float moved[3];
    to_world(*rider, pivot_local, moved);
    for (int i = 0; i < 3; ++i) rider->p[i] += pivot[i] - moved[i];
}

// A bone's rotation taking the model's limb direction `from` (with its side axis `from_side`)
// onto `to`, the side axis kept as near `to_side` as the new direction allows. Stored for the
// skinning: rows are the images of the model's axes.
void limb_rotation(const float from[3], const float from_side[3], const float to[3], const float to_side[3],
                   const float fallback_side[3], float out[9])
{
    float t[3] = {to[0], to[1], to[2]};
    if (!normalise(t)) {
        for (int i = 0; i < 3; ++i) t[i] = from[i];
    }
    float s[3];
    const float *sides[2] = {to_side, fallback_side};
    for (const float *side : sides) {
        const float a = dot(side, t);
        for (int i = 0; i < 3; ++i) s[i] = side[i] - a * t[i];
        if (dot(s, s) >= 0.001f) break;
    }
    normalise(s);
    float third_to[3], third_from[3];
    cross(t, s, third_to);
    cross(from, from_side, third_from);
    // M = [t s third_to] [from from_side third_from]^T; stored transposed.
    float m[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[i * 3 + j] = t[i] * from[j] + s[i] * from_side[j] + third_to[i] * third_from[j];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out[j * 3 + i] = m[i * 3 + j];
}

void set_bone(rider_pose *pose, int bone, const float centre[3], const float at[3], const float rotation[9])
{
    for (int i = 0; i < 3; ++i) {
        pose->centres[bone * 3 + i] = centre[i];
        pose->translations[bone * 3 + i] = at[i];
    }
    for (int i = 0; i < 9; ++i) pose->rotations[bone * 9 + i] = rotation[i];
}

// Upper and lower bone of one limb from root through joint to end.
void pose_limb(rider_pose *pose, int upper_bone, int lower_bone, const float root[3], const float joint[3],
               const float end[3], const float model_dir[3], const float model_side[3], const float side[3],
               const float fallback_side[3])
{
    const float upper[3] = {joint[0] - root[0], joint[1] - root[1], joint[2] - root[2]};
    const float lower[3] = {end[0] - joint[0], end[1] - joint[1], end[2] - joint[2]};
    float r[9];
    // A bone too short to have a direction keeps the model's own.
    const float *dir = dot(upper, upper) >= 0.001f ? upper : model_dir;
    limb_rotation(model_dir, model_side, dir, side, fallback_side, r);
    set_bone(pose, upper_bone, rider_bones[upper_bone], root, r);
    dir = dot(lower, lower) >= 0.001f ? lower : model_dir;
    limb_rotation(model_dir, model_side, dir, side, fallback_side, r);
    set_bone(pose, lower_bone, rider_bones[lower_bone], joint, r);
}

const float axis_x[3] = {1, 0, 0}, axis_y[3] = {0, 1, 0}, axis_z[3] = {0, 0, 1};
const float axis_down[3] = {0, -1, 0}, axis_forward[3] = {0, 0, -1};

void rider_pose_arms(bike *b, const pose3 &rider, rider_pose *pose)
{
    const rider_geometry &g = b->info.rider;
    pose3 fork;
    body_pose(b->bodies[BODY_FORK_UPPER], &fork);
    float grips[2][3], shoulders_world[2][3];
    for (int s = 0; s < 2; ++s) {
        float w[3];
        to_world(fork, g.grips[s], w);
        to_body(rider, w, grips[s]);
        to_world(rider, g.hands[s], shoulders_world[s]);
    }
    for (int s = 0; s < 2; ++s) {
        const float *shoulder = g.hands[s];
        const float h = std::fmax(0.0f, shoulders_world[1 - s][1] - shoulders_world[s][1]);
        const float drop = s == 0 ? 1 + 1.5f * h : 0.9f + 0.125f * b->input.throttle + 1.5f * h;
        float pole[3] = {shoulder[0] + (s == 0 ? -0.5f : 0.5f), shoulder[1] - drop, shoulder[2] + 2};
        for (int i = 0; i < 3; ++i) pole[i] += grips[s][i] - grips[1 - s][i];
        float elbow[3];
        const float out[3] = {s == 0 ? -1.0f : 1.0f, 0, 0};
        two_bone_ik(shoulder, grips[s], g.upper_arm, g.lower_arm, pole, axis_forward, axis_down, elbow);
        // The model's arms stretch out along x with their palms down.
        pose_limb(pose, RIDER_BONE_LEFT_SHOULDER + s, RIDER_BONE_LEFT_ELBOW + s, shoulder, elbow, grips[s], out,
                  axis_y, axis_y, axis_z);
    }
}

void rider_pose_legs(bike *b, const pose3 &rider, rider_pose *pose)
{
    const rider_geometry &g = b->info.rider;
    float feet[2][3], world[2][3];
    bike_get_rider_anchors(b, world[0], nullptr, world[1], nullptr);
    pose3 frame;
    body_pose(b->bodies[BODY_FRAME], &frame);
    for (int s = 0; s < 2; ++s) {
        if (!std::isfinite(world[s][0] + world[s][1] + world[s][2])) to_world(frame, g.feet[s], world[s]);
        to_body(rider, world[s], feet[s]);
    }
    for (int s = 0; s < 2; ++s) {
        const float *hip = g.hips[s];
        const float pole[3] = {hip[0] + (s == 0 ? -0.5f : 0.5f), hip[1], hip[2] - 2};
        float knee[3];
        two_bone_ik(hip, feet[s], g.upper_leg, g.lower_leg, pole, axis_down, axis_forward, knee);
        // The model's legs hang straight down, toes forward.
        pose_limb(pose, RIDER_BONE_LEFT_HIP + s, RIDER_BONE_LEFT_KNEE + s, hip, knee, feet[s], axis_down,
                  axis_forward, axis_forward, axis_y);
    }
}

// The torso leans from the hips toward the shoulders; the model's stands upright.
void rider_pose_torso(bike *b, rider_pose *pose)
{
    const rider_geometry &g = b->info.rider;
    float hips[3], up[3];
    for (int i = 0; i < 3; ++i) {
        hips[i] = (g.hips[0][i] + g.hips[1][i]) / 2;
        up[i] = (g.hands[0][i] + g.hands[1][i]) / 2 - hips[i];
    }
    float r[9];
    limb_rotation(axis_y, axis_x, up, axis_x, axis_z, r);
    set_bone(pose, RIDER_BONE_PELVIS, rider_bones[RIDER_BONE_PELVIS], hips, r);
}

bool shaders_on(void)
{
    return g_render.use_shader != 0;
}

void active_unit(unsigned unit)
{
    if (gl_ext.glActiveTextureARB) gl_ext.glActiveTextureARB(unit);
}

void bind_counted(unsigned texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    ++render_stats.texture_binds;
}

} // namespace

void rider_pose_build(bike *b, const float body_position[3], const float body_rotation[9], rider_pose *pose)
{
    pose3 rider;
    for (int i = 0; i < 3; ++i) rider.p[i] = body_position[i];
    for (int i = 0; i < 9; ++i) rider.m[i] = body_rotation[i];
    rider_pose_torso(b, pose);
    rider_pose_arms(b, rider, pose);
    rider_pose_legs(b, rider, pose);
}

void rider_head_look(bike *b, const float body_rotation[9], float out[9])
{
    const dReal *vel = dBodyGetLinearVel(b->bodies[BODY_RIDER]);
    float v[3] = {(float)vel[0], (float)vel[1], (float)vel[2]};
    const float a[3] = {body_rotation[2], body_rotation[5], body_rotation[8]};
    const float along = dot(v, a);
    if (along >= 0)
        for (int i = 0; i < 3; ++i) v[i] -= along * a[i];
    float w[3] = {a[0] - v[0], a[1] - v[1], a[2] - v[2]};
    const float w2 = dot(w, w);
    if (w2 < 1024) {
        const float t = std::sqrt(w2) / 32;
        for (int i = 0; i < 3; ++i) w[i] = a[i] - t * v[i];
    }
    const float hl = std::sqrt(w[0] * w[0] + w[2] * w[2]);
    const float lift = std::fmax(0.0f, hl * (60 - hl) * 0.0058333333f) + hl / 4;
    float look[3] = {w[0], lift, w[2]};
    if (!normalise(look))
        for (int i = 0; i < 3; ++i) look[i] = a[i];
    // The look in body terms, its turn away from straight ahead limited and blended a third of
    // the way back toward the body.
    float local[3];
    for (int j = 0; j < 3; ++j)
        local[j] = body_rotation[j] * look[0] + body_rotation[3 + j] * look[1] + body_rotation[6 + j] * look[2];
    float turn[2] = {local[0] * 1.5f, local[1] * 0.5547002f};
    if (turn[0] > 0.5f) turn[0] = 0.5f;
    if (turn[0] < -0.5f) turn[0] = -0.5f;
    if (turn[1] > 0.75f) turn[1] = 0.75f;
    if (turn[1] < -0.75f) turn[1] = -0.75f;
    float back[3] = {turn[0] * 2 / 3, turn[1] * 2 / 3, 1};
    normalise(back);
    float side[3], up[3];
    cross(axis_y, back, side);
    if (!normalise(side)) {
        side[0] = 1;
        side[1] = side[2] = 0;
    }
    cross(back, side, up);
    const float local_m[9] = {side[0], up[0], back[0], side[1], up[1], back[1], side[2], up[2], back[2]};
    multiply(body_rotation, local_m, out);
}

void bike_body_matrix(dBodyID body, float position[3], float rotation[9])
{
    const dReal *p = dBodyGetPosition(body), *r = dBodyGetRotation(body);
    GLfloat m[16] = {0};
    for (int i = 0; i < 3; ++i) {
        position[i] = (float)p[i];
        for (int j = 0; j < 3; ++j) {
            rotation[i * 3 + j] = (float)r[i * 4 + j];
            m[j * 4 + i] = (float)r[i * 4 + j];   // OpenGL reads columns
        }
        m[12 + i] = position[i];
    }
    m[15] = 1;
    glPushMatrix();
    glMultMatrixf(m);
}

void bind_model_maps(unsigned base, unsigned normal, unsigned specular)
{
    if (shaders_on()) {
        active_unit(GL_TEXTURE2_ARB);
        if (normal && specular) {
            glBindTexture(GL_TEXTURE_2D, specular);
            glEnable(GL_TEXTURE_2D);
        } else {
            glDisable(GL_TEXTURE_2D);
        }
        active_unit(GL_TEXTURE1_ARB);
        if (normal) {
            glBindTexture(GL_TEXTURE_2D, normal);
            glEnable(GL_TEXTURE_2D);
        } else {
            glDisable(GL_TEXTURE_2D);
        }
        active_unit(GL_TEXTURE0_ARB);
        shader_use(normal && specular ? SHADER_NORM_SPEC_LIT : normal ? SHADER_NORM_LIT : SHADER_LIT);
    }
    bind_counted(base);
}

void bind_env_maps(unsigned normal)
{
    if (!shaders_on()) return;
    active_unit(GL_TEXTURE1_ARB);
    if (normal) {
        glBindTexture(GL_TEXTURE_2D, normal);
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    active_unit(GL_TEXTURE0_ARB);
    shader_use(normal ? SHADER_NORM_ENV : SHADER_ENV);
}

int bike_parts_drawn(int rider_view, int crashed, int reflection_pass)
{
    int parts = BIKE_PART_FRAME | BIKE_PART_FORK_UPPER | BIKE_PART_FORK_LOWER | BIKE_PART_SWINGARM |
                BIKE_PART_FRONT_WHEEL | BIKE_PART_REAR_WHEEL | BIKE_PART_EXTRAS;
    if (rider_view == RIDER_VIEW_OUTSIDE) parts |= BIKE_PART_RIDER | BIKE_PART_HELMET | BIKE_PART_RIDER_LAYER;
    if (rider_view == RIDER_VIEW_FIRST_PERSON) parts |= BIKE_PART_RIDER | BIKE_PART_FIRST_PERSON;
    if (rider_view != RIDER_VIEW_OUTSIDE && !crashed) {
        parts &= ~(BIKE_PART_SWINGARM | BIKE_PART_REAR_WHEEL);
        if (reflection_pass) parts &= ~(BIKE_PART_FORK_LOWER | BIKE_PART_FRONT_WHEEL);
    }
    return parts;
}

namespace {

struct rigid_part {
    int part;
    int body;
    km_model *model;
    int group;   // 0 frame maps, 1 wheel maps, 2 extras
};

void draw_rigid(bike *b, const rigid_part &r, const float eye[3], bool reflect)
{
    float p[3], m[9];
    bike_body_matrix(b->bodies[r.body], p, m);
    if (reflect) model_draw_colored(r.model, eye, p, m);
    else model_draw_lit(r.model, eye, p, m);
    glPopMatrix();
}

} // namespace

void bike_draw(bike *b, int rider_view, const float eye[3])
{
    if (!b || !b->bodies[BODY_FRAME]) return;
    const bike_handles &h = b->handles;
    const int crashed = b->crash_counter != 0;
    const int lit_parts = bike_parts_drawn(rider_view, crashed, 0);
    const int env_parts = bike_parts_drawn(rider_view, crashed, 1);

    pose3 rider;
    rider_draw_pose(b, &rider);
    const bool has_rider = (lit_parts & BIKE_PART_RIDER) && (h.rider_body_model || h.rider_body_fp_model);
    const km_model *rider_model =
        (lit_parts & BIKE_PART_FIRST_PERSON) && h.rider_body_fp_model ? h.rider_body_fp_model : h.rider_body_model;
    static rider_pose pose;   // one bike at a time, on the main thread
    if (has_rider) rider_pose_build(b, rider.p, rider.m, &pose);
    // The pose is skinned once for all the passes that draw it (on the fixed pipeline).
    static unsigned pose_serials;
    if (++pose_serials == 0) ++pose_serials;
    model_pose_serial = pose_serials;

    glEnable(GL_LIGHTING);
    const float material[4] = {1, 1, 1, model_alpha};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, material);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    const rigid_part parts[] = {
        {BIKE_PART_FRAME, BODY_FRAME, h.frame_model, 0},
        {BIKE_PART_FORK_UPPER, BODY_FORK_UPPER, h.fork_upper_model, 0},
        {BIKE_PART_FORK_LOWER, BODY_FORK_LOWER, h.fork_lower_model, 0},
        {BIKE_PART_SWINGARM, BODY_SWINGARM, h.swingarm_model, 0},
        {BIKE_PART_FRONT_WHEEL, BODY_FRONT_WHEEL, h.front_wheel_model, 1},
        {BIKE_PART_REAR_WHEEL, BODY_REAR_WHEEL, h.rear_wheel_model, 1},
        {BIKE_PART_EXTRAS, BODY_FORK_UPPER, h.front_plate_model, 2},
        {BIKE_PART_EXTRAS, BODY_FRAME, h.side_plates_model, 2},
    };
    const unsigned maps[3][3] = {{h.bike_texture, h.bike_normal_map, h.bike_specular_map},
                                 {h.wheel_texture, h.wheel_normal_map, h.wheel_specular_map},
                                 {b->plate_texture, 0, 0}};

    // Lit pass: frame group, wheels, rider, helmet, extras, the rider's second layer.
    int group = -1;
    for (int i = 0; i < 6; ++i) {
        const rigid_part &r = parts[i];
        if (!(lit_parts & r.part) || !r.model || !b->bodies[r.body]) continue;
        if (r.group != group) bind_model_maps(maps[r.group][0], maps[r.group][1], maps[r.group][2]);
        group = r.group;
        draw_rigid(b, r, eye, false);
    }
    GLfloat rider_matrix[16] = {0};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) rider_matrix[j * 4 + i] = rider.m[i * 3 + j];
        rider_matrix[12 + i] = rider.p[i];
    }
    rider_matrix[15] = 1;
    if (has_rider && rider_model) {
        bind_model_maps(h.rider_body_texture, h.rider_body_normal_map, h.rider_body_specular_map);
        glPushMatrix();
        glMultMatrixf(rider_matrix);
        model_draw_lit_impl(rider_model, eye, rider.p, rider.m, pose.centres, pose.translations, pose.rotations,
                            RIDER_BONES);
        glPopMatrix();
    }
    float head_at[3], head_m[9];
    GLfloat head_matrix[16] = {0};
    const bool helmet = (lit_parts & BIKE_PART_HELMET) && h.head_model;
    if (helmet) {
        float head_local[3];
        onboard_eye_local(1, head_local);
        to_world(rider, head_local, head_at);
        rider_head_look(b, rider.m, head_m);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) head_matrix[j * 4 + i] = head_m[i * 3 + j];
            head_matrix[12 + i] = head_at[i];
        }
        head_matrix[15] = 1;
        bind_model_maps(h.head_texture, h.head_normal_map, h.head_specular_map);
        glPushMatrix();
        glMultMatrixf(head_matrix);
        model_draw_lit(h.head_model, eye, head_at, head_m);
        glPopMatrix();
    }
    bind_model_maps(b->plate_texture, 0, 0);
    for (int i = 6; i < 8; ++i)
        if (parts[i].model && b->bodies[parts[i].body]) draw_rigid(b, parts[i], eye, false);
    const bool layer = (lit_parts & BIKE_PART_RIDER_LAYER) && has_rider && h.rider_plate_model;
    if (layer) {
        glPushMatrix();
        glMultMatrixf(rider_matrix);
        model_draw_lit_impl(h.rider_plate_model, eye, rider.p, rider.m, pose.centres, pose.translations,
                            pose.rotations, RIDER_BONES);
        glPopMatrix();
    }

    // Reflective pass: the same models again, additively, with the sky's environment texture.
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_ONE, GL_ONE);
    if (shaders_on()) {
        active_unit(GL_TEXTURE2_ARB);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        active_unit(GL_TEXTURE0_ARB);
    }
    bind_counted((unsigned)track_lighting.sky_env);
    group = -1;
    auto reflect_rigid = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const rigid_part &r = parts[i];
            if (!(env_parts & r.part) || !r.model || !b->bodies[r.body] || !model_is_env_mapped(r.model)) continue;
            if (r.group != group) bind_env_maps(maps[r.group][1]);
            group = r.group;
            draw_rigid(b, r, eye, true);
        }
    };
    reflect_rigid(0, 6);
    if (has_rider && rider_model && model_is_env_mapped(rider_model)) {
        bind_env_maps(h.rider_body_normal_map);
        group = -1;
        glPushMatrix();
        glMultMatrixf(rider_matrix);
        model_draw_colored_impl(rider_model, eye, rider.p, rider.m, pose.centres, pose.translations,
                                pose.rotations, RIDER_BONES);
        glPopMatrix();
    }
    if (helmet && model_is_env_mapped(h.head_model)) {
        bind_env_maps(h.head_normal_map);
        group = -1;
        glPushMatrix();
        glMultMatrixf(head_matrix);
        model_draw_colored(h.head_model, eye, head_at, head_m);
        glPopMatrix();
    }
    reflect_rigid(6, 8);
    if (layer && model_is_env_mapped(h.rider_plate_model)) {
        bind_env_maps(0);
        glPushMatrix();
        glMultMatrixf(rider_matrix);
        model_draw_colored_impl(h.rider_plate_model, eye, rider.p, rider.m, pose.centres, pose.translations,
                                pose.rotations, RIDER_BONES);
        glPopMatrix();
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    model_pose_serial = 0;
}
