// The scene's arithmetic: projection extents, flaggers, ghost fading, billboard ordering, camera
// matrices and keyframes, the limb solver, flare visibility and the parts a bike draws.
#include <gtest/gtest.h>
#include "ui/bike_draw.h"
#include "ui/lens_flares.h"
#include "ui/scene.h"
#include "terrain/lighting.h"
#include "terrain/statues.h"
#include "platform/array.h"
#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <vector>

TEST(Scene, HalfExtents)
{
    struct Case { int w, h; float fov, want_x, want_y; };
    const float t = std::tan(45 * (float)M_PI / 180);   // fov 90
    const Case cases[] = {
        {640, 480, 90, t, 0.75f * t},                     // exactly 4:3: horizontal rule
        {1280, 720, 90, 0.75f * t * 1280 / 720, 0.75f * t},   // wide: vertical extent of 4:3 kept
        {1280, 1024, 90, t, t * 1024 / 1280},             // 5:4, narrower than 4:3
        {640, 0, 90, 0.75f * t * 640, 0.75f * t},         // minimised: height taken as 1
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.w * 10000 + c.h);
        float x, y;
        view_half_extents(c.w, c.h, c.fov, &x, &y);
        EXPECT_NEAR(x, c.want_x, 1e-4f * c.want_x);
        EXPECT_NEAR(y, c.want_y, 1e-5f);
    }
}

TEST(Scene, DepthToLinear)
{
    EXPECT_NEAR(depth_to_linear(0, 0.25f, 5000), 0, 1e-6);
    EXPECT_NEAR(depth_to_linear(1, 0.25f, 5000), 1, 1e-6);
    // Half the depth range lies very near the near plane with a perspective depth buffer.
    const float n = 0.25f, f = 5000, mid = depth_to_linear(0.5f, n, f);
    const float z = n * f / (f - (f - n) * 0.5f);
    EXPECT_NEAR(mid, (z - n) / (f - n), 1e-7);
    EXPECT_LT(mid, 0.001f);
}

