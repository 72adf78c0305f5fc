// The tick loop's own cost per tick: taking the tick's events from the queue, forming the
// control sums and deciding what they drive, with the race step's stand-in behind it.
#include <benchmark/benchmark.h>
#include <cstdint>
#include "shell/globals.h"
#include "shell/tick.h"
#include "ui/ui.h"

namespace {

// A ring of stamped events, time-ordered as the display's queue is.
struct Ring {
    std::uint32_t code[256];
    int           pressed[256];
    long long     us[256];
    unsigned      head, tail;
};
Ring g_ring;

int ring_read(void *, std::uint32_t *code, int *pressed)
{
    if (g_ring.head == g_ring.tail) return 0;
    unsigned i = g_ring.head++ & 255;
    *code = g_ring.code[i];
    *pressed = g_ring.pressed[i];
    return 1;
}

int ring_read_until(void *ctx, std::uint32_t *code, int *pressed, int s, int us)
{
    if (g_ring.head == g_ring.tail || g_ring.us[g_ring.head & 255] > s * 1000000LL + us) return 0;
    return ring_read(ctx, code, pressed);
}

const event_source ring_source = {ring_read, ring_read_until, nullptr};

void setup_bindings()
{
    shell_globals_reset();
    for (int i = 0; i < BINDING_COUNT; ++i) key_bindings[i].key_code = 0x1010 + i;
    menu_state = MENU_CLOSED;
    g_ring = {};
    tick_set_event_source(&ring_source);
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
        for (int e = 0; e < events_per_tick; ++e) {
            unsigned i = g_ring.tail++ & 255;
            g_ring.code[i] = codes[e & 3];
            g_ring.pressed[i] = (e & 2) == 0;
            g_ring.us[i] = stamp;
        }
        g_ticks.simulation_target += tick;
        ticks += ticks_run(now + tick / 2);
    }
    state.SetItemsProcessed(ticks);
    state.counters["events_per_tick"] = events_per_tick;
    tick_set_event_source(nullptr);
}
BENCHMARK(BM_TickLoop)->Arg(0)->Arg(4)->Arg(32);

}  // namespace
