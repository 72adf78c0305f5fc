// The loading screen on a real window: the busy indicator while the file index is built, the
// titled status screen, and the lights of the counter. Each test reads its frame back before the
// swap and keeps it as a PNG in screenshots/ beside the test program.
#include "shell/loading.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "graphics/font.h"
#include "graphics/image.h"
#include "graphics/png.h"
#include "graphics/texture.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/input.h"
#include "fixtures/fixtures.h"
#include "ui/ui.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string exe_folder(void)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? (size_t)n : 0);
    return path.substr(0, path.rfind('/') + 1);
}

double seconds_now(void)
{
    int s, us;
    kubl_time_now(&s, &us);
    return s + us * 1e-6;
}

struct shot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;   // rows bottom to top, as OpenGL reads them
    const unsigned char *at(int x, int y_from_top) const
    {
        return &rgb[((size_t)(height - 1 - y_from_top) * width + x) * 3];
    }
    void take(int w, int h)
    {
        width = w;
        height = h;
        rgb.assign((size_t)w * h * 3, 0);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    }
    void save(const char *name) const
    {
        std::string dir = exe_folder() + "screenshots/";
        mkdir(dir.c_str(), 0777);
        EXPECT_TRUE(image_write_png_rgb((dir + name).c_str(), rgb.data(), width, height));
    }
};

// The platform's frame bracket and drawing, with the frame read back before each swap.
struct capture {
    int busy_draws = 0, status_draws = 0;
    shot last;
};
capture g_capture;

const loading_frame_driver capturing_driver = {
    [](int *w, int *h) { return loading_platform_driver.begin(w, h); },
    [](int w, int h, const char *text) {
        loading_platform_driver.draw_status(w, h, text);
        g_capture.status_draws++;
        g_capture.last.take(w, h);
    },
    [](int w, int h, unsigned counter) {
        loading_platform_driver.draw_busy(w, h, counter);
        g_capture.busy_draws++;
        g_capture.last.take(w, h);
    },
    [] { return loading_platform_driver.end(); },
};

struct LoadingGl : ::testing::Test {
    std::string root = fixture_temp_dir("loadgl");
    void SetUp() override
    {
        shell_globals_reset();
        config_init();   // the screen's projection takes the configured field of view
        loading_reset();
        g_capture = {};
        setenv("XDG_DATA_HOME", (root + "xdg").c_str(), 1);
        g_display = kubl_gl_window_open("Rutline test", 320, 200, 32, 0, 16, 0, 0);
        ASSERT_NE(g_display, nullptr);
        loading_set_driver(&capturing_driver);
    }
    void TearDown() override
    {
        loading_set_driver(nullptr);
        fonts_free();
        texture_purge(1);
        data_files_free();
        search_folders_free();
        unsetenv("RL_HOME");
        unsetenv("XDG_DATA_HOME");
        title_texture = 0;
        if (g_display) kubl_gl_window_close(g_display);
        g_display = nullptr;
    }
    // A frame of one colour on both buffers, so a later read shows what was drawn over it.
    void fill(float r, float g, float b)
    {
        for (int i = 0; i < 2; ++i) {
            ASSERT_NE(kubl_gl_frame_begin(g_display), nullptr);
            glClearColor(r, g, b, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            kubl_gl_frame_end(g_display);
        }
    }
};

// A clock that moves 200 microseconds each time it is read, so the scan's length does not hang
// on how fast this machine lists folders.
std::int64_t g_ticking_us;
std::int64_t ticking_clock(void) { return g_ticking_us += 200; }

TEST_F(LoadingGl, BusyIndicatorTurnsWhileTheIndexIsBuilt)
{
    std::string data = root + "data/";
    mkdir(data.c_str(), 0777);
    for (int i = 0; i < 1500; ++i) {
        std::string folder = data + "d" + std::to_string(i);
        mkdir(folder.c_str(), 0777);
        fixture_write_file(folder + "/f", "x");
    }
    setenv("RL_HOME", data.c_str(), 1);
    search_folders_free();
    data_files_free();
    fill(1, 0, 0);

    g_ticking_us = 50000000;
    kubl_time_set_source(ticking_clock);
    double start = seconds_now();
    const char *const *names = file_index_names();
    double took = seconds_now() - start;
    kubl_time_set_source(nullptr);
    ASSERT_NE(names, nullptr);
    ASSERT_GT(took, 0.25) << "the scan reads the clock once a folder";
    EXPECT_GE(g_loading.busy_counter, 1500u);
    EXPECT_GE(g_capture.busy_draws, (int)(took / 0.0625) - 1);
    EXPECT_LE(g_capture.busy_draws, (int)(took / 0.0625) + 1) << "at most 16 redraws a second";

    const shot &s = g_capture.last;
    s.save("loading_busy.png");
    const unsigned char *centre = s.at(160, 100), *corner = s.at(2, 2);
    EXPECT_NEAR(centre[0], 128, 3);   // the middle of the radial shade
    EXPECT_NEAR(centre[2], 128, 3);
    EXPECT_NEAR(corner[0], 66, 6);    // its dark rim, over the red we filled with
    EXPECT_NEAR(corner[2], 66, 6);
}

TEST_F(LoadingGl, LightsShowTheCounterInBinary)
{
    ASSERT_NE(kubl_gl_frame_begin(g_display), nullptr);
    set_projection(320, 200, 110);
    g_loading.busy_start = seconds_now() - 1;   // faded in
    draw_busy_wheel(5);
    shot s;
    s.take(320, 200);
    kubl_gl_frame_end(g_display);
    s.save("loading_lights.png");
    // Bit i sits at x = Y (1 - i / 16) on the plane at depth 1.
    for (int bit = 0; bit < 6; ++bit) {
        SCOPED_TRACE(bit);
        float x = view_half_y * (1 - bit / 16.0f);
        int px = (int)((x / view_half_x + 1) / 2 * 320);
        int want = (5 >> bit & 1) ? 223 : 191;
        EXPECT_NEAR(s.at(px, 100)[1], want, 2);
    }
}

TEST_F(LoadingGl, StatusScreenShowsTitleTextAndVersion)
{
    setenv("RL_HOME", (exe_folder() + "../game").c_str(), 1);
    search_folders_free();
    fill(1, 0, 0);
    ASSERT_NE(kubl_gl_frame_begin(g_display), nullptr);
    fonts_load();
    ASSERT_NE(font_main()->texture, 0u) << "the generated font.png in the game folder";
    // A 2:1 title picture: blue left half, green right half.
    const int tw = 64, th = 32;
    unsigned char *title = (unsigned char *)alloc_or_die(image_chain_bytes(tw, th, 3));
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x) {
            unsigned char *p = title + ((size_t)y * tw + x) * 3;
            p[0] = 0;
            p[1] = x < tw / 2 ? 0 : 160;
            p[2] = x < tw / 2 ? 200 : 0;
        }
    image_build_mips_rgb(title, tw, th);
    title_texture = texture_upload(title, tw, th, 3);
    mem_free(title);
    kubl_gl_frame_end(g_display);

