// platform/joystick.h — joysticks (and the mouse, when every device is asked for) as input
// devices of the display: buttons become time-stamped events in the display's queue, axes are
// read through axis handles ("Joystick1.axis[0]", "Mouse.axis[0]").
#pragma once
#include "platform/device.h"
#include <cstdint>

struct os_joystick;

enum {
    DINPUT_MAX_AXES = 100,
    DINPUT_MAX_BUTTONS = 500,
    DINPUT_BUFFER_ITEMS = 25,
    DINPUT_MOUSE_INSTANCE = -1,   // the instance of the mouse device; joysticks count from 0
};

// One buffered change. Offsets follow the device's data layout: axis j at 4 j, button j at
// 4 × axes + j. Stamp in milliseconds of the game's clock.
struct dinput_item {
    int       offset;
    int       value;
    long long stamp_ms;
};

struct dinput_device {
    input_device   base;              // first: the display's list holds &base
    os_joystick   *joystick;
    int            instance;          // the system's id for the attached device
    int           *axis_values;
    unsigned char *button_states;     // 0 released, non-zero pressed
    long long      timestamp_adjust;  // ms, 0 at start
    int            needs_poll;
    int            relative;
    int            acquired;
    int            ball_axes;         // the last axes are trackball motion
    dinput_item    buffer[DINPUT_BUFFER_ITEMS];
    int            buffer_head;
    int            buffer_count;
    dinput_device *next_joystick;     // every device this module made
};

// Enumerates the attached joysticks, and the mouse when "dinputsticksonly" is off, into the
// display's device list and registers the mouse and joystick aliases. 1, or 0 when devices are
// off ("dinput") or unavailable.
int  kubl_dinput_open(display *d);
// Adds the device at the system's index; 0 only when memory ran out (the roll call stops).
int  kubl_dinput_device_add(display *d, int index);
// Adds the mouse device "Mouse"; 0 only when memory ran out.
int  kubl_dinput_mouse_add(display *d);
void kubl_dinput_poll(input_device *dev);
void kubl_dinput_acquire(dinput_device *dev);
// One buffered change as the poll applies it: sets (or, relative, adds to) an axis, or pushes
// a button event when the state changed, stamped by the device's time less its adjustment.
void kubl_dinput_item(dinput_device *dev, const dinput_item *item);
// Removes blanks and '.'; the caller's buffer holds at least strlen(name) + 1 bytes.
void kubl_dinput_clean_name(const char *name, char *out);
