// Drawing ".km" models. Static meshes are display lists compiled at load; skinned meshes without
// shader programs are posed here from their bind pose, and reflective meshes get environment-map
// coordinates from the view each draw.
#include "graphics/model_draw.h"
#include "graphics/glcaps.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "graphics/render_options.h"
#include "platform/command_line.h"
#include "graphics/lighting_record.h"
#include "graphics/listener.h"
#include <GL/gl.h>
#include <cmath>

namespace {

const float two_pi = 6.283185307179586f;

unsigned gl_list_compile(const km_mesh *mesh)
{
    GLuint list = glGenLists(1);
    if (!list) return 0;
    glNewList(list, GL_COMPILE);
    mesh_draw_arrays(mesh);
    glEndList();
    return list;
}

void gl_list_destroy(unsigned list)
{
    glDeleteLists(list, 1);
}

float distance(const float *a, const float *b)
{
    float d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

void normalise(float *v)
{
    float l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (l > 0) {
        v[0] /= l;
        v[1] /= l;
        v[2] /= l;
    }
}

void mesh_draw(const km_mesh *m)
{
    render_stats.model_vertices += (unsigned)m->vertex_count;
    render_stats.model_triangles += (unsigned)m->triangle_count;
    if (m->display_list) glCallList(m->display_list);
    else if (g_options.novertexarrays) mesh_draw_immediate(m);
    else mesh_draw_arrays(m);
}

const km_model *pass_begin(const km_model *model, const float *position, const float *centres,
                           const float *translations, const float *rotations, int bone_count)
{
    const km_model *chosen = model_choose_lod(model, distance(position, listener), g_render.model_lod_scale,
                                              g_render.model_lod_bias);
    shader_set_bones(bone_count, centres, translations, rotations);
    return chosen;
}

} // namespace

const model_list_ops model_gl_lists = {gl_list_compile, gl_list_destroy};
unsigned model_pose_serial;

const km_model *model_choose_lod(const km_model *model, float distance, float scale, float bias)
{
    const km_model *chosen = model;
    for (const km_mesh *lod = model->lod_next; lod; lod = lod->lod_next) {
        float reach = lod->lod_distance - bias;
        if (reach > 0 && scale * distance < reach) break;
        chosen = lod;
    }
    return chosen;
}

void model_draw_lit_impl(const km_model *model, const float *eye, const float *position, const float *rotation,
                         const float *centres, const float *translations, const float *rotations, int bone_count)
{
    const km_model *chosen = pass_begin(model, position, centres, translations, rotations, bone_count);
    for (const km_mesh *m = chosen; m; m = m->next) {
        if (m->shininess == -1) break;
        float colour[4] = {m->red, m->green, m->blue, m->alpha};
        const int unlit = m->shininess == -2;
        if (unlit) {
            static const float black[4] = {0, 0, 0, 1};
            glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
            glLightfv(GL_LIGHT0, GL_AMBIENT, colour);
            glMaterialfv(GL_FRONT, GL_DIFFUSE, black);
            glMaterialfv(GL_FRONT, GL_SPECULAR, black);
            glMaterialf(GL_FRONT, GL_SHININESS, 1);
        } else {
            glMaterialfv(GL_FRONT, GL_SPECULAR, colour);
            glMaterialf(GL_FRONT, GL_SHININESS, m->shininess > 0.125f ? m->shininess : 0.125f);
        }
        if (bone_count > 0) mesh_skin((km_mesh *)m, centres, translations, rotations, bone_count);
        mesh_draw(m);
        if (unlit) {
            const lighting_record &l = track_lighting;
            const float global[4] = {l.global_ambient[0], l.global_ambient[1], l.global_ambient[2], 1};
            const float ambient[4] = {l.ambient[0], l.ambient[1], l.ambient[2], 1};
            static const float white[4] = {1, 1, 1, 1};
            glLightModelfv(GL_LIGHT_MODEL_AMBIENT, global);
            glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
            glMaterialfv(GL_FRONT, GL_DIFFUSE, white);
        }
    }
}

void model_draw_colored_impl(const km_model *model, const float *eye, const float *position, const float *rotation,
                             const float *centres, const float *translations, const float *rotations,
                             int bone_count)
{
    const km_model *chosen = pass_begin(model, position, centres, translations, rotations, bone_count);
    for (const km_mesh *m = chosen; m; m = m->next) {
        if (m->shininess != -1) continue;
        if (!g_render.use_shader) mesh_env_coords((km_mesh *)m, eye, position, rotation);
        glColor4f(m->alpha * m->red, m->alpha * m->green, m->alpha * m->blue, 1);
        if (bone_count > 0) mesh_skin((km_mesh *)m, centres, translations, rotations, bone_count);
        mesh_draw(m);
    }
}

void model_draw_lit(const km_model *model, const float *eye, const float *position, const float *rotation)
{
    model_draw_lit_impl(model, eye, position, rotation, nullptr, nullptr, nullptr, 0);
}

void model_draw_colored(const km_model *model, const float *eye, const float *position, const float *rotation)
{
    model_draw_colored_impl(model, eye, position, rotation, nullptr, nullptr, nullptr, 0);
}

int model_is_env_mapped(const km_mesh *model)
{
    return g_render.reflections && model->reflective;
}

void model_draw_wire(const km_mesh *m)
{
    for (int t = 0; t < m->triangle_count; ++t) {
        const std::int32_t *tri = m->triangles + t * 3;
        glBegin(GL_LINE_LOOP);
        for (int c = 0; c < 3; ++c) glVertex3fv(m->positions + tri[c] * 3);
        glEnd();
    }
}

void mesh_env_coords(km_mesh *m, const float *eye, const float *position, const float *rotation)
{
    const float *R = rotation;
    float to_object[3] = {position[0] - eye[0], position[1] - eye[1], position[2] - eye[2]};
    float d[3];
    for (int j = 0; j < 3; ++j) d[j] = to_object[0] * R[j] + to_object[1] * R[3 + j] + to_object[2] * R[6 + j];
    for (int i = 0; i < m->vertex_count; ++i) {
        const float *p = m->positions + i * 3, *n = m->normals + i * 3;
        float v[3] = {p[0] + d[0], p[1] + d[1], p[2] + d[2]};
        float vn = v[0] * n[0] + v[1] * n[1] + v[2] * n[2];
        float r[3] = {v[0] - 2 * vn * n[0], v[1] - 2 * vn * n[1], v[2] - 2 * vn * n[2]};
        float w[3];
        for (int j = 0; j < 3; ++j) w[j] = r[0] * R[3 * j] + r[1] * R[3 * j + 1] + r[2] * R[3 * j + 2];
        normalise(w);
        float y = w[1] < -1 ? -1 : w[1] > 1 ? 1 : w[1];
        float t = std::acos(y) / two_pi;
        float h = std::sqrt(w[0] * w[0] + w[2] * w[2]);
        // Straight up or down has no azimuth: take it along x (up is the centre either way).
        float hx = h > 0 ? w[0] / h : 1, hz = h > 0 ? w[2] / h : 0;
        m->texcoords[i * 2] = t * hx + 0.5f;
        m->texcoords[i * 2 + 1] = t * hz + 0.5f;
    }
}

void mesh_skin(km_mesh *m, const float *centres, const float *translations, const float *rotations,
               int bone_count)
{
    if (g_render.use_shader || bone_count != m->bone_count || m->bone_count <= 0) return;
    if (model_pose_serial && m->posed_serial == model_pose_serial) return;
    m->posed_serial = model_pose_serial;
    const int n = m->vertex_count;
    const float *bind_p = m->positions + n * 3, *bind_n = m->normals + n * 3, *bind_t = m->tangents + n * 3;
    for (int i = 0; i < n; ++i) {
        const float *p = bind_p + i * 3, *nv = bind_n + i * 3, *tv = bind_t + i * 3;
        float P[3] = {0, 0, 0}, N[3] = {0, 0, 0}, T[3] = {0, 0, 0};
        for (int k = 0; k < 4; ++k) {
            float w = m->weights[i * 4 + k];
            if (w <= 0) continue;
            int b = m->bone_indices[i * 4 + k];
            const float *R = rotations + b * 9, *c = centres + b * 3, *tr = translations + b * 3;
            float d[3] = {p[0] - c[0], p[1] - c[1], p[2] - c[2]};
            for (int j = 0; j < 3; ++j) {
                P[j] += w * (d[0] * R[j] + d[1] * R[3 + j] + d[2] * R[6 + j] + tr[j]);
                N[j] += w * (nv[0] * R[j] + nv[1] * R[3 + j] + nv[2] * R[6 + j]);
                T[j] += w * (tv[0] * R[j] + tv[1] * R[3 + j] + tv[2] * R[6 + j]);
            }
        }
        normalise(N);
        normalise(T);
        for (int j = 0; j < 3; ++j) {
            m->positions[i * 3 + j] = P[j];
            m->normals[i * 3 + j] = N[j];
            m->tangents[i * 3 + j] = T[j];
        }
    }
}

void mesh_draw_arrays(const km_mesh *m)
{
    const int shaders = g_render.use_shader;
    const int skinned = m->bone_count > 0;
    glVertexPointer(3, GL_FLOAT, 0, m->positions);
    glTexCoordPointer(2, GL_FLOAT, 0, m->texcoords);
    glNormalPointer(GL_FLOAT, 0, m->normals);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    if (shaders) {
        gl_ext.glClientActiveTextureARB(GL_TEXTURE1_ARB);
        glTexCoordPointer(3, GL_FLOAT, 0, m->tangents);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        if (skinned) {
            gl_ext.glClientActiveTextureARB(GL_TEXTURE2_ARB);
            glTexCoordPointer(4, GL_FLOAT, 0, m->weights);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            gl_ext.glClientActiveTextureARB(GL_TEXTURE3_ARB);
            glTexCoordPointer(4, GL_INT, 0, m->bone_indices);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        }
    }
    glDrawElements(GL_TRIANGLES, 3 * m->triangle_count, GL_UNSIGNED_INT, m->triangles);
    if (shaders) {
        if (skinned) {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            gl_ext.glClientActiveTextureARB(GL_TEXTURE2_ARB);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        gl_ext.glClientActiveTextureARB(GL_TEXTURE1_ARB);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        gl_ext.glClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

void mesh_draw_immediate(const km_mesh *m)
{
    const int shaders = g_render.use_shader;
    const int skinned = m->bone_count > 0;
    glBegin(GL_TRIANGLES);
    for (int t = 0; t < m->triangle_count * 3; ++t) {
        int v = m->triangles[t];
        if (shaders) {
            gl_ext.glMultiTexCoord3fvARB(GL_TEXTURE1_ARB, m->tangents + v * 3);
            if (skinned) {
                gl_ext.glMultiTexCoord4fvARB(GL_TEXTURE2_ARB, m->weights + v * 4);
                gl_ext.glMultiTexCoord4ivARB(GL_TEXTURE3_ARB, m->bone_indices + v * 4);
            }
        }
        glNormal3fv(m->normals + v * 3);
        glTexCoord2fv(m->texcoords + v * 2);
        glVertex3fv(m->positions + v * 3);
    }
    glEnd();
}
