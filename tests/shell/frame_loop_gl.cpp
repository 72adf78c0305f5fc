// The frame loop on a real window: with no track the title view is drawn, the ticks run paced,
// and a close request ends the loop.
#include <gtest/gtest.h>
#include <GL/gl.h>
#include "shell/main/frame_loop.h"
#include "shell/globals.h"
#include "shell/pacing.h"
#include "shell/main/tick.h"
#include "platform/display.h"
#include "platform/input.h"
#include "ui/ui.h"

TEST(FrameLoopGl, TitleViewDrawnUntilTheWindowIsClosed)
{
    shell_globals_reset();
    g_display = kubl_gl_window_open("Rutline test", 320, 200, 32, 0, 16, 0, 0);
    ASSERT_NE(g_display, nullptr);
    menu_state = MENU_CLOSED;
    view_mode = VIEW_ONBOARD;
    tick_loop_reset(platform_now());

    for (int i = 0; i < 4; ++i) ASSERT_EQ(frame_loop_pass(), 1);
    EXPECT_EQ(view_mode, VIEW_TITLE);
    EXPECT_GE(g_ticks.simulation_time, 4 * tick) << "each pass feeds at least one tick";

    // What the last pass drew, read inside a frame bracket of our own before anything is
    // drawn: llvmpipe keeps the back buffer's contents across a swap.
    unsigned char pixel[4] = {};
    ASSERT_NE(kubl_gl_frame_begin(g_display), nullptr);
    glReadPixels(160, 100, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    kubl_gl_frame_end(g_display);
    EXPECT_EQ(pixel[0], 0);   // the loading screen's black backdrop (no title picture here)
    EXPECT_EQ(pixel[1], 0);
    EXPECT_EQ(pixel[2], 0);

    kubl_display_push_event_now(g_display, KUBL_CLOSE, 1);
    EXPECT_EQ(frame_loop_pass(), 1);   // the close is taken by this pass's ticks
    EXPECT_EQ(quit_flag, 1);
    EXPECT_EQ(frame_loop_pass(), 0);
    kubl_gl_window_close(g_display);
    g_display = nullptr;
}

// With a frame rate so high that most frames run no tick, a close request is still heard at the
// next frame, and the events before it stay queued for their ticks.
TEST(FrameLoopGl, CloseHeardInAFrameWithoutTicks)
{
    shell_globals_reset();
    g_display = kubl_gl_window_open("Rutline test", 320, 200, 32, 0, 16, 0, 0);
    ASSERT_NE(g_display, nullptr);
    menu_state = MENU_CLOSED;
    g_options.lock_fps = 10000;
    tick_loop_reset(platform_now());
    ASSERT_EQ(frame_loop_pass(), 1);   // the first pass runs the first tick
    const double ticked = g_ticks.simulation_time;

    kubl_display_push_event_now(g_display, 'a', 1);
    kubl_display_push_event_now(g_display, KUBL_CLOSE, 1);
    EXPECT_EQ(frame_loop_pass(), 1);
    EXPECT_EQ(g_ticks.simulation_time, ticked) << "no tick ran in this frame";
    EXPECT_EQ(quit_flag, 1);
    EXPECT_EQ(frame_loop_pass(), 0);
    std::uint32_t code = 0;
    int pressed = 0;
    ASSERT_EQ(kubl_event_read(g_display, &code, &pressed), 1);
    EXPECT_EQ(code, (std::uint32_t)'a');
    g_options.lock_fps = 0;
    kubl_gl_window_close(g_display);
    g_display = nullptr;
}
