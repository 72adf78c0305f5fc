// graphics/listener.cpp — the listener's place and motion; the cameras' reset puts it at rest.
#include "graphics/listener.h"

float listener[3];
float listener_rotation[9];
float listener_velocity[3];