// A camera at (10, 2, 0) looking along -z with a 90-degree view (half-extents 1 by 1); a sphere
// only leaves the view when it lies wholly beyond a plane.
TEST(Scene, SphereInView)
{
    const float eye[3] = {10, 2, 0};
    const float looking_down_z[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const float looking_down_x[9] = {0, 0, 1, 0, 1, 0, -1, 0, 0};   // right -z, backward +x
    struct Case { const char *what; const float *rotation; float centre[3], radius; int want; };
    const Case cases[] = {
        {"straight ahead", looking_down_z, {10, 2, -50}, 1, 1},
        {"behind the eye", looking_down_z, {10, 2, 50}, 1, 0},
        {"around the eye (on board)", looking_down_z, {10, 2, 3}, 6, 1},
        {"beside, wholly outside", looking_down_z, {40, 2, -10}, 6, 0},
        {"beside, its edge inside", looking_down_z, {20, 2, -10}, 6, 1},
        {"above, wholly outside", looking_down_z, {10, 30, -10}, 6, 0},
        {"beyond the far plane", looking_down_z, {10, 2, -5010}, 6, 0},
        {"reaching over the far plane", looking_down_z, {10, 2, -5004}, 6, 1},
        {"turned camera, ahead", looking_down_x, {-40, 2, 0}, 1, 1},
        {"turned camera, the old ahead", looking_down_x, {10, 2, -50}, 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(sphere_in_view(eye, c.rotation, 1, 1, 0.25f, 5000, c.centre, c.radius), c.want);
    }
}

TEST(Scene, StartFlagger)
{
    struct Case { float t; int want; float want_k; };
    const float s = 5, duration = 2;
    const Case cases[] = {
        {0, 0, 0}, {5.05f, 0, 0}, {5.1f, 1, 0}, {5.39f, 1, 0}, {5.4f, 2, 0}, {5.99f, 2, 0},
        {6, 3, 0}, {7, 3, 0.5f}, {7.99f, 3, 0.995f}, {8, 4, 1}, {100, 4, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.t);
        float k;
        EXPECT_EQ(start_flagger_texture(c.t, s, duration, &k), c.want);
        EXPECT_NEAR(k, c.want_k, 1e-3f);
    }
}

TEST(Scene, FinishFlaggerAndLaps)
{
    // 4 first-lap gates, 3 per lap, 3 laps, halfway lap 2: gates passed are counted from 0.
    struct Case { int p, f, l, laps, halfway, time_out, want_laps, want; };
    const Case cases[] = {
        {0, 4, 3, 3, 2, 0, 0, 0},
        {3, 4, 3, 3, 2, 0, 1, 0},    // first lap done
        {6, 4, 3, 3, 2, 0, 2, 2},    // two laps: the last lap begins (halfway is passed over)
        {6, 4, 3, 4, 2, 0, 2, 1},    // of four laps: halfway
        {9, 4, 3, 3, 2, 0, 3, 3},    // finished
        {3, 4, 3, 5, 3, 1, 1, 2},    // time out right at the lap's last gate: this is the last lap
        {4, 4, 3, 5, 3, 1, 1, 0},    // time out but past that gate: laps as they are
        {5, 4, 0, 3, 2, 0, 0, 0},    // no lap gates: 0 laps, never a division
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.p * 100 + c.laps * 10 + c.time_out);
        EXPECT_EQ(completed_laps(c.p, c.f, c.l), c.want_laps);
        EXPECT_EQ(finish_flagger_texture(c.p, c.f, c.l, c.laps, c.halfway, c.time_out), c.want);
    }
}

TEST(Scene, GateMarkIndex)
{
    struct Case { int g, f, l, want; };
    const Case cases[] = {{0, 4, 3, 0}, {3, 4, 3, 3}, {4, 4, 3, 4}, {6, 4, 3, 6}, {7, 4, 3, 4}, {11, 4, 3, 5},
                          {9, 4, 0, 0}, {-1, 4, 3, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.g);
        EXPECT_EQ(gate_mark_index(c.g, c.f, c.l), c.want);
    }
}

TEST(Scene, GhostFade)
{
    struct Case { float d, g, want; };
    const Case cases[] = {{5, 10, 0}, {0, 10, 0}, {7.5f, 10, 0.5f}, {10, 10, 1}, {50, 10, 1},
                          {0, 0, 1}, {3, 0, 1}, {0, -2, 1}, {NAN, 10, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.d * 100 + c.g);
        EXPECT_FLOAT_EQ(ghost_fade(c.d, c.g), c.want);
    }
}

namespace {

billboard board(float x, float z, unsigned texture, float height = 4, float fraction = 0.5f)
{
    billboard b = {};
    b.x = x;
    b.z = z;
    b.height = height;
    b.width_fraction = fraction;
    b.texture = texture;
    b.color[0] = b.color[1] = b.color[2] = b.color[3] = 255;
    return b;
}

} // namespace

TEST(Scene, BillboardKeysAndList)
{
    EXPECT_EQ(billboard_key(0), 16777216);
    EXPECT_EQ(billboard_key(-1.0f / 1024), 16777215);
    EXPECT_EQ(billboard_key(1e30f), 2147483647);
    EXPECT_EQ(billboard_key(-1e30f), 0);
    EXPECT_EQ(billboard_key(NAN), -1);
    EXPECT_EQ(billboard_key(INFINITY), -1);

    // Looking along -z from the origin: backward axis +z. In front means smaller z.
    const float d[3] = {0, 0, 1}, eye[3] = {0, 0, 0};
    std::vector<billboard> b = {
        board(0, -10, 1),   // particle in front
        board(0, 10, 1),    // particle behind
        board(0, -1, 1),    // particle just in front, but its width (2) carries its key behind the eye
        board(0, -20, 0),   // no texture
        board(0, -20, 2),   // track billboard in front
        board(0, 0, 2),     // exactly at the eye's key: not drawn
        board(NAN, -5, 2),  // not finite: never drawn
        board(0, -30, 3),
    };
    b[7].color[3] = 0;      // alpha 0: not drawn
    std::vector<int> list(b.size());
    const int n = billboard_list_build(b.data(), (int)b.size(), 3, d, eye, list.data());
    list.resize(n);
    EXPECT_EQ(list, (std::vector<int>{0, 4}));
    EXPECT_EQ(b[2].sort_key, billboard_key(-1 + 2));
}

TEST(Scene, RadixSortMatchesStableSort)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> key(0, 2147483647), small(16777000, 16777400);
    for (int round = 0; round < 4; ++round) {
        std::vector<billboard> b(500);
        for (billboard &v : b) v.sort_key = round % 2 ? small(rng) : key(rng);   // ties in the small range
        std::vector<int> list(b.size()), scratch(b.size()), want(b.size());
        for (int i = 0; i < (int)b.size(); ++i) list[i] = want[i] = (int)b.size() - 1 - i;
        std::stable_sort(want.begin(), want.end(), [&](int x, int y) { return b[x].sort_key < b[y].sort_key; });
        billboard_radix_sort(list.data(), (int)list.size(), b.data(), scratch.data());
        EXPECT_EQ(list, want);
    }
}

