// The editor view drawn into a real window and read back: the ground seen from above, the
// panel strip with the current mode's button lit and its labels written, the brush circle
// around the cursor.
#include "terrain/ground_gl.h"
#include "editor/editor.h"
#include "editor/editor_state.h"
#include "data/paths.h"
#include "graphics/font.h"
#include "platform/display.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include "terrain/terrain_io.h"
#include "terrain/terrain_seams.h"
#include "terrain/track_load.h"
#include "terrain/statues.h"
#include "ui/ground_view.h"
#include "ui/ui.h"
#include <gtest/gtest.h>
#include <GL/gl.h>
#include <vector>

namespace {

const int width = 640, height = 480;

struct frame {
    std::vector<unsigned char> rgb;
    frame() : rgb((std::size_t)width * height * 3)
    {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    }
    // Window pixel (x, y), y downward as the mouse has it.
    const unsigned char *at(int x, int y) const { return &rgb[((std::size_t)(height - 1 - y) * width + x) * 3]; }
    int grey(int x, int y) const { const unsigned char *p = at(x, y); return (p[0] + p[1] + p[2]) / 3; }
    // The brightest pixel inside a rectangle.
    int brightest(const widget_rect &r) const
    {
        int best = 0;
        for (int y = r.y0 + 1; y < r.y1; ++y)
            for (int x = r.x0 + 1; x < r.x1; ++x) best = std::max(best, grey(x, y));
        return best;
    }
};

TEST(EditorDrawGl, TopDownViewWithPanel)
{
    display *d = kubl_gl_window_open("Rutline editor", width, height, 0, 8, 16, 0, 0);
    ASSERT_TRUE(d);
    ASSERT_TRUE(kubl_gl_frame_begin(d));
    setenv("RL_HOME", fixture_game_dir().c_str(), 1);
    search_folders_free();
    fonts_load();
    config_init();
    ground_track track(7);
    g_render.terrain_detail = 0.125f;
    g_render.ground_texture_detail = 0;
    g_render.ground_texture_size = 256;
    g_render.terrain_shader = 0;
    terrain_settings_from_render();
    ASSERT_EQ(terrain_load(terrain_ptr, track.dir.c_str(), 1), 1);
    track_objects_init();
    frame_width = width;
    frame_height = height;
    set_projection(width, height, setting_fov());
    editor_setup_track(d, terrain_ptr);
    editor_panel[W_ZOOM].slider.value = 0;   // the whole 256-unit field over the height
    mouse_x = 400;
    mouse_y = 240;
    for (int i = 0; i < 40; ++i) {
        set_projection(width, height, setting_fov());
        editor_draw();
    }
    frame f;

    // Panel: dark strip at the left; the Raise button lit, Lower not; both carry a label.
    EXPECT_LT(f.grey(100, 470), 40);
    const widget_rect &raise = editor_panel[MODE_RAISE].button.rect, &lower = editor_panel[MODE_LOWER].button.rect;
    ASSERT_GT(raise.x1, raise.x0);
    EXPECT_GT(f.grey(raise.x1 - 3, (raise.y0 + raise.y1) / 2), f.grey(lower.x1 - 3, (lower.y0 + lower.y1) / 2) + 40);
    EXPECT_GT(f.brightest(lower), 100) << "the label's text";
    // Widgets of other modes are not drawn and cannot be hit.
    EXPECT_EQ(editor_panel[W_NEW_GRADIENT].button.rect.x1, -1);

    // Ground beyond the panel: lit, not the clear colour; the field ends at the map's edge.
    EXPECT_GT(f.grey(480, 120), 40);
    // Zoom 0: the field spans the height, centred at x = 320; beyond x = 560 nothing.
    EXPECT_LT(f.grey(width - 2, 240), 10);

    // The outer brush circle: Radius 64 pixels around the cursor, white.
    int white = 0;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) white = std::max(white, f.grey(400 + 64 + dx, 240 + dy));
    EXPECT_GT(white, 200);

    // Profiles far out or damaged (an edinfo made by hand): the profile graph draws a bounded
    // count of grid lines and the frame ends.
    editor_change_mode(MODE_GRADIENT_EDIT);
    const char *const profiles[][2] = {
        {"add_point 1 1000000000 5", "add_point 1 1000000010 5"},
        {"add_point 1 -1000000000 5", "add_point 1 1000000000 5"},
        {"add_point 1 1000000000 5", "add_point 1 -1000000000 5"},
        {"add_point 0 -3e38 5", "add_point 0 3e38 5"},
    };
    for (const auto &lines : profiles) {
        SCOPED_TRACE(lines[0]);
        ASSERT_EQ(edinfo_parse_line("add_gradient 10 10 200 10"), 1);
        for (const char *l : lines) ASSERT_EQ(edinfo_parse_line(l), 1);
        editor_draw();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    }

    editor_release();
    track_objects_free();
    terrain_free(terrain_ptr);
    kubl_gl_frame_end(d);
    unsetenv("RL_HOME");
    search_folders_free();
}

}   // namespace
