// The race views that end in the scene: on board a rider, and the keyframed path, track and free
// cameras.
#include "ui/ground_view.h"
#include "ui/scene.h"
#include "ui/timing_tower.h"
#include "ui/ui.h"
#include "graphics/listener.h"
#include "terrain/free_camera.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/pacing.h"
#include "shell/startup.h"
#include "terrain/cameras.h"
#include "terrain/compose.h"
#include "terrain/draw.h"
#include "terrain/terrain_seams.h"
#include "racing/race.h"
#include "racing/standings.h"
#include "graphics/glcaps.h"
#include <cmath>
#include <cstdio>

int keycam_playback;

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

void onboard_camera(dBodyID body, float k, float angle_degrees, float eye[3], float rotation[9])
{
    float local[3];
    onboard_eye_local(k, local);
    dVector3 w;
    dBodyGetRelPointPos(body, local[0], local[1], local[2], w);
    const dReal *r = dBodyGetRotation(body);
    const float a = angle_degrees * (float)M_PI / 180, c = std::cos(a), s = std::sin(a);
    for (int i = 0; i < 3; ++i) {
        eye[i] = (float)w[i];
        const float u = (float)r[i * 4 + 1], v = (float)r[i * 4 + 2];
        rotation[i * 3] = (float)r[i * 4];
        rotation[i * 3 + 1] = u * c - v * s;
        rotation[i * 3 + 2] = u * s + v * c;
    }
}

void onboard_view_draw(dBodyID body, int slot)
{
    if (!body) return;
    float eye[3], rotation[9];
    onboard_camera(body, (float)config_sliders[CONFIG_FIRST_PERSON_HEIGHT].value,
                   (float)config_sliders[CONFIG_FIRST_PERSON_ANGLE].value, eye, rotation);
    if (g_options.print_orientation || setting_spy()) {
        // Video frames go to standard output; the line must not land among them.
        FILE *out = g_options.record_video ? stderr : stdout;
        fprintf(out, "t=%f p0=%f p1=%f p2=%f x0=%f x1=%f x2=%f z0=%f z1=%f z2=%f\n", tick_count / 128.0,
                eye[0], eye[1], eye[2], rotation[0], rotation[3], rotation[6], rotation[2], rotation[5],
                rotation[8]);
    }
    const dReal *v = dBodyGetLinearVel(body);
    for (int k = 0; k < 3; ++k) listener_velocity[k] = (float)v[k];
    scene_draw(eye, rotation, setting_fov(), slot);
}

void keycam_view_draw(void)
{
    float eye[3], rotation[9], fov;
    if (keycam_playback &&
        keyframe_camera((const camera_keyframe *)camera_keyframes.items, camera_keyframes.count, tick_count, eye,
                        rotation, &fov)) {
        listener_velocity[0] = listener_velocity[1] = listener_velocity[2] = 0;
        scene_draw(eye, rotation, fov, -1);
        return;
    }
    const int index = track_camera_index, count = track_cameras.count;
    const bool track = index >= 0 && index < count;
    const track_camera *camera = track ? (const track_camera *)track_cameras.items + index : &free_camera;
    matrix_from_yaw_pitch(camera->pitch, camera->yaw, rotation);
    listener_velocity[0] = listener_velocity[1] = listener_velocity[2] = 0;
    float camera_fov = camera->fov;
    if (!(camera_fov >= 1)) camera_fov = 1;
    if (camera_fov > 179) camera_fov = 179;
    scene_draw(camera->position, rotation, camera_fov, -1);
    if (!track) return;
    static tower_entry entries[TOWER_ENTRIES_MAX];
    const int n = tower_entries_build(entries, TOWER_ENTRIES_MAX);
    // The scene leaves depth testing and face culling on, which would hide the boards' cells.
    overlay_state_begin();
    timing_tower_draw(entries, n, platform_now());
    if (standings_count > 0) {
        int lap;
        const standings_entry &leader = results_final ? results[0] : standings[0];
        const int state = lap_board_state(leader.gates, race_first_lap_gates(), race_gates_per_lap(),
                                          race_laps, &lap);
        lap_board_draw(state, lap);
    }
    overlay_state_end();
}
