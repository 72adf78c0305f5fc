// shell/rider_slots.h — the 160 rider slots of a race: each slot's bike, who drives it, the
// viewed slot and the standings. The race fills them; every layer may read them.
#pragma once

struct bike;

enum { CONTROLLER_LOCAL = 0, CONTROLLER_REMOTE = 1, CONTROLLER_ROBOT = 2 };

extern bike *bike_slot_table[160];
extern int   controller_kind[160];
extern int   participant_flags[160];   // 1 marks the local player, 2 a robot
extern int   viewed_slot;
// One rider's place in the race: gates passed and the tick of the last (0 when none).
struct standings_entry {
    int slot;
    int gates;
    int last_gate_tick;
};
extern standings_entry standings[160];   // leader first
extern int   standings_count;