TEST(Scene, GroupingKeepsOverlapOrder)
{
    const float d[3] = {0, 0, 1}, eye[3] = {0, 0, 0};
    // Far to near along -z. Entry 2 shares entry 0's texture; entry 1 stands between them.
    struct Case { float x1; std::vector<int> want; };
    const Case cases[] = {
        {20, {0, 2, 1}},   // entry 1 off to the side: entry 2 jumps it
        {0, {0, 1, 2}},    // entry 1 straight ahead, overlapping entry 2's footprint: order kept
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.x1);
        std::vector<billboard> b = {board(0, -30, 1), board(c.x1, -20, 2), board(0, -10, 1)};
        std::vector<int> list = {0, 1, 2};
        billboard_group(list.data(), 3, b.data(), eye, d, 8);
        EXPECT_EQ(list, c.want);
    }
    // No look-ahead, or looking straight down: nothing moves.
    std::vector<billboard> b = {board(0, -30, 1), board(20, -20, 2), board(0, -10, 1)};
    std::vector<int> list = {0, 1, 2};
    billboard_group(list.data(), 3, b.data(), eye, d, 1);
    EXPECT_EQ(list, (std::vector<int>{0, 1, 2}));
    const float down[3] = {0, 1, 0};
    billboard_group(list.data(), 3, b.data(), eye, down, 8);
    EXPECT_EQ(list, (std::vector<int>{0, 1, 2}));
}

TEST(Scene, CameraMatrices)
{
    float m[9];
    matrix_from_yaw_pitch(0, 0, m);
    const float yaw_pitch0[9] = {-1, 0, 0, 0, 1, 0, 0, 0, -1};   // looks along +z, right along -x
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(m[i], yaw_pitch0[i], 1e-6f);
    matrix_from_yaw_pitch(0.3f, 1.1f, m);
    for (int c = 0; c < 3; ++c)   // orthonormal columns
        for (int k = 0; k < 3; ++k) {
            const float dotp = m[c] * m[k] + m[3 + c] * m[3 + k] + m[6 + c] * m[6 + k];
            EXPECT_NEAR(dotp, c == k ? 1 : 0, 1e-5f);
        }
    const float h = std::sqrt(0.5f);
    matrix_from_quat(h, 0, h, 0, m);   // a quarter turn about y: x goes to -z
    const float quarter[9] = {0, 0, 1, 0, 1, 0, -1, 0, 0};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(m[i], quarter[i], 1e-6f);
}

