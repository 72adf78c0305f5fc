// platform/clock.h — the game's clock and its precise relative sleep.
#pragma once

// A point in time: seconds and microseconds (0..999999) of a monotonic clock that does not
// start at zero. Event stamps, sleeps and frame timing all use it.
struct time_value {
    int seconds;
    int microseconds;
};

int  kubl_time_now(int *seconds, int *microseconds);   // returns 1
int  kubl_sleep_for(int seconds, int microseconds);    // callers ignore the result
