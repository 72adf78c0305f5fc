#include <gtest/gtest.h>
#include "log_capture.h"
#include "platform/display_internal.h"
#include "platform/input.h"
#include <cstdlib>
#include <cstring>
#include <string>

TEST(KeyNames, NameToCode)
{
    struct Case { const char *name; int found; std::uint32_t code; };
    const Case cases[] = {
        {"Space", 1, 0x1039}, {" ", 1, 0x1039}, {"space", 1, 0x1039}, {"SPACE", 1, 0x1039},
        {"left_shift", 1, 0x102A}, {"Left  Shift", 0, 0},   // two blanks are not one
        {"right ctrl", 1, 0x111D}, {"Keypad Enter", 1, 0x111C},
        {"m", 1, 0x1032}, {"n", 1, 0x1031},                  // set-1: N is 0x31, M is 0x32
        {"x", 1, 0x102D}, {"Q", 1, 0x1010},                  // settings written upper case still load
        {"\\", 1, 0x102B}, {"`", 1, 0x1029},
        {"Alt", 1, 0x1038}, {"right alt", 1, 0x1138},         // names for keys the table lacks
        {"Close", 1, KUBL_CLOSE}, {"mouse left", 1, KUBL_MOUSE_LEFT}, {"Mouse Right", 1, KUBL_MOUSE_RIGHT},
        {"0x1c", 1, 0x101C}, {"0x1ff", 1, 0x11FF}, {"0x200", 0, 0}, {"0x", 0, 0},
        {"0xFFFFFFFFFFFFFFFF1", 0, 0}, {"", 0, 0}, {"NoSuchKey", 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("'") + c.name + "'");
        std::uint32_t code = 0;
        EXPECT_EQ(kubl_key_lookup(c.name, &code), c.found);
        if (c.found) EXPECT_EQ(code, c.code);
    }
}

TEST(KeyNames, CodeToNameAndBack)
{
    struct Case { std::uint32_t code; const char *name; };
    const Case cases[] = {
        {0x101E, "a"}, {0x1032, "m"}, {0x1010, "q"},   // letters by the window system's lower-case names
        {0x1039, "Space"}, {0x1038, "Alt"}, {0x1145, "Num Lock"},
        {0x107F, "0x7f"}, {KUBL_CLOSE, "Close"}, {KUBL_MOUSE_MIDDLE, "Mouse Middle"},
    };
    display *d = kubl_display_alloc("names");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const char *name = kubl_event_code_name(d, c.code);
        ASSERT_NE(name, nullptr);
        EXPECT_STREQ(name, c.name);
        EXPECT_EQ(name, kubl_intern(c.name));   // interned: the same pointer every time
        std::uint32_t back = 0;
        EXPECT_EQ(kubl_button_lookup(d, &back, name), 1);
        EXPECT_EQ(back, c.code);
    }
    // Every key code has a name that leads back to it.
    for (std::uint32_t code = 0x1000; code < 0x1200; ++code) {
        std::uint32_t back = 0;
        ASSERT_EQ(kubl_key_lookup(kubl_event_code_name(d, code), &back), 1) << std::hex << code;
        if (code != 0x1039) EXPECT_EQ(back, code) << std::hex << code;
    }
    EXPECT_EQ(kubl_event_code_name(d, 'a'), nullptr);
    EXPECT_EQ(kubl_event_code_name(d, 0x2003), nullptr);
    kubl_display_free(d);
}

TEST(KeyNames, LooseCompare)
{
    struct Case { const char *a, *b; int equal; };
    const Case cases[] = {
        {"left_shift", "Left Shift", 1}, {"Left\tShift", "left shift", 1}, {"Left  Shift", "Left Shift", 0},
        {"Page Up", "page_up", 1}, {"A", "a", 1}, {"A", "AB", 0}, {"", "", 1},
    };
    for (const Case &c : cases) EXPECT_EQ(kubl_name_compare(c.a, c.b) == 0, c.equal) << c.a << " / " << c.b;
}