namespace {

camera_keyframe key(float x, float qy, float qw, float fov, int tick)
{
    camera_keyframe k = {};
    k.position[0] = x;
    k.quat[1] = qy;
    k.quat[3] = qw;
    k.fov = fov;
    k.tick = tick;
    return k;
}

} // namespace

TEST(Scene, Keyframes)
{
    float eye[3], r[9], fov;
    EXPECT_EQ(keyframe_camera(nullptr, 0, 0, eye, r, &fov), 0);
    const camera_keyframe one[] = {key(5, 0, 1, 70, 100)};
    for (int tick : {0, 100, 5000}) {   // a single key holds for the whole playback
        ASSERT_EQ(keyframe_camera(one, 1, tick, eye, r, &fov), 1);
        EXPECT_FLOAT_EQ(eye[0], 5);
        EXPECT_FLOAT_EQ(fov, 70);
        EXPECT_FLOAT_EQ(r[0], -1);   // identity with the first and third rows negated
        EXPECT_FLOAT_EQ(r[4], 1);
        EXPECT_FLOAT_EQ(r[8], -1);
    }
    const camera_keyframe keys[] = {key(0, 0, 1, 60, 0), key(10, 0, 1, 80, 100), key(20, 0, 1, 100, 200)};
    keyframe_camera(keys, 3, -50, eye, r, &fov);
    EXPECT_FLOAT_EQ(eye[0], 0);
    keyframe_camera(keys, 3, 500, eye, r, &fov);
    EXPECT_FLOAT_EQ(eye[0], 20);
    EXPECT_FLOAT_EQ(fov, 100);
    keyframe_camera(keys, 3, 50, eye, r, &fov);
    EXPECT_NEAR(eye[0], 3.75f, 1e-4f);   // no key before the first: it starts from rest
    EXPECT_NEAR(fov, 70, 1e-4f);         // the field of view is linear
    const camera_keyframe line[] = {key(0, 0, 1, 60, 0), key(10, 0, 1, 60, 100), key(20, 0, 1, 60, 200),
                                    key(30, 0, 1, 60, 300)};
    keyframe_camera(line, 4, 150, eye, r, &fov);
    EXPECT_NEAR(eye[0], 15, 1e-4f);      // evenly spaced keys on a line stay on it

    // Equal ticks: the earlier key of the pair holds.
    const camera_keyframe equal[] = {key(0, 0, 1, 60, 0), key(3, 0, 1, 60, 100), key(7, 0, 1, 60, 100),
                                     key(9, 0, 1, 60, 300)};
    keyframe_camera(equal, 4, 100, eye, r, &fov);
    EXPECT_TRUE(std::isfinite(eye[0]));

    // The same rotation written with opposite signs: the path does not swing through a turn.
    const float h = std::sqrt(0.5f);
    const camera_keyframe opposite[] = {key(0, h, h, 60, 0), key(0, -h, -h, 60, 100)};
    keyframe_camera(opposite, 2, 50, eye, r, &fov);
    EXPECT_NEAR(r[2], -1, 1e-4f);   // still the quarter turn (first row negated)

    // Keys at both ends of the int, played anywhere between: the gaps do not overflow.
    const camera_keyframe extremes[] = {key(0, 0, 1, 60, INT_MIN), key(10, 0, 1, 80, 0), key(20, 0, 1, 100, INT_MAX)};
    for (int tick : {INT_MIN, INT_MIN + 1, -100, 0, 100, INT_MAX - 1, INT_MAX}) {
        SCOPED_TRACE(tick);
        ASSERT_EQ(keyframe_camera(extremes, 3, tick, eye, r, &fov), 1);
        for (float e : eye) EXPECT_TRUE(std::isfinite(e));
        EXPECT_GE(eye[0], 0);
        EXPECT_LE(eye[0], 20);
        EXPECT_GE(fov, 60);
        EXPECT_LE(fov, 100);
    }

    // A zero quaternion is the identity; a wild field of view is clamped.
    const camera_keyframe zero[] = {key(0, 0, 0, 500, 0)};
    keyframe_camera(zero, 1, 0, eye, r, &fov);
    EXPECT_FLOAT_EQ(r[4], 1);
    EXPECT_FLOAT_EQ(fov, 179);
    const camera_keyframe narrow[] = {key(0, 0, 1, -3, 0)};
    keyframe_camera(narrow, 1, 0, eye, r, &fov);
    EXPECT_FLOAT_EQ(fov, 1);
}

