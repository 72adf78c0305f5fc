// platform/os/os_video.h — the window system under the display: SDL2 video, windows, OpenGL
// contexts and the event pump. display.cpp keeps the Part's logic; these only reach the system.
#pragma once
#include <cstdint>

struct display;
struct display_mode;

// The video subsystem, counted: every init is matched by a quit. 1 when it is up.
int  os_video_init(void);
void os_video_quit(void);

// The desktop mode (what the screen shows outside the game) and the modes of the first screen.
int  os_desktop_mode(display_mode *mode, int *hz);
int  os_mode_count(void);
int  os_mode_get(int index, display_mode *mode, int *hz);

// Makes the window (an OpenGL window when d->want_gl) with the given client size; logs
// "Creating window". 1 on success.
int  os_window_create(display *d, int width, int height, int fullscreen, int resizable);
void os_window_destroy(display *d);
void os_window_show(display *d, int maximised);
int  os_window_drawable(display *d);                  // not minimised or hidden
int  os_window_client_size(display *d, int *width, int *height);
// Puts a fullscreen window into the mode of the given size (desktop mode when 0 x 0). 1 when the
// screen took the mode.
int  os_window_fullscreen(display *d, int width, int height);
// Back to a window of the given client size (the desktop's size when 0 x 0).
int  os_window_windowed(display *d, int width, int height);
void os_window_minimise(display *d);
void os_window_restore(display *d);
int  os_window_raise(display *d);
int  os_window_pixel_format(display *d);             // 0 when the window has none

int  os_gl_context_create(display *d);
void os_gl_context_delete(display *d);
int  os_gl_swap(display *d);

// Asks the window to change mode on its next pump (the window's own thread does mode changes).
int  os_post_mode_request(display *d, int message, int width, int height);

// Pointer position in the window's client pixels.
int  os_cursor_position(display *d, int *x, int *y);

// Key code (0x1000 + set-1 scan code, + 0x100 extended) of an SDL scancode; 0 for none.
std::uint32_t os_scancode_key(int sdl_scancode);