    loading_status("Loading track");
    ASSERT_EQ(g_capture.status_draws, 1);
    const shot &s = g_capture.last;
    s.save("loading_status.png");

    // 320 x 200 is narrower than 2:1: the picture spans the height and is cut at the sides.
    // Its halves meet in the middle of the window.
    EXPECT_NEAR(s.at(100, 100)[2], 200, 4);
    EXPECT_NEAR(s.at(220, 100)[1], 160, 4);
    EXPECT_NEAR(s.at(100, 100)[0], 0, 4) << "no red of the fill shows through";
    // White status text in the first of 25 lines (8 pixels, so the glyphs are soft), from the
    // left edge.
    int white = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 80; ++x) white += s.at(x, y)[0] > 120;   // the picture has no red
    EXPECT_GT(white, 10);
    // Grey version text in the bottom-right corner, one line 1/32 of the height.
    int grey = 0;
    for (int y = 200 - 7; y < 200; ++y)
        for (int x = 200; x < 320; ++x) grey += s.at(x, y)[0] > 90;
    EXPECT_GT(grey, 10);
    // Nothing written elsewhere: the middle rows stay the picture.
    for (int x = 0; x < 320; x += 7) EXPECT_LT(s.at(x, 60)[0], 10) << x;
}

}   // namespace

// Input during a load is dropped, but a close request is kept for the first frame after it.
TEST_F(LoadingGl, CloseRequestsOutliveTheLoad)
{
    struct Case { const char *what; void (*step)(void); };
    const Case cases[] = {
        {"status line", [] { loading_status("Loading terrain"); }},
        {"busy indicator", [] { loading_tick(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        quit_flag = 0;
        kubl_display_push_event_now(g_display, 'a', 1);
        c.step();
        EXPECT_EQ(quit_flag, 0);   // other input leaves it alone
        kubl_display_push_event_now(g_display, 'a', 1);
        kubl_display_push_event_now(g_display, KUBL_CLOSE, 1);
        kubl_display_push_event_now(g_display, 'b', 1);
        c.step();
        EXPECT_EQ(quit_flag, 1);
        std::uint32_t code;
        int pressed;
        EXPECT_EQ(kubl_event_read(g_display, &code, &pressed), 0);   // still drained
    }
    quit_flag = 0;
}
