// The tick loop's own cost per tick: taking the tick's events from the event queue, forming the
// control sums and deciding what they drive, with the race step's stand-in behind it.
#include <benchmark/benchmark.h>
#include <cstdint>
#include "shell/globals.h"
#include "shell/main/tick.h"
#include "platform/input.h"
#include "ui/ui.h"

namespace {

// The platform's own time-ordered queue, read the way the display reads it (without its lock).
event_queue g_queue;

int queue_read(void *, std::uint32_t *code, int *pressed)
{
    return kubl_event_pop(&g_queue, code, pressed, nullptr, nullptr);
}

int queue_read_until(void *, std::uint32_t *code, int *pressed, int s, int us)
{
    return kubl_event_pop_due(&g_queue, code, pressed, s, us);
}

const event_source queue_source = {queue_read, queue_read_until, nullptr, nullptr};

void setup_bindings()
{
    shell_globals_reset();
    for (int i = 0; i < BINDING_COUNT; ++i) key_bindings[i].key_code = 0x1010 + i;
    menu_state = MENU_CLOSED;
    g_queue = {};
    tick_set_event_source(&queue_source);
    tick_loop_reset(0);
}

// events_per_tick key events (throttle and steering presses and releases) arrive for each tick;
// none arrive in the empty case.
void BM_TickLoop(benchmark::State &state)
{
    setup_bindings();
    const int events_per_tick = (int)state.range(0);
    const std::uint32_t codes[4] = {0x1010 + BIND_THROTTLE, 0x1010 + BIND_LEFT,
                                    0x1010 + BIND_THROTTLE, 0x1010 + BIND_LEFT};
    double now = 1000.0;
    long long ticks = 0;
    for (auto _ : state) {
        now += tick;
        long long stamp = (long long)(now * 1e6) - 1;
        for (int e = 0; e < events_per_tick; ++e)
            kubl_event_push(&g_queue, codes[e & 3], (e & 2) == 0, (int)(stamp / 1000000),
                            (int)(stamp % 1000000));
        g_ticks.simulation_target += tick;
        ticks += ticks_run(now + tick / 2);
    }
    state.SetItemsProcessed(ticks);
    state.counters["events_per_tick"] = events_per_tick;
    tick_set_event_source(nullptr);
}
BENCHMARK(BM_TickLoop)->Arg(0)->Arg(4)->Arg(32);

}  // namespace
