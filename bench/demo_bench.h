// bench/demo_bench.h — demos for the demo benchmarks: a race of robots standing on the default
// track's start line, recorded for a while without running the race (the recording's cost does
// not depend on what the riders do), and a playback of it.
#pragma once
#include "race_bench.h"
#include "racing/demo.h"
#include "racing/race_state.h"

namespace demo_bench {

// Robots in slots 0 .. riders - 1; recording on or off.
inline int robots(int riders, int record)
{
    static int codes[160];
    for (int i = 0; i < 160; ++i) codes[i] = i < riders ? 2 : 0;
    return race_bench::open() && reset_race(codes, 0, record, 0, 3, 0);
}

// "@demos/default.rldemo" of the riders over that many ticks; 1 when made.
inline int record(int riders, int ticks)
{
    if (!robots(riders, 1)) return 0;
    while (tick_count < ticks) {
        ++tick_count;
        demo_record_tick(0);
    }
    demo_record_stop();
    return 1;
}

// A playback of the recording just made, every rider replayed.
inline int play(void)
{
    static int codes[160];
    demo_play_set_name("@demos/default.rldemo");
    return reset_race(codes, 1, 0, 0, 3, 0) && demo_play_rider_count() > 0;
}

}   // namespace demo_bench
