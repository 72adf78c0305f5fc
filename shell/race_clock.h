// shell/race_clock.h — the race's clock and the values in force for the race under way. The
// race step advances them; the bikes, the terrain and the shell read them.
#pragma once

extern int tick_count;        // the race tick, 1/128 s
extern int race_start_tick;
extern int race_laps;         // the lap count in force
extern int erode_level;       // erosion strength, 1/1024 units; erosion runs while above 0
