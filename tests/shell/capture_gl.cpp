// Screenshots and video frames of a real window.
#include <gtest/gtest.h>
#include <GL/gl.h>
#include "fixtures/fixtures.h"
#include "shell/capture.h"
#include "shell/globals.h"
#include "data/console.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "graphics/png.h"
#include "platform/display.h"
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

// The system libraries behind a window (and the joysticks a display enumerates) keep memory
// until exit; the leak checker is for our code, which the plain shell tests cover.
extern "C" const char *__asan_default_options(void)
{
    return "detect_leaks=0";
}

namespace {

const int W = 64, H = 48;

// Top half red, bottom half blue, drawn and shown.
void draw_frame(display *d)
{
    ASSERT_NE(kubl_gl_frame_begin(d), nullptr);
    glViewport(0, 0, W, H);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, H / 2, W, H - H / 2);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

// What a driver that does not keep the back buffer across a swap leaves there: anything.
void spoil_back_buffer(display *)
{
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

// The key pressed, then the next frame drawn and shown, then its buffer spoiled.
void shoot(display *d)
{
    take_screenshot();
    draw_frame(d);
    screenshot_frame_drawn(W, H);
    kubl_gl_frame_end(d);
    spoil_back_buffer(d);
}

std::string last_console_line()
{
    return g_console.lines[(g_console.write_index + CONSOLE_LINES - 1) % CONSOLE_LINES];
}

unsigned be32(const std::string &s, size_t at)
{
    return (unsigned char)s[at] << 24 | (unsigned char)s[at + 1] << 16 | (unsigned char)s[at + 2] << 8 |
           (unsigned char)s[at + 3];
}

struct CaptureWindow : testing::Test {
    std::string root, home;
    display *d = nullptr;
    void SetUp() override
    {
        root = fixture_temp_dir("shots");
        home = root + "xdg/Rutline/";
        fixture_write_file(root + "game/.keep", "");
        setenv("XDG_DATA_HOME", (root + "xdg").c_str(), 1);
        setenv("RL_HOME", (root + "game").c_str(), 1);
        data_files_free();
        search_folders_free();
        capture_reset();
        d = kubl_gl_window_open("Rutline capture test", W, H, 32, 0, 16, 0, 0);
        ASSERT_NE(d, nullptr);
        frame_width = W;
        frame_height = H;
    }
    void TearDown() override
    {
        if (d) kubl_gl_window_close(d);
        data_files_free();
        search_folders_free();
        unsetenv("XDG_DATA_HOME");
        unsetenv("RL_HOME");
    }
};

} // namespace

TEST_F(CaptureWindow, ScreenshotsNumberedPastIndexAndExistingFiles)
{
    fixture_write_file(home + "screenshot007.jpg", "not a picture");
    file_index_names();   // the index as start-up builds it: 7 is the highest
    fixture_write_file(home + "screenshot009.png", "made after the index");

    shoot(d);
    EXPECT_EQ(last_console_line(), "Saved \"screenshot008.png\"");
    std::string png = fixture_read_file(home + "screenshot008.png");
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(be32(png, 16), (unsigned)W);
    EXPECT_EQ(be32(png, 20), (unsigned)H);
    // The picture is the frame, upright: red on top, blue below.
    unsigned char *pixels = nullptr;
    int w = 0, h = 0, channels = 0;
    char *text = nullptr;
    ASSERT_EQ(image_read_png("@screenshot008.png", &pixels, &w, &h, &channels, &text), 1);
    ASSERT_EQ(w, W);
    ASSERT_EQ(h, H);
    ASSERT_EQ(channels, 3);
    EXPECT_EQ(std::string((char *)pixels, 3), std::string("\xff\x00\x00", 3));
    EXPECT_EQ(std::string((char *)pixels + ((size_t)W * H - 1) * 3, 3), std::string("\x00\x00\xff", 3));
    mem_free(pixels);
    mem_free(text);

    shoot(d);   // 9 exists already and is left alone
    EXPECT_EQ(last_console_line(), "Saved \"screenshot010.png\"");
    EXPECT_EQ(fixture_read_file(home + "screenshot009.png"), "made after the index");
    EXPECT_TRUE(fixture_file_exists(home + "screenshot010.png"));
    shoot(d);
    EXPECT_EQ(last_console_line(), "Saved \"screenshot011.png\"");
}

// The picture is the frame drawn after the key press, read before it is shown: what the back
// buffer holds after the swap does not matter.
TEST_F(CaptureWindow, ScreenshotIsTheNextFrameReadBeforeTheSwap)
{
    file_index_names();
    ASSERT_NE(kubl_gl_frame_begin(d), nullptr);
    spoil_back_buffer(d);
    kubl_gl_frame_end(d);
    take_screenshot();
    EXPECT_FALSE(fixture_file_exists(home + "screenshot001.png"));   // nothing until a frame is drawn
    draw_frame(d);
    screenshot_frame_drawn(W, H);
    kubl_gl_frame_end(d);
    ASSERT_NE(kubl_gl_frame_begin(d), nullptr);
    spoil_back_buffer(d);
    screenshot_frame_drawn(W, H);   // one key press, one picture
    kubl_gl_frame_end(d);
    EXPECT_FALSE(fixture_file_exists(home + "screenshot002.png"));

    unsigned char *pixels = nullptr;
    int w = 0, h = 0, channels = 0;
    ASSERT_EQ(image_read_png("@screenshot001.png", &pixels, &w, &h, &channels, nullptr), 1);
    ASSERT_EQ(w, W);
    EXPECT_EQ(std::string((char *)pixels, 3), std::string("\xff\x00\x00", 3));
    EXPECT_EQ(std::string((char *)pixels + ((size_t)W * H - 1) * 3, 3), std::string("\x00\x00\xff", 3));
    mem_free(pixels);
}

TEST_F(CaptureWindow, VideoFrameIsPpmTopRowFirst)
{
    std::string path = root + "frames.ppm";
    draw_frame(d);
    fflush(stdout);
    int saved = dup(1);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    dup2(fd, 1);
    video_frame_write(W, H);
    video_frame_write(W, H);
    fflush(stdout);
    dup2(saved, 1);
    close(fd);
    close(saved);
    kubl_gl_frame_end(d);

    std::string header = "P6\n64 48\n255\n";
    std::string bytes = fixture_read_file(path);
    size_t frame = header.size() + (size_t)W * H * 3;
    ASSERT_EQ(bytes.size(), 2 * frame);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    EXPECT_EQ(bytes.substr(frame, header.size()), header);
    auto pixel = [&](int x, int y) { return bytes.substr(header.size() + ((size_t)y * W + x) * 3, 3); };
    EXPECT_EQ(pixel(0, 0), std::string("\xff\x00\x00", 3));        // top row: red
    EXPECT_EQ(pixel(W - 1, H - 1), std::string("\x00\x00\xff", 3)); // bottom row: blue
}
