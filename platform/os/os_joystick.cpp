// Joysticks over SDL2's joystick API: enumeration, opening, and every change of a control handed
// on with its time, so button presses keep the moment they happened.
#include "platform/os/os_joystick.h"
#include "platform/clock.h"
#include <SDL.h>

static os_joystick_item_fn g_item_fn;
static int                 g_watching;

int os_joystick_init(const char **error)
{
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        if (error) *error = SDL_GetError();
        return 0;
    }
    SDL_JoystickEventState(SDL_ENABLE);
    return 1;
}

int os_joystick_count(void) { return SDL_NumJoysticks(); }

const char *os_joystick_name(int index)
{
    const char *name = SDL_JoystickNameForIndex(index);
    return name ? name : "Joystick";
}

os_joystick *os_joystick_open(int index, os_joystick_caps *caps, int *instance)
{
    SDL_Joystick *j = SDL_JoystickOpen(index);
    if (!j) return nullptr;
    caps->axes = SDL_JoystickNumAxes(j);
    caps->buttons = SDL_JoystickNumButtons(j);
    caps->balls = SDL_JoystickNumBalls(j);
    if (caps->axes < 0) caps->axes = 0;
    if (caps->buttons < 0) caps->buttons = 0;
    if (caps->balls < 0) caps->balls = 0;
    *instance = SDL_JoystickInstanceID(j);
    return (os_joystick *)j;
}

void os_joystick_close(os_joystick *joy)
{
    if (joy) SDL_JoystickClose((SDL_Joystick *)joy);
}

int os_joystick_axis(os_joystick *joy, int index) { return SDL_JoystickGetAxis((SDL_Joystick *)joy, index); }

// The system stamps events with its own millisecond count; carry that age over to our clock.
static long long event_stamp(Uint32 timestamp)
{
    int s, us;
    kubl_time_now(&s, &us);
    long long now = (long long)s * 1000 + us / 1000;
    return now - (long long)(Uint32)(SDL_GetTicks() - timestamp);
}

static int SDLCALL joystick_watch(void *, SDL_Event *e)
{
    os_joystick_item_fn fn = g_item_fn;
    if (!fn) return 1;
    switch (e->type) {
    case SDL_JOYAXISMOTION:
        fn(e->jaxis.which, OS_JOY_AXIS, e->jaxis.axis, e->jaxis.value, event_stamp(e->common.timestamp));
        break;
    case SDL_JOYBALLMOTION:
        fn(e->jball.which, OS_JOY_BALL_X, e->jball.ball, e->jball.xrel, event_stamp(e->common.timestamp));
        fn(e->jball.which, OS_JOY_BALL_Y, e->jball.ball, e->jball.yrel, event_stamp(e->common.timestamp));
        break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        fn(e->jbutton.which, OS_JOY_BUTTON, e->jbutton.button, e->jbutton.state == SDL_PRESSED,
           event_stamp(e->common.timestamp));
        break;
    default:
        break;
    }
    return 1;
}

void os_joystick_watch(os_joystick_item_fn fn)
{
    g_item_fn = fn;
    if (fn && !g_watching) {
        SDL_AddEventWatch(joystick_watch, nullptr);
        g_watching = 1;
    } else if (!fn && g_watching) {
        SDL_DelEventWatch(joystick_watch, nullptr);
        g_watching = 0;
    }
}

void os_joystick_update(void) { SDL_JoystickUpdate(); }

int os_joystick_attach_virtual(const char *name, int axes, int buttons)
{
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return -1;
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = (Uint16)axes;
    desc.nbuttons = (Uint16)buttons;
    desc.name = name;
    int index = SDL_JoystickAttachVirtualEx(&desc);
    return index;
}

int os_joystick_set_virtual(int index, int kind, int control, int value)
{
    SDL_Joystick *j = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    if (!j) return 0;
    if (kind == OS_JOY_AXIS) return SDL_JoystickSetVirtualAxis(j, control, (Sint16)value) == 0;
    if (kind == OS_JOY_BUTTON) return SDL_JoystickSetVirtualButton(j, control, (Uint8)value) == 0;
    return 0;
}

void os_joystick_detach_virtual(int index) { SDL_JoystickDetachVirtual(index); }
