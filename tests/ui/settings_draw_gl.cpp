// The setup and settings pages drawn into a real 640x480 window: every row lands inside the
// window apart from the others, so the mouse reaches each; the focused binding row shows its
// light box; the rendering method's mark turns red only for a method the driver cannot do.
#include <gtest/gtest.h>
#include "graphics/font.h"
#include "graphics/glcaps.h"
#include "platform/display.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/graphics_presets.h"
#include "shell/setup.h"
#include "ui/menu.h"
#include "ui/menu_settings.h"
#include <GL/gl.h>

namespace {

display *window(void)
{
    static display *d;
    if (!d) d = kubl_gl_window_open("Rutline settings", 640, 480, 0, 8, 16, 0, 0);
    return d;
}

void pixel(int x, int y, unsigned char out[3])
{
    glReadPixels(x, frame_height - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, out);
}

struct SettingsDraw : ::testing::Test {
    void SetUp() override
    {
        display *d = window();
        ASSERT_TRUE(d);
        ASSERT_TRUE(kubl_gl_frame_begin(d));
        fonts_load();
        config_init();
        setup_init();
        graphics_preset_apply(GRAPHICS_PRESET_COMPATIBILITY);
        key_bindings_reset();
        frame_width = 640;
        frame_height = 480;
    }
    void TearDown() override { menu_state = MENU_CLOSED; }
    void draw(int page, int row)
    {
        set_projection(640, 480, 110);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        menu_state = page;
        focused_item = row;
        menu_draw();
    }
};

TEST_F(SettingsDraw, EveryRowInsideTheWindowAndApart)
{
    for (int page = MENU_PAGE_BIKE_SETUP; page <= MENU_PAGE_ADVANCED_GRAPHICS; ++page) {
        draw(page, 0);
        const widget_rect *const *list = menu_page_hit_list(page);
        ASSERT_TRUE(list);
        int rows = 0;
        for (int i = 0; list[i]; ++i, ++rows) {
            const widget_rect &r = *list[i];
            SCOPED_TRACE(std::to_string(page) + "/" + std::to_string(i));
            EXPECT_GE(r.x0, 0);
            EXPECT_LE(r.x1, 640);
            EXPECT_GE(r.y0, 0);
            EXPECT_LE(r.y1, 480);
            EXPECT_GT(r.x1 - r.x0, 20);
            EXPECT_GT(r.y1 - r.y0, 5);
            for (int j = 0; j < i; ++j) {
                const widget_rect &q = *list[j];
                bool apart = r.x1 <= q.x0 || q.x1 <= r.x0 || r.y1 <= q.y0 || q.y1 <= r.y0;
                EXPECT_TRUE(apart) << "overlaps row " << j;
            }
            // The mouse in the middle of a row focuses that row.
            mouse_x = (r.x0 + r.x1) / 2;
            mouse_y = (r.y0 + r.y1) / 2;
            EXPECT_EQ(widget_hit_index(list), i);
        }
        const int want[] = {25, 21, 16, 21, 17, 13};
        EXPECT_EQ(rows, want[page - MENU_PAGE_BIKE_SETUP]) << page;
    }
}

TEST_F(SettingsDraw, FocusedBindingRowAndRenderMethodMark)
{
    draw(MENU_PAGE_CONTROLS, 1);
    unsigned char p[3];
    const widget_rect &r = binding_rects[0];
    pixel(r.x1 - 2, (r.y0 + r.y1) / 2, p);
    EXPECT_GT(p[0], 150);
    const widget_rect &q = binding_rects[1];
    pixel(q.x1 - 2, (q.y0 + q.y1) / 2, p);
    EXPECT_LT(p[0], 100);

    struct Case { const char *method; int fbo; bool green; };
    const Case cases[] = {{"Software", 0, true}, {"Hardware/Direct", 0, false}, {"Hardware/Direct", 1, true}};
    gl_capabilities saved = gl_caps;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.method);
        widget_choice_select(&config_choices[CONFIG_RENDER_TEXTURE], c.method);
        gl_caps.framebuffer_object = c.fbo;
        draw(MENU_PAGE_ADVANCED_GRAPHICS, 0);
        const widget_rect &m = config_choices[CONFIG_RENDER_TEXTURE].rect;
        float unit = (m.x1 - m.x0) / 31.67f;
        pixel(m.x1 + (int)(0.6f * unit), m.y0 + 3, p);   // the mark's box, left of its text
        if (c.green) EXPECT_GT(p[1], p[0] + 40);
        else EXPECT_GT(p[0], p[1] + 40);
    }
    gl_caps = saved;
}

}   // namespace
