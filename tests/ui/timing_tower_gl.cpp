// The timing tower and lap board drawn over a plain frame at fixed program times, against their
// reference pictures: the strip's cells, texts and the blank entry, and the three boards.
#include <gtest/gtest.h>
#include "fixtures/fixtures.h"
#include "graphics/font.h"
#include "platform/display.h"
#include "shell/globals.h"
#include "data/paths.h"
#include "ui/timing_tower.h"
#include "ui/ui.h"
#include "reference_picture.h"
#include <GL/gl.h>
#include <cstdlib>
#include <string>

namespace {

const int W = 640, H = 480;

struct TowerGl : ::testing::Test {
    display *d = nullptr;
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", (fixture_temp_dir("towergl") + "xdg").c_str(), 1);
        setenv("RL_HOME", fixture_game_dir().c_str(), 1);
        search_folders_free();
        d = kubl_gl_window_open("Rutline tower", W, H, 0, 8, 16, 0, 0);
        ASSERT_NE(d, nullptr);
        ASSERT_NE(kubl_gl_frame_begin(d), nullptr);
        fonts_load();
        ASSERT_NE(font_main()->texture, 0u);
        frame_width = W;
        frame_height = H;
    }
    void TearDown() override
    {
        if (d) {
            kubl_gl_frame_end(d);
            fonts_free();
            kubl_gl_window_close(d);
        }
        search_folders_free();
    }
    // A blue frame as the track camera's sky would leave it, depth function as the scene ends.
    void background(void)
    {
        set_projection(W, H, 90);
        glClearColor(0.3f, 0.5f, 0.8f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_ALWAYS);
    }
};

// Three riders: the leader, one with a gap and one with no gate time in common.
void fixture_entries(tower_entry e[3])
{
    tower_entry_make(&e[0], 1, "12", "Leader", TOWER_NO_GAP);
    tower_entry_make(&e[1], 2, "7", "Roborider", 128 * 2 + 32);
    tower_entry_make(&e[2], 3, "101", "A rider with a name far too long", TOWER_NO_GAP);
}

TEST_F(TowerGl, TowerAndGreenBoard)
{
    tower_entry e[3];
    fixture_entries(e);
    background();
    timing_tower_draw(e, 3, 3.0);     // half an entry along, from the second rider
    lap_board_draw(0, 2);
    expect_reference_picture(frame_read(W, H), W, H, "tower_green");
}

TEST_F(TowerGl, BlankEntryAndLastLapAndFinishedBoards)
{
    tower_entry e[3];
    fixture_entries(e);
    background();
    timing_tower_draw(e, 3, 6.0);     // the blank comes before the first again
    lap_board_draw(1, 3);
    // The chequered board, lower down on the same frame.
    glPushMatrix();
    glTranslatef(0, -0.2f, 0);
    lap_board_draw(2, 4);
    glPopMatrix();
    expect_reference_picture(frame_read(W, H), W, H, "tower_blank_boards");
}

}   // namespace
