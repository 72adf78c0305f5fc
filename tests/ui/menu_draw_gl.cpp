// The menu pages drawn into a real window: the backdrop darkens what is behind it and the
// focused row shows its light box where its rectangle says.
#include <gtest/gtest.h>
#include <climits>
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
#include <GL/gl.h>

namespace {

display *window(void)
{
    static display *d;
    if (!d) d = kubl_gl_window_open("Rutline menus", 640, 480, 0, 8, 16, 0, 0);
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

}   // namespace
