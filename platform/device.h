// platform/device.h — input devices with buttons and axes (the cursor, joysticks). Each device
// kind fills in its operations; the display keeps the list (newest first).
#pragma once
#include <cstdint>

struct display;

struct input_device {
    input_device *next;
    display      *owner;
    char         *name;            // owned by the device
    std::uint32_t id;              // event-code prefix, a multiple of 0x10000
    int           open_axes;       // axis handles open on it
    int           buttons_in_use;  // only such devices are polled for button events
    int           button_count;
    int           axis_count;
    // The last this many axes give motion: their reading is a running total (wrapping), and each
    // axis handle takes what moved since its own last read.
    int           relative_axes;
    int  (*enable_buttons)(input_device *dev);   // returns the new buttons-in-use flag
    int  (*open_axes_op)(input_device *dev);     // non-zero on success
    void (*close_axes)(input_device *dev);
    int  (*read_axis)(input_device *dev, int index);
    void (*poll)(input_device *dev);             // pushes button events into the display's queue
    void (*free_op)(input_device *dev);
};

std::uint32_t kubl_device_id(display *d, const char *name);
void          kubl_device_link(display *d, input_device *dev);
void          kubl_devices_poll(display *d);
void          kubl_devices_close(display *d);
void          kubl_axis_name_add(display *d, const char *name);

// Joystick devices: enumerated by every display open, before the cursor device is made. Links
// each device with kubl_device_link and names its axes with kubl_axis_name_add. 1, or 0 when
// there is no joystick support.
int           kubl_dinput_open(display *d);

// Maps a device reading in min..max onto -32767..32767. A range whose minimum equals its
// maximum reads 0 (nothing to scale, and no division by zero).
int           kubl_axis_scale(long value, long min, long max);
