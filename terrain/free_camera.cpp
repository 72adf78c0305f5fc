// terrain/free_camera.cpp — the free camera's record; the cameras' reset puts it back.
#include "terrain/free_camera.h"

track_camera free_camera = {{0, 0, 0}, 0, 0, 0, 0, 90.0f, 0};
float        free_camera_speed;
