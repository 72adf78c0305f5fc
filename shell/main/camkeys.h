// shell/main/camkeys.h — keyframes of the free camera for recorded fly-throughs: one list
// (camera_keyframes, shell/startup.h) kept for the whole run, placed by tick, saved to and read
// from "@keycam/" files. The keyframe view (ui/ground_view.cpp) plays them back.
//
// A keyframe file is text, one keyframe per line in list order:
//   "%.4f %.4f %.4f %.4f %.4f %.4f %.4f %.2f %d\n"
//   position x y z (ft), rotation x y z w, fov (degrees), tick
#pragma once
#include "ui/scene.h"   // camera_keyframe

// Adds a keyframe of the free camera at the current tick, after keys of the same tick.
void camkey_add(void);
// Deletes the key nearer the current tick of the two around it (the earlier on a tie); with
// fewer than two keys, empties the list.
void camkey_delete(void);
void camkeys_clear(void);
// 1 saved; 0 for a blank name or a failed write (the old file is kept).
int  camkeys_write(const char *name);
// 1 when every line was read. 0 for a blank name, a name that leaves the folder or a file that
// does not open (the list untouched), or a bad line (what was read before it is kept).
int  camkeys_read(const char *name);

// The rotation a key stores for a camera's yaw and pitch (radians): x, y, z, w.
void camkey_rotation(float yaw, float pitch, float out[4]);
camera_keyframe *camkeys_items(void);
int              camkeys_count(void);
