// shell/seams_neighbours.h — services of later subsystems that the settings code calls before
// they exist. Each has a stand-in definition (shell/seams_settings.cpp) that goes away when its
// subsystem lands with the real one; the track list has landed (shell/track_list.h).
#pragma once

// The installed tracks: folder names in the order of the track choice's items.
#include "shell/track_list.h"

// 1 while the race server's "no_arcade" rule is in force.
int net_no_arcade_rule(void);
