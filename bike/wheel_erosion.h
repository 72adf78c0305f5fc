// bike/wheel_erosion.h — a wheel's ruts: each tick of the race step its contact goes into its
// erosion trail (terrain/erosion.h).
#pragma once

struct erode_trail;
struct wheel_record;

// One tick of one wheel while erode_level is above 0.
void erode_wheel_contact(erode_trail *trail, const wheel_record *wheel);
