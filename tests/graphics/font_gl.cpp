// Text drawn with the generated main font on a real window: colour escapes colour their words,
// the ink stays within the measured width, and blank texts draw nothing.
#include "graphics/font.h"
#include "data/paths.h"
#include "graphics/png.h"
#include "platform/display.h"
#include "fixtures/fixtures.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <algorithm>
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

const int W = 400, H = 100, UNIT = 40;   // one text unit is 40 pixels

// An environment variable as it was before a fixture changed it.
struct saved_env {
    const char *name;
    bool        was_set;
    std::string value;
    explicit saved_env(const char *n) : name(n), was_set(getenv(n) != nullptr), value(was_set ? getenv(n) : "") {}
    void restore() const
    {
        if (was_set) setenv(name, value.c_str(), 1);
        else unsetenv(name);
    }
};

// The other tests of this program share its process and their own data folder: the fixture
// puts back the folders it found.
struct FontGl : ::testing::Test {
    display *d = nullptr;
    std::vector<unsigned char> rgb;
    saved_env rl_home{"RL_HOME"}, xdg_data_home{"XDG_DATA_HOME"};
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", (fixture_temp_dir("fontgl") + "xdg").c_str(), 1);
        setenv("RL_HOME", (exe_folder() + "../game").c_str(), 1);
        search_folders_free();
        d = kubl_gl_window_open("Rutline test", W, H, 32, 0, 16, 0, 0);
        ASSERT_NE(d, nullptr);
        ASSERT_NE(kubl_gl_frame_begin(d), nullptr);
        fonts_load();
        ASSERT_NE(font_main()->texture, 0u);
    }
    void TearDown() override
    {
        if (d) {
            kubl_gl_frame_end(d);
            fonts_free();
            kubl_gl_window_close(d);
        }
        rl_home.restore();
        xdg_data_home.restore();
        search_folders_free();
    }
    // Pixels: the pen's origin at (10, 30) from the bottom left, black background.
    void draw(const char *text, float r, float g, float b)
    {
        glViewport(0, 0, W, H);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, W, 0, H, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glTranslatef(10, 30, 0);
        glScalef(UNIT, UNIT, 1);
        draw_text(r, g, b, 1, text, TEXT_NORMAL);
        rgb.assign((size_t)W * H * 3, 0);
        glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    }
    const unsigned char *at(int x, int y) const { return &rgb[((size_t)y * W + x) * 3]; }
    void save(const char *name)
    {
        std::string dir = exe_folder() + "screenshots/";
        mkdir(dir.c_str(), 0777);
        EXPECT_TRUE(image_write_png_rgb((dir + name).c_str(), rgb.data(), W, H));
    }
};

TEST_F(FontGl, EscapesColourTheirWordsWithinTheMeasuredWidth)
{
    const char *text = "\033[31mHHH\033[0m HHH";
    draw(text, 1, 1, 1);
    save("font_colours.png");
    const float red_end = 10 + 3 * font_main()->advances[(int)'H'] * UNIT;
    const float end = 10 + text_width(text) * UNIT;
    int red = 0, white = 0, outside = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const unsigned char *p = at(x, y);
            if (p[0] < 100) continue;   // background
            bool inside = x >= 9 && x <= end + 1 && y >= 29 && y <= 30 + UNIT;
            if (!inside) ++outside;
            else if (p[1] < 60 && x < red_end) ++red;    // palette red: 0.75, 0, 0
            else if (p[1] > 150 && x > red_end) ++white;
        }
    EXPECT_GT(red, 100);
    EXPECT_GT(white, 100);
    EXPECT_EQ(outside, 0);
}

TEST_F(FontGl, BlankTextsDrawNothing)
{
    for (const char *text : {"", "   ", " \t\r\n "}) {
        SCOPED_TRACE(text);
        draw(text, 1, 1, 1);
        int lit = 0;
        for (size_t i = 0; i < rgb.size(); ++i) lit += rgb[i] != 0;
        EXPECT_EQ(lit, 0);
    }
}

// Number plates from the generated digit fonts: one digit in the wide font, three digits
// switch to the condensed font and still fit the plate.
TEST_F(FontGl, NumberPlatesFitTheirDigits)
{
    const int P = 128;
    std::vector<unsigned char> sheet((size_t)P * 2 * P * 3, 255);   // two plates side by side, on white
    const char *texts[2] = {"7", "123"};
    int widths[2] = {};
    for (int t = 0; t < 2; ++t) {
        std::vector<unsigned char> plate((size_t)P * P * 4, 255);
        for (size_t i = 3; i < plate.size(); i += 4) plate[i] = 0;
        text_raster_to_image(plate.data(), P, P, 0, 0, 0, 1, texts[t]);
        int left = P, right = -1;
        for (int y = 0; y < P; ++y)
            for (int x = 0; x < P; ++x) {
                const unsigned char *p = &plate[((size_t)y * P + x) * 4];
                if (p[3] > 128) left = std::min(left, x), right = std::max(right, x);
                unsigned char *o = &sheet[((size_t)(P - 1 - y) * 2 * P + t * P + x) * 3];
                for (int c = 0; c < 3; ++c) o[c] = (unsigned char)(255 - p[3] + p[c] * p[3] / 255);
            }
        widths[t] = right - left + 1;
        EXPECT_GT(left, 0) << texts[t];
        EXPECT_LT(right, P - 1) << texts[t];
    }
    std::string dir = exe_folder() + "screenshots/";
    mkdir(dir.c_str(), 0777);
    EXPECT_TRUE(image_write_png_rgb((dir + "number_plates.png").c_str(), sheet.data(), 2 * P, P));
    EXPECT_GT(widths[0], P / 4);
    EXPECT_GT(widths[1], widths[0] * 3 / 2) << "three condensed digits are wider than one wide digit";
}

}   // namespace
