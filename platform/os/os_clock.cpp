// First cut of the clock: a monotonic microsecond count split into a time_value.
#include "platform/clock.h"
#include <ctime>
#include <cstdint>

int kubl_time_now(int *seconds, int *microseconds)
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::int64_t us = (std::int64_t)ts.tv_sec * 1000000 + ts.tv_nsec / 1000;
    *seconds = (int)(us / 1000000);
    *microseconds = (int)(us % 1000000);
    return 1;
}

int kubl_sleep_for(int seconds, int microseconds)
{
    timespec ts{seconds, (long)microseconds * 1000};
    nanosleep(&ts, nullptr);
    return 1;
}
