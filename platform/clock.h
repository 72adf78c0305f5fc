// platform/clock.h — the game's clock and its precise relative sleep.
#pragma once
#include <cstdint>

// A point in time: seconds and microseconds (0..999999) of a monotonic clock that does not
// start at zero. Event stamps, sleeps and frame timing all use it.
struct time_value {
    int seconds;
    int microseconds;
};

int  kubl_time_now(int *seconds, int *microseconds);   // returns 1
int  kubl_sleep_for(int seconds, int microseconds);    // callers ignore the result

// Where kubl_time_now reads its microsecond count; null restores the monotonic clock. Tests
// install a fake clock here so stamps and schedules can be checked. Sleeping always uses the
// real clock, so a frozen fake clock never makes a sleep spin forever.
typedef std::int64_t (*kubl_clock_source)(void);
void kubl_time_set_source(kubl_clock_source source);

// The monotonic clock itself in microseconds (whatever source kubl_time_now uses).
std::int64_t kubl_time_monotonic_us(void);
