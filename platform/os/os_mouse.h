// platform/os/os_mouse.h — the mouse as the system reports it: motion since the last report,
// wheel notches and buttons, each change handed on with the time it happened.
#pragma once

struct display;

// Controls in the order of the mouse device's data: axes x, y, wheel; buttons left, right,
// middle, and the two side buttons.
enum { OS_MOUSE_AXIS = 1, OS_MOUSE_BUTTON };
enum { OS_MOUSE_AXES = 3, OS_MOUSE_BUTTONS = 5, OS_MOUSE_WHEEL_NOTCH = 120 };

// value: the motion in pixels (x, y) or 120 per wheel notch away from the user, or 1 pressed /
// 0 released; stamp in milliseconds of the game's clock (kubl_time_now).
typedef void (*os_mouse_item_fn)(int kind, int index, int value, long long stamp_ms);

// The receiver of every change (null removes it). Changes come as the window's events are
// pumped, whatever moved the pointer.
void os_mouse_watch(os_mouse_item_fn fn);

// For tests: system events of motion and buttons, as if the mouse sent them, over the display's
// window (none without one); and dropping what no pump has taken yet.
int  os_mouse_inject_motion(display *d, int dx, int dy);
int  os_mouse_inject_button(display *d, int index, int pressed);
int  os_mouse_inject_wheel(display *d, int notches);
void os_mouse_discard_pending(void);

// Gathers the system's pending events, so the changes waiting in them reach the receiver.
void os_mouse_update(void);
