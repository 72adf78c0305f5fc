// ui/scene.h — the world scene's arithmetic, apart from OpenGL so that tests can reach it: view
// half-extents, depth linearisation, flagger and gate-mark choices, ghost fading, billboard keys,
// their radix sort and texture grouping, the camera matrices and keyframes, the on-board eye and
// two-bone inverse kinematics.
#pragma once

struct billboard;

// The half-size of the view at unit distance: a 4:3 or narrower window keeps the horizontal
// field of view, a wider one the vertical extent of a 4:3 view.
void view_half_extents(int width, int height, float fov_degrees, float *half_x, float *half_y);
// A depth-buffer value (0..1) to linear depth over the near and far planes (0 at near, 1 at far).
float depth_to_linear(float d, float near_plane, float far_plane);

// The start flagger at t seconds, the gate dropping at s seconds (whole), walking for duration
// seconds: which of its five textures (0..4) and how far along it is (0..1).
int   start_flagger_texture(float t, float s, float duration, float *k);
// The board figure's texture for the leader's gates passed: 0 normal, 1 halfway, 2 last lap,
// 3 finished. time_out: the race's time limit has run out.
int   finish_flagger_texture(int gates_passed, int first_lap_gates, int gates_per_lap, int laps,
                             int halfway_lap, int time_out);
// Laps the leader has completed (0 without lap gates or before the first lap's gates).
int   completed_laps(int gates_passed, int first_lap_gates, int gates_per_lap);
// The index into the lap list of the gate a rider with g gates passed has next.
int   gate_mark_index(int gates_passed, int first_lap_gates, int gates_per_lap);
// A time-trial ghost's fade: 0 at half the fade distance g or nearer, 1 at g or beyond; no
// fading (1) when g <= 0.
float ghost_fade(float distance, float g);

// Whether a sphere can show in a view from eye with rotation (columns right, up, backward), the
// view's half-extents at unit distance and its near and far planes: 0 only when it lies wholly
// beyond one of the six planes.
int   sphere_in_view(const float eye[3], const float rotation[9], float half_x, float half_y, float near_plane,
                     float far_plane, const float centre[3], float radius);

// Billboard sort keys: (value * 1024 + 16777216) floored, clamped to the int range; -1 for a
// value that is not finite (never drawn).
int   billboard_key(float value);
// Stores the key of every drawable billboard (texture and alpha non-zero) and lists those in
// front of the eye key; particles are the first `particles` records. Returns the list's length.
int   billboard_list_build(billboard *b, int count, int particles, const float backward[3],
                           const float eye[3], int *list);
// Ascending by key, stable: four byte passes through scratch (n long).
void  billboard_radix_sort(int *list, int n, const billboard *b, int *scratch);
// Pulls later billboards with the same texture next to each other, looking at most lookahead
// entries ahead (capped at 64), but never past one whose footprint overlaps as seen from the eye.
void  billboard_group(int *list, int n, const billboard *b, const float eye[3], const float backward[3],
                      int lookahead);

// Camera rotations: row-major, columns right, up and backward.
void  matrix_from_yaw_pitch(float pitch, float yaw, float out[9]);
void  matrix_from_quat(float w, float x, float y, float z, float out[9]);

struct camera_keyframe {
    float position[3];
    float quat[4];        // x, y, z, w
    float fov;            // degrees
    int   tick;
};
// The camera of a key list at tick: eye, rotation (its first and third rows negated), fov
// (clamped to 1..179). 0 when the list is empty.
int   keyframe_camera(const camera_keyframe *keys, int count, int tick, float eye[3], float rotation[9],
                      float *fov);

// The on-board eye on the rider body for a height blend k (0..1).
void  onboard_eye_local(float k, float out[3]);

// The middle joint of a two-bone chain from root to target with bone lengths a (root side) and b,
// bent toward pole. fallback_dir and fallback_pole (unit, perpendicular) stand in where the
// direction or the pole's perpendicular part is zero.
void  two_bone_ik(const float root[3], const float target[3], float a, float b, const float pole[3],
                  const float fallback_dir[3], const float fallback_pole[3], float out[3]);
