// The display: its record, opening and closing, the OpenGL context and the frame bracket, and
// what the window procedure does with size, activation and mode-change messages.
#include "platform/display_internal.h"
#include "platform/log.h"
#include "platform/options.h"
#include "platform/os/os_video.h"
#include <pthread.h>
#include <cstdlib>
#include <cstring>

static int g_options_read;
static int g_threaded_option;

display *kubl_display_alloc(const char *title)
{
    if (!title) title = "";
    size_t title_size = strlen(title) + 1;
    display *d = (display *)calloc(1, sizeof(display) + title_size);
    if (!d) return nullptr;
    d->title = (char *)(d + 1);
    memcpy(d->title, title, title_size);
    d->frame_mutex = kubl_mutex_create();
    d->queue_mutex = kubl_mutex_create();
    if (!d->frame_mutex || !d->queue_mutex) {
        kubl_display_free(d);
        return nullptr;
    }
    d->opening_thread = (unsigned long)pthread_self();
    return d;
}

void kubl_display_free(display *d)
{
    if (!d) return;
    kubl_mutex_close(d->frame_mutex);
    kubl_mutex_close(d->queue_mutex);
    kubl_axis_names_free(d);
    free(d);
}

void kubl_set_suspended(display *d, int suspended)
{
    kubl_mutex_lock(d->frame_mutex);
    d->suspended = suspended;
    kubl_mutex_unlock(d->frame_mutex);
}

void kubl_foreground_window(display *d)
{
    if (os_window_raise(d)) kubl_log_printf("Foregrounded\n");
    else kubl_log_printf("SetForegroundWindow failed\n");
}

int kubl_create_window(display *d)
{
    d->window_thread = (unsigned long)pthread_self();
    int width = d->width, height = d->height;
    if (width == 0 || height == 0) {
        kubl_registry_mode_size(&width, &height);
        d->width = width;
        d->height = height;
    }
    int fullscreen = d->open_fullscreen;
    // A fixed window cannot be resized by the user; the others can.
    if (!os_window_create(d, width, height, 0, d->mode_switching && !fullscreen)) return 0;
    if (fullscreen) {
        d->fullscreen_active = 0;
        kubl_switch_display_mode(d, width, height);
        os_window_show(d, 1);
        d->fullscreen_active = 1;
    } else {
        os_window_show(d, 0);
    }
    kubl_foreground_window(d);
    return 1;
}

void kubl_destroy_window(display *d)
{
    kubl_axis_names_free(d);
    if (d->devices) {
        kubl_log_printf("Closing input devices\n");
        kubl_devices_close(d);
    }
    if (d->window) {
        kubl_log_printf("Destroying window\n");
        os_window_destroy(d);   // gives the screen back its desktop mode when fullscreen
        kubl_log_printf("Window shutdown complete\n");
    }
}

display *kubl_display_open(const char *title, int width, int height, int flags,
                           const kubl_gl_request *gl)
{
    display *d = kubl_display_alloc(title);
    kubl_display_modes();
    if (!g_options_read) {
        g_options_read = 1;
        g_threaded_option = kubl_option_bool("threaded", 0);
        kubl_log_printf("Options:\n");
        kubl_log_printf("%10s [%s]\n", "threaded:", g_threaded_option ? "on" : "off");
        if (g_threaded_option)
            kubl_log_printf("The option threaded is ignored: the window and its events stay on "
                            "the thread that opens the display\n");
    }
    if (!d) return nullptr;
    if (!os_video_init()) {
        kubl_log_error("Can't start the video system\n");
        kubl_display_free(d);
        return nullptr;
    }
    d->width = width;
    d->height = height;
    d->colour_bits = flags & 0xFF;
    d->mode_switching = !(flags & KUBL_OPEN_FIXED);
    d->open_fullscreen = (flags & KUBL_OPEN_FULLSCREEN) != 0;
    d->threaded = 0;
    if (gl) {
        d->want_gl = 1;
        d->alpha_bits = gl->alpha_bits;
        d->depth_bits = gl->depth_bits;
        d->stencil_bits = gl->stencil_bits;
        d->accum_bits = gl->accum_bits;
    }
    if (!kubl_create_window(d)) {
        kubl_destroy_window(d);
        kubl_display_free(d);
        os_video_quit();
        return nullptr;
    }
    kubl_axis_names_begin(d);
    kubl_dinput_open(d);
    kubl_cursor_device_open(d);
    kubl_axis_names_end(d);
    kubl_alias_add("cursor-left", "Mouse Left");
    kubl_alias_add("cursor-middle", "Mouse Middle");
    kubl_alias_add("cursor-right", "Mouse Right");
    return d;
}

