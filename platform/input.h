// platform/input.h — time-ordered input events, key and button names, named axes and devices.
#pragma once
#include <cstdint>

struct display;
struct axis_handle;

// Event codes: 0..255 characters; 0x1000 + scan code (+0x100 extended) keys; 0x2000..0x2002
// mouse buttons; 0xDEAD the close box; device id (multiple of 0x10000) + button index.
// Bit 31 marks a release inside the queue only.
enum : std::uint32_t {
    KUBL_KEY_BASE = 0x1000,
    KUBL_MOUSE_LEFT = 0x2000,
    KUBL_MOUSE_MIDDLE = 0x2001,
    KUBL_MOUSE_RIGHT = 0x2002,
    KUBL_CLOSE = 0xDEAD,
    KUBL_RELEASED = 0x80000000u,
};

enum { EVENT_QUEUE_SIZE = 256 };

// Ordered by stamp from head for count places, wrapping at 256.
struct event_queue {
    int           head;
    int           count;
    std::uint32_t codes[EVENT_QUEUE_SIZE];
    int           seconds[EVENT_QUEUE_SIZE];
    int           microseconds[EVENT_QUEUE_SIZE];
};

// Queue operations (no lock: the display's queue mutex is taken by the callers below).
// Push: a full queue drops the new event; otherwise it is placed after every event with a stamp
// not later than its own (equal stamps keep push order).
void kubl_event_push(event_queue *q, std::uint32_t code, int pressed, int seconds, int microseconds);
void kubl_event_push_now(event_queue *q, std::uint32_t code, int pressed);
int  kubl_event_pop(event_queue *q, std::uint32_t *code, int *pressed, int *seconds, int *microseconds);
// Pops only when the oldest event is stamped no later than the given time.
int  kubl_event_pop_due(event_queue *q, std::uint32_t *code, int *pressed, int seconds, int microseconds);

// The display's queue, under its mutex.
void kubl_display_push_event(display *d, std::uint32_t code, int pressed, int seconds, int microseconds);
void kubl_display_push_event_now(display *d, std::uint32_t code, int pressed);

// Reads pump the window's messages first, then poll devices when the queue had nothing.
int  kubl_event_read(display *d, std::uint32_t *code, int *pressed);
int  kubl_event_read_until(display *d, std::uint32_t *code, int *pressed, int seconds, int microseconds);
int  kubl_event_read_stamped(display *d, std::uint32_t *code, int *pressed, int *seconds, int *microseconds);
// 1 when a press of code waits in the queue (after pumping the window's messages). Nothing is
// taken out, so every event still reaches its reader in order.
int  kubl_event_pending(display *d, std::uint32_t code);

int         kubl_button_lookup(display *d, std::uint32_t *code, const char *name);
const char *kubl_event_code_name(display *d, std::uint32_t code);
int         kubl_key_lookup(const char *name, std::uint32_t *code);
int         kubl_name_compare(const char *a, const char *b);

axis_handle *kubl_axis_open(display *d, const char *name);
int          kubl_axis_read(axis_handle *axis);   // about -32767..32767
void         kubl_axis_close(axis_handle *axis);
const char *const *kubl_axis_names(display *d);   // null-terminated

// A bound axis's control value: (reading / 32768 - axis_min) / (axis_max - axis_min) clamped to
// 0..1; 0 when axis_min equals axis_max.
double kubl_axis_control(int reading, double axis_min, double axis_max);

int         kubl_alias_add(const char *name, const char *target);
const char *kubl_alias_resolve(const char *name);
const char *kubl_intern(const char *text);
