// The chase camera, the aiming of the track cameras and the free camera's flight.
#include "shell/main/cameras.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/main/seams.h"
#include "shell/startup.h"
#include "shell/main/tick.h"
#include "terrain/field.h"
#include "bike/bike.h"
#include "racing/race.h"
#include "ui/ui.h"
#include <cmath>

chase_orbit_state chase_orbit = {0.0f, 10.0f, 5.0f};

static const float PI = 3.14159265358979f;

static struct {
    float chase_dir[3];     // the last defined chase direction, centre to eye
    float previous_dab;     // the dab sum seen by the last track-camera tick
} g_cameras = {{0, 0, 1}, 0};

void cameras_reset(void)
{
    free_camera = {};
    free_camera.fov = 90.0f;
    free_camera_speed = 0.0f;
    chase_orbit = {0.0f, 10.0f, 5.0f};
    listener_velocity[0] = listener_velocity[1] = listener_velocity[2] = 0.0f;
    g_cameras = {};
    g_cameras.chase_dir[2] = 1.0f;
}

static inline float clampf(float v, float lo, float hi) { return v < lo ? lo : v > hi ? hi : v; }

// Into -pi..pi by one turn at most.
static inline float wrap(float a)
{
    if (a > PI) return a - 2 * PI;
    if (a < -PI) return a + 2 * PI;
    return a;
}

float terrain_disc_height(const terrain_field *t, float x, float z, float radius)
{
    const float s = t->cell_size, inv = 1.0f / s;
    const int last = t->grid_dim - 1;
    const int i0 = (int)std::floor(terrain_safe_cells(x - radius, inv)), i1 = (int)std::ceil(terrain_safe_cells(x + radius, inv));
    const int j0 = (int)std::floor(terrain_safe_cells(z - radius, inv)), j1 = (int)std::ceil(terrain_safe_cells(z + radius, inv));
    auto height = [&](int i, int j) {
        i = i < 0 ? 0 : i > last ? last : i;
        j = j < 0 ? 0 : j > last ? last : j;
        return t->heights[(long)j * t->grid_dim + i];
    };
    double sum = 0, weights = 0;
    // A radius far larger than the terrain adds nothing beyond a grid's worth of rows.
    if ((long)i1 - i0 <= 4L * t->grid_dim && (long)j1 - j0 <= 4L * t->grid_dim)
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i) {
                float dx = (float)i * s - x, dz = (float)j * s - z;
                float d = std::sqrt(dx * dx + dz * dz);
                float w = d < radius ? 1.0f : d < radius + s ? (radius + s - d) / s : 0.0f;
                if (w <= 0) continue;
                sum += (double)w * height(i, j);
                weights += w;
            }
    if (weights <= 0) return height(i0, j0);
    return (float)(sum / weights);
}

void chase_camera_aim(track_camera *camera, const float *sums, const float target[3], const float velocity[3], int cut)
{
    const float t = (float)tick;
    float yaw = camera->yaw, pitch = camera->pitch, yaw_goal, pitch_goal;
    if (!show_rider_numbers) {
        yaw_goal = sums[CONTROL_STEER] * 3 * PI / 8;
        pitch_goal = sums[CONTROL_SHIFT] * PI / 4;
    } else {
        float D[3], E[3];
        for (int k = 0; k < 3; ++k) {
            D[k] = target[k] - camera->position[k];
            E[k] = target[k] + velocity[k] * t - camera->position[k];
        }
        const float a = std::atan2(D[0], D[2]);
        float w = clampf(wrap(std::atan2(E[0], E[2]) - a) / t, -2 * PI, 2 * PI);
        if (cut) yaw = a;
        float e = wrap(a - yaw);
        if ((w > 0 && e < 0) || (w < 0 && e > 0)) w = 0;
        yaw_goal = clampf(e, -PI / 2, PI / 2) + w;

        const float dh = std::sqrt(D[0] * D[0] + D[2] * D[2]), eh = std::sqrt(E[0] * E[0] + E[2] * E[2]);
        const float b = std::atan2(D[1], dh);
        float q = clampf((std::atan2(E[1], eh) - b) / t, -2 * PI, 2 * PI);
        if (cut) pitch = b;
        e = b - pitch;
        if ((q > 0 && e < 0) || (q < 0 && e > 0)) q = 0;
        pitch_goal = q + PI / 4 * e;

        if (cut) {
            camera->yaw_rate = yaw_goal;
            camera->pitch_rate = pitch_goal;
        }
        if (camera->autofovsize > 0) {
            const float distance = std::sqrt(D[0] * D[0] + D[1] * D[1] + D[2] * D[2]);
            const float goal = std::atan2(camera->autofovsize, distance) * 360 / PI;
            if (cut) {
                camera->fov = goal;
            } else {
                const float delta = camera->fov - goal, step = (2 * std::fabs(delta) + 1) * t;
                camera->fov = delta >= 0 ? goal + std::fmax(delta - step, 0.0f) : goal + std::fmin(delta + step, 0.0f);
            }
        }
    }
    const float most = PI * t;   // pi rad/s^2
    camera->yaw_rate += clampf(yaw_goal - camera->yaw_rate, -most, most);
    camera->pitch_rate += clampf(pitch_goal - camera->pitch_rate, -most, most);
    camera->yaw = wrap(yaw + camera->yaw_rate * t);
    camera->pitch = clampf(pitch + camera->pitch_rate * t, -PI / 2, PI / 2);
}