namespace {

// A device whose operations count their calls.
struct FakeDevice {
    input_device dev{};
    int enables = 0, opens = 0, closes = 0, polls = 0, frees = 0;
    int open_result = 1;
    int axis_values[4] = {100, -200, 300, 32767};
};

FakeDevice *fake(input_device *dev) { return (FakeDevice *)dev; }

FakeDevice *add_fake(display *d, const char *name, int buttons, int axes)
{
    FakeDevice *f = new FakeDevice;
    f->dev.name = strdup(name);
    f->dev.id = kubl_device_id(d, name);
    f->dev.button_count = buttons;
    f->dev.axis_count = axes;
    f->dev.enable_buttons = [](input_device *dev) { fake(dev)->enables++; return 1; };
    f->dev.open_axes_op = [](input_device *dev) { fake(dev)->opens++; return fake(dev)->open_result; };
    f->dev.close_axes = [](input_device *dev) { fake(dev)->closes++; };
    f->dev.read_axis = [](input_device *dev, int i) { return fake(dev)->axis_values[i]; };
    f->dev.poll = [](input_device *dev) { fake(dev)->polls++; };
    f->dev.free_op = [](input_device *dev) { fake(dev)->frees++; free(dev->name); dev->name = nullptr; };
    kubl_device_link(d, &f->dev);
    return f;
}

struct DeviceFixture : testing::Test {
    display *d = nullptr;
    FakeDevice *stick = nullptr;
    void SetUp() override
    {
        d = kubl_display_alloc("devices");
        stick = add_fake(d, "Joystick1", 12, 4);
    }
    void TearDown() override
    {
        kubl_devices_close(d);
        delete stick;
        kubl_display_free(d);
    }
};

}  // namespace

