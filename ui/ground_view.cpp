// The projection, the world drawn from a camera (for now the ground under a plain sky colour)
// and the track and free camera view.
#include "ui/ground_view.h"
#include "ui/ui.h"
#include "shell/cameras.h"
#include "shell/globals.h"
#include "shell/seams.h"
#include "shell/startup.h"
#include "terrain/compose.h"
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/lighting.h"
#include "terrain/terrain_seams.h"
#include "graphics/glcaps.h"
#include <cmath>

float listener[3];
float view_half_x, view_half_y;

void terrain_settings_from_render(void)
{
    terrain_settings.lod_tolerance = g_render.terrain_detail > 0 ? g_render.terrain_detail : 0.125f;
    terrain_settings.ground_texture_detail = g_render.ground_texture_detail;
    terrain_settings.ground_texture_size = g_render.ground_texture_size > 0 ? g_render.ground_texture_size : 256;
    terrain_settings.ground_mipmaps = g_render.ground_mipmaps;
    terrain_settings.terrain_shader = g_render.terrain_shader;
    terrain_settings.framebuffer_objects = gl_caps.framebuffer_object;
    terrain_settings.debug_level = g_options.debug_level;
    terrain_settings.vertex_arrays = !g_options.novertexarrays;
}

void set_projection(int width, int height, float fov_degrees)
{
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    const double h = fov_degrees * 3.14159265358979 / 360, aspect = (double)width / height;
    if (aspect > 4.0 / 3.0) {
        // Wide windows keep the vertical extent of a 4:3 view.
        view_half_y = (float)(0.75 * std::tan(h));
        view_half_x = (float)(view_half_y * aspect);
    } else {
        view_half_x = (float)std::tan(h);
        view_half_y = view_half_x * (float)height / (float)width;
    }
    const double n = track_lighting.near_plane > 0 ? track_lighting.near_plane : 0.25;
    double f = track_lighting.far_plane > n ? track_lighting.far_plane : 5000;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-view_half_x * n, view_half_x * n, -view_half_y * n, view_half_y * n, n, f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void scene_draw(const float eye[3], const float rotation[9], float fov_degrees, int first_person_slot)
{
    (void)first_person_slot;   // no riders are drawn yet
    terrain_settings_from_render();
    for (int k = 0; k < 3; ++k) listener[k] = eye[k];
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

    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);   // the ground is drawn far to near
    glClearColor(0.55f, 0.70f, 0.90f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glTranslatef(-eye[0], -eye[1], -eye[2]);
    if (ground) terrain_draw(t);
    glLoadIdentity();
    glDepthFunc(GL_ALWAYS);
}

void matrix_from_yaw_pitch(float pitch, float yaw, float out[9])
{
    const float sp = std::sin(pitch), cp = std::cos(pitch), sy = std::sin(yaw), cy = std::cos(yaw);
    const float m[9] = {-cy, -sp * sy, -sy * cp, 0, cp, -sp, sy, -sp * cy, -cp * cy};
    for (int i = 0; i < 9; ++i) out[i] = m[i];
}

void keycam_view_draw(void)
{
    const int index = track_camera_index, count = track_cameras.count;
    const track_camera *camera =
        index >= 0 && index < count ? (const track_camera *)track_cameras.items + index : &free_camera;
    float rotation[9];
    matrix_from_yaw_pitch(camera->pitch, camera->yaw, rotation);
    listener_velocity[0] = listener_velocity[1] = listener_velocity[2] = 0;
    scene_draw(camera->position, rotation, camera->fov, -1);
}
