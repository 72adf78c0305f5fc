// Input devices of a display: ids, button and axis lookup by name, axis handles, the axis-name
// list, and the cursor device (the pointer position as two axes).
#include "platform/display_internal.h"
#include "platform/log.h"
#include "platform/os/os_video.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct axis_handle {
    input_device *device;
    int index;
    unsigned last_total;   // a relative axis's running total at this handle's last read
};

static int axis_is_relative(const input_device *dev, int index)
{
    return index >= dev->axis_count - dev->relative_axes;
}

static input_device *device_by_id(display *d, std::uint32_t id)
{
    for (input_device *dev = d->devices; dev; dev = dev->next)
        if (dev->id == id) return dev;
    return nullptr;
}

static input_device *device_by_name(display *d, const char *name)
{
    for (input_device *dev = d->devices; dev; dev = dev->next)
        if (dev->name && !strcmp(dev->name, name)) return dev;
    return nullptr;
}

std::uint32_t kubl_device_id(display *d, const char *name)
{
    int even = 0, odd = 0;
    for (int i = 0; name[i]; ++i) {
        int c = (signed char)name[i];
        if (i & 1) odd += c;
        else even += c;
    }
    std::uint32_t id = (std::uint32_t)((even + 256 * odd) & 0x7FFF) << 16;
    for (int tries = 0; tries < 65535; ++tries) {
        if (id != 0 && !device_by_id(d, id)) return id;
        id = (id + 0x10000) & 0x7FFF0000u;
    }
    return 0;
}

void kubl_device_link(display *d, input_device *dev)
{
    dev->owner = d;
    dev->next = d->devices;
    d->devices = dev;
}

void kubl_devices_poll(display *d)
{
    for (input_device *dev = d->devices; dev; dev = dev->next)
        if (dev->buttons_in_use && dev->poll) dev->poll(dev);
}

void kubl_devices_close(display *d)
{
    input_device *dev = d->devices;
    d->devices = nullptr;
    while (dev) {
        input_device *next = dev->next;
        if (dev->open_axes > 0) {
            dev->open_axes = 0;
            if (dev->close_axes) dev->close_axes(dev);
        }
        if (dev->free_op) dev->free_op(dev);
        dev = next;
    }
}

void kubl_axis_names_begin(display *d)
{
    d->axis_building = growable_array_init(&d->axis_builder, sizeof(const char *));
}

void kubl_axis_name_add(display *d, const char *name)
{
    if (!d->axis_building || !name) return;
    const char *interned = kubl_intern(name);
    if (!interned) return;
    const char **names = (const char **)d->axis_builder.items;
    for (int i = 0; i < d->axis_builder.count; ++i)
        if (names[i] == interned) return;
    growable_array_append(&d->axis_builder, &interned);
}

void kubl_axis_names_end(display *d)
{
    if (!d->axis_building) return;
    d->axis_building = 0;
    growable_array_append(&d->axis_builder, nullptr);
    void *tight = realloc(d->axis_builder.items, sizeof(const char *) * (size_t)d->axis_builder.count);
    if (tight) d->axis_builder.items = tight;   // kept as it is when shrinking fails
    d->axis_names = (const char **)d->axis_builder.items;
    d->axis_builder.items = nullptr;
}

void kubl_axis_names_free(display *d)
{
    if (d->axis_building) {
        growable_array_free(&d->axis_builder);
        d->axis_building = 0;
    }
    free(d->axis_names);
    d->axis_names = nullptr;
}

const char *const *kubl_axis_names(display *d)
{
    static const char *const none[1] = {nullptr};
    return d && d->axis_names ? d->axis_names : none;
}

int kubl_button_lookup(display *d, std::uint32_t *code, const char *name)
{
    if (!name || !code) return 0;
    const char *target = kubl_alias_resolve(name);
    if (target) name = target;
    if (kubl_key_lookup(name, code)) return 1;
    char device_name[64];
    int index;
    if (sscanf(name, "%63[^.].key[%d]", device_name, &index) != 2 &&
        sscanf(name, "%63s button %d", device_name, &index) != 2)
        return 0;
    if (index < 0 || index > 255 || !d) return 0;
    input_device *dev = device_by_name(d, device_name);
    if (!dev || index >= dev->button_count) return 0;
    dev->buttons_in_use = dev->enable_buttons ? dev->enable_buttons(dev) : 0;
    *code = dev->id + (std::uint32_t)index;
    return 1;
}

