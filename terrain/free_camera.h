// terrain/free_camera.h — the free camera of view 4: flown by the player, placed at the start
// by the race reset, looked through by the ground view. It has a track camera's layout.
#pragma once
#include "terrain/cameras.h"

extern track_camera free_camera;
extern float        free_camera_speed;   // ft/s, -100..100
