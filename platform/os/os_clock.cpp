// The clock over CLOCK_MONOTONIC. The count is 64-bit microseconds, so seconds stay positive for
// as long as the machine runs (a 32-bit millisecond count turns negative after 24.8 days).
#include "platform/clock.h"
#include <cerrno>
#include <ctime>
#include <sched.h>

static kubl_clock_source g_clock_source;

std::int64_t kubl_time_monotonic_us(void)
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (std::int64_t)ts.tv_sec * 1000000 + ts.tv_nsec / 1000;
}

void kubl_time_set_source(kubl_clock_source source)
{
    g_clock_source = source;
}

int kubl_time_now(int *seconds, int *microseconds)
{
    std::int64_t us = g_clock_source ? g_clock_source() : kubl_time_monotonic_us();
    if (us < 0) us = 0;
    *seconds = (int)(us / 1000000);
    *microseconds = (int)(us % 1000000);
    return 1;
}

// Sleeps a millisecond short of the wait, then yields until the deadline: the scheduler's
// wake-up is coarse, the yield loop is not.
int kubl_sleep_for(int seconds, int microseconds)
{
    std::int64_t start = kubl_time_monotonic_us();
    std::int64_t wait_us = (std::int64_t)seconds * 1000000 + microseconds;
    if (wait_us <= 0) return 1;
    std::int64_t wait_ms = wait_us / 1000;
    std::int64_t coarse_ms = wait_ms > 1 ? wait_ms - 1 : wait_ms;
    if (coarse_ms > 0) {
        timespec ts{(time_t)(coarse_ms / 1000), (long)(coarse_ms % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
    }
    std::int64_t deadline = start + wait_us;
    while (kubl_time_monotonic_us() < deadline) sched_yield();
    return 1;
}