void chase_direction(const float heading[3], const float velocity[3], int rigid, float previous[3])
{
    float u[2] = {heading[0], heading[2]}, v[2] = {velocity[0], velocity[2]};
    const float speed = std::sqrt(v[0] * v[0] + v[1] * v[1]);
    const float heading_length = std::sqrt(u[0] * u[0] + u[1] * u[1]);
    if (heading_length > 0) {
        u[0] /= heading_length;
        u[1] /= heading_length;
    }
    float r[2] = {u[0], u[1]};
    if (!rigid && speed > 0) {
        // Blended as directions, so that at 20 ft/s the camera sits halfway between them.
        const float k = speed >= 30 ? 1.0f : clampf((speed - 10) * 0.05f, 0, 1);
        r[0] = u[0] + k * (v[0] / speed - u[0]);
        r[1] = u[1] + k * (v[1] / speed - u[1]);
    }
    const float length = std::sqrt(r[0] * r[0] + r[1] * r[1]);
    // No horizontal heading and too slow to follow the motion (or the two cancel): the camera
    // stays where it was rather than taking a direction from nothing.
    if (!(length > 1e-6f)) return;
    previous[0] = -r[0] / length;
    previous[1] = 0;
    previous[2] = -r[1] / length;
}

// Row-major rotation whose columns are right, up and backward, looking from eye at centre.
static void look_at(const float eye[3], const float centre[3], float m[9])
{
    float b[3] = {eye[0] - centre[0], eye[1] - centre[1], eye[2] - centre[2]};
    float bl = std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
    if (!(bl > 0)) {
        b[0] = 0; b[1] = 0; b[2] = 1; bl = 1;
    }
    for (float &c : b) c /= bl;
    // right = up_world x backward
    float r[3] = {b[2], 0, -b[0]};
    float rl = std::sqrt(r[0] * r[0] + r[2] * r[2]);
    if (rl > 0) {
        r[0] /= rl;
        r[2] /= rl;
    } else {
        r[0] = 1;   // looking straight down or up
    }
    const float u[3] = {b[1] * r[2] - b[2] * r[1], b[2] * r[0] - b[0] * r[2], b[0] * r[1] - b[1] * r[0]};
    for (int row = 0; row < 3; ++row) {
        m[row * 3 + 0] = r[row];
        m[row * 3 + 1] = u[row];
        m[row * 3 + 2] = b[row];
    }
}

void chase_camera_place(dBodyID frame, int local, float eye[3], float rotation[9])
{
    const float *cc = g_options.chase_center;
    float h, d, dir[3];
    dVector3 centre_v;
    dBodyGetRelPointPos(frame, cc[0], cc[1], cc[2], centre_v);
    const float centre[3] = {(float)centre_v[0], (float)centre_v[1], (float)centre_v[2]};
    if (local) {
        h = (float)config_sliders[CONFIG_THIRD_PERSON_HEIGHT].value;
        d = (float)config_sliders[CONFIG_THIRD_PERSON_DISTANCE].value;
        const dReal *R = dBodyGetRotation(frame);
        const dReal *V = dBodyGetLinearVel(frame);
        const float heading[3] = {-(float)R[2], -(float)R[6], -(float)R[10]};
        const float velocity[3] = {(float)V[0], 0, (float)V[2]};
        chase_direction(heading, velocity, config_choices[CONFIG_RIGID_CAMERA].current == 1, g_cameras.chase_dir);
        for (int k = 0; k < 3; ++k) dir[k] = g_cameras.chase_dir[k];
    } else {
        h = chase_orbit.height;
        d = chase_orbit.distance;
        dir[0] = std::sin(chase_orbit.angle);
        dir[1] = 0;
        dir[2] = std::cos(chase_orbit.angle);
    }
    eye[0] = centre[0] + dir[0] * d;
    eye[2] = centre[2] + dir[2] * d;
    eye[1] = centre[1] + h;
    if (const terrain_field *t = race_terrain())
        if (t->heights) eye[1] = std::fmax(eye[1], terrain_disc_height(t, eye[0], eye[2], 10) + 5);
    look_at(eye, centre, rotation);
}

