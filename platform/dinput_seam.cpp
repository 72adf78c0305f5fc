// Stand-in until the joystick devices exist: no joystick is found. The joystick module defines
// kubl_dinput_open itself; this file goes when it lands.
#include "platform/device.h"

int kubl_dinput_open(display *)
{
    return 0;
}
