// Stand-in while the joystick devices are not in the tree: no joystick is found. Compiles to
// nothing once the joystick module (platform/joystick.h) is there and defines kubl_dinput_open.
#if !__has_include("platform/joystick.h")
#include "platform/device.h"

int kubl_dinput_open(display *)
{
    return 0;
}
#endif
