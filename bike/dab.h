// bike/dab.h — the rider's foot at low speed: a push at the top of the frame toward upright,
// and at walking pace, with auto_align, a turn on the spot back toward the track.
#pragma once

struct bike;

// Runs at the end of every physics step.
void bike_dab_step(bike *b);
// A world point ahead of the bike on the racing line of its gate section (plus offset), or the
// position of its next gate when no recorded line serves.
void bike_aim_point(bike *b, int section_offset, float out[3]);
