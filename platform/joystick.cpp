// Joysticks and, when every device is asked for, the mouse as devices of the display. Every
// change the system reports is buffered per device (25 items) with the time it happened; polling
// turns button changes into events of the display's queue stamped with that time, and keeps the
// axis values for the axis handles.
#include "platform/joystick.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/mutex.h"
#include "platform/options.h"
#include "platform/os/os_joystick.h"
#include "platform/os/os_mouse.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct joystick_state {
    int            loaded;
    kubl_mutex    *buffer_mutex;   // the buffers are filled wherever the system reports changes
    dinput_device *devices;
};

static joystick_state g_joy;

static const char *const joystick_aliases[][2] = {
    {"mouse-x", "Mouse.axis[0]"},
    {"mouse-y", "Mouse.axis[1]"},
    {"mouse-left", "Mouse.key[0]"},
    {"mouse-right", "Mouse.key[1]"},
    {"mouse-middle", "Mouse.key[2]"},
    {"joystick-a-x", "Joystick1.axis[0]"},
    {"joystick-a-y", "Joystick1.axis[1]"},
    {"joystick-a-1", "Joystick1.key[0]"},
    {"joystick-a-2", "Joystick1.key[1]"},
    {"joystick-b-x", "Joystick2.axis[0]"},
    {"joystick-b-y", "Joystick2.axis[1]"},
    {"joystick-b-1", "Joystick2.key[0]"},
    {"joystick-b-2", "Joystick2.key[1]"},
};

static void buffer_lock(void)
{
    if (g_joy.buffer_mutex) kubl_mutex_lock(g_joy.buffer_mutex);
}

static void buffer_unlock(void)
{
    if (g_joy.buffer_mutex) kubl_mutex_unlock(g_joy.buffer_mutex);
}

static int axis_is_relative(const dinput_device *dev, int axis)
{
    return axis >= dev->base.axis_count - dev->ball_axes;
}

// Adds one change to the device's buffer (under the buffer mutex). Motion on a relative axis
// joins motion already waiting on that axis, so a fast mouse cannot fill the buffer and push
// out its button changes; otherwise a full buffer loses the change.
static void buffer_item(dinput_device *dev, int offset, int value, long long stamp_ms)
{
    if (offset < 4 * dev->base.axis_count && axis_is_relative(dev, offset / 4)) {
        for (int i = 0; i < dev->buffer_count; ++i) {
            dinput_item *item = &dev->buffer[(dev->buffer_head + i) % DINPUT_BUFFER_ITEMS];
            if (item->offset == offset) {
                item->value = (int)((unsigned)item->value + (unsigned)value);
                return;
            }
        }
    }
    if (dev->buffer_count >= DINPUT_BUFFER_ITEMS) return;
    dinput_item *slot = &dev->buffer[(dev->buffer_head + dev->buffer_count) % DINPUT_BUFFER_ITEMS];
    slot->offset = offset;
    slot->value = value;
    slot->stamp_ms = stamp_ms;
    dev->buffer_count++;
}

// Called for every change of every attached joystick.
static void joystick_item(int instance, int kind, int index, int value, long long stamp_ms)
{
    buffer_lock();
    for (dinput_device *dev = g_joy.devices; dev; dev = dev->next_joystick) {
        if (dev->instance != instance || !dev->acquired) continue;
        int axes = dev->base.axis_count, first_ball = axes - dev->ball_axes, offset;
        if (kind == OS_JOY_AXIS) offset = index < first_ball ? 4 * index : -1;
        else if (kind == OS_JOY_BALL_X) offset = 4 * (first_ball + 2 * index);
        else if (kind == OS_JOY_BALL_Y) offset = 4 * (first_ball + 2 * index + 1);
        else offset = index < dev->base.button_count ? 4 * axes + index : -1;
        if (offset < 0 || (kind != OS_JOY_BUTTON && offset >= 4 * axes)) continue;
        buffer_item(dev, offset, value, stamp_ms);
    }
    buffer_unlock();
}