void chase_view_draw(bike *viewed)
{
    dBodyID frame = viewed ? bike_get_frame_body(viewed) : nullptr;
    if (!frame) return;
    float eye[3], rotation[9];
    chase_camera_place(frame, viewed_is_local(), eye, rotation);
    listener_velocity[0] = listener_velocity[1] = listener_velocity[2] = 0;
    scene_draw(eye, rotation, setting_fov(), NO_RIDER);
    const dReal *v = dBodyGetLinearVel(frame);
    for (int k = 0; k < 3; ++k) listener_velocity[k] = (float)v[k];
    if (!g_options.hidden_hud) hud_draw_telemetry(viewed_slot);
}

void chase_camera_control(const float *sums)
{
    chase_orbit.angle = wrap(chase_orbit.angle + sums[CONTROL_STEER] * 2 * PI / 1024);
    if (sums[CONTROL_THROTTLE] > 0.5f) chase_orbit.distance = std::fmax(chase_orbit.distance - 1.0f / 64, 0.25f);
    if (sums[CONTROL_FRONT_BRAKE] > 0.5f) chase_orbit.distance += 1.0f / 64;
    chase_orbit.height += sums[CONTROL_SHIFT] * (float)tick;
}

int camera_for_gate(int gate_index, int first_lap_gates, int gates_per_lap, const int *lap_list,
                    const int *gate_cameras, int camera_count)
{
    if (!lap_list || !gate_cameras || gate_index < 0) return -1;
    if (first_lap_gates <= 0 && gates_per_lap <= 0) return -1;
    int entry = gate_index;
    if (gate_index >= first_lap_gates) {
        if (gates_per_lap <= 0) return -1;
        entry = first_lap_gates + (gate_index - first_lap_gates) % gates_per_lap;
    }
    if (entry >= first_lap_gates + gates_per_lap) return -1;
    int gate = lap_list[entry];
    if (gate >= 100000) gate -= 100000;
    if (gate < 0 || gate >= 256) return -1;
    const int camera = gate_cameras[gate];
    // The cameras file may map a gate to a camera it never added.
    if (camera < 0 || camera >= camera_count) return -1;
    return camera;
}

void track_camera_control(const float *sums)
{
    const float dab = sums[CONTROL_DAB];
    if (g_cameras.previous_dab < 0.5f && dab >= 0.5f) show_rider_numbers = !show_rider_numbers;
    g_cameras.previous_dab = dab;

    const int count = track_cameras.count;
    bike *b = viewed_bike();
    int cut = 0;
    if (show_rider_numbers && b) {
        int camera = camera_for_gate(bike_get_gate_index(b), race_first_lap_gates(), race_gates_per_lap(),
                                     lap_list, gate_camera, count);
        if (camera != -1 && track_camera_index != -1 && camera != track_camera_index) {
            track_camera_index = camera;
            cut = 1;
        }
    }

    float target[3] = {0, 0, 0}, velocity[3] = {0, 0, 0};
    dBodyID frame = b ? bike_get_frame_body(b) : nullptr;
    if (frame) {
        const dReal *p = dBodyGetPosition(frame), *v = dBodyGetLinearVel(frame);
        for (int k = 0; k < 3; ++k) {
            target[k] = (float)p[k];
            velocity[k] = paused ? 0.0f : (float)v[k];
        }
    }
    const bool selected = track_camera_index >= 0 && track_camera_index < count;
    track_camera *camera = selected ? (track_camera *)track_cameras.items + track_camera_index : &free_camera;
    // Without a rider to follow only the manual aiming has something to do.
    if (frame || !show_rider_numbers) chase_camera_aim(camera, sums, target, velocity, selected ? cut : 0);

    const float t = (float)tick;
    if (sums[CONTROL_THROTTLE] > 0.5f) free_camera_speed = std::fmin(free_camera_speed + 80 * t, 100.0f);
    if (sums[CONTROL_FRONT_BRAKE] > 0.5f) free_camera_speed = std::fmax(free_camera_speed - 80 * t, -100.0f);
    const float drag = 60 * t;
    free_camera_speed = free_camera_speed > 0 ? std::fmax(free_camera_speed - drag, 0.0f)
                                              : std::fmin(free_camera_speed + drag, 0.0f);
    if (std::fabs(free_camera_speed) > 0.0001f) {
        const float step = free_camera_speed * t, cp = std::cos(free_camera.pitch);
        free_camera.position[0] += step * std::sin(free_camera.yaw) * cp;
        free_camera.position[1] += step * std::sin(free_camera.pitch);
        free_camera.position[2] += step * std::cos(free_camera.yaw) * cp;
        if (const terrain_field *field = race_terrain())
            if (field->heights) {
                float floor = terrain_disc_height(field, free_camera.position[0], free_camera.position[2], 10) + 2;
                if (free_camera.position[1] < floor) free_camera.position[1] = floor;
            }
    }
    free_camera.fov = setting_fov();
}
