// The window system under the display: SDL2 video, the window with its OpenGL context, the event
// pump and the window procedure that turns the system's events into input events and display
// messages. Everything here runs on the thread that opened the display.
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/display_internal.h"
#include "platform/log.h"
#include "platform/os/os_video.h"
#include <SDL.h>
#include <cstdint>

static int g_video_count;
static int g_scaling_logged;
static Uint32 g_mode_event = (Uint32)-1;

static SDL_Window *win(display *d)
{
    return (SDL_Window *)d->window;
}

int os_video_init(void)
{
    if (g_video_count == 0) {
        // The game turns a close request into an input event and decides itself when to end;
        // a fullscreen window is minimised on deactivation by the display's own rule.
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        SDL_SetHint(SDL_HINT_VIDEO_HIGHDPI_DISABLED, "1");
        if (!g_scaling_logged) {
            g_scaling_logged = 1;
            kubl_log_printf("Display scaling disabled via SDL_HINT_VIDEO_HIGHDPI_DISABLED\n");
        }
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            kubl_log_printf("Can't start video: %s\n", SDL_GetError());
            return 0;
        }
        if (g_mode_event == (Uint32)-1) g_mode_event = SDL_RegisterEvents(1);
    }
    g_video_count++;
    return 1;
}

void os_video_quit(void)
{
    if (g_video_count <= 0) return;
    if (--g_video_count == 0) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

static int mode_bits(Uint32 format)
{
    // SDL counts 24 for the 32-bit pixel formats with an unused byte; the screen stores 32.
    return SDL_BYTESPERPIXEL(format) == 4 ? 32 : (int)SDL_BITSPERPIXEL(format);
}

int os_desktop_mode(display_mode *mode, int *hz)
{
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) != 0) return 0;
    *mode = display_mode{m.w, m.h, mode_bits(m.format)};
    *hz = m.refresh_rate;
    return 1;
}

int os_mode_count(void)
{
    return SDL_GetNumDisplayModes(0);
}

int os_mode_get(int index, display_mode *mode, int *hz)
{
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, index, &m) != 0) return 0;
    *mode = display_mode{m.w, m.h, mode_bits(m.format)};
    *hz = m.refresh_rate;
    return 1;
}

static void set_gl_attributes(display *d)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    int r = 0, g = 0, b = 0;
    switch (d->colour_bits) {
    case 32:   // asked as 24: the fourth byte is alpha, asked for on its own
    case 24: r = g = b = 8; break;
    case 16: r = 5; g = 6; b = 5; break;
    case 15: r = g = b = 5; break;
    default: break;
    }
    if (r) {
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, r);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, g);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, b);
    }
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, d->alpha_bits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, d->depth_bits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, d->stencil_bits);
    int accum = d->accum_bits / 4;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum);
}

int os_window_create(display *d, int width, int height, int fullscreen, int resizable)
{
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (d->want_gl) {
        set_gl_attributes(d);
        flags |= SDL_WINDOW_OPENGL;
    }
    if (resizable) flags |= SDL_WINDOW_RESIZABLE;
    if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN;
    kubl_log_printf("Creating window\n");
    SDL_Window *w = SDL_CreateWindow(d->title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                     width, height, flags);
    if (!w) {
        kubl_log_error("Can't create window!\n");
        kubl_log_printf("%s\n", SDL_GetError());
        return 0;
    }
    d->window = w;
    static SDL_Cursor *cross;
    if (!cross) cross = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_CROSSHAIR);
    if (cross) SDL_SetCursor(cross);
    SDL_StartTextInput();
    return 1;
}

void os_window_destroy(display *d)
{
    if (!d->window) return;
    SDL_DestroyWindow(win(d));
    d->window = nullptr;
}

void os_window_show(display *d, int maximised)
{
    SDL_ShowWindow(win(d));
    if (maximised && !(SDL_GetWindowFlags(win(d)) & SDL_WINDOW_FULLSCREEN)) SDL_MaximizeWindow(win(d));
}

int os_window_drawable(display *d)
{
    if (!d->window) return 0;
    return !(SDL_GetWindowFlags(win(d)) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN));
}

int os_window_client_size(display *d, int *width, int *height)
{
    if (!d->window) return 0;
    if (d->gl) SDL_GL_GetDrawableSize(win(d), width, height);
    else SDL_GetWindowSize(win(d), width, height);
    return *width > 0 && *height > 0;
}