// Called for every change of the mouse; only the mouse device listens (no joystick instance is
// negative). Its buttons count only once a binding names one: the window reports every click as
// "Mouse Left" and the others already, and a second code for the same click would reach the
// menus (the controls page would take it as the key to bind) whenever a mouse axis is read.
static void mouse_item(int kind, int index, int value, long long stamp_ms)
{
    buffer_lock();
    for (dinput_device *dev = g_joy.devices; dev; dev = dev->next_joystick) {
        if (dev->instance != DINPUT_MOUSE_INSTANCE || !dev->acquired) continue;
        int axes = dev->base.axis_count;
        if (kind == OS_MOUSE_AXIS && index < axes) buffer_item(dev, 4 * index, value, stamp_ms);
        else if (kind == OS_MOUSE_BUTTON && dev->base.buttons_in_use && index < dev->base.button_count)
            buffer_item(dev, 4 * axes + index, value, stamp_ms);
    }
    buffer_unlock();
}

void kubl_dinput_acquire(dinput_device *dev) { dev->acquired = 1; }

static void dinput_unacquire(dinput_device *dev)
{
    buffer_lock();
    dev->acquired = 0;
    dev->buffer_count = 0;
    buffer_unlock();
}

void kubl_dinput_item(dinput_device *dev, const dinput_item *item)
{
    int axes = dev->base.axis_count;
    if (item->offset < 0) return;
    if (item->offset < 4 * axes) {
        int j = item->offset / 4;
        if (axis_is_relative(dev, j)) dev->axis_values[j] = (int)((unsigned)dev->axis_values[j] + (unsigned)item->value);
        else dev->axis_values[j] = kubl_axis_scale(item->value, -32768, 32767);
        return;
    }
    int index = item->offset - 4 * axes;
    if (index >= dev->base.button_count) return;
    unsigned char state = item->value ? 0x80 : 0;
    if (state == dev->button_states[index]) return;
    dev->button_states[index] = state;

    // A device stamp ahead of our clock moves the adjustment so that it reads as now.
    int s, us;
    kubl_time_now(&s, &us);
    long long now = (long long)s * 1000 + us / 1000;
    long long t = item->stamp_ms - dev->timestamp_adjust;
    if (t > now) {
        dev->timestamp_adjust = item->stamp_ms - now;
        t = now;
    }
    kubl_display_push_event(dev->base.owner, dev->base.id + (std::uint32_t)index, state != 0,
                            (int)(t / 1000), (int)(t % 1000) * 1000);
}

void kubl_dinput_poll(input_device *base)
{
    dinput_device *dev = (dinput_device *)base;
    if (dev->needs_poll) {
        if (dev->instance == DINPUT_MOUSE_INSTANCE) os_mouse_update();
        else os_joystick_update();
    }
    if (!dev->acquired) kubl_dinput_acquire(dev);
    dinput_item items[DINPUT_BUFFER_ITEMS];
    buffer_lock();
    int n = dev->buffer_count;
    for (int i = 0; i < n; ++i) items[i] = dev->buffer[(dev->buffer_head + i) % DINPUT_BUFFER_ITEMS];
    dev->buffer_head = 0;
    dev->buffer_count = 0;
    buffer_unlock();
    for (int i = 0; i < n; ++i) kubl_dinput_item(dev, &items[i]);
}

static int dinput_enable_buttons(input_device *base)
{
    kubl_dinput_acquire((dinput_device *)base);
    return 1;
}

static int dinput_open_axes(input_device *base)
{
    kubl_dinput_acquire((dinput_device *)base);
    return 1;
}

static void dinput_close_axes(input_device *base)
{
    if (!base->buttons_in_use) dinput_unacquire((dinput_device *)base);
}

static int dinput_read_axis(input_device *base, int index)
{
    dinput_device *dev = (dinput_device *)base;
    kubl_dinput_poll(base);
    if (index < 0 || index >= base->axis_count) return 0;
    return dev->axis_values[index];   // a relative axis's running total (see kubl_axis_read)
}

static void dinput_release(dinput_device *dev)
{
    os_joystick_close(dev->joystick);
    free(dev->axis_values);
    free(dev->button_states);
    free(dev->base.name);
    free(dev);
}