TEST(Scene, OnboardEye)
{
    float e[3];
    onboard_eye_local(0, e);
    EXPECT_FLOAT_EQ(e[1], 0.5f);
    EXPECT_FLOAT_EQ(e[2], -0.4f);
    onboard_eye_local(1, e);
    EXPECT_FLOAT_EQ(e[0], 0);
    EXPECT_FLOAT_EQ(e[1], 1.0583830f);
    EXPECT_FLOAT_EQ(e[2], -1.1933695f);
}

namespace {

float dist(const float *a, const float *b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

} // namespace

TEST(Scene, TwoBoneIk)
{
    const float fallback_dir[3] = {0, -1, 0}, fallback_pole[3] = {0, 0, -1};
    struct Case { float root[3], target[3], a, b, pole[3]; };
    const Case cases[] = {
        {{0, 0, 0}, {1.5f, 0, 0}, 1, 1, {0, 1, 0}},      // in reach, pole above
        {{0, 0, 0}, {10, 0, 0}, 1, 1, {0, 1, 0}},       // beyond reach: chain at 95%
        {{0, 0, 0}, {0, 0, 0}, 1, 1, {0, 1, 0}},        // target on the root: no direction
        {{0, 0, 0}, {0.1f, 0, 0}, 1, 0.5f, {0, 1, 0}},  // nearer than |a - b|
        {{0, 0, 0}, {1.5f, 0, 0}, 1, 1, {3, 0, 0}},     // pole along the chain
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.target[0] * 100 + c.pole[0]);
        float j[3];
        two_bone_ik(c.root, c.target, c.a, c.b, c.pole, fallback_dir, fallback_pole, j);
        for (float v : j) ASSERT_TRUE(std::isfinite(v));
        EXPECT_NEAR(dist(j, c.root), c.a, 1e-4f);   // the upper bone keeps its length
    }
    // In reach: the joint bends toward the pole and the far bone reaches the target.
    float j[3];
    const float root[3] = {0, 0, 0}, target[3] = {1.5f, 0, 0}, up[3] = {0, 1, 0}, down[3] = {0, -1, 0};
    two_bone_ik(root, target, 1, 1, up, fallback_dir, fallback_pole, j);
    EXPECT_GT(j[1], 0);
    EXPECT_NEAR(dist(j, target), 1, 1e-4f);
    two_bone_ik(root, target, 1, 1, down, fallback_dir, fallback_pole, j);
    EXPECT_LT(j[1], 0);
    // Out of reach: the chain spans 95% of its length along the way to the target.
    const float far[3] = {10, 0, 0};
    two_bone_ik(root, far, 1, 1, up, fallback_dir, fallback_pole, j);
    EXPECT_NEAR(j[0], 0.95f, 1e-4f);
    EXPECT_GT(j[1], 0);
}

namespace {

struct fake_pixel {
    unsigned char rgb[3];
    float depth;
};
fake_pixel g_pixel;
int g_reads;

void fake_reader(int, int, unsigned char rgb[3], float *depth)
{
    ++g_reads;
    if (depth) *depth = g_pixel.depth;
    else for (int i = 0; i < 3; ++i) rgb[i] = g_pixel.rgb[i];
}

flare_source source(float x, float y, float z, int direction)
{
    flare_source s = {};
    s.point[0] = x;
    s.point[1] = y;
    s.point[2] = z;
    s.is_direction = direction;
    s.element_count = 1;
    return s;
}

} // namespace

