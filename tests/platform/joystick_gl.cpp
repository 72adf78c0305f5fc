// Joystick devices: virtual joysticks attached through the system's own joystick layer become
// named devices of a display with axes and time-stamped button events.
#include <gtest/gtest.h>
#if __has_include("platform/display_internal.h")
#include "platform/clock.h"
#include "platform/display_internal.h"
#include "platform/input.h"
#include "platform/joystick.h"
#include "platform/os/os_joystick.h"
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

long long now_ms()
{
    int s, us;
    kubl_time_now(&s, &us);
    return (long long)s * 1000 + us / 1000;
}

input_device *find_device(display *d, const char *name)
{
    for (input_device *dev = d->devices; dev; dev = dev->next)
        if (!strcmp(dev->name, name)) return dev;
    return nullptr;
}

// A display without a window, its joysticks enumerated as a display open does.
struct JoystickDisplay {
    display *d;
    std::vector<int> attached;
    explicit JoystickDisplay(const std::vector<std::pair<int, int>> &sticks, const char *name)
    {
        for (auto &s : sticks) attached.push_back(os_joystick_attach_virtual(name, s.first, s.second));
        d = kubl_display_alloc("joystick test");
        kubl_axis_names_begin(d);
        kubl_dinput_open(d);
        kubl_axis_names_end(d);
    }
    ~JoystickDisplay()
    {
        kubl_devices_close(d);
        kubl_display_free(d);
        for (auto it = attached.rbegin(); it != attached.rend(); ++it) os_joystick_detach_virtual(*it);
    }
};

} // namespace

TEST(Joystick, NamesIdsAndIgnoredDevices)
{
    JoystickDisplay jd({{2, 3}, {2, 3}, {0, 0}}, "Joystick 1.");
    ASSERT_NE(jd.attached[0], -1);
    input_device *a = find_device(jd.d, "Joystick1");
    input_device *b = find_device(jd.d, "Joystick1#2");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a->id, b->id);
    EXPECT_EQ(a->id & 0xFFFF, 0u);
    EXPECT_EQ(a->axis_count, 2);
    EXPECT_EQ(a->button_count, 3);
    // The third, with nothing on it, is not linked.
    EXPECT_EQ(find_device(jd.d, "Joystick1#3"), nullptr);

    std::vector<std::string> names;
    for (const char *const *n = kubl_axis_names(jd.d); n && *n; ++n) names.push_back(*n);
    for (const char *want : {"Joystick1 axis 0", "Joystick1 axis 1", "Joystick1#2 axis 1"})
        EXPECT_NE(std::find(names.begin(), names.end(), want), names.end()) << want;
}

TEST(Joystick, AxesAndStampedButtons)
{
    JoystickDisplay jd({{2, 4}}, "Pad");
    int index = jd.attached[0];
    ASSERT_NE(find_device(jd.d, "Pad"), nullptr);

    axis_handle *x = kubl_axis_open(jd.d, "Pad.axis[0]");
    axis_handle *y = kubl_axis_open(jd.d, "Pad axis 1");
    ASSERT_NE(x, nullptr);
    ASSERT_NE(y, nullptr);
    struct Case { int raw, want; };
    const Case cases[] = {{32767, 32767}, {-32768, -32767}, {0, 0}, {16384, 16384}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.raw);
        ASSERT_TRUE(os_joystick_set_virtual(index, OS_JOY_AXIS, 1, c.raw));
        EXPECT_EQ(kubl_axis_read(y), c.want);
    }
    kubl_axis_close(x);
    kubl_axis_close(y);

    std::uint32_t code = 0;
    ASSERT_EQ(kubl_button_lookup(jd.d, &code, "Pad button 2"), 1);
    std::uint32_t got;
    int pressed, s, us;
    for (int want_pressed : {1, 0}) {
        SCOPED_TRACE(want_pressed);
        long long before = now_ms();
        ASSERT_TRUE(os_joystick_set_virtual(index, OS_JOY_BUTTON, 2, want_pressed));
        ASSERT_EQ(kubl_event_read_stamped(jd.d, &got, &pressed, &s, &us), 1);
        EXPECT_EQ(got, code);
        EXPECT_EQ(pressed, want_pressed);
        long long stamp = (long long)s * 1000 + us / 1000;
        EXPECT_GE(stamp, before - 2);
        EXPECT_LE(stamp, now_ms());
    }
    EXPECT_EQ(kubl_event_read_stamped(jd.d, &got, &pressed, &s, &us), 0);
    EXPECT_EQ(kubl_event_code_name(jd.d, code), std::string("Pad button 2"));
}

// The buffered items directly: time-stamp adjustment and relative axes.
TEST(Joystick, StampAdjustmentAndRelativeAxes)
{
    display *d = kubl_display_alloc("items");
    dinput_device dev{};
    int axes[2] = {0, 0};
    unsigned char buttons[2] = {0, 0};
    char name[] = "Ball";
    dev.base.owner = d;
    dev.base.name = name;
    dev.base.id = 0x10000;
    dev.base.axis_count = 2;
    dev.base.button_count = 2;
    dev.ball_axes = 2;
    dev.relative = 1;
    dev.acquired = 1;
    dev.axis_values = axes;
    dev.button_states = buttons;

    long long now = now_ms();
    dinput_item ahead{8, 1, now + 40};   // button 0, 40 ms in the future
    kubl_dinput_item(&dev, &ahead);
    EXPECT_GE(dev.timestamp_adjust, 39);
    EXPECT_LE(dev.timestamp_adjust, 40);
    dinput_item same{8, 1, now + 45};    // no change of state: ignored
    kubl_dinput_item(&dev, &same);
    kubl_sleep_for(0, 30000);
    long long later = now_ms();
    dinput_item release{8, 0, later + 30};   // reads 10 ms ago after the adjustment
    kubl_dinput_item(&dev, &release);

    std::uint32_t code;
    int pressed, s, us;
    ASSERT_EQ(kubl_event_read_stamped(d, &code, &pressed, &s, &us), 1);
    EXPECT_EQ(code, 0x10000u);
    EXPECT_EQ(pressed, 1);
    EXPECT_NEAR((long long)s * 1000 + us / 1000, now, 2);
    ASSERT_EQ(kubl_event_read_stamped(d, &code, &pressed, &s, &us), 1);
    EXPECT_EQ(pressed, 0);
    EXPECT_EQ((long long)s * 1000 + us / 1000, later + 30 - dev.timestamp_adjust);
    EXPECT_EQ(kubl_event_read_stamped(d, &code, &pressed, &s, &us), 0);

    // Motion adds up in the device's running total; an axis handle reads what moved since its
    // own last read (the mouse tests).
    for (int v : {5, 7, -2}) {
        dinput_item move{0, v, now};
        kubl_dinput_item(&dev, &move);
    }
    EXPECT_EQ(dev.base.axis_count, 2);
    EXPECT_EQ(axes[0], 10);
    EXPECT_EQ(axes[1], 0);
    kubl_display_free(d);
}

TEST(Joystick, CleanName)
{
    struct Case { const char *in, *want; };
    const Case cases[] = {{"Joystick 1", "Joystick1"}, {"A. B .C", "ABC"}, {" . ", ""}, {"Pad", "Pad"}};
    for (const Case &c : cases) {
        char out[32];
        kubl_dinput_clean_name(c.in, out);
        EXPECT_STREQ(out, c.want);
    }
}
#endif
