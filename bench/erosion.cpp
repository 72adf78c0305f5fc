// One tick of erosion with a full queue: 0x20000 points spread over a 1025^2 ground, of which
// a tick applies count / 64 + 32 (2080). The queue is topped up outside the timing.
#include "bench_ground.h"
#include "terrain/erosion.h"
#include "terrain/field.h"
#include "terrain/surface.h"
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <vector>

static terrain_field *bench_field(void)
{
    static terrain_field *t;
    if (t) return t;
    t = bench_ground_make(0.5f, bench_ground_bumps);
    const long n = 1025L * 1025;
    memcpy(t->loaded_heights, t->heights, n * sizeof(float));
    t->vertex_dirty = (unsigned char *)calloc(bit_bytes(n), 1);
    erosion_params &e = t->erosion[0];
    erosion_defaults(&e);
    e.erode_min_slope = -10;
    e.erode_max_slope = 10;
    return t;
}

static void fill_queue(void)
{
    static std::vector<unsigned char> packet;
    if (packet.empty()) {
        erode_trail trail;
        erode_trail_reset(&trail);
        for (int k = 0; k < ERODE_TRAIL_POINTS; ++k) trail.points[k] = {100 + 0.4f * k, 100 + 0.1f * k, 0.7f, -0.5f, 12};
        trail.point_count = ERODE_TRAIL_POINTS;
        trail.step_min[0] = trail.step_max[0] = 0.4f;
        trail.step_min[1] = trail.step_max[1] = 0.1f;
        packet.resize(ERODE_PACKET_MAX);
        packet.resize((size_t)erode_encode_trail(packet.data(), &trail));
    }
    // Trails all over the ground: the first position moves with each packet.
    static unsigned step;
    while (erode_queue.queue_count < ERODE_QUEUE_SLOTS) {
        ++step;
        unsigned qx = (step * 2654435761u) & 0xFFFFFF, qz = (step * 40503u) & 0xFFFFFF;
        packet[9] = (unsigned char)qx; packet[10] = (unsigned char)(qx >> 8); packet[11] = (unsigned char)(qx >> 16);
        packet[12] = (unsigned char)qz; packet[13] = (unsigned char)(qz >> 8); packet[14] = (unsigned char)(qz >> 16);
        erode_queue_push_packet(packet.data(), (int)packet.size());
    }
}

static void BM_ErosionTickFullQueue(benchmark::State &state)
{
    terrain_field *saved = terrain_ptr;
    terrain_ptr = bench_field();
    erode_queue_reset();
    long applied = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fill_queue();
        const int before = erode_queue.queue_count;
        state.ResumeTiming();
        erode_queue_apply(nullptr, 1.0f);
        applied += before - erode_queue.queue_count;
    }
    state.SetItemsProcessed(applied);
    terrain_ptr = saved;
}
BENCHMARK(BM_ErosionTickFullQueue)->Unit(benchmark::kMicrosecond);