int os_window_fullscreen(display *d, int width, int height)
{
    if (!d->window) return 0;
    int index = SDL_GetWindowDisplayIndex(win(d));
    if (index < 0) index = 0;
    SDL_DisplayMode mode;
    if (width == 0 || height == 0) {
        if (SDL_GetDesktopDisplayMode(index, &mode) != 0) return 0;
    } else {
        SDL_DisplayMode want{0, width, height, 0, nullptr};
        if (!SDL_GetClosestDisplayMode(index, &want, &mode)) mode = want;
    }
    SDL_SetWindowDisplayMode(win(d), &mode);
    return SDL_SetWindowFullscreen(win(d), SDL_WINDOW_FULLSCREEN) == 0;
}

int os_window_windowed(display *d, int width, int height)
{
    if (!d->window) return 0;
    SDL_HideWindow(win(d));
    SDL_SetWindowFullscreen(win(d), 0);
    if (width == 0 || height == 0) {
        SDL_DisplayMode desk;
        if (SDL_GetDesktopDisplayMode(0, &desk) == 0) {
            width = desk.w;
            height = desk.h;
        } else {
            width = 640;
            height = 480;
        }
    }
    SDL_SetWindowResizable(win(d), SDL_TRUE);
    SDL_SetWindowSize(win(d), width, height);
    SDL_SetWindowPosition(win(d), 0, 0);
    SDL_ShowWindow(win(d));
    return 1;
}

void os_window_minimise(display *d)
{
    if (d->window) SDL_MinimizeWindow(win(d));
}

void os_window_restore(display *d)
{
    if (d->window) SDL_RestoreWindow(win(d));
}

int os_window_raise(display *d)
{
    if (!d->window) return 0;
    SDL_RaiseWindow(win(d));
    return 1;
}

int os_window_pixel_format(display *d)
{
    if (!d->window) return 0;
    return (int)SDL_GetWindowPixelFormat(win(d));
}

int os_gl_context_create(display *d)
{
    SDL_GLContext context = SDL_GL_CreateContext(win(d));
    if (!context) {
        kubl_log_printf("%s\n", SDL_GetError());
        return 0;
    }
    if (SDL_GL_MakeCurrent(win(d), context) != 0) {
        kubl_log_printf("%s\n", SDL_GetError());
        SDL_GL_DeleteContext(context);
        return 0;
    }
    d->gl->context = context;
    return 1;
}

void os_gl_context_delete(display *d)
{
    if (!d->gl || !d->gl->context) return;
    SDL_GL_MakeCurrent(win(d), nullptr);
    SDL_GL_DeleteContext((SDL_GLContext)d->gl->context);
    d->gl->context = nullptr;
}

int os_gl_swap(display *d)
{
    if (!d->window) return 0;
    SDL_GL_SwapWindow(win(d));
    return 1;
}

int os_post_mode_request(display *d, int message, int width, int height)
{
    if (g_mode_event == (Uint32)-1) return 0;
    SDL_Event e;
    SDL_zero(e);
    e.type = g_mode_event;
    e.user.code = message;
    e.user.data1 = (void *)(intptr_t)width;
    e.user.data2 = (void *)(intptr_t)height;
    return SDL_PushEvent(&e) == 1;
}

// The pointer where the window's own motion and button events last put it. The global pointer
// state would follow the raw device motion, which a pointer moved by a tool or a remote desktop
// never sends; the window's events come whatever moved it.
static struct {
    Uint32 window_id;
    int    x, y;
} g_pointer;

static void pointer_seen(Uint32 window_id, int x, int y)
{
    g_pointer.window_id = window_id;
    g_pointer.x = x;
    g_pointer.y = y;
}

int os_cursor_position(display *d, int *x, int *y)
{
    if (!d->window) return 0;
    // The events that came since the last read first (they stay queued for the ticks), so the
    // pointer is where it is now, as when it was asked of the window system.
    kubl_pump_messages(d);
    if (g_pointer.window_id != 0 && g_pointer.window_id == SDL_GetWindowID(win(d))) {
        *x = g_pointer.x;
        *y = g_pointer.y;
    } else {
        // No event of the window's yet: the pointer as the window system holds it, so the first
        // event (the pointer entering where it already was) moves nothing.
        int gx, gy, wx, wy;
        SDL_GetGlobalMouseState(&gx, &gy);
        SDL_GetWindowPosition(win(d), &wx, &wy);
        *x = gx - wx;
        *y = gy - wy;
    }
    return 1;
}

