// platform/display_internal.h — the display record, private to the platform layer (and tests).
#pragma once
#include "platform/array.h"
#include "platform/device.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/mutex.h"

struct kubl_gl_record {
    void *context;        // the OpenGL context (SDL_GLContext)
    int   pixel_format;   // the window's pixel format as the system reports it
};

struct display {
    void        *window;                // SDL_Window
    frame_size   frame;                 // handed out by kubl_gl_frame_begin
    int          width, height;         // requested client size, then the last size event's
    int          colour_bits;           // low byte of the open flags
    int          fullscreen_width, fullscreen_height;   // chosen by the last mode switch
    char        *title;                 // the copy behind the record
    unsigned long opening_thread, window_thread;
    kubl_mutex  *frame_mutex;
    kubl_mutex  *queue_mutex;
    event_queue  queue;
    input_device *devices;              // newest first
    const char **axis_names;            // null-terminated, interned
    growable_array axis_builder;        // during open only
    int          axis_building;
    volatile int closing;
    volatile int suspended;             // drawing held off
    int          mode_switching;        // may change the screen's display mode
    int          threaded;
    int          fullscreen_active;     // the screen is in the display's fullscreen mode
    kubl_gl_record *gl;                 // present on an OpenGL display
    // What the OpenGL display asks of the window's pixel format; set before the window exists,
    // because the system picks the format when it makes the window.
    int          want_gl;
    int          alpha_bits, depth_bits, stencil_bits, accum_bits;
    int          open_fullscreen;       // the open flags asked for fullscreen
};

// The record with a copy of the title and its two mutexes, no window. Null when it cannot be
// made. Tests use it to run the event queue and the device list without a window.
display *kubl_display_alloc(const char *title);
void     kubl_display_free(display *d);

// What an OpenGL display asks of its pixel format.
struct kubl_gl_request {
    int alpha_bits, depth_bits, stencil_bits, accum_bits;
};

// The part of open shared by every display kind; gl is null for a display without OpenGL.
display *kubl_display_open(const char *title, int width, int height, int flags,
                           const kubl_gl_request *gl);
void     kubl_display_close(display *d);
int      kubl_create_window(display *d);
void     kubl_destroy_window(display *d);
void     kubl_set_suspended(display *d, int suspended);
int      kubl_switch_display_mode(display *d, int width, int height);
int      kubl_enter_fullscreen(display *d, int width, int height);
int      kubl_registry_mode_size(int *width, int *height);
void     kubl_foreground_window(display *d);

// What the window procedure does for the window's messages (the system's events are turned
// into these by the window system layer).
void kubl_display_size_message(display *d, int width, int height);
void kubl_display_activate_message(display *d, int active);
void kubl_display_mode_message(display *d, int message, int width, int height);

enum {
    KUBL_MSG_FULLSCREEN = 0x8006,   // lParam-style argument: width * 65536 + height
    KUBL_MSG_WINDOWED = 0x8007,
};

// The mode list from the desktop ("registry") mode and the enumerated ones: accepted depths are
// 8, 15, 16, 24 and 32; an accepted desktop mode comes first; duplicates of size and depth are
// dropped; ended by {0, 0, 0}. Logs each mode. Malloc'd; null when it cannot be allocated.
struct display_mode_found {
    display_mode mode;
    int          hz;
};
display_mode *kubl_mode_list_build(const display_mode_found *registry,
                                   const display_mode_found *found, int count);
// Of the listed modes at least width x height, the one with the smallest width + height (the
// first of equals). 1 with its size, 0 when none qualifies.
int kubl_mode_choose(const display_mode *list, int width, int height, int *out_width,
                     int *out_height);

// Name of a special or key code (keys.cpp); null for any other code.
const char *kubl_key_code_name(std::uint32_t code);

// Input devices and axis names (devices.cpp).
void kubl_axis_names_begin(display *d);
void kubl_axis_names_end(display *d);
void kubl_axis_names_free(display *d);
int  kubl_cursor_device_open(display *d);
