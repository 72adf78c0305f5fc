// platform/display.h — the one window with its OpenGL context, display modes and the frame
// bracket. The record itself is private to the platform layer (platform/display_internal.h).
#pragma once

struct display;

// Handed out by kubl_gl_frame_begin; pixels is always null and pitch 0 for an OpenGL display.
struct frame_size {
    void *pixels;
    int   width;
    int   height;
    int   pitch;
    int   reserved;
};

struct display_mode {
    int width;
    int height;
    int bits;
};

enum {
    KUBL_OPEN_FIXED = 0x100,        // no display-mode switching
    KUBL_OPEN_FULLSCREEN = 0x200,
};

// Width or height 0 means the size of the current display mode. Null on failure.
display    *kubl_gl_window_open(const char *title, int width, int height, int flags,
                                int alpha_bits, int depth_bits, int stencil_bits, int accum_bits);
void        kubl_gl_window_close(display *d);
frame_size *kubl_gl_frame_begin(display *d);   // null when nothing may be drawn
int         kubl_gl_frame_end(display *d);     // the swap's result; 0 when the display is lost
const display_mode *kubl_display_modes(void);  // ended by an all-zero entry; null on failure
// Asks the window for fullscreen (flags has KUBL_OPEN_FULLSCREEN) or a window of the given
// client size; returns 1 at once, the change happens at the window's next message pump.
int         kubl_window_set_mode(display *d, int width, int height, int flags);

// Handles the window's pending messages: input events, size, activation, close requests and
// mode changes. Every event read does this; long operations call it to keep the window alive.
void        kubl_pump_messages(display *d);

// OpenGL extension entry points of the current context; null when the driver has none.
void *kubl_gl_get_proc_address(const char *name);