TEST(Scene, FlareVisibility)
{
    ASSERT_TRUE(growable_array_init(&flare_sources, sizeof(flare_source)));
    lens_flares_set_reader(fake_reader);
    const float eye[3] = {0, 0, 0};
    const float r[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};   // looking along -z
    struct Case { flare_source s; unsigned char bright; float depth; float want; int reads; };
    const float n = 0.25f, f = 5000;
    const float far_depth = 1, near_depth = 0;
    const Case cases[] = {
        {source(0, 0, -1, 1), 255, far_depth, 1, 2},      // sun straight ahead on a bright, far pixel
        {source(0, 0, 1, 1), 255, far_depth, 0, 0},       // behind the eye
        {source(5, 0, -1, 1), 255, far_depth, 0, 0},      // outside the view
        {source(0, 0, -1, 1), 200, far_depth, 0, 1},      // dark pixel: no depth read
        {source(0, 0, -1, 1), 255, near_depth, 0, 2},     // occluded sun
        {source(0, 0, -100, 0), 255, near_depth, 0, 2},   // occluded lamp
        {source(0, 0, -100, 0), 255, far_depth, 1, 2},    // lamp in the open
        {source(0.99f, 0, -1, 1), 255, far_depth, 0.4267f, 2},   // near the right edge: faded by 0.01/(1/32)
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.s.point[0] * 1000 + c.s.point[2]);
        flare_sources.count = 0;
        growable_array_append(&flare_sources, &c.s);
        g_pixel = {{c.bright, c.bright, c.bright}, c.depth};
        g_reads = 0;
        lens_flares_test(eye, r, 640, 480, 1, 0.75f, n, f);
        const flare_source &got = *(const flare_source *)flare_sources.items;
        EXPECT_NEAR(got.visibility, c.want, 0.01f);
        EXPECT_EQ(g_reads, c.reads);
    }
    lens_flares_set_reader(nullptr);
    growable_array_free(&flare_sources);
}

TEST(Scene, BikePartsPerView)
{
    const int rigid = BIKE_PART_FRAME | BIKE_PART_FORK_UPPER | BIKE_PART_FORK_LOWER | BIKE_PART_SWINGARM |
                      BIKE_PART_FRONT_WHEEL | BIKE_PART_REAR_WHEEL | BIKE_PART_EXTRAS;
    const int rear = BIKE_PART_SWINGARM | BIKE_PART_REAR_WHEEL, front = BIKE_PART_FORK_LOWER | BIKE_PART_FRONT_WHEEL;
    const int outside = rigid | BIKE_PART_RIDER | BIKE_PART_HELMET | BIKE_PART_RIDER_LAYER;
    const int first = BIKE_PART_RIDER | BIKE_PART_FIRST_PERSON;
    struct Case { int view, crashed, reflection, want; };
    const Case cases[] = {
        {RIDER_VIEW_OUTSIDE, 0, 0, outside},
        {RIDER_VIEW_OUTSIDE, 1, 1, outside},
        {RIDER_VIEW_HIDDEN, 0, 0, rigid & ~rear},
        {RIDER_VIEW_HIDDEN, 0, 1, rigid & ~rear & ~front},
        {RIDER_VIEW_HIDDEN, 1, 1, rigid},                 // crashed: the whole bike again
        {RIDER_VIEW_FIRST_PERSON, 0, 0, (rigid & ~rear) | first},
        {RIDER_VIEW_FIRST_PERSON, 0, 1, (rigid & ~rear & ~front) | first},
        {RIDER_VIEW_FIRST_PERSON, 1, 0, rigid | first},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.view * 100 + c.crashed * 10 + c.reflection);
        EXPECT_EQ(bike_parts_drawn(c.view, c.crashed, c.reflection), c.want);
    }
}
