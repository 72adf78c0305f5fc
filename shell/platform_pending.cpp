// Stand-ins for the window and input layer while it is not in the tree: no window opens, no
// event arrives. This file compiles to nothing once the platform's display record exists.
#if !__has_include("platform/display_internal.h")
#include "platform/display.h"
#include "platform/input.h"

display    *kubl_gl_window_open(const char *, int, int, int, int, int, int, int) { return nullptr; }
void        kubl_gl_window_close(display *) {}
frame_size *kubl_gl_frame_begin(display *) { return nullptr; }
int         kubl_gl_frame_end(display *) { return 0; }
int  kubl_event_read(display *, std::uint32_t *, int *) { return 0; }
int  kubl_event_read_until(display *, std::uint32_t *, int *, int, int) { return 0; }
int  kubl_button_lookup(display *, std::uint32_t *, const char *) { return 0; }
const char  *kubl_event_code_name(display *, std::uint32_t) { return nullptr; }
axis_handle *kubl_axis_open(display *, const char *) { return nullptr; }
int          kubl_axis_read(axis_handle *) { return 0; }
void         kubl_axis_close(axis_handle *) {}
void         kubl_display_push_event_now(display *, std::uint32_t, int) {}
#endif
