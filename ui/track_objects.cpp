// The track's statues: a lit pass with each statue's maps, then an additive pass of the
// reflective ones with the sky's environment texture. Cut-outs turn to face the eye.
#include "ui/lens_flares.h"
#include "ui/bike_draw.h"
#include "graphics/glcaps.h"
#include "graphics/model.h"
#include "graphics/model_draw.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "terrain/lighting.h"
#include "terrain/statues.h"
#include <GL/gl.h>
#include <cmath>

namespace {

void active_unit(unsigned unit)
{
    if (gl_ext.glActiveTextureARB) gl_ext.glActiveTextureARB(unit);
}

void unit_texture(unsigned unit, unsigned texture)
{
    active_unit(unit);
    if (texture) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    active_unit(GL_TEXTURE0_ARB);
}

// Turns the statue about the vertical so that its front (-z) looks at the eye.
void face_eye(statue *s, const float eye[3])
{
    float b[3] = {eye[0] - s->x, 0, eye[2] - s->z};
    const float l = std::sqrt(b[0] * b[0] + b[2] * b[2]);
    if (!(l > 1e-4f)) return;
    b[0] /= l;
    b[2] /= l;
    // Columns right, up, backward; the front (-backward) toward the eye.
    const float m[9] = {-b[2], 0, -b[0], 0, 1, 0, b[0], 0, -b[2]};
    for (int i = 0; i < 9; ++i) s->orientation[i] = m[i];
}

} // namespace

int statue_faces_eye(float v, float distance, float bias, float scale)
{
    return v != 0 && std::fabs(v - bias) < distance * scale;
}

void track_object_draw(statue *s, const float eye[3], int env_pass)
{
    const float d[3] = {s->x - eye[0], s->y - eye[1], s->z - eye[2]};
    const float distance = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const double detail = config_sliders[CONFIG_MODEL_DETAIL].value;
    if (detail <= 10 && distance > 20 * detail * detail) return;
    if (statue_faces_eye(s->turn_value, distance, g_render.model_lod_bias, g_render.model_lod_scale))
        face_eye(s, eye);
    const float position[3] = {s->x, s->y, s->z};
    GLfloat m[16] = {0};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m[j * 4 + i] = s->orientation[i * 3 + j];
        m[12 + i] = position[i];
    }
    m[15] = 1;
    glPushMatrix();
    glMultMatrixf(m);
    if (env_pass) model_draw_colored(s->model, eye, position, s->orientation);
    else model_draw_lit(s->model, eye, position, s->orientation);
    glPopMatrix();
}

void track_objects_draw(const float eye[3])
{
    if (statues.count <= 0) return;
    statue *all = (statue *)statues.items;
    const bool shaders = g_render.use_shader != 0;
    if (shaders) shader_use(SHADER_LIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const float material[4] = {1, 1, 1, model_alpha};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, material);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1, 1, 1, 1);
    unsigned base = ~0u, normal = ~0u, specular = ~0u;
    for (int i = 0; i < statues.count; ++i) {
        statue &s = all[i];
        if (!s.model || !s.texture) continue;
        if (s.texture != base) {
            glBindTexture(GL_TEXTURE_2D, s.texture);
            ++render_stats.texture_binds;
            base = s.texture;
        }
        if (shaders) {
            if (s.normal_texture != normal) unit_texture(GL_TEXTURE1_ARB, normal = s.normal_texture);
            if (s.specular_texture != specular) unit_texture(GL_TEXTURE2_ARB, specular = s.specular_texture);
            shader_use(s.specular_texture ? SHADER_NORM_SPEC_LIT : s.normal_texture ? SHADER_NORM_LIT : SHADER_LIT);
        }
        track_object_draw(&s, eye, 0);
    }
    if (shaders) {
        unit_texture(GL_TEXTURE1_ARB, 0);
        unit_texture(GL_TEXTURE2_ARB, 0);
        shader_use(SHADER_ENV);
    }
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, (unsigned)track_lighting.sky_env);
    ++render_stats.texture_binds;
    for (int i = 0; i < statues.count; ++i) {
        statue &s = all[i];
        if (!s.model || !model_is_env_mapped(s.model)) continue;
        if (shaders) {
            unit_texture(GL_TEXTURE1_ARB, s.normal_texture);
            shader_use(s.normal_texture ? SHADER_NORM_ENV : SHADER_ENV);
        }
        track_object_draw(&s, eye, 1);
    }
    if (shaders) unit_texture(GL_TEXTURE1_ARB, 0);
    glDisable(GL_BLEND);
    if (shaders) shader_use(SHADER_FIXED);
}
