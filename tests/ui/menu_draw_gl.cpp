// The menu pages drawn into a real window: the backdrop darkens what is behind it and the
// focused row shows its light box where its rectangle says.
#include <gtest/gtest.h>
#include <climits>
#include <cstdlib>
#include <unistd.h>
#include <string>
#include <vector>
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "graphics/font.h"
#include "graphics/glcaps.h"
#include "platform/display.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "racing/net.h"
#include "racing/net_client.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "ui/menu.h"
#include "ui/widgets.h"
#include <GL/gl.h>

namespace {

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
        // The game's own folder, so the fonts load wherever the test runs from.
        setenv("XDG_DATA_HOME", (fixture_temp_dir("menugl") + "xdg").c_str(), 1);
        setenv("RL_HOME", (exe_folder() + "../game").c_str(), 1);
        search_folders_free();
        d = kubl_gl_window_open("Rutline menus", 640, 480, 0, 8, 16, 0, 0);
    }
    return d;
}

void pixel(int x, int y, unsigned char out[3])
{
    glReadPixels(x, frame_height - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, out);
}

TEST(MenuDrawGl, BackdropAndFocusedRow)
{
    display *d = window();
    ASSERT_TRUE(d);
    ASSERT_TRUE(kubl_gl_frame_begin(d));
    fonts_load();
    config_init();
    frame_width = 640;
    frame_height = 480;
    set_projection(640, 480, 110);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    menu_state = MENU_PAGE_MAIN;
    focused_item = 1;
    menu_draw();
    unsigned char p[3];
    pixel(630, 10, p);   // backdrop only: white under (0.2, 0.2, 0.2, 0.5)
    EXPECT_NEAR(p[0], 153, 3);
    const widget_rect &r = main_menu_buttons[1].rect;
    pixel(r.x1 - 2, (r.y0 + r.y1) / 2, p);   // inside the focused box, right of its text
    EXPECT_GT(p[0], 200);
    const widget_rect &q = main_menu_buttons[2].rect;
    pixel(q.x1 - 2, (q.y0 + q.y1) / 2, p);
    EXPECT_LT(p[0], 160);
    menu_state = MENU_CLOSED;
}

TEST(MenuDrawGl, SlotTableWithPingsAPeerDamaged)
{
    // The ping column of the Multiplayer page takes what the server's records and echoes gave.
    display *d = window();
    ASSERT_TRUE(d);
    ASSERT_TRUE(kubl_gl_frame_begin(d));
    fonts_load();
    config_init();
    frame_width = 640;
    frame_height = 480;
    set_projection(640, 480, 110);
    const int pings[] = {INT_MIN, -1, 0, 65535, INT_MAX};
    for (int i = 0; i < 5; ++i) {
        net_slot_info[i].participant = PARTICIPANT_REMOTE;
        net_slot_info[i].ping_ticks = pings[i];
    }
    net_socket = 1 << 20;   // only asked whether one is open
    net_client.local_slot = 2;
    net_client.client_state = CLIENT_RACING;
    menu_draw_multiplayer();
    net_socket = -1;
    net_client.local_slot = NET_SLOTS;
    net_client.client_state = CLIENT_CONNECTING;
    net_slot_info_clear();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Long texts are cut (or scrolled, while typed into) inside their boxes: nothing of them lands
// right of a box, and something of them inside it.
TEST(MenuDrawGl, LongTextsStayInTheirBoxes)
{
    display *d = window();
    ASSERT_TRUE(d);
    ASSERT_TRUE(kubl_gl_frame_begin(d));
    fonts_load();
    config_init();
    ASSERT_NE(font_main()->texture, 0u);
    frame_width = 640;
    frame_height = 480;
    set_projection(640, 480, 110);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);

    static char name[64], server[64];
    const std::string long_name(63, 'W');
    menu_text_field name_field{"Name", 63, name, 0, 1, {}}, typed_field{"Server", 63, server, 0, 1, {}};
    widget_text_set(&name_field, long_name.c_str());
    widget_text_set(&typed_field, long_name.c_str());
    typed_field.caret = 63;
    const std::string long_item(300, 'M');
    const char *items[] = {long_item.c_str()};
    menu_choice choice{"Track", items, 1, 0, {}};
    const std::string long_label = "Right Windows " + std::string(80, 'K');
    menu_button button{long_label.c_str(), {}};

    layout_pen pen;
    layout_scale scale;
    overlay_push_4x3(32, 2, -2, &pen, &scale);
    const widget_rect *rects[4] = {&name_field.rect, &typed_field.rect, &choice.rect, &button.rect};
    widget_draw_text_field(&name_field, 0, pen, scale, 16, 0, 0.33f);
    overlay_translate(&pen, 0, -widget_row);
    widget_draw_text_field(&typed_field, 1, pen, scale, 16, 0, 0.33f);
    overlay_translate(&pen, 0, -widget_row);
    widget_draw_choice(&choice, 0, pen, scale, 16, 0, 0.5f);
    overlay_translate(&pen, 0, -widget_row);
    widget_draw_button(&button, 0, pen, scale, 10, 0);
    overlay_pop();

    std::vector<unsigned char> row(640 * 3);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const widget_rect &r = *rects[i];
        const int y = (r.y0 + r.y1) / 2;
        glReadPixels(0, frame_height - 1 - y, 640, 1, GL_RGB, GL_UNSIGNED_BYTE, row.data());
        int inside = 0, outside = 0;
        for (int x = 0; x < 640; ++x) {
            const bool lit = row[x * 3] > 60;
            if (x > r.x0 && x < r.x1) inside += lit;
            if (x > r.x1 + 4) outside += lit;   // past the frame, which reaches a border beyond
        }
        EXPECT_GT(inside, 20);
        EXPECT_EQ(outside, 0);
    }

    // The fitting itself: a text that fits is itself; a long one ends in dots within the width,
    // keeps a leading colour escape whole, and becomes nothing where not even the dots fit.
    char out[128];
    EXPECT_STREQ(widget_fit_text("Name", 10, out, sizeof out), "Name");
    const char *cut = widget_fit_text(long_name.c_str(), 10, out, sizeof out);
    EXPECT_EQ(std::string(cut).substr(std::string(cut).size() - 3), "...");
    EXPECT_LE(text_width(cut), 10.0f);
    const std::string red = "\033[31m" + long_name;
    cut = widget_fit_text(red.c_str(), 10, out, sizeof out);
    EXPECT_EQ(std::string(cut).rfind("\033[31mW", 0), 0u);
    EXPECT_STREQ(widget_fit_text(long_name.c_str(), 0.1f, out, sizeof out), "");
    EXPECT_STREQ(widget_fit_text(long_name.c_str(), 10, out, 3), "");   // no room for the dots

    // A typed text shows the part round the caret: its end with the caret there, its start
    // with the caret at 0.
    int first, count;
    widget_text_window(long_name.c_str(), 63, 5, &first, &count);
    EXPECT_EQ(first + count, 63);
    EXPECT_GT(count, 0);
    EXPECT_LE(text_width(long_name.substr((size_t)first, (size_t)count).c_str()) + text_width(" "), 5.0f);
    widget_text_window(long_name.c_str(), 0, 5, &first, &count);
    EXPECT_EQ(first, 0);
    EXPECT_GT(count, 0);
    kubl_gl_frame_end(d);
}

}   // namespace