void kubl_display_close(display *d)
{
    if (!d) return;
    d->closing = 1;
    kubl_destroy_window(d);
    kubl_display_free(d);
    os_video_quit();
}

display *kubl_gl_window_open(const char *title, int width, int height, int flags, int alpha_bits,
                             int depth_bits, int stencil_bits, int accum_bits)
{
    kubl_gl_request request{alpha_bits, depth_bits, stencil_bits, accum_bits};
    display *d = kubl_display_open(title, width, height, flags, &request);
    if (!d) return nullptr;
    d->gl = (kubl_gl_record *)calloc(1, sizeof *d->gl);
    if (!d->gl) {
        kubl_display_close(d);
        return nullptr;
    }
    // The window system picked the pixel format when it made the window for these wants.
    kubl_log_printf("Choosing pixel format\n");
    d->gl->pixel_format = os_window_pixel_format(d);
    if (!d->gl->pixel_format) {
        kubl_log_printf("No suitable pixel formats found\n");
        free(d->gl);
        d->gl = nullptr;
        kubl_display_close(d);
        return nullptr;
    }
    kubl_log_printf("Setting pixel format %d\n", d->gl->pixel_format);
    kubl_log_printf("Creating OpenGL context\n");
    if (!os_gl_context_create(d)) {
        kubl_log_printf("Couldn't create OpenGL context\n");
        free(d->gl);
        d->gl = nullptr;
        kubl_display_close(d);
        return nullptr;
    }
    return d;
}

void kubl_gl_window_close(display *d)
{
    if (!d) return;
    if (d->gl) {
        kubl_log_printf("Deleting OpenGL context\n");
        os_gl_context_delete(d);
        free(d->gl);
        d->gl = nullptr;
    }
    kubl_display_close(d);
}

frame_size *kubl_gl_frame_begin(display *d)
{
    if (!d || !d->gl || !d->gl->context) return nullptr;
    if (!os_window_drawable(d)) return nullptr;   // minimised or hidden: nothing to draw on
    kubl_mutex_lock(d->frame_mutex);
    if (d->suspended) {
        kubl_mutex_unlock(d->frame_mutex);
        return nullptr;
    }
    d->frame.pixels = nullptr;
    d->frame.width = d->width;
    d->frame.height = d->height;
    d->frame.pitch = 0;
    d->frame.reserved = 0;
    int w, h;
    if (os_window_client_size(d, &w, &h)) {
        d->frame.width = w;
        d->frame.height = h;
    }
    return &d->frame;
}

int kubl_gl_frame_end(display *d)
{
    if (!d || !d->gl || !d->gl->context) return 0;
    int swapped = os_gl_swap(d);
    kubl_mutex_unlock(d->frame_mutex);
    return swapped;
}

int kubl_window_set_mode(display *d, int width, int height, int flags)
{
    os_post_mode_request(d, (flags & KUBL_OPEN_FULLSCREEN) ? KUBL_MSG_FULLSCREEN : KUBL_MSG_WINDOWED,
                         width, height);
    return 1;
}

void kubl_display_size_message(display *d, int width, int height)
{
    if (d->gl) {
        kubl_mutex_lock(d->frame_mutex);
        d->width = width;
        d->height = height;
        kubl_mutex_unlock(d->frame_mutex);
    }
    kubl_log_printf("WM_SIZE message %dx%d\n", d->width, d->height);
}

void kubl_display_activate_message(display *d, int active)
{
    if (d->fullscreen_active) {
        kubl_set_suspended(d, 1);
        if (active) {
            os_window_restore(d);
            kubl_enter_fullscreen(d, d->fullscreen_width, d->fullscreen_height);
        } else {
            // Minimising a fullscreen window gives the screen back its desktop mode.
            os_window_minimise(d);
        }
        kubl_set_suspended(d, 0);
    }
    if (active) kubl_foreground_window(d);
}

void kubl_display_mode_message(display *d, int message, int width, int height)
{
    kubl_set_suspended(d, 1);
    if (message == KUBL_MSG_FULLSCREEN) {
        kubl_enter_fullscreen(d, width, height);
        d->fullscreen_active = 1;
    } else {
        d->fullscreen_active = 0;
        if (d->mode_switching) os_window_windowed(d, width, height);
    }
    kubl_set_suspended(d, 0);
}
