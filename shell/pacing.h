// shell/pacing.h — how much real time a frame feeds to the ticks. Pure over the clock it is
// given, so it can run on a fake one.
#pragma once

struct pacing_clock {
    double (*now)(void *ctx);                  // seconds
    void   (*sleep)(void *ctx, double seconds);
    void   *ctx;
};

struct pacing_input {
    double lock_fps;   // "--lock-fps", 0 off; offline only
    int    warp;       // "--warp"; offline only
    int    online;
};

// Settles the frame time dt since previous_frame_time: a frame shorter than a tick sleeps the
// rest, a longer one counts at most 0.125 s, unless a locked rate or warp decides. Counts the
// frame in frame_time_counts and the shortest and longest frame times. *now_out receives the
// clock reading the frame ends at.
double frame_pace(const pacing_clock *clock, double previous_frame_time, const pacing_input *in,
                  double *now_out);

// Online, how much faster or slower than real time the ticks run, from how far the local tick
// count lags (or leads) the server's.
double online_time_scale(int server_tick, int tick_count, int race_start_tick);

// The platform clock and sleep.
extern const pacing_clock platform_clock;
double platform_now(void);
