// Starting a binding watch on the controls page: every axis the display names is listed with its
// rest value, and one whose device is gone is kept without a handle.
#include <gtest/gtest.h>
#include "platform/device.h"
#include "platform/display_internal.h"
#include "platform/input.h"
#include "platform/os/os_joystick.h"
#include "shell/globals.h"
#include "ui/menu_settings.h"
#include <SDL.h>
#include <cstring>
#include <string>

namespace {

TEST(PotsWatch, AxesWithTheirRestAndOneThatDoesNotOpen)
{
    // The drawing tests before this one leave their window open without the keyboard focus,
    // and while a window of the program exists but none has the focus SDL keeps a stick's moves
    // away from rest from it. A player binding a control on the page has the window focused.
    const char *was = SDL_GetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS);
    const std::string background = was ? was : "";
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    int index = os_joystick_attach_virtual("Pad", 2, 1);
    ASSERT_NE(index, -1);
    display *d = kubl_display_alloc("pots");
    kubl_axis_names_begin(d);
    kubl_dinput_open(d);
    kubl_axis_name_add(d, "Gone axis 0");   // named, but no such device
    kubl_axis_names_end(d);
    ASSERT_TRUE(os_joystick_set_virtual(index, OS_JOY_AXIS, 1, 16384));
    display *saved = g_display;
    g_display = d;
    key_bindings_reset();
    total_time = 12.5;

    pots_watch_start(3);
    EXPECT_EQ(binding_capture.binding, &key_bindings[BIND_REAR_BRAKE]);
    EXPECT_EQ(binding_capture.key_code, 0u);
    EXPECT_EQ(binding_capture.time, 12.5);
    int seen_pad = 0, seen_gone = 0;
    for (int i = 0; i < binding_capture.axis_count; ++i) {
        const watched_axis &w = binding_capture.axes[i];
        const char *name = binding_capture.axis_names[i];
        if (!strcmp(name, "Gone axis 0")) {
            ++seen_gone;
            EXPECT_EQ(w.axis, nullptr);
        } else if (!strcmp(name, "Pad axis 1")) {
            ++seen_pad;
            ASSERT_NE(w.axis, nullptr);
            EXPECT_FLOAT_EQ(w.rest, 0.5f);
            EXPECT_EQ(w.extreme, w.rest);
        }
    }
    EXPECT_EQ(seen_pad, 1);
    EXPECT_EQ(seen_gone, 1);

    // A second start closes the first watch's axes and lists them afresh.
    int count = binding_capture.axis_count;
    pots_watch_start(1);
    EXPECT_EQ(binding_capture.axis_count, count);
    EXPECT_EQ(binding_capture.binding, &key_bindings[BIND_THROTTLE]);
    pots_watch_start(0);   // no such row: the watch goes on as it was
    EXPECT_EQ(binding_capture.binding, &key_bindings[BIND_THROTTLE]);

    for (int i = 0; i < binding_capture.axis_count; ++i)
        if (binding_capture.axes[i].axis) kubl_axis_close(binding_capture.axes[i].axis);
    binding_capture.axis_count = 0;
    binding_capture.binding = nullptr;
    g_display = saved;
    kubl_devices_close(d);
    kubl_display_free(d);
    os_joystick_detach_virtual(index);
    if (was) SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, background.c_str());
    else SDL_ResetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS);
}

}   // namespace
