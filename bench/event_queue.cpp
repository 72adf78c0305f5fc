// The display's event queue as the tick loop uses it: events pushed by the window procedure
// (usually in stamp order, sometimes late), drained tick by tick with read_until.
#include <benchmark/benchmark.h>
#include "platform/display_internal.h"
#include "platform/input.h"

// Push and pop of n events in stamp order through the raw queue.
static void BM_PushPopInOrder(benchmark::State &state)
{
    event_queue q{};
    const int n = (int)state.range(0);
    std::uint32_t code;
    int pressed, s, us;
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) kubl_event_push(&q, 0x1000 + (i & 0xFF), i & 1, 100, i * 10);
        while (kubl_event_pop(&q, &code, &pressed, &s, &us)) benchmark::DoNotOptimize(code);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PushPopInOrder)->Arg(16)->Arg(256);

// The worst push: every event stamped earlier than all queued ones moves to the front.
static void BM_PushReverseOrder(benchmark::State &state)
{
    event_queue q{};
    const int n = (int)state.range(0);
    std::uint32_t code;
    int pressed, s, us;
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) kubl_event_push(&q, 0x1000, 1, 100, 1000000 - i - 1);
        while (kubl_event_pop(&q, &code, &pressed, &s, &us)) benchmark::DoNotOptimize(code);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PushReverseOrder)->Arg(16)->Arg(256);

// One frame's ticks: eight ticks of 1/128 s each draining the events due by their wall time, as
// the tick loop does, with `events` events spread over the frame (0: the idle case).
static void BM_ReadUntilPerTick(benchmark::State &state)
{
    display *d = kubl_display_alloc("bench");
    const int events = (int)state.range(0);
    const int ticks = 8;
    std::uint32_t code;
    int pressed;
    int frame = 0;
    for (auto _ : state) {
        long long base = 1000000000LL + (long long)frame++ * 62500;   // frames of 1/16 s
        for (int i = 0; i < events; ++i) {
            long long t = base + (long long)i * 62500 / (events + 1);
            kubl_display_push_event(d, 0x1000 + i, i & 1, (int)(t / 1000000), (int)(t % 1000000));
        }
        for (int t = 1; t <= ticks; ++t) {
            long long limit = base + t * 7812;
            while (kubl_event_read_until(d, &code, &pressed, (int)(limit / 1000000), (int)(limit % 1000000)))
                benchmark::DoNotOptimize(code);
        }
    }
    state.SetItemsProcessed(state.iterations() * ticks);
    state.counters["events_per_frame"] = events;
    kubl_display_free(d);
}
BENCHMARK(BM_ReadUntilPerTick)->Arg(0)->Arg(4)->Arg(64);

