// shell/rider_slots.cpp — the rider slots' records; the race reset fills them for each race.
#include "shell/rider_slots.h"

bike *bike_slot_table[160];
int   controller_kind[160];
int   participant_flags[160];
int   viewed_slot;
standings_entry standings[160];
int   standings_count;
