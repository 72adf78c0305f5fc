// terrain/cameras.h — the track's fixed television cameras and the gate at which each takes
// over.
//
// "cameras", one command per line; a camera is described by the lines before its "addcamera":
//   fov F              vertical field of view in degrees (sign dropped), default 90
//   autofovsize S      (sign dropped), default 0
//   gate N N ...       these gates (0..255) switch to the camera being described
//   addcamera X Y Z    the camera stands Y above the ground at (X, Z); a new description starts
// Any other line is skipped.
#pragma once

struct track_camera {
    float position[3];
    float yaw, pitch;              // radians, aimed by the camera view
    float yaw_rate, pitch_rate;    // radians per second
    float fov;                     // degrees
    float autofovsize;
};

enum { GATE_CAMERAS = 256 };
extern int gate_camera[GATE_CAMERAS];   // camera index per gate, -1 = no change

// Empties the track cameras (the shell's list) and refills them from the file.
void cameras_load(const char *file_name);