static void dinput_free(input_device *base)
{
    dinput_device *dev = (dinput_device *)base;
    kubl_log_printf("Killing %s\n", base->name);
    if (dev->timestamp_adjust > 0)
        kubl_log_printf("Timestamp adjustment was %d\n", (int)dev->timestamp_adjust);
    buffer_lock();
    for (dinput_device **p = &g_joy.devices; *p; p = &(*p)->next_joystick) {
        if (*p == dev) {
            *p = dev->next_joystick;
            break;
        }
    }
    if (!g_joy.devices) {
        os_joystick_watch(nullptr);
        os_mouse_watch(nullptr);
    }
    buffer_unlock();
    dinput_release(dev);
}

void kubl_dinput_clean_name(const char *name, char *out)
{
    for (; *name; ++name)
        if (*name != ' ' && *name != '.') *out++ = *name;
    *out = 0;
}

static int name_taken(display *d, const char *name)
{
    for (dinput_device *dev = g_joy.devices; dev; dev = dev->next_joystick)
        if (dev->base.owner == d && !strcmp(dev->base.name, name)) return 1;
    return 0;
}

int kubl_dinput_device_add(display *d, int index)
{
    const char *system_name = os_joystick_name(index);
    size_t room = strlen(system_name) + 16;
    dinput_device *dev = (dinput_device *)calloc(1, sizeof *dev);
    char *name = (char *)malloc(room), *clean = (char *)malloc(room);
    if (!dev || !name || !clean) {
        kubl_log_printf("Out of memory\n");
        free(dev);
        free(name);
        free(clean);
        return 0;
    }
    kubl_log_printf("%s (%s)\n", system_name, system_name);
    kubl_dinput_clean_name(system_name, clean);
    snprintf(name, room, "%s", clean);
    for (int n = 2; name_taken(d, name); ++n) snprintf(name, room, "%s#%d", clean, n);
    free(clean);
    dev->base.name = name;
    dev->base.id = kubl_device_id(d, name);
    dev->base.enable_buttons = dinput_enable_buttons;
    dev->base.open_axes_op = dinput_open_axes;
    dev->base.close_axes = dinput_close_axes;
    dev->base.read_axis = dinput_read_axis;
    dev->base.poll = kubl_dinput_poll;
    dev->base.free_op = dinput_free;

    os_joystick_caps caps{};
    dev->joystick = os_joystick_open(index, &caps, &dev->instance);
    if (!dev->joystick) {
        kubl_log_printf("Can't create \"%s\"\n", name);
        dinput_release(dev);
        return 1;
    }
    int axes = caps.axes + 2 * caps.balls, buttons = caps.buttons;
    if (!axes && !buttons) {
        kubl_log_printf("Ignoring Dunsel device\n");
        dinput_release(dev);
        return 1;
    }
    dev->needs_poll = 1;   // the system gathers changes only when asked
    kubl_log_printf("%d axes, %d keys\n", axes, buttons);
    if (axes > DINPUT_MAX_AXES) {
        kubl_log_printf("Wow! This thing has a lot of axes!\nThe first ignored axis is called \"%s\"\n",
                        "Axis 100");
        axes = DINPUT_MAX_AXES;
    }
    if (buttons > DINPUT_MAX_BUTTONS) {
        kubl_log_printf("Wow! This thing has a lot of buttons!\nThe first ignored button is called \"%s\"\n",
                        "Button 500");
        buttons = DINPUT_MAX_BUTTONS;
    }
    dev->base.axis_count = axes;
    dev->base.button_count = buttons;
    dev->ball_axes = axes - (caps.axes < axes ? caps.axes : axes);
    dev->base.relative_axes = dev->ball_axes;
    dev->relative = axes > 0 && axis_is_relative(dev, 0);
    for (int j = 0; j < axes; ++j) {
        int rel = axis_is_relative(dev, j);
        kubl_log_printf("axis %d is %s\n", j, rel ? "relative" : "absolute");
        if (j > 0 && rel != dev->relative)
            kubl_log_printf("'%s' has both absolute and relative axes\n", name);
    }
    dev->axis_values = (int *)calloc((size_t)(axes ? axes : 1), sizeof(int));
    dev->button_states = (unsigned char *)calloc((size_t)(buttons ? buttons : 1), 1);
    if (!dev->axis_values || !dev->button_states) {
        kubl_log_printf("Out of memory\n");
        dinput_release(dev);
        return 1;
    }
    if (!dev->relative) {
        for (int j = 0; j < axes; ++j) {
            char axis_name[256];
            snprintf(axis_name, sizeof axis_name, "%.200s axis %d", name, j);
            kubl_log_printf("Adding axis \"%s\"\n", axis_name);
            kubl_axis_name_add(d, axis_name);
            if (!axis_is_relative(dev, j))
                dev->axis_values[j] = kubl_axis_scale(os_joystick_axis(dev->joystick, j), -32768, 32767);
        }
    }
    kubl_device_link(d, &dev->base);
    buffer_lock();
    dev->next_joystick = g_joy.devices;
    g_joy.devices = dev;
    buffer_unlock();
    os_joystick_watch(joystick_item);
    return 1;
}