// SDL stamps events in milliseconds since it started; the queue orders by kubl_time_now. The
// event's age is what carries over: stamp = now - (SDL's now - SDL's stamp).
static void event_stamp(Uint32 sdl_stamp, int *seconds, int *microseconds)
{
    int s, us;
    kubl_time_now(&s, &us);
    std::int64_t now = (std::int64_t)s * 1000000 + us;
    Sint32 age_ms = (Sint32)(SDL_GetTicks() - sdl_stamp);   // wraps correctly past 49 days
    if (age_ms < 0) age_ms = 0;
    std::int64_t t = now - (std::int64_t)age_ms * 1000;
    if (t < 0) t = 0;
    *seconds = (int)(t / 1000000);
    *microseconds = (int)(t % 1000000);
}

// The characters a keyboard message loop makes from keys that SDL's text input leaves out.
static int key_character(const SDL_KeyboardEvent &k)
{
    SDL_Keycode sym = k.keysym.sym;
    Uint16 mod = k.keysym.mod;
    switch (sym) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_ESCAPE: return 27;
    case SDLK_DELETE: return 127;
    default: break;
    }
    if ((mod & KMOD_CTRL) && !(mod & KMOD_ALT) && sym >= SDLK_a && sym <= SDLK_z)
        return (int)(sym - SDLK_a) + 1;
    return -1;
}

// Latin-1 characters of UTF-8 text; others have no place in the 0..255 character codes.
static void push_text(display *d, const char *text, int seconds, int microseconds)
{
    const unsigned char *p = (const unsigned char *)text;
    while (*p) {
        unsigned c = *p++;
        int extra = 0;
        if (c >= 0xF0) { c &= 0x07; extra = 3; }
        else if (c >= 0xE0) { c &= 0x0F; extra = 2; }
        else if (c >= 0xC0) { c &= 0x1F; extra = 1; }
        else if (c >= 0x80) continue;   // a stray continuation byte
        for (; extra && (*p & 0xC0) == 0x80; --extra) c = (c << 6) | (*p++ & 0x3F);
        if (extra) continue;
        if (c < 256) kubl_display_push_event(d, c, 1, seconds, microseconds);
    }
}

static void kubl_window_proc(display *d, const SDL_Event *e)
{
    if (!d || d->closing) return;
    int s, us;
    switch (e->type) {
    case SDL_QUIT:
        kubl_display_push_event_now(d, KUBL_CLOSE, 1);
        break;
    case SDL_WINDOWEVENT:
        if (d->window && e->window.windowID != SDL_GetWindowID(win(d))) break;
        switch (e->window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            kubl_display_size_message(d, e->window.data1, e->window.data2);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            kubl_display_push_event_now(d, KUBL_CLOSE, 1);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            kubl_display_activate_message(d, 1);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            kubl_display_activate_message(d, 0);
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        event_stamp(e->key.timestamp, &s, &us);
        std::uint32_t code = os_scancode_key(e->key.keysym.scancode);
        int down = e->type == SDL_KEYDOWN;
        if (code) kubl_display_push_event(d, code, down, s, us);
        if (down) {
            int c = key_character(e->key);
            if (c >= 0) kubl_display_push_event(d, (std::uint32_t)c, 1, s, us);
        }
        break;
    }
    case SDL_TEXTINPUT:
        event_stamp(e->text.timestamp, &s, &us);
        push_text(d, e->text.text, s, us);
        break;
    case SDL_MOUSEMOTION:
        pointer_seen(e->motion.windowID, e->motion.x, e->motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        // A click acts where it happened, even with no motion event before it.
        pointer_seen(e->button.windowID, e->button.x, e->button.y);
        std::uint32_t code = e->button.button == SDL_BUTTON_LEFT     ? KUBL_MOUSE_LEFT
                             : e->button.button == SDL_BUTTON_MIDDLE ? KUBL_MOUSE_MIDDLE
                             : e->button.button == SDL_BUTTON_RIGHT  ? KUBL_MOUSE_RIGHT
                                                                     : 0;
        if (!code) break;
        event_stamp(e->button.timestamp, &s, &us);
        kubl_display_push_event(d, code, e->type == SDL_MOUSEBUTTONDOWN, s, us);
        break;
    }
    default:
        if (e->type == g_mode_event)
            kubl_display_mode_message(d, e->user.code, (int)(intptr_t)e->user.data1,
                                      (int)(intptr_t)e->user.data2);
        break;
    }
}

void kubl_pump_messages(display *d)
{
    if (!d || !d->window) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) kubl_window_proc(d, &e);
}
