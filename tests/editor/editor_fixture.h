// The editor on a small field built in memory: a 400 x 200 window, the mouse on chosen map
// points, and the left and right buttons bound to codes of their own.
#pragma once
#include "terrain/terrain_fixture.h"
#include "editor/editor.h"
#include "editor/editor_state.h"
#include "shell/globals.h"
#include "terrain/statues.h"
#include "terrain/terrain_seams.h"
#include "terrain/track_load.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>

enum { CODE_LEFT_BUTTON = 0x1001, CODE_RIGHT_BUTTON = 0x1002, CODE_ARROW_LEFT = 0x1003,
       CODE_ARROW_RIGHT = 0x1004, CODE_ARROW_UP = 0x1005, CODE_ARROW_DOWN = 0x1006 };

struct EditorTest : ::testing::Test {
    small_field field;
    std::uint32_t saved_buttons[MENU_BUTTON_COUNT];
    terrain_field *saved_terrain = nullptr;
    int saved_detail = 0;

    explicit EditorTest(int depth = 4, const std::function<float(int, int)> &h = [](int, int) { return 0.0f; })
        : field(depth, 1.0f, h) {}

    void SetUp() override
    {
        std::memcpy(saved_buttons, menu_buttons, sizeof saved_buttons);
        menu_buttons[MENU_CURSOR_LEFT] = CODE_LEFT_BUTTON;
        menu_buttons[MENU_CURSOR_RIGHT] = CODE_RIGHT_BUTTON;
        menu_buttons[MENU_LEFT] = CODE_ARROW_LEFT;
        menu_buttons[MENU_RIGHT] = CODE_ARROW_RIGHT;
        menu_buttons[MENU_UP] = CODE_ARROW_UP;
        menu_buttons[MENU_DOWN] = CODE_ARROW_DOWN;
        menu_buttons[MENU_ENTER] = menu_buttons[MENU_KEYPAD_ENTER] = 0;
        // Fields this small hold no ring textures: only the blocks are marked for recomposing.
        saved_detail = terrain_settings.ground_texture_detail;
        terrain_settings.ground_texture_detail = 6;
        saved_terrain = terrain_ptr;
        terrain_ptr = field.t;
        frame_width = 400;
        frame_height = 200;
        mouse_x = 300;   // right of the panel
        mouse_y = 100;
        track_name = nullptr;
        track_objects_init();
        first_own_billboard = 0;
        editor_setup_track(nullptr, field.t);
    }
    void TearDown() override
    {
        editor_release();
        track_objects_free();
        terrain_ptr = saved_terrain;
        terrain_settings.ground_texture_detail = saved_detail;
        std::memcpy(menu_buttons, saved_buttons, sizeof saved_buttons);
    }

    // Puts the mouse over a map point at the current view (to the nearest pixel).
    void mouse_on(float x, float z)
    {
        float span = editor_span();
        mouse_x = (int)std::lround((x - g_editor.view_x) / span * frame_height + frame_width / 2.0);
        mouse_y = (int)std::lround((z - g_editor.view_z) / span * frame_height + frame_height / 2.0);
    }
    // Views the map so that one pixel is one map unit / 8 and (x, z) is under the screen centre.
    void view_at(float x, float z)
    {
        g_editor.view_x = x;
        g_editor.view_z = z;
    }
    int key(int code) { return editor_key(code, 1); }
    void press_left() { editor_key(CODE_LEFT_BUTTON, 1); }
    void release_left() { editor_key(CODE_LEFT_BUTTON, 0); }
    void ticks(int n) { for (int i = 0; i < n; ++i) editor_tick(); }
    float h(int x, int z) const { return field.h(x, z); }
    void set_slider(int index, double value) { editor_panel[index].slider.value = value; }
};
