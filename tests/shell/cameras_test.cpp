// The chase, track and free cameras on a small generated field.
#include "shell/main/cameras.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include "terrain/terrain_fixture.h"
#include <gtest/gtest.h>
#include <cmath>

namespace {

const float PI = 3.14159265f;

// The race ground for the cameras: 256 ft square, heights given by the case.
struct camera_field : small_field {
    terrain_field *saved = terrain_ptr;
    explicit camera_field(const std::function<float(int, int)> &height) : small_field(7, 1.0f, height)
    {
        terrain_ptr = t;
    }
    ~camera_field() { terrain_ptr = saved; }
};

struct Cameras : ::testing::Test {
    float sums[CONTROL_COUNT] = {};
    void SetUp() override
    {
        cameras_reset();
        shell_options_reset();
        config_init();
        show_rider_numbers = 0;
        track_camera_index = -1;
    }
};

} // namespace

TEST_F(Cameras, DiscHeight)
{
    camera_field ramp([](int x, int) { return (float)x; });
    struct Case { const char *what; float x, z, r, want, tolerance; };
    const Case cases[] = {
        {"symmetric disc on a ramp: its centre's height", 50, 60, 10, 50, 0.001f},
        {"off the terrain below: the border's height", -100, -100, 10, 0, 0},
        {"off the terrain beyond: the far border", 1000, 60, 10, 256, 0},
        {"a disc narrower than a cell still averages its neighbours", 20.5f, 30, 0.1f, 20.5f, 0.001f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(terrain_disc_height(ramp.t, c.x, c.z, c.r), c.want, c.tolerance);
    }
    // A ridge within reach lifts the smoothed height, one out of reach does not.
    camera_field ridge([](int, int z) { return z >= 100 && z <= 102 ? 30.0f : 0.0f; });
    EXPECT_GT(terrain_disc_height(ridge.t, 50, 95, 10), 3.0f);
    EXPECT_EQ(terrain_disc_height(ridge.t, 50, 80, 10), 0.0f);
}

TEST_F(Cameras, ChaseDirectionFollowsHeadingThenMotion)
{
    const float h = 0.70710678f;
    struct Case {
        const char *what;
        float heading[3], velocity[3];
        int rigid;
        float want[3];
    };
    const Case cases[] = {
        {"standing still: behind the heading", {0, 0, 1}, {0, 0, 0}, 0, {0, 0, -1}},
        {"below 10 ft/s: still the heading", {0, 0, 1}, {8, 0, 0}, 0, {0, 0, -1}},
        {"20 ft/s across: halfway", {0, 0, 1}, {20, 0, 0}, 0, {-h, 0, -h}},
        {"30 ft/s and above: behind the motion", {0, 0, 1}, {40, 0, 0}, 0, {-1, 0, 0}},
        {"rigid camera never follows the motion", {0, 0, 1}, {40, 0, 0}, 1, {0, 0, -1}},
        {"heading with a vertical part: only its horizontal counts", {0, 5, 2}, {0, 0, 0}, 0, {0, 0, -1}},
        {"no horizontal heading at speed: the motion", {0, 1, 0}, {0, 0, -25}, 0, {0, 0, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        float dir[3] = {9, 9, 9};
        chase_direction(c.heading, c.velocity, c.rigid, dir);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(dir[k], c.want[k], 1e-5f) << k;
    }
    // Nose straight up and too slow to follow the motion: the camera keeps its last direction.
    float dir[3] = {0.6f, 0, 0.8f};
    const float up[3] = {0, 1, 0}, slow[3] = {3, 0, 0};
    chase_direction(up, slow, 0, dir);
    EXPECT_EQ(dir[0], 0.6f);
    EXPECT_EQ(dir[2], 0.8f);
    // Heading and motion exactly opposed at 20 ft/s cancel out the same way.
    const float ahead[3] = {0, 0, 1}, back[3] = {0, 0, -20};
    chase_direction(ahead, back, 0, dir);
    EXPECT_EQ(dir[0], 0.6f);
}

TEST_F(Cameras, ChaseEyeStaysAboveTheGround)
{
    camera_field ridge([](int, int z) { return z >= 108 && z <= 112 ? 30.0f : 0.0f; });
    dInitODE2(0);
    dWorldID world = dWorldCreate();
    dBodyID frame = dBodyCreate(world);
    dBodySetPosition(frame, 100, 0, 100);   // identity rotation: the bike faces -z

    float eye[3], m[9];
    chase_camera_place(frame, 1, eye, m);
    EXPECT_NEAR(eye[0], 100, 1e-4f);
    EXPECT_NEAR(eye[2], 100.52f + 10, 1e-4f);   // behind, at the default distance
    EXPECT_NEAR(eye[1], terrain_disc_height(ridge.t, eye[0], eye[2], 10) + 5, 1e-4f);
    EXPECT_GT(eye[1], 2.52f + 5);
    // Columns: right, up and backward, orthonormal, backward pointing from the centre to the eye.
    const float centre[3] = {100, 2.52f, 100.52f};
    float back[3] = {eye[0] - centre[0], eye[1] - centre[1], eye[2] - centre[2]};
    float bl = std::sqrt(back[0] * back[0] + back[1] * back[1] + back[2] * back[2]);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(m[k * 3 + 2], back[k] / bl, 1e-5f);
    EXPECT_NEAR(m[3], 0, 1e-6f);   // right stays horizontal
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            float dot = m[a] * m[b] + m[3 + a] * m[3 + b] + m[6 + a] * m[6 + b];
            EXPECT_NEAR(dot, a == b ? 1 : 0, 1e-5f);
        }

    // A watched rider is orbited: angle a puts the eye along (sin a, 0, cos a).
    chase_orbit.angle = PI / 2;
    chase_orbit.height = 40;
    chase_camera_place(frame, 0, eye, m);
    EXPECT_NEAR(eye[0], 110, 1e-4f);
    EXPECT_NEAR(eye[1], 42.52f, 1e-4f);
    EXPECT_NEAR(eye[2], 100.52f, 1e-4f);

    dWorldDestroy(world);
    dCloseODE();
}

TEST_F(Cameras, OrbitControls)
{
    sums[CONTROL_STEER] = 1;
    chase_camera_control(sums);
    EXPECT_FLOAT_EQ(chase_orbit.angle, 2 * PI / 1024);
    chase_orbit.angle = PI - 0.001f;
    chase_camera_control(sums);
    EXPECT_LT(chase_orbit.angle, 0);   // wrapped into -pi..pi
    sums[CONTROL_STEER] = 0;
    sums[CONTROL_THROTTLE] = 1;
    for (int i = 0; i < 10000; ++i) chase_camera_control(sums);
    EXPECT_EQ(chase_orbit.distance, 0.25f);
    sums[CONTROL_THROTTLE] = 0;
    sums[CONTROL_FRONT_BRAKE] = 1;
    sums[CONTROL_SHIFT] = 1;
    chase_camera_control(sums);
    EXPECT_FLOAT_EQ(chase_orbit.distance, 0.25f + 1.0f / 64);
    EXPECT_FLOAT_EQ(chase_orbit.height, 5 + (float)tick);
}

TEST_F(Cameras, AimingByHandAndFollowing)
{
    track_camera cam = {};
    const float target[3] = {10, 0, 0}, still[3] = {0, 0, 0};
    // By hand: the yaw rate grows by at most pi rad/s each second toward 3/8 pi.
    sums[CONTROL_STEER] = 1;
    chase_camera_aim(&cam, sums, target, still, 0);
    EXPECT_FLOAT_EQ(cam.yaw_rate, PI / 128);
    EXPECT_FLOAT_EQ(cam.yaw, PI / 128 / 128);
    for (int i = 0; i < 100; ++i) chase_camera_aim(&cam, sums, target, still, 0);
    EXPECT_FLOAT_EQ(cam.yaw_rate, 3 * PI / 8);

    // Following: a cut takes the aim at once; the fov fits the subject.
    show_rider_numbers = 1;
    cam = {};
    cam.fov = 90;
    cam.autofovsize = 10;
    chase_camera_aim(&cam, sums, target, still, 1);
    EXPECT_NEAR(cam.yaw, PI / 2, 1e-5f);
    EXPECT_NEAR(cam.pitch, 0, 1e-6f);
    EXPECT_NEAR(cam.fov, 90, 1e-3f);   // atan2(10, 10) x 360 / pi
    // Without a cut it turns toward a target behind it under limited acceleration.
    const float behind[3] = {0, 0, -10};
    float before = cam.yaw;
    chase_camera_aim(&cam, sums, behind, still, 0);
    EXPECT_NEAR(cam.yaw_rate, PI / 128, 1e-5f);
    EXPECT_GT(cam.yaw, before);
    for (int i = 0; i < 2000; ++i) chase_camera_aim(&cam, sums, behind, still, 0);
    EXPECT_NEAR(std::fabs(cam.yaw), PI, 0.01f);
}

TEST_F(Cameras, FreeCameraFlight)
{
    camera_field flat([](int, int) { return 0.0f; });
    free_camera_speed = 100;
    // Released controls: 60 ft/s^2 back to rest, 100/60 s from full speed.
    for (int i = 0; i < 213; ++i) track_camera_control(sums);
    EXPECT_GT(free_camera_speed, 0);
    track_camera_control(sums);
    EXPECT_EQ(free_camera_speed, 0);
    EXPECT_GT(free_camera.position[2], 50);   // flew along +z at yaw 0
    EXPECT_GE(free_camera.position[1], 2);    // kept 2 ft above the ground

    sums[CONTROL_THROTTLE] = 1;
    for (int i = 0; i < 2000; ++i) track_camera_control(sums);
    EXPECT_FLOAT_EQ(free_camera_speed, 100 - 60 * (float)tick);   // capped, then the drag
    EXPECT_EQ(free_camera.fov, setting_fov());

    // The dab toggles rider numbers on its rise only.
    sums[CONTROL_THROTTLE] = 0;
    sums[CONTROL_DAB] = 1;
    track_camera_control(sums);
    track_camera_control(sums);
    EXPECT_EQ(show_rider_numbers, 1);
}

TEST_F(Cameras, GateCameraLookup)
{
    // First lap: gates 10, 11; every later lap: 100012 (gate 12, no switch point), 13, 14.
    const int laps[] = {10, 11, 100012, 13, 14};
    int map[256];
    for (int &m : map) m = -1;
    map[10] = 0;
    map[12] = 1;
    map[13] = 5;   // the cameras file names a camera it never added
    struct Case { int gate_index, first, per_lap; const int *lap; int want; };
    const Case cases[] = {
        {0, 2, 3, laps, 0},
        {1, 2, 3, laps, -1},
        {2, 2, 3, laps, 1},
        {5, 2, 3, laps, 1},      // a later lap wraps into the lap list
        {3, 2, 3, laps, -1},     // camera 5 of 2: refused
        {2, 0, 0, laps, -1},     // no lap gates
        {0, 2, 3, nullptr, -1},
        {-1, 2, 3, laps, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.gate_index);
        EXPECT_EQ(camera_for_gate(c.gate_index, c.first, c.per_lap, c.lap, map, 2), c.want);
    }
    const int wild[] = {300, 7};
    EXPECT_EQ(camera_for_gate(0, 2, 0, wild, map, 2), -1);   // a gate outside the map
}
