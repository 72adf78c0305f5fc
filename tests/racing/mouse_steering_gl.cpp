// Steering with the mouse: with every input device asked for, a settings file that binds Left and
// Right to "mouse-x" steers the local bike from the system's mouse motion, through the display's
// queue, the mouse device, the bindings and the tick that applies the controls. The motion comes
// from the X server through a real window (xdotool moves the pointer) when it can, and from mouse
// events handed to the system's event queue otherwise.
#include "race_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bike/bike_record.h"
#include <ode/ode.h>
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/display_internal.h"
#include "platform/joystick.h"
#include "platform/options.h"
#include "platform/os/os_mouse.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/pacing.h"
#include "shell/setup.h"
#include "shell/main/tick.h"
#include "ui/ui.h"

namespace {

// Runs xdotool with the arguments; its first output line, or "" when it failed.
std::string xdotool(const std::string &args)
{
    std::string line;
    FILE *p = popen(("xdotool " + args + " 2>/dev/null").c_str(), "r");
    if (!p) return line;
    char buffer[128];
    if (fgets(buffer, sizeof buffer, p)) line = buffer;
    if (pclose(p) != 0) return "";
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line.empty() ? "ok" : line;
}

struct MouseSteering : RaceField {
    display *saved_display = nullptr;
    bool     windowed = false;   // a real window, moved over by the X server's pointer

    void SetUp() override
    {
        RaceField::SetUp();
        std::string base = fixture_temp_dir("mouse_steering");
        setenv("XDG_DATA_HOME", (base + "xdg").c_str(), 1);
        setenv("RL_HOME", (base + "data").c_str(), 1);
        search_folders_free();
        config_init();
        setup_init();
        // 50 pixels of motion in one tick steer fully; left and right of one axis, as a player
        // writes them.
        fixture_write_file(std::string(search_folder(0)) + "config",
                           "left_key=(0,-0.0015259)mouse-x\nright_key=(0,0.0015259)mouse-x\n");
        config_read();

        setenv("KUBL_OPTIONS", "[dinputsticksonly:off]", 1);
        kubl_options_reset();
        saved_display = g_display;
        if (windowed) {
            g_display = kubl_gl_window_open("Rutline mouse steering", 1280, 200, 32, 0, 16, 0, 0);
            ASSERT_NE(g_display, nullptr);
        } else {
            g_display = kubl_display_alloc("mouse steering");
            kubl_dinput_open(g_display);
        }
        os_mouse_discard_pending();
        // As the game resolves its bindings once the window is open.
        for (int k : {BIND_LEFT, BIND_RIGHT})
            key_bindings[k].axis = kubl_axis_open(g_display, key_bindings[k].axis_name);

        menu_state = MENU_CLOSED;
        tick_set_event_source(nullptr);
        tick_loop_reset(0);
    }
    void TearDown() override
    {
        if (!g_display) {
            g_display = saved_display;
            RaceField::TearDown();
            return;
        }
        for (int k : {BIND_LEFT, BIND_RIGHT}) {
            kubl_axis_close(key_bindings[k].axis);
            key_bindings[k].axis = nullptr;
        }
        if (windowed) {
            kubl_gl_window_close(g_display);
        } else {
            kubl_devices_close(g_display);
            kubl_display_free(g_display);
        }
        g_display = saved_display;
        os_mouse_discard_pending();
        unsetenv("KUBL_OPTIONS");
        kubl_options_reset();
        RaceField::TearDown();
    }
    // One tick of the game on the on-board view, the mouse having moved dx since the last.
    void tick_with_motion(int dx)
    {
        if (dx) ASSERT_TRUE(os_mouse_inject_motion(nullptr, dx, 0));
        view_mode = VIEW_ONBOARD;   // without a loaded track a tick falls back to the title view
        tick_run(platform_now() + 1.0, platform_now());
    }
};

TEST_F(MouseSteering, MotionSteersTheLocalBike)
{
    ASSERT_NE(key_bindings[BIND_LEFT].axis, nullptr) << "mouse-x resolved to no axis";
    ASSERT_NE(key_bindings[BIND_RIGHT].axis, nullptr);
    bike *b = rider(0, CONTROLLER_LOCAL, 60, 100);

    struct Case { int dx; float steer; };
    // Right gives what the Right key gives: positive steer with the default setup's reversed
    // steering. Motion beyond the range is full lock; a tick without motion steers straight.
    const Case cases[] = {{25, 0.5f}, {-25, -0.5f}, {0, 0.0f}, {400, 1.0f}, {-80, -1.0f}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dx);
        tick_with_motion(c.dx);
        EXPECT_NEAR(b->input.steer, c.steer, 0.01f);
    }

    // Ridden with the throttle open and the mouse drawn steadily right, the bike turns right:
    // facing -z, +x is on its right.
    const float x0 = (float)dBodyGetPosition(b->bodies[BODY_FRAME])[0];
    for (int i = 0; i < 300; ++i) {
        tick_with_motion(8);
        b->input.throttle = 0.6f;
        race_step();
    }
    EXPECT_TRUE(ride_finite(b));
    const float moved = (float)dBodyGetPosition(b->bodies[BODY_FRAME])[0] - x0;
    EXPECT_GT(moved, 2.0f);
}

// The same bindings with the pointer moved by the X server: the window's own motion events, as
// a pointer moved by a tool, a remote desktop or a hand would send them.
struct RealPointerSteering : MouseSteering {
    std::string window;
    void SetUp() override
    {
        if (!getenv("DISPLAY") || xdotool("version").empty()) GTEST_SKIP() << "no X server or no xdotool";
        windowed = true;
        MouseSteering::SetUp();
        window = xdotool("search --sync --name '^Rutline mouse steering$'");
        ASSERT_FALSE(window.empty());
        // Into the window, at its left; the first motion over it moves nothing.
        ASSERT_FALSE(xdotool("mousemove --sync --window " + window + " 20 100").empty());
        ASSERT_FALSE(xdotool("mousemove_relative --sync -- 1 0").empty());
        for (int i = 0; i < 4; ++i) tick_with_motion(0);
    }
    // Moves the pointer by dx and runs ticks until one steers (the X server's event may arrive a
    // pump later than the move returned); at most 200 ticks.
    float steer_after_move(bike *b, int dx)
    {
        EXPECT_FALSE(xdotool("mousemove_relative --sync -- " + std::to_string(dx) + " 0").empty());
        for (int i = 0; i < 200; ++i) {
            tick_with_motion(0);
            if (b->input.steer != 0) break;
        }
        return b->input.steer;
    }
};

TEST_F(RealPointerSteering, PointerMotionSteersTheLocalBike)
{
    ASSERT_NE(key_bindings[BIND_RIGHT].axis, nullptr);
    bike *b = rider(0, CONTROLLER_LOCAL, 60, 100);
    struct Case { int dx; float steer; };
    const Case cases[] = {{25, 0.5f}, {-40, -0.8f}, {200, 1.0f}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dx);
        EXPECT_NEAR(steer_after_move(b, c.dx), c.steer, 0.01f);
        tick_with_motion(0);   // the pointer rests: straight again
        EXPECT_EQ(b->input.steer, 0.0f);
    }
}

} // namespace