// The mouse: three relative axes (x, y, wheel) and five buttons. Relative axes get no names in
// the display's list (a reading of motion has no rest position to set a range from); bindings
// reach them through "mouse-x" and the other aliases.
int kubl_dinput_mouse_add(display *d)
{
    const char *system_name = "Mouse";
    dinput_device *dev = (dinput_device *)calloc(1, sizeof *dev);
    char *name = (char *)malloc(strlen(system_name) + 16);
    int *axis_values = (int *)calloc(OS_MOUSE_AXES, sizeof(int));
    unsigned char *button_states = (unsigned char *)calloc(OS_MOUSE_BUTTONS, 1);
    if (!dev || !name || !axis_values || !button_states) {
        kubl_log_printf("Out of memory\n");
        free(dev);
        free(name);
        free(axis_values);
        free(button_states);
        return 0;
    }
    kubl_log_printf("%s (%s)\n", system_name, system_name);
    kubl_dinput_clean_name(system_name, name);
    dev->base.name = name;
    dev->base.id = kubl_device_id(d, name);
    dev->base.enable_buttons = dinput_enable_buttons;
    dev->base.open_axes_op = dinput_open_axes;
    dev->base.close_axes = dinput_close_axes;
    dev->base.read_axis = dinput_read_axis;
    dev->base.poll = kubl_dinput_poll;
    dev->base.free_op = dinput_free;
    dev->base.axis_count = OS_MOUSE_AXES;
    dev->base.button_count = OS_MOUSE_BUTTONS;
    dev->instance = DINPUT_MOUSE_INSTANCE;
    dev->ball_axes = OS_MOUSE_AXES;
    dev->base.relative_axes = OS_MOUSE_AXES;
    dev->relative = 1;
    dev->needs_poll = 1;   // its changes wait in the window's events until they are gathered
    dev->axis_values = axis_values;
    dev->button_states = button_states;
    kubl_log_printf("%d axes, %d keys\n", OS_MOUSE_AXES, OS_MOUSE_BUTTONS);
    for (int j = 0; j < OS_MOUSE_AXES; ++j) kubl_log_printf("axis %d is relative\n", j);
    kubl_device_link(d, &dev->base);
    buffer_lock();
    dev->next_joystick = g_joy.devices;
    g_joy.devices = dev;
    buffer_unlock();
    os_mouse_watch(mouse_item);
    return 1;
}

int kubl_dinput_open(display *d)
{
    if (!kubl_option_bool("dinput", 1)) {
        kubl_log_printf("DirectInput disabled\n");
        return 0;
    }
    if (!g_joy.loaded) {
        const char *error = nullptr;
        if (!os_joystick_init(&error)) {
            kubl_log_printf("Can't open direct input library\n");
            kubl_log_printf("%s\n", error ? error : "");
            return 0;
        }
        g_joy.buffer_mutex = kubl_mutex_create();
        g_joy.loaded = 1;
    }
    kubl_log_printf("Creating DirectInput object\n");
    kubl_log_printf("DirectInput roll call...\n");
    // The keyboard's keys come from the window's own events either way.
    int ok = kubl_option_bool("dinputsticksonly", 1) || kubl_dinput_mouse_add(d);
    int count = ok ? os_joystick_count() : 0;
    for (int i = 0; i < count; ++i)
        if (!kubl_dinput_device_add(d, i)) break;
    kubl_log_printf("End of DirectInput roll call\n");
    for (const auto &alias : joystick_aliases) kubl_alias_add(alias[0], alias[1]);
    return 1;
}
