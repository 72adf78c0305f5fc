// Key, button and axis names as they come from "@config" bindings: every lookup the game makes
// with such a name, on a display with one joystick-like device.
#include "platform/display_internal.h"
#include "platform/input.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

static int enable(input_device *) { return 1; }
static int open_axes(input_device *) { return 1; }
static void close_axes(input_device *) {}
static int read_axis(input_device *, int index) { return index * 1000; }
static void poll(input_device *) {}
static void free_device(input_device *dev) { free(dev->name); free(dev); }

static display *fuzz_display(void)
{
    static display *d;
    if (d) return d;
    d = kubl_display_alloc("fuzz");
    input_device *dev = (input_device *)calloc(1, sizeof *dev);
    dev->name = strdup("Joystick1");
    dev->id = kubl_device_id(d, dev->name);
    dev->button_count = 8;
    dev->axis_count = 2;
    dev->enable_buttons = enable;
    dev->open_axes_op = open_axes;
    dev->close_axes = close_axes;
    dev->read_axis = read_axis;
    dev->poll = poll;
    dev->free_op = free_device;
    kubl_device_link(d, dev);
    kubl_alias_add("joystick-a-x", "Joystick1.axis[0]");
    kubl_alias_add("joystick-a-1", "Joystick1.key[0]");
    return d;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    display *d = fuzz_display();
    std::string name((const char *)data, size);   // config names are C strings: cut at a NUL
    const char *text = name.c_str();
    std::uint32_t code = 0;
    if (kubl_button_lookup(d, &code, text)) {
        const char *back = kubl_event_code_name(d, code);
        if (!back) abort();   // every code a name gives has a name again
    }
    kubl_key_lookup(text, &code);
    axis_handle *axis = kubl_axis_open(d, text);
    if (axis) {
        kubl_axis_read(axis);
        kubl_axis_close(axis);
    }
    if (size >= 4) {
        std::uint32_t any;
        memcpy(&any, data, 4);
        kubl_event_code_name(d, any);
    }
    return 0;
}