TEST_F(DeviceFixture, ButtonNames)
{
    struct Case { const char *name; int found; std::uint32_t index; };
    const Case cases[] = {
        {"Joystick1.key[3]", 1, 3}, {"Joystick1 button 3", 1, 3}, {"Joystick1.key[11]", 1, 11},
        {"Joystick1.key[12]", 0, 0},   // past the device's buttons
        {"Joystick1.key[256]", 0, 0}, {"Joystick1.key[-1]", 0, 0},
        {"Joystick2.key[0]", 0, 0}, {"joystick1.key[0]", 0, 0},   // device names are exact
        {"Joystick1.key[", 0, 0}, {"Joystick1", 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::uint32_t code = 0;
        EXPECT_EQ(kubl_button_lookup(d, &code, c.name), c.found);
        if (c.found) EXPECT_EQ(code, stick->dev.id + c.index);
    }
    EXPECT_EQ(stick->dev.buttons_in_use, 1);
    EXPECT_STREQ(kubl_event_code_name(d, stick->dev.id + 3), "Joystick1 button 3");

    // Only devices with buttons in use are polled, and only when the queue is empty.
    FakeDevice *idle = add_fake(d, "Idle", 2, 0);
    std::uint32_t code;
    int pressed;
    kubl_event_read(d, &code, &pressed);
    EXPECT_EQ(stick->polls, 1);
    EXPECT_EQ(idle->polls, 0);
    kubl_display_push_event_now(d, 'q', 1);
    kubl_event_read(d, &code, &pressed);
    EXPECT_EQ(stick->polls, 1);
    kubl_devices_close(d);
    EXPECT_EQ(idle->frees, 1);
    delete idle;
}

TEST_F(DeviceFixture, AliasesResolveOneStepAndKeepTheFirst)
{
    LogCapture log("alias");
    EXPECT_EQ(kubl_alias_add("test-stick-a-1", "Joystick1.key[0]"), 1);
    EXPECT_EQ(kubl_alias_add("test-stick-a-1", "Joystick1.key[5]"), 0);
    EXPECT_TRUE(log.has("Second alias for 'test-stick-a-1' ('Joystick1.key[5]') ignored\n"));
    EXPECT_EQ(kubl_alias_add("test-stick-a-1", "Joystick1.key[0]"), 1);   // the same again is quiet
    std::uint32_t code = 0;
    EXPECT_EQ(kubl_button_lookup(d, &code, "test-stick-a-1"), 1);
    EXPECT_EQ(code, stick->dev.id);
    kubl_alias_add("test-chain", "test-stick-a-1");   // an alias of an alias is not followed
    EXPECT_EQ(kubl_button_lookup(d, &code, "test-chain"), 0);
}

TEST_F(DeviceFixture, AxisHandlesCountOpensOnTheDevice)
{
    kubl_alias_add("test-stick-a-y", "Joystick1.axis[1]");
    axis_handle *x = kubl_axis_open(d, "Joystick1.axis[0]");
    axis_handle *y = kubl_axis_open(d, "test-stick-a-y");
    axis_handle *z = kubl_axis_open(d, "Joystick1 axis 2");
    ASSERT_TRUE(x && y && z);
    EXPECT_EQ(stick->opens, 1);
    EXPECT_EQ(stick->dev.open_axes, 3);
    EXPECT_EQ(kubl_axis_read(x), 100);
    EXPECT_EQ(kubl_axis_read(y), -200);
    EXPECT_EQ(kubl_axis_read(z), 300);
    EXPECT_EQ(kubl_axis_open(d, "Joystick1.axis[4]"), nullptr);
    EXPECT_EQ(kubl_axis_open(d, "Joystick1.axis[-1]"), nullptr);
    EXPECT_EQ(kubl_axis_open(d, "Nobody.axis[0]"), nullptr);
    kubl_axis_close(x);
    kubl_axis_close(y);
    EXPECT_EQ(stick->closes, 0);
    kubl_axis_close(z);
    EXPECT_EQ(stick->closes, 1);
    EXPECT_EQ(stick->dev.open_axes, 0);

    stick->open_result = 0;   // a device that cannot open its axes gives no handle
    EXPECT_EQ(kubl_axis_open(d, "Joystick1.axis[0]"), nullptr);
    EXPECT_EQ(stick->dev.open_axes, 0);

    // Axes still open when the devices close are closed first.
    stick->open_result = 1;
    axis_handle *left_open = kubl_axis_open(d, "Joystick1.axis[3]");
    ASSERT_NE(left_open, nullptr);
    kubl_devices_close(d);
    EXPECT_EQ(stick->closes, 2);
    EXPECT_EQ(stick->frees, 1);
    free(left_open);   // its device is gone; nothing may be done with it but reclaim it
}

TEST_F(DeviceFixture, DeviceIdsHashTheNameAndStepPastCollisions)
{
    // "ab": even sum 'a', odd sum 'b' -> ('a' + 256 * 'b') & 0x7FFF.
    std::uint32_t ab = (std::uint32_t)((('a' + 256 * 'b') & 0x7FFF)) << 16;
    display *empty = kubl_display_alloc("ids");
    EXPECT_EQ(kubl_device_id(empty, "ab"), ab);
    // "ab" and "ba\x01\x00"-like names can collide; a second device of the same name must too.
    FakeDevice *first = add_fake(empty, "ab", 1, 0);
    FakeDevice *second = add_fake(empty, "ab", 1, 0);
    EXPECT_EQ(first->dev.id, ab);
    EXPECT_EQ(second->dev.id, ab + 0x10000);
    // A hash of 0 is never an id.
    EXPECT_EQ(kubl_device_id(empty, ""), 0x10000u);
    kubl_devices_close(empty);
    delete first;
    delete second;
    kubl_display_free(empty);
}

TEST(AxisNames, GatheredOnceEachAndNullTerminated)
{
    display *d = kubl_display_alloc("axes");
    EXPECT_EQ(kubl_axis_names(d)[0], nullptr);
    kubl_axis_names_begin(d);
    char name[32];
    for (int i = 0; i < 20; ++i) {
        snprintf(name, sizeof name, "Stick axis %d", i % 18);
        kubl_axis_name_add(d, name);
    }
    kubl_axis_names_end(d);
    const char *const *names = kubl_axis_names(d);
    int n = 0;
    while (names[n]) ++n;
    EXPECT_EQ(n, 18);
    EXPECT_STREQ(names[17], "Stick axis 17");
    kubl_display_free(d);
}

TEST(AxisScaling, EqualEndsReadZero)
{
    EXPECT_EQ(kubl_axis_scale(5, 7, 7), 0);
    EXPECT_EQ(kubl_axis_scale(0, 0, 65535), -32767);
    EXPECT_EQ(kubl_axis_scale(65535, 0, 65535), 32767);
    EXPECT_EQ(kubl_axis_scale(-1, 0, 65535), -32767);
    struct Case { int reading; double lo, hi, want; };
    const Case cases[] = {
        {16384, 0.0, 1.0, 0.5}, {-32767, 0.0, 1.0, 0.0}, {32767, 0.5, 0.5, 0.0},
        {-16384, 0.0, -1.0, 0.5},   // a reversed pair inverts the axis
        {32767, -1.0, 0.5, 1.0},
    };
    for (const Case &c : cases) EXPECT_NEAR(kubl_axis_control(c.reading, c.lo, c.hi), c.want, 1e-4) << c.reading;
}
