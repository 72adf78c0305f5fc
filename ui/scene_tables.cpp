// The scene's arithmetic without OpenGL: projection extents, flagger choices, ghost fading,
// billboard ordering, camera matrices and keyframes, and the limb solver.
#include "ui/scene.h"
#include "terrain/statues.h"
#include <cmath>
#include <cstring>

void view_half_extents(int width, int height, float fov_degrees, float *half_x, float *half_y)
{
    // A minimised window reports no height; keep the division finite.
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    const double h = fov_degrees * M_PI / 360, aspect = (double)width / height;
    if (aspect > 1.3333333333333333) {
        *half_y = (float)(0.75 * std::tan(h));
        *half_x = (float)(*half_y * aspect);
    } else {
        *half_x = (float)std::tan(h);
        *half_y = (float)(*half_x * height / width);
    }
}

float depth_to_linear(float d, float n, float f)
{
    const double z = (double)n * f / (f - (double)(f - n) * d);
    return (float)((z - n) / (f - n));
}

int start_flagger_texture(float t, float s, float duration, float *k)
{
    float v = duration > 0 ? (t - (s + 1)) / duration : (t >= s + 1 ? 1.0f : 0.0f);
    *k = v < 0 ? 0 : v > 1 ? 1 : v;
    if (t < s + 0.1f) return 0;
    if (t < s + 0.4f) return 1;
    if (t < s + 1) return 2;
    if (t >= s + 1 + duration) return 4;
    return 3;
}

int completed_laps(int gates_passed, int first_lap_gates, int gates_per_lap)
{
    if (gates_per_lap <= 0 || gates_passed + 1 < first_lap_gates) return 0;
    return (gates_passed - first_lap_gates + 1) / gates_per_lap + 1;
}

int finish_flagger_texture(int p, int f, int l, int laps, int halfway_lap, int time_out)
{
    const int c = completed_laps(p, f, l);
    if (time_out) {
        const int last_gate = c > 0 ? l * (c - 1) + f - 1 : 0;
        if (p == last_gate && c + 1 < laps) laps = c + 1;
    }
    if (c >= laps) return 3;
    if (c + 1 == laps) return 2;
    if (c == halfway_lap) return 1;
    return 0;
}

int gate_mark_index(int g, int f, int l)
{
    if (l <= 0) return 0;
    if (g >= f) return f + (g - f) % l;
    return g < 0 ? 0 : g;
}

float ghost_fade(float d, float g)
{
    if (!(g > 0)) return 1;
    float v = (d - g / 2) / (g - g / 2);
    if (!(v > 0)) return 0;   // NaN too: riders that coincide
    return v > 1 ? 1 : v;
}

int billboard_key(float value)
{
    if (!std::isfinite(value)) return -1;
    double k = std::floor((double)value * 1024 + 16777216);
    if (k < 0) return 0;
    if (k > 2147483647.0) return 2147483647;
    return (int)k;
}

int billboard_list_build(billboard *b, int count, int particles, const float d[3], const float eye[3],
                         int *list)
{
    const int eye_key = billboard_key(d[0] * eye[0] + d[1] * eye[1] + d[2] * eye[2]);
    int n = 0;
    for (int i = 0; i < count; ++i) {
        billboard &v = b[i];
        if (!v.texture || !v.color[3]) continue;
        float value = d[0] * v.x + d[1] * v.y + d[2] * v.z;
        if (i < particles) value += v.width_fraction * v.height;
        v.sort_key = billboard_key(value);
        if (v.sort_key >= 0 && v.sort_key < eye_key) list[n++] = i;
    }
    return n;
}

void billboard_radix_sort(int *list, int n, const billboard *b, int *scratch)
{
    int *from = list, *to = scratch;
    for (int shift = 0; shift < 32; shift += 8) {
        int counts[257] = {0};
        for (int i = 0; i < n; ++i) ++counts[(((unsigned)b[from[i]].sort_key >> shift) & 255) + 1];
        for (int i = 1; i < 257; ++i) counts[i] += counts[i - 1];
        for (int i = 0; i < n; ++i) to[counts[((unsigned)b[from[i]].sort_key >> shift) & 255]++] = from[i];
        int *t = from;
        from = to;
        to = t;
    }
    // Four passes end where they began, in list.
}

