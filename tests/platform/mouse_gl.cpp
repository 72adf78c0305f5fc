// The mouse as a device of the display: with every device asked for, "Mouse" takes its relative
// motion, wheel and buttons from the system's own mouse events, and the aliases name them.
#include <gtest/gtest.h>
#if __has_include("platform/display_internal.h")
#include "platform/display_internal.h"
#include "platform/input.h"
#include "platform/joystick.h"
#include "platform/options.h"
#include "platform/os/os_mouse.h"
#include <cstring>
#include <string>

namespace {

input_device *find_device(display *d, const char *name)
{
    for (input_device *dev = d->devices; dev; dev = dev->next)
        if (!strcmp(dev->name, name)) return dev;
    return nullptr;
}

// A display without a window whose devices are enumerated as a display open does, the mouse
// among them.
struct MouseDisplay {
    display *d;
    MouseDisplay()
    {
        setenv("KUBL_OPTIONS", "[dinputsticksonly:off]", 1);
        kubl_options_reset();
        d = kubl_display_alloc("mouse test");
        kubl_axis_names_begin(d);
        kubl_dinput_open(d);
        kubl_axis_names_end(d);
        os_mouse_discard_pending();
    }
    ~MouseDisplay()
    {
        kubl_devices_close(d);
        kubl_display_free(d);
        os_mouse_discard_pending();
        unsetenv("KUBL_OPTIONS");
        kubl_options_reset();
    }
};

} // namespace

TEST(Mouse, NamesResolveToTheMouseDevice)
{
    MouseDisplay md;
    input_device *mouse = find_device(md.d, "Mouse");
    ASSERT_NE(mouse, nullptr);
    EXPECT_EQ(mouse->axis_count, 3);
    EXPECT_EQ(mouse->button_count, 5);
    // Motion has no rest position: the controls page offers no mouse axis.
    for (const char *const *n = kubl_axis_names(md.d); *n; ++n)
        EXPECT_EQ(std::string(*n).find("Mouse"), std::string::npos) << *n;

    struct Case { const char *name; std::uint32_t index; };
    const Case buttons[] = {{"mouse-left", 0}, {"mouse-right", 1}, {"mouse-middle", 2},
                            {"Mouse.key[3]", 3}, {"Mouse button 4", 4}};
    for (const Case &c : buttons) {
        SCOPED_TRACE(c.name);
        std::uint32_t code = 0;
        ASSERT_EQ(kubl_button_lookup(md.d, &code, c.name), 1);
        EXPECT_EQ(code, mouse->id + c.index);
    }
    std::uint32_t code = 0;
    EXPECT_EQ(kubl_button_lookup(md.d, &code, "Mouse.key[5]"), 0);
    EXPECT_EQ(kubl_event_code_name(md.d, mouse->id + 1), std::string("Mouse button 1"));
    // The window's own buttons keep their codes beside the device's.
    ASSERT_EQ(kubl_button_lookup(md.d, &code, "Mouse Left"), 1);
    EXPECT_EQ(code, (std::uint32_t)KUBL_MOUSE_LEFT);

    for (const char *name : {"mouse-x", "mouse-y", "Mouse axis 2"}) {
        axis_handle *axis = kubl_axis_open(md.d, name);
        EXPECT_NE(axis, nullptr) << name;
        kubl_axis_close(axis);
    }
    EXPECT_EQ(kubl_axis_open(md.d, "Mouse.axis[3]"), nullptr);
}

TEST(Mouse, MotionAddsUpUntilReadAndButtonsBecomeEvents)
{
    MouseDisplay md;
    axis_handle *x = kubl_axis_open(md.d, "mouse-x");
    axis_handle *y = kubl_axis_open(md.d, "mouse-y");
    axis_handle *wheel = kubl_axis_open(md.d, "Mouse.axis[2]");
    axis_handle *x_again = kubl_axis_open(md.d, "Mouse axis 0");   // left and right of one axis
    ASSERT_NE(x, nullptr);
    ASSERT_NE(x_again, nullptr);
    ASSERT_NE(y, nullptr);
    ASSERT_NE(wheel, nullptr);

    // More motion events than the device buffer holds items: none of it is lost.
    int dx = 0;
    for (int i = 0; i < 3 * DINPUT_BUFFER_ITEMS; ++i) {
        ASSERT_TRUE(os_mouse_inject_motion(nullptr, 3, -1));
        dx += 3;
    }
    ASSERT_TRUE(os_mouse_inject_wheel(nullptr, -2));
    EXPECT_EQ(kubl_axis_read(x), dx);
    EXPECT_EQ(kubl_axis_read(y), -3 * DINPUT_BUFFER_ITEMS);
    EXPECT_EQ(kubl_axis_read(wheel), -2 * OS_MOUSE_WHEEL_NOTCH);
    // A read takes the motion: nothing moved since. Each handle reads what moved since its own
    // last read, so the second handle of the axis still sees it.
    EXPECT_EQ(kubl_axis_read(x), 0);
    EXPECT_EQ(kubl_axis_read(y), 0);
    EXPECT_EQ(kubl_axis_read(x_again), dx);
    ASSERT_TRUE(os_mouse_inject_motion(nullptr, -7, 0));
    EXPECT_EQ(kubl_axis_read(x), -7);
    EXPECT_EQ(kubl_axis_read(x_again), -7);
    // A handle opened later does not see what moved before it.
    axis_handle *late = kubl_axis_open(md.d, "mouse-x");
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(kubl_axis_read(late), 0);
    kubl_axis_close(late);
    kubl_axis_close(x_again);

    // Buttons: events only once looked up, and only for a change of state.
    std::uint32_t code, right = 0;
    int pressed;
    ASSERT_TRUE(os_mouse_inject_button(nullptr, 1, 1));
    kubl_axis_read(x);   // reading an axis takes the device's buffered changes
    EXPECT_EQ(kubl_event_read(md.d, &code, &pressed), 0) << "no button of it was looked up";
    ASSERT_EQ(kubl_button_lookup(md.d, &right, "mouse-right"), 1);
    struct Step { int button, pressed; int want_event; };
    const Step steps[] = {{1, 1, 1}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}};
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << s.button << " " << s.pressed);
        ASSERT_TRUE(os_mouse_inject_button(nullptr, s.button, s.pressed));
        ASSERT_EQ(kubl_event_read(md.d, &code, &pressed), s.want_event);
        if (s.want_event) {
            EXPECT_EQ(code, right - 1 + (std::uint32_t)s.button);
            EXPECT_EQ(pressed, s.pressed);
        }
    }
    kubl_axis_close(x);
    kubl_axis_close(y);
    kubl_axis_close(wheel);
}

TEST(Mouse, OnlyWhenEveryDeviceIsAskedFor)
{
    unsetenv("KUBL_OPTIONS");
    kubl_options_reset();
    display *d = kubl_display_alloc("sticks only");
    kubl_dinput_open(d);
    EXPECT_EQ(find_device(d, "Mouse"), nullptr);
    EXPECT_EQ(kubl_axis_open(d, "mouse-x"), nullptr);
    kubl_devices_close(d);
    kubl_display_free(d);
}
#endif
