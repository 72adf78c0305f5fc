// The ground seen through the free camera: composed, shaded and drawn into a real frame, read
// back and compared with the reference picture kept in tests/program/. After a deliberate
// change to the look of the ground, tests/program/remake_ground_reference writes it anew.
#include "terrain/field.h"
#include "terrain/terrain_io.h"
#include "terrain/terrain_seams.h"
#include "shell/main/cameras.h"
#include "shell/globals.h"
#include "graphics/glcaps.h"
#include "graphics/png.h"
#include "platform/display.h"
#include "ui/ground_view.h"
#include "ui/ui.h"
#include "data/mem.h"
#include "terrain/ground_gl.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <vector>

TEST(GroundView, PictureOfTheComposedGround)
{
    const std::string reference = std::string(RL_SOURCE_DIR) + "/tests/program/ground_view.png";
    // A window of its own: a suite before this one may have closed its window and left no
    // context current.
    display *window = kubl_gl_window_open("Rutline ground view", 320, 240, 24, 0, 16, 0, 0);
    ASSERT_NE(window, nullptr);
    gl_probe_extensions();
    struct closer {
        display *d;
        ~closer() { kubl_gl_window_close(d); }
    } close_window{window};
    ground_track track(7);
    g_render.terrain_detail = 0.125f;
    g_render.ground_texture_detail = 0;
    g_render.ground_texture_size = 256;
    g_render.ground_mipmaps = 1;
    g_render.terrain_shader = 0;
    terrain_settings_from_render();
    ASSERT_EQ(terrain_load(terrain_ptr, track.dir.c_str(), 1), 1);

    const int width = 320, height = 240;
    frame_width = width;
    frame_height = height;
    cameras_reset();
    track_camera_index = -1;
    free_camera.position[0] = -30;
    free_camera.position[1] = 45;
    free_camera.position[2] = -30;
    free_camera.yaw = 0.7853982f;
    free_camera.pitch = -0.22f;
    free_camera.fov = 70;
    // One texture is composed per frame: enough frames fill every ring.
    for (int i = 0; i < 110; ++i) keycam_view_draw();
    std::vector<unsigned char> frame((std::size_t)width * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    terrain_free(terrain_ptr);

    // Sky above, ground below, and the ground is not flat colour.
    auto at = [&](int x, int y) { return &frame[((std::size_t)y * width + x) * 3]; };   // y from the bottom
    EXPECT_NEAR(at(160, 235)[2], 230, 3);
    long sum = 0, sum2 = 0, n = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < width; ++x) {
            int v = at(x, y)[1];
            sum += v;
            sum2 += v * v;
            ++n;
        }
    const double mean = (double)sum / n, variance = (double)sum2 / n - mean * mean;
    EXPECT_GT(variance, 50.0);
    EXPECT_LT(at(160, 20)[2], 150);

    if (getenv("RL_REMAKE_REFERENCE")) {
        ASSERT_EQ(image_write_png_rgb(reference.c_str(), frame.data(), width, height), 1);
        return;
    }
    unsigned char *pixels = nullptr;
    char *text = nullptr;
    int w = 0, h = 0, channels = 0;
    ASSERT_EQ(image_read_png(reference.c_str(), &pixels, &w, &h, &channels, &text), 1);
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    long off = 0;
    double total = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < 3; ++k) {
                int want = pixels[((std::size_t)(height - 1 - y) * width + x) * channels + k];
                int d = std::abs(at(x, y)[k] - want);
                total += d;
                off += d > 24;
            }
    mem_free(pixels);
    mem_free(text);
    EXPECT_LT(total / (width * height * 3.0), 2.0);
    EXPECT_LT(off, width * height * 3 / 100);
}
