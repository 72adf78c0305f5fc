// platform/os/os_joystick.h — joysticks, the only place the joystick devices meet SDL.
#pragma once
#include <cstdint>

struct os_joystick;

struct os_joystick_caps {
    int axes;
    int buttons;
    int balls;     // trackballs: two relative axes each
};

enum { OS_JOY_AXIS = 1, OS_JOY_BALL_X, OS_JOY_BALL_Y, OS_JOY_BUTTON };

// One change of one control as the system reported it; stamp in milliseconds of the game's
// clock (kubl_time_now), taken from the system's own event time.
typedef void (*os_joystick_item_fn)(int instance, int kind, int index, int value, long long stamp_ms);

int          os_joystick_init(const char **error);   // 1, or 0 with the reason
int          os_joystick_count(void);
const char  *os_joystick_name(int index);            // never null
os_joystick *os_joystick_open(int index, os_joystick_caps *caps, int *instance);
void         os_joystick_close(os_joystick *joy);
int          os_joystick_axis(os_joystick *joy, int index);   // -32768..32767
// The receiver of every change (null removes it); os_joystick_update gathers pending changes.
void         os_joystick_watch(os_joystick_item_fn fn);
void         os_joystick_update(void);

// Virtual devices, so tests can attach a joystick and move it. The index is a device index for
// os_joystick_open; -1 on failure.
int  os_joystick_attach_virtual(const char *name, int axes, int buttons);
int  os_joystick_set_virtual(int index, int kind, int control, int value);
void os_joystick_detach_virtual(int index);
