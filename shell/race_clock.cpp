// shell/race_clock.cpp — the race clock's values; the race reset sets them for each race.
#include "shell/race_clock.h"

int tick_count;
int race_start_tick;
int race_laps;
int erode_level;
