// The time-ordered event queue of a display and the calls that read it.
#include "platform/clock.h"
#include "platform/display_internal.h"

// a later than b, comparing (seconds, microseconds).
static int stamp_later(int as, int aus, int bs, int bus)
{
    return as > bs || (as == bs && aus > bus);
}

void kubl_event_push(event_queue *q, std::uint32_t code, int pressed, int seconds, int microseconds)
{
    if (q->count >= EVENT_QUEUE_SIZE) return;   // full: the new event is lost
    int at = (q->head + q->count) % EVENT_QUEUE_SIZE;
    q->count++;
    std::uint32_t stored = pressed ? (code & ~KUBL_RELEASED) : (code | KUBL_RELEASED);
    // Move back past every queued event stamped later; never past an equal stamp or the head.
    while (at != q->head) {
        int before = (at + EVENT_QUEUE_SIZE - 1) % EVENT_QUEUE_SIZE;
        if (!stamp_later(q->seconds[before], q->microseconds[before], seconds, microseconds)) break;
        q->codes[at] = q->codes[before];
        q->seconds[at] = q->seconds[before];
        q->microseconds[at] = q->microseconds[before];
        at = before;
    }
    q->codes[at] = stored;
    q->seconds[at] = seconds;
    q->microseconds[at] = microseconds;
}

void kubl_event_push_now(event_queue *q, std::uint32_t code, int pressed)
{
    int s, us;
    kubl_time_now(&s, &us);
    kubl_event_push(q, code, pressed, s, us);
}

int kubl_event_pop(event_queue *q, std::uint32_t *code, int *pressed, int *seconds, int *microseconds)
{
    if (q->count <= 0) return 0;
    std::uint32_t stored = q->codes[q->head];
    if (code) *code = stored & ~KUBL_RELEASED;
    if (pressed) *pressed = !(stored & KUBL_RELEASED);
    if (seconds) *seconds = q->seconds[q->head];
    if (microseconds) *microseconds = q->microseconds[q->head];
    q->head = (q->head + 1) % EVENT_QUEUE_SIZE;
    q->count--;
    return 1;
}

int kubl_event_pop_due(event_queue *q, std::uint32_t *code, int *pressed, int seconds, int microseconds)
{
    if (q->count <= 0) return 0;
    if (stamp_later(q->seconds[q->head], q->microseconds[q->head], seconds, microseconds)) return 0;
    return kubl_event_pop(q, code, pressed, nullptr, nullptr);
}

void kubl_display_push_event(display *d, std::uint32_t code, int pressed, int seconds, int microseconds)
{
    if (!d) return;
    kubl_mutex_lock(d->queue_mutex);
    kubl_event_push(&d->queue, code, pressed, seconds, microseconds);
    kubl_mutex_unlock(d->queue_mutex);
}

void kubl_display_push_event_now(display *d, std::uint32_t code, int pressed)
{
    int s, us;
    kubl_time_now(&s, &us);
    kubl_display_push_event(d, code, pressed, s, us);
}

// One read: pump, pop; when nothing came, poll the devices and pop once more.
// limit is null for an unconditional read.
static int event_read(display *d, std::uint32_t *code, int *pressed, int *seconds, int *microseconds,
                      const time_value *limit)
{
    if (!d) return 0;
    kubl_pump_messages(d);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 1) kubl_devices_poll(d);
        kubl_mutex_lock(d->queue_mutex);
        int got = limit ? kubl_event_pop_due(&d->queue, code, pressed, limit->seconds, limit->microseconds)
                        : kubl_event_pop(&d->queue, code, pressed, seconds, microseconds);
        kubl_mutex_unlock(d->queue_mutex);
        if (got) return 1;
    }
    return 0;
}

int kubl_event_read(display *d, std::uint32_t *code, int *pressed)
{
    return event_read(d, code, pressed, nullptr, nullptr, nullptr);
}

int kubl_event_read_until(display *d, std::uint32_t *code, int *pressed, int seconds, int microseconds)
{
    time_value limit{seconds, microseconds};
    return event_read(d, code, pressed, nullptr, nullptr, &limit);
}

int kubl_event_read_stamped(display *d, std::uint32_t *code, int *pressed, int *seconds, int *microseconds)
{
    return event_read(d, code, pressed, seconds, microseconds, nullptr);
}

int kubl_event_pending(display *d, std::uint32_t code)
{
    if (!d) return 0;
    kubl_pump_messages(d);
    kubl_mutex_lock(d->queue_mutex);
    int found = 0;
    for (int i = 0; i < d->queue.count && !found; ++i)
        found = d->queue.codes[(d->queue.head + i) % EVENT_QUEUE_SIZE] == (code & ~KUBL_RELEASED);
    kubl_mutex_unlock(d->queue_mutex);
    return found;
}

double kubl_axis_control(int reading, double axis_min, double axis_max)
{
    if (axis_max == axis_min) return 0.0;
    double v = ((double)reading / 32768.0 - axis_min) / (axis_max - axis_min);
    if (v < 0.0) v = 0.0;
    if (v > 1.0) v = 1.0;
    return v;
}
