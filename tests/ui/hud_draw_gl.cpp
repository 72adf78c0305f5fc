// The HUD drawn into a real window and read back: a final results board with a penalty, and
// the suspension graphs from fixed rings, each against its reference picture beside this file.
// After a deliberate change to their look, RL_REMAKE_REFERENCE=1 writes the pictures anew.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "data/console.h"
#include "data/mem.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "graphics/font.h"
#include "graphics/png.h"
#include "platform/display.h"
#include "bike/bike_record.h"
#include "bike/setters.h"
#include "racing/race_state.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"
#include "shell/globals.h"
#include "ui/hud.h"
#include "ui/menu.h"
#include "ui/ui.h"

namespace {

const int W = 640, H = 480;

std::string exe_folder(void)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? (size_t)n : 0);
    return path.substr(0, path.rfind('/') + 1);
}

display *window(void)
{
    static display *d;
    if (!d) {
        setenv("XDG_DATA_HOME", (fixture_temp_dir("hudgl") + "xdg").c_str(), 1);
        setenv("RL_HOME", (exe_folder() + "../game").c_str(), 1);
        search_folders_free();
        d = kubl_gl_window_open("Rutline HUD", W, H, 32, 8, 16, 0, 0);
    }
    return d;
}

// A clear mid-grey frame with the projection of a 640 x 480 view.
void frame_start(void)
{
    frame_width = W;
    frame_height = H;
    set_projection(W, H, 70);
    glClearColor(0.3f, 0.4f, 0.3f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
}

std::vector<unsigned char> frame_read(void)
{
    std::vector<unsigned char> rgb((size_t)W * H * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// Pixels whose colour passes the test, in a box given from the top left.
template <class F> int count_in(const std::vector<unsigned char> &rgb, int x0, int y0, int x1, int y1, F test)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (test(&rgb[((size_t)(H - 1 - y) * W + x) * 3])) ++n;
    return n;
}

void match_reference(const std::vector<unsigned char> &rgb, const char *name)
{
    const std::string reference = std::string(RL_SOURCE_DIR) + "/tests/ui/" + name;
    if (getenv("RL_REMAKE_REFERENCE")) {
        ASSERT_EQ(image_write_png_rgb(reference.c_str(), rgb.data(), W, H), 1);
        return;
    }
    unsigned char *pixels = nullptr;
    char *text = nullptr;
    int w = 0, h = 0, channels = 0;
    ASSERT_EQ(image_read_png(reference.c_str(), &pixels, &w, &h, &channels, &text), 1) << reference;
    ASSERT_EQ(w, W);
    ASSERT_EQ(h, H);
    long off = 0;
    double total = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int k = 0; k < 3; ++k) {
                const int want = pixels[((size_t)(H - 1 - y) * W + x) * channels + k];
                const int d = std::abs(rgb[((size_t)y * W + x) * 3 + k] - want);
                total += d;
                off += d > 24;
            }
    mem_free(pixels);
    mem_free(text);
    EXPECT_LT(total / (W * H * 3.0), 1.0) << name;
    EXPECT_LT(off, W * H * 3 / 200) << name;
}

// Two riders home, the second penalised a lap and a second for cutting the track.
const int times[2][8] = {{200, 328, 600, 900, 1096, 1300, 1500, 1800}, {210, 400, 700, 1000, 1288, 1400, 1600, 1900}};
int fixture_gate_time(int slot, int n) { return n >= 0 && n < 8 ? times[slot][n] : -1; }
int fixture_gate_index(int) { return 8; }
const char *fixture_number(int slot) { return slot ? "21" : "5"; }
int fixture_finished(int) { return 1; }
const hud_rider_reader fixture_riders = {fixture_gate_time, fixture_gate_index, fixture_number, fixture_finished};

TEST(HudDrawGl, FinalResultsBoardWithPenalty)
{
    display *d = window();
    ASSERT_TRUE(d);
    ASSERT_TRUE(kubl_gl_frame_begin(d));
    fonts_load();
    ASSERT_NE(font_main()->texture, 0u);
    frame_start();
    const standings_entry results[2] = {{0, 8, 1800}, {1, 5, 1900 + 128}};
    hud_race race = {};
    race.standings = results;
    race.count = 2;
    race.first_lap_gates = 2;
    race.gates_per_lap = 3;
    race.start_tick = 128;
    race.results_final = 1;
    race.riders = &fixture_riders;
    static results_board_text board;
    hud_results_text(&race, &board);
    ASSERT_EQ(board.penalty_count, 1);
    EXPECT_STREQ(board.penalties[0], " 21 penalized 1 lap 1.00 seconds for cutting track");

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    overlay_push_topleft(50);
    hud_draw_results_board(&board, 1);
    overlay_pop();
    const std::vector<unsigned char> rgb = frame_read();
    kubl_gl_frame_end(d);

    // 9.6 pixels a line: the band over the title darkens the grey; the penalty line is red.
    const int dark = count_in(rgb, 10, 2, 180, 16, [](const unsigned char *p) { return p[1] < 90 && p[0] < 70; });
    EXPECT_GT(dark, 500);
    const int red = count_in(rgb, 0, 45, 200, 62, [](const unsigned char *p) { return p[0] > 110 && p[1] < 70; });
    EXPECT_GT(red, 20);
    match_reference(rgb, "results_board.png");
    fonts_free();
}

// The message lines stay off an open menu page, the timing tower's strip and the editor's panel.
TEST(HudDrawGl, MessageLinesKeepOffPagesTheTowerAndThePanel)
{
    display *d = window();
    ASSERT_TRUE(d);
    ASSERT_TRUE(kubl_gl_frame_begin(d));
    fonts_load();
    console_clear();
    console_print("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    ASSERT_GT(g_console.visible_count, 0);
    // Brighter than the grey ground: the text (its shadow is darker).
    const auto white = [](const unsigned char *p) { return p[0] > 130 && p[2] > 130; };
    struct Case {
        const char *what;
        int menu;
        float keep_left, keep_top;
        int clear_x1, clear_y1;   // this box from the top left stays free of text
    };
    const Case cases[] = {
        {"closed", MENU_CLOSED, 0, 0, 0, 0},
        {"page open", MENU_PAGE_MAIN, 0, 0, W, H},
        {"tower strip", MENU_CLOSED, 0, 1.5f / 40, W, 18},
        {"editor panel", MENU_CLOSED, 21.0f / 64, 0, 157, H},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        frame_start();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        menu_state = c.menu;
        hud_keep_clear(c.keep_left, c.keep_top);
        hud_draw_overlays(-1);
        menu_state = MENU_CLOSED;
        const std::vector<unsigned char> rgb = frame_read();
        EXPECT_EQ(count_in(rgb, 0, 0, c.clear_x1, c.clear_y1, white), 0);
        if (c.menu == MENU_CLOSED) EXPECT_GT(count_in(rgb, 0, 0, W, 40, white), 50);
    }
    // The kept parts are for one frame: the next draws from the corner again.
    frame_start();
    hud_draw_overlays(-1);
    EXPECT_GT(count_in(frame_read(), 0, 0, 100, 10, white), 20);
    console_clear();
    kubl_gl_frame_end(d);
    fonts_free();
}

TEST(HudDrawGl, TelemetryGraphsFromRings)
{
    display *d = window();
    ASSERT_TRUE(d);
    ASSERT_TRUE(kubl_gl_frame_begin(d));
    fonts_load();
    frame_start();
    // Travel as slow waves, speeds as their change, factors rising along the ring; the write
    // index a third of the way in, so the oldest sample is not the first of the arrays.
    const float n = (float)TELEMETRY_SAMPLES;
    for (int i = 0; i < TELEMETRY_SAMPLES; ++i) {
        const float a = (float)i * 6.2831853f / n;
        telemetry_rings[0][i] = 0.8f * std::sin(2 * a);
        telemetry_rings[1][i] = 6 * std::cos(2 * a);
        telemetry_rings[2][i] = (float)i / n;
        telemetry_rings[3][i] = 0.5f * std::sin(3 * a);
        telemetry_rings[4][i] = 1.6f * std::cos(3 * a);   // beyond the frame: clamped
        telemetry_rings[5][i] = 1 - (float)i / n;
    }
    telemetry_index = 341;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(view_half_x, -view_half_y, -1);
    const float s = 0.2334025f * view_half_y;
    glScalef(s, s, s);
    hud_draw_telemetry_graphs();
    const std::vector<unsigned char> rgb = frame_read();
    kubl_gl_frame_end(d);
    telemetry_index = TELEMETRY_SAMPLES;

    const int green = count_in(rgb, 0, 0, W, H, [](const unsigned char *p) { return p[1] > 200 && p[0] < 80; });
    const int red = count_in(rgb, 0, 0, W, H, [](const unsigned char *p) { return p[0] > 200 && p[1] < 80; });
    EXPECT_GT(green, 50);
    EXPECT_GT(red, 50);
    // Nothing above the labels or left of the left graph.
    const int stray = count_in(rgb, 0, 0, W, 200, [](const unsigned char *p) { return p[0] > 200 || p[1] > 200; });
    EXPECT_EQ(stray, 0);
    match_reference(rgb, "telemetry_graphs.png");
    fonts_free();
}

// Through the game's own reader: two bare bike records, the leader a lap up and 1 s behind the
// viewed rider on the road. The pit board's warning band runs across the bottom of the view.
TEST(HudDrawGl, LappingBandAcrossTheView)
{
    display *d = window();
    ASSERT_TRUE(d);
    ASSERT_TRUE(kubl_gl_frame_begin(d));
    fonts_load();
    frame_start();
    static bike riders[2];
    int sequence[5] = {0, 1, 2, 3, 4};
    lap_list = sequence, first_lap_count = 2, normal_lap_count = 3;
    track_name = "lapping";
    race_start_tick = 0;
    const int passed[2] = {8, 5}, last[2] = {5128, 5000};
    for (int slot = 0; slot < 2; ++slot) {
        bike *b = &riders[slot];
        growable_array_init(&b->gate_times, sizeof(int));
        for (int g = 0; g < passed[slot]; ++g) bike_record_gate_time(b, g, last[slot] - (passed[slot] - 1 - g) * 300);
        b->gate_index = passed[slot];
        snprintf(b->number_text, sizeof b->number_text, "%d", 40 + slot);
        bike_slot_table[slot] = b;
        standings[slot] = {slot, passed[slot], last[slot]};
    }
    standings_count = 2;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    hud_draw_position_board(1);
    const std::vector<unsigned char> rgb = frame_read();
    kubl_gl_frame_end(d);
    for (int slot = 0; slot < 2; ++slot) {
        growable_array_free(&riders[slot].gate_times);
        bike_slot_table[slot] = nullptr;
    }
    standings_count = 0;
    lap_list = nullptr, first_lap_count = normal_lap_count = 0;
    track_name = nullptr;

    // Half blue over the grey (0.3, 0.4, 0.3): about (38, 115, 166), from edge to edge; the
    // band is 1/30 of the view high.
    auto blue = [](const unsigned char *p) { return p[2] > 140 && p[0] < 70; };
    EXPECT_EQ(count_in(rgb, 0, H - 2, 4, H, blue), 8);
    EXPECT_EQ(count_in(rgb, W - 4, H - 2, W, H, blue), 8);
    EXPECT_EQ(count_in(rgb, 0, H - 20, W, H - 17, blue), 0);
    // White text in the middle of the band: " 40 (1.0) ".
    const int white = count_in(rgb, W / 2 - 40, H - 16, W / 2 + 40, H, [](const unsigned char *p) { return p[0] > 200 && p[1] > 200; });
    EXPECT_GT(white, 15);
    // Black text on the board above (no board picture here): the number and place.
    const int black = count_in(rgb, 30, H - 90, 120, H - 20, [](const unsigned char *p) { return p[0] < 40 && p[1] < 40; });
    EXPECT_GT(black, 30);
    fonts_free();
}

}   // namespace
