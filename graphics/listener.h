// graphics/listener.h — the ear the engine sounds are heard from is the camera of the current
// view: the view that draws the frame places it, and sets its velocity for the Doppler shift.
#pragma once

extern float listener[3];            // camera position of the current view, feet
extern float listener_rotation[9];   // its rotation (columns right, up, backward), for the pan
extern float listener_velocity[3];   // ft/s; zero for a still camera