const char *kubl_event_code_name(display *d, std::uint32_t code)
{
    const char *key = kubl_key_code_name(code);
    if (key || !d) return key;
    input_device *dev = device_by_id(d, code & 0xFFFF0000u);
    if (!dev || !dev->name || code < 0x10000) return nullptr;
    char text[1100];
    snprintf(text, sizeof text, "%.1000s button %d", dev->name, (int)(code & 0xFF));
    return kubl_intern(text);
}

axis_handle *kubl_axis_open(display *d, const char *name)
{
    if (!d || !name) return nullptr;
    const char *target = kubl_alias_resolve(name);
    if (target) name = target;
    char device_name[64];
    int index;
    if (sscanf(name, "%63[^.].axis[%d]", device_name, &index) != 2 &&
        sscanf(name, "%63s axis %d", device_name, &index) != 2)
        return nullptr;
    if (index < 0) return nullptr;
    input_device *dev = device_by_name(d, device_name);
    if (!dev || index >= dev->axis_count) return nullptr;
    axis_handle *axis = (axis_handle *)malloc(sizeof *axis);
    if (!axis) return nullptr;
    axis->device = dev;
    axis->index = index;
    axis->last_total = 0;
    if (dev->open_axes > 0) {
        dev->open_axes++;
    } else if (dev->open_axes_op && dev->open_axes_op(dev)) {
        dev->open_axes = 1;
    } else {
        free(axis);
        return nullptr;
    }
    // Motion from before the open is not this handle's.
    if (axis_is_relative(dev, index) && dev->read_axis) axis->last_total = (unsigned)dev->read_axis(dev, index);
    return axis;
}

int kubl_axis_read(axis_handle *axis)
{
    if (!axis || !axis->device->read_axis) return 0;
    input_device *dev = axis->device;
    int value = dev->read_axis(dev, axis->index);
    if (!axis_is_relative(dev, axis->index)) return value;
    // Each handle takes the motion since its own last read: one axis bound to both Left and
    // Right steers both ways, where a total reset by the first read would leave the second none.
    unsigned moved = (unsigned)value - axis->last_total;
    axis->last_total = (unsigned)value;
    return (int)moved;
}

void kubl_axis_close(axis_handle *axis)
{
    if (!axis) return;
    input_device *dev = axis->device;
    if (--dev->open_axes <= 0) {
        if (dev->close_axes) dev->close_axes(dev);
        dev->open_axes = 0;
    }
    free(axis);
}

int kubl_axis_scale(long value, long min, long max)
{
    if (max == min) return 0;
    long long v = ((long long)value - min) * 65534 / ((long long)max - min) - 32767;
    if (v < -32767) v = -32767;
    if (v > 32767) v = 32767;
    return (int)v;
}

// The cursor device: the pointer position in the window's client pixels as axes 0 (x) and 1 (y).
static int cursor_enable_buttons(input_device *) { return 1; }
static int cursor_open_axes(input_device *) { return 1; }
static void cursor_close_axes(input_device *) {}
static void cursor_poll(input_device *) {}

static int cursor_read_axis(input_device *dev, int index)
{
    int x = 0, y = 0;
    if (!os_cursor_position(dev->owner, &x, &y)) return 0;
    return index == 0 ? x : y;
}

static void cursor_free(input_device *dev)
{
    free(dev->name);
    free(dev);
}

int kubl_cursor_device_open(display *d)
{
    input_device *dev = (input_device *)calloc(1, sizeof *dev);
    char *name = strdup("cursor");
    if (!dev || !name) {
        free(dev);
        free(name);
        return 0;
    }
    dev->name = name;
    dev->id = kubl_device_id(d, name);
    dev->button_count = 0;
    dev->axis_count = 2;
    dev->enable_buttons = cursor_enable_buttons;
    dev->open_axes_op = cursor_open_axes;
    dev->close_axes = cursor_close_axes;
    dev->read_axis = cursor_read_axis;
    dev->poll = cursor_poll;
    dev->free_op = cursor_free;
    kubl_device_link(d, dev);
    kubl_alias_add("cursor-x", "cursor.axis[0]");
    kubl_alias_add("cursor-y", "cursor.axis[1]");
    return 1;
}