namespace {

// The footprint's ends relative to the eye, in the x-z plane.
void footprint(const billboard &v, const float eye[3], const float r[2], float out[4])
{
    const float w = v.width_fraction * v.height * 0.5f;
    const float cx = v.x - eye[0], cz = v.z - eye[2];
    out[0] = cx - r[0] * w;
    out[1] = cz - r[1] * w;
    out[2] = cx + r[0] * w;
    out[3] = cz + r[1] * w;
}

float cross2(const float *a, const float *b)
{
    return a[0] * b[1] - a[1] * b[0];
}

// Apart as seen from the eye: every end of one lies on the same side of both ends of the other.
bool apart(const float a[4], const float b[4])
{
    const float c[4] = {cross2(a, b), cross2(a, b + 2), cross2(a + 2, b), cross2(a + 2, b + 2)};
    return (c[0] > 0 && c[1] > 0 && c[2] > 0 && c[3] > 0) || (c[0] < 0 && c[1] < 0 && c[2] < 0 && c[3] < 0);
}

} // namespace

void billboard_group(int *list, int n, const billboard *b, const float eye[3], const float d[3], int lookahead)
{
    if (lookahead <= 1) return;
    if (lookahead > 64) lookahead = 64;
    const float rl = std::sqrt(d[2] * d[2] + d[0] * d[0]);
    if (!(rl > 0)) return;   // looking straight down: no ground-plane direction
    const float r[2] = {d[2] / rl, -d[0] / rl};
    for (int v = 0; v + 1 < n; ++v) {
        const unsigned texture = b[list[v]].texture;
        int w = 1;
        while (w < lookahead && v + w < n && b[list[v + w]].texture != texture) ++w;
        if (w >= lookahead || v + w >= n || w == 1) continue;
        float moving[4];
        footprint(b[list[v + w]], eye, r, moving);
        bool clear = true;
        for (int j = v + 1; j < v + w && clear; ++j) {
            float other[4];
            footprint(b[list[j]], eye, r, other);
            clear = apart(moving, other);
        }
        if (!clear) continue;
        const int found = list[v + w];
        std::memmove(list + v + 2, list + v + 1, sizeof(int) * (w - 1));
        list[v + 1] = found;
    }
}

void matrix_from_yaw_pitch(float pitch, float yaw, float out[9])
{
    const float sp = std::sin(pitch), cp = std::cos(pitch), sy = std::sin(yaw), cy = std::cos(yaw);
    const float m[9] = {-cy, -sp * sy, -sy * cp, 0, cp, -sp, sy, -sp * cy, -cp * cy};
    for (int i = 0; i < 9; ++i) out[i] = m[i];
}

void matrix_from_quat(float w, float x, float y, float z, float out[9])
{
    const float m[9] = {1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y),
                        2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x),
                        2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)};
    for (int i = 0; i < 9; ++i) out[i] = m[i];
}

namespace {

float clamp_fov(float fov)
{
    if (!(fov >= 1)) return 1;   // NaN too
    return fov > 179 ? 179 : fov;
}

float hermite(float w, float p, float s, float n, float l, float k, float t)
{
    const float d = s - p;
    const float v = l > 0 ? (d + (p - w) / l) / 2 : 0;
    const float u = k > 0 ? (d + (n - s) / k) / 2 : 0;
    return p + v * t + (3 * d - 2 * v - u) * t * t + (u + v - 2 * d) * t * t * t;
}

// Quaternion x, y, z, w of a key as a matrix; a zero one (from a keyframe file) is the identity.
void key_rotation(const float q[4], float out[9])
{
    const float len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(len > 1e-6f)) {
        matrix_from_quat(1, 0, 0, 0, out);
        return;
    }
    matrix_from_quat(q[3] / len, q[0] / len, q[1] / len, q[2] / len, out);
}

} // namespace

