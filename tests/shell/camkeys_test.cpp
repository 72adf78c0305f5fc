#include "console_fixture.h"
#include "shell/main/cameras.h"
#include "ui/scene.h"
#include <cmath>
#include <dirent.h>

static std::vector<int> key_ticks(void)
{
    std::vector<int> t;
    for (int i = 0; i < camkeys_count(); ++i) t.push_back(camkeys_items()[i].tick);
    return t;
}

static void add_at(int tick, float x = 0)
{
    tick_count = tick;
    free_camera.position[0] = x;
    camkey_add();
}

using CamKeys = ConsoleTest;

TEST_F(CamKeys, AddKeepsTickOrder)
{
    add_at(300);
    add_at(100);
    add_at(200, 1);
    add_at(200, 2);   // after the key of the same tick
    EXPECT_EQ(key_ticks(), (std::vector<int>{100, 200, 200, 300}));
    EXPECT_EQ(camkeys_items()[1].position[0], 1);
    EXPECT_EQ(camkeys_items()[2].position[0], 2);
    EXPECT_EQ(camkeys_items()[0].fov, 110);
}

TEST_F(CamKeys, DeleteTheNearerNeighbour)
{
    struct Case { int tick; std::vector<int> left; };
    const Case cases[] = {
        {140, {200}}, {170, {100}}, {150, {200}}, {50, {200}}, {250, {100}}, {100, {200}}, {200, {100}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tick);
        camkeys_clear();
        add_at(100);
        add_at(200);
        tick_count = c.tick;
        camkey_delete();
        EXPECT_EQ(key_ticks(), c.left);
    }
    camkeys_clear();
    add_at(500);
    tick_count = 0;
    camkey_delete();
    EXPECT_EQ(camkeys_count(), 0);
}

TEST_F(CamKeys, WriteAndRead)
{
    free_camera.yaw = 0.25f;
    free_camera.pitch = -0.5f;
    free_camera.position[1] = 12.345678f;
    free_camera.position[2] = -3;
    add_at(250, 7.5f);
    ASSERT_EQ(camkeys_write("  fly "), 1);
    const camera_keyframe k = camkeys_items()[0];
    char want[256];
    snprintf(want, sizeof want, "7.5000 12.3457 -3.0000 %.4f %.4f %.4f %.4f 110.00 250\n", k.quat[0], k.quat[1],
             k.quat[2], k.quat[3]);
    EXPECT_EQ(fixture_read_file(home + "keycam/fly"), want);
    EXPECT_FALSE(fixture_file_exists(home + "keycam/fly.tmp"));

    camkeys_clear();
    ASSERT_EQ(camkeys_read("fly"), 1);
    ASSERT_EQ(camkeys_count(), 1);
    EXPECT_EQ(camkeys_items()[0].tick, 250);
    EXPECT_NEAR(camkeys_items()[0].quat[1], k.quat[1], 1e-4);
}

TEST_F(CamKeys, ReadingFiles)
{
    struct Case {
        const char *text;
        int result;
        std::vector<int> ticks;
    };
    const char *good = "1 2 3 0 0 0 1 90 100\n";
    const Case cases[] = {
        {"1 2 3 0 0 0 1 90 100\n1 2 3 0 0 0 1 90 300\n1 2 3 0 0 0 1 90\n1 2 3 0 0 0 1 90 400\n", 0, {100, 300}},
        {"0 0 0 0 0 0 1 90 300\n0 0 0 0 0 0 1 90 100\r\n0 0 0 0 0 0 1 90 200", 1, {300, 100, 200}},
        {"0 0 0 0 0 0 1 90 300\nnan 0 0 0 0 0 1 90 100\n", 0, {300}},
        {"0 0 0 0 0 0 1 inf 300\n", 0, {}},
        {"", 1, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        fixture_write_file(home + "keycam/k", good);
        ASSERT_EQ(camkeys_read("k"), 1);
        fixture_write_file(home + "keycam/k", c.text);
        EXPECT_EQ(camkeys_read("k"), c.result);
        EXPECT_EQ(key_ticks(), c.ticks);
    }
}

TEST_F(CamKeys, NamesThatFail)
{
    add_at(100);
    fixture_write_file(home + "outside", "1 2 3 0 0 0 1 90 100\n");
    for (const char *name : {"", "   ", "missing", "../outside", "a/../../outside"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(camkeys_read(name), 0);
        EXPECT_EQ(key_ticks(), std::vector<int>{100});   // a file not opened leaves the list
    }
    EXPECT_EQ(camkeys_write(""), 0);
    EXPECT_EQ(camkeys_write(" \t "), 0);
    EXPECT_EQ(camkeys_write("../outside"), 0);
    EXPECT_EQ(opendir((home + "keycam").c_str()), nullptr);
    EXPECT_EQ(fixture_read_file(home + "outside"), "1 2 3 0 0 0 1 90 100\n");
}

// A key made of the free camera plays back as the view the camera had.
TEST_F(CamKeys, PlaybackMatchesTheFreeCamera)
{
    for (float yaw = -3.1f; yaw < 3.2f; yaw += 0.7f)
        for (float pitch = -1.5f; pitch < 1.6f; pitch += 0.5f) {
            SCOPED_TRACE(testing::Message() << yaw << " " << pitch);
            camkeys_clear();
            free_camera.yaw = yaw;
            free_camera.pitch = pitch;
            add_at(64);
            float eye[3], rotation[9], fov, want[9];
            ASSERT_EQ(keyframe_camera(camkeys_items(), camkeys_count(), 64, eye, rotation, &fov), 1);
            matrix_from_yaw_pitch(pitch, yaw, want);
            for (int i = 0; i < 9; ++i) EXPECT_NEAR(rotation[i], want[i], 2e-6f) << i;
        }
}
