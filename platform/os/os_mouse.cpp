// The mouse over SDL2: the window's motion events carry the relative motion, so a pointer moved
// by a tool or a remote desktop counts as much as one moved by hand. Nothing grabs the pointer:
// the menus keep it, and its motion stops at the edge of the screen.
#include "platform/os/os_mouse.h"
#include "platform/clock.h"
#include "platform/display_internal.h"
#include <SDL.h>

static os_mouse_item_fn g_item_fn;
static int              g_watching;

static long long event_stamp(Uint32 timestamp)
{
    int s, us;
    kubl_time_now(&s, &us);
    long long now = (long long)s * 1000 + us / 1000;
    return now - (long long)(Uint32)(SDL_GetTicks() - timestamp);
}

static int button_index(Uint8 button)
{
    switch (button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    case SDL_BUTTON_X2: return 4;
    default: return -1;
    }
}

static int SDLCALL mouse_watch(void *, SDL_Event *e)
{
    os_mouse_item_fn fn = g_item_fn;
    if (!fn) return 1;
    switch (e->type) {
    case SDL_MOUSEMOTION: {
        long long t = event_stamp(e->common.timestamp);
        if (e->motion.xrel) fn(OS_MOUSE_AXIS, 0, e->motion.xrel, t);
        if (e->motion.yrel) fn(OS_MOUSE_AXIS, 1, e->motion.yrel, t);
        break;
    }
    case SDL_MOUSEWHEEL: {
        int notches = e->wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e->wheel.y : e->wheel.y;
        if (notches) fn(OS_MOUSE_AXIS, 2, notches * OS_MOUSE_WHEEL_NOTCH, event_stamp(e->common.timestamp));
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int index = button_index(e->button.button);
        if (index >= 0)
            fn(OS_MOUSE_BUTTON, index, e->button.state == SDL_PRESSED, event_stamp(e->common.timestamp));
        break;
    }
    default:
        break;
    }
    return 1;
}

void os_mouse_watch(os_mouse_item_fn fn)
{
    g_item_fn = fn;
    if (fn && !g_watching) {
        SDL_AddEventWatch(mouse_watch, nullptr);
        g_watching = 1;
    } else if (!fn && g_watching) {
        SDL_DelEventWatch(mouse_watch, nullptr);
        g_watching = 0;
    }
}

static Uint32 window_id(display *d)
{
    return d && d->window ? SDL_GetWindowID((SDL_Window *)d->window) : 0;
}

int os_mouse_inject_motion(display *d, int dx, int dy)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window_id(d);
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    e.motion.x = x + dx;
    e.motion.y = y + dy;
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    return SDL_PushEvent(&e) == 1;
}

int os_mouse_inject_button(display *d, int index, int pressed)
{
    static const Uint8 buttons[OS_MOUSE_BUTTONS] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE,
                                                    SDL_BUTTON_X1, SDL_BUTTON_X2};
    if (index < 0 || index >= OS_MOUSE_BUTTONS) return 0;
    SDL_Event e;
    SDL_zero(e);
    e.type = pressed ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = window_id(d);
    e.button.button = buttons[index];
    e.button.state = pressed ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    SDL_GetMouseState(&e.button.x, &e.button.y);
    return SDL_PushEvent(&e) == 1;
}

int os_mouse_inject_wheel(display *d, int notches)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = window_id(d);
    e.wheel.y = notches;
    e.wheel.preciseY = (float)notches;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    return SDL_PushEvent(&e) == 1;
}

void os_mouse_discard_pending(void)
{
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_MOUSEMOTION, SDL_MOUSEWHEEL);
}

void os_mouse_update(void) { SDL_PumpEvents(); }