int keyframe_camera(const camera_keyframe *keys, int count, int tick, float eye[3], float rotation[9], float *fov)
{
    if (count <= 0) return 0;
    int si = 0;
    while (si < count && keys[si].tick <= tick) ++si;
    if (si == 0 || si == count) {
        const camera_keyframe &k = keys[si == 0 ? 0 : count - 1];
        for (int i = 0; i < 3; ++i) eye[i] = k.position[i];
        key_rotation(k.quat, rotation);
        *fov = clamp_fov(k.fov);
    } else {
        const int pi = si - 1, wi = pi > 0 ? pi - 1 : 0, ni = si + 1 < count ? si + 1 : count - 1;
        const camera_keyframe &w = keys[wi], &p = keys[pi], &s = keys[si], &n = keys[ni];
        // Tick gaps in double: a key file may hold ticks at both ends of the int.
        auto gap = [](int a, int b) { return (float)((double)a - b); };
        const float span = gap(s.tick, p.tick);
        float t = span > 0 ? gap(tick, p.tick) / span : 0;
        t = t < 0 ? 0 : t > 1 ? 1 : t;
        const float l = span > 0 ? gap(p.tick, w.tick) / span : 0, k = span > 0 ? gap(n.tick, s.tick) / span : 0;
        for (int i = 0; i < 3; ++i)
            eye[i] = span > 0 ? hermite(w.position[i], p.position[i], s.position[i], n.position[i], l, k, t)
                              : p.position[i];
        float qw[4], qp[4], qn[4];
        const float *qs = s.quat;
        const float *src[3] = {w.quat, p.quat, n.quat};
        float *dst[3] = {qw, qp, qn};
        for (int j = 0; j < 3; ++j) {
            const float dot = src[j][0] * qs[0] + src[j][1] * qs[1] + src[j][2] * qs[2] + src[j][3] * qs[3];
            for (int i = 0; i < 4; ++i) dst[j][i] = dot < 0 ? -src[j][i] : src[j][i];
        }
        float q[4];
        for (int i = 0; i < 4; ++i) q[i] = span > 0 ? hermite(qw[i], qp[i], qs[i], qn[i], l, k, t) : qp[i];
        key_rotation(q, rotation);
        *fov = clamp_fov(p.fov + (s.fov - p.fov) * t);
    }
    // A half turn about the vertical: the keys look the other way from the scene's cameras.
    for (int c = 0; c < 3; ++c) {
        rotation[c] = -rotation[c];
        rotation[6 + c] = -rotation[6 + c];
    }
    return 1;
}

void onboard_eye_local(float k, float out[3])
{
    static const float low[3] = {0, 0.5f, -0.4f}, high[3] = {0, 1.0583830f, -1.1933695f};
    for (int i = 0; i < 3; ++i) out[i] = low[i] + k * (high[i] - low[i]);
}

void two_bone_ik(const float root[3], const float target[3], float a, float b, const float pole[3],
                 const float fallback_dir[3], const float fallback_pole[3], float out[3])
{
    float n[3] = {target[0] - root[0], target[1] - root[1], target[2] - root[2]};
    float d = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (d > 1e-6f && std::isfinite(d)) {
        for (float &c : n) c /= d;
    } else {
        for (int i = 0; i < 3; ++i) n[i] = fallback_dir[i];
        d = 0;
    }
    // Never fully straight, and never so near that the far bone cannot fold back to the target.
    const float lo = std::fabs(a - b) + 1e-4f, hi = 0.95f * (a + b);
    if (d > hi) d = hi;
    if (d < lo) d = lo < hi ? lo : hi;
    const float x = d > 0 ? (a * a + d * d - b * b) / (2 * d) : 0;
    float u[3] = {pole[0] - root[0], pole[1] - root[1], pole[2] - root[2]};
    const float along = u[0] * n[0] + u[1] * n[1] + u[2] * n[2];
    for (int i = 0; i < 3; ++i) u[i] -= along * n[i];
    float ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    if (!(ul > 1e-6f)) {
        const float fa = fallback_pole[0] * n[0] + fallback_pole[1] * n[1] + fallback_pole[2] * n[2];
        for (int i = 0; i < 3; ++i) u[i] = fallback_pole[i] - fa * n[i];
        ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
        if (!(ul > 1e-6f)) {
            // The fallback lies along the chain too: any perpendicular will do.
            const float t[3] = {n[1], -n[0], 0}, t2[3] = {0, n[2], -n[1]};
            const float *pick = std::fabs(n[2]) > 0.7f ? t2 : t;
            for (int i = 0; i < 3; ++i) u[i] = pick[i];
            ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
        }
    }
    for (float &c : u) c /= ul;
    const float h = std::sqrt(std::fmax(0.0f, a * a - x * x));
    for (int i = 0; i < 3; ++i) out[i] = root[i] + n[i] * x + u[i] * h;
}
