// Frame pacing and online time scaling.
#include "shell/pacing.h"
#include "shell/globals.h"
#include "platform/clock.h"
#include <cmath>

static double clampd(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

double frame_pace(const pacing_clock *clock, double previous_frame_time, const pacing_input *in,
                  double *now_out)
{
    double now = clock->now(clock->ctx);
    double dt = now - previous_frame_time;

    int bucket = 0;
    while (bucket < 7 && !((double)(1 << bucket) * tick > dt)) ++bucket;
    frame_time_counts[bucket]++;

    if (!in->online && in->lock_fps > 0) {
        // At least one frame a second, so that the window's close request is heard.
        double period = 1.0 / (in->lock_fps < 1 ? 1 : in->lock_fps);
        if (period > dt) clock->sleep(clock->ctx, period - dt);
        now = clock->now(clock->ctx);
        dt = period;
    } else if (!in->online && in->warp) {
        dt = 100 * tick;
    } else {
        while (dt < tick) {
            clock->sleep(clock->ctx, tick - dt);
            now = clock->now(clock->ctx);
            dt = now - previous_frame_time;
        }
        if (dt > 0.125) dt = 0.125;
    }
    if (dt < frame_time_min) frame_time_min = dt;
    if (dt > frame_time_max) frame_time_max = dt;
    *now_out = now;
    return dt;
}

double online_time_scale(int server_tick, int tick_count, int race_start_tick)
{
    double lag = (double)(server_tick - tick_count - 1) * tick;
    if (lag < 0) return 0.5 + 0.5 * clampd(lag + 1, 0, 1);
    if (tick_count < race_start_tick) return 1 + 3 * clampd(lag, 0, 1);
    return 1 + (lag < 0.125 ? lag : 0.125);
}

double platform_now(void)
{
    int s = 0, us = 0;
    kubl_time_now(&s, &us);
    return s + us * 1e-6;
}

static double clock_now(void *) { return platform_now(); }

static void clock_sleep(void *, double seconds)
{
    if (seconds <= 0) return;
    double whole = std::floor(seconds);
    kubl_sleep_for((int)whole, (int)((seconds - whole) * 1e6));
}

const pacing_clock platform_clock = {clock_now, clock_sleep, nullptr};
