// The packed bike state per bike: packing (every recorded or sent rider, every fourth tick),
// unpacking, and the playback's apply, which unpacks three frames and poses 159 riders a tick
// in a full online race. A 1025^2 ground of half-foot cells, as the largest tracks have.
#include "bench_ground.h"
#include "bike/frame.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include "tests/bike/frame_bike.h"
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

void bench_ground(void)
{
    static terrain_field *t;
    if (t) return;
    t = bench_ground_make(0.5f, bench_ground_bumps);
    t->height_max = 0.96f;
    terrain_ptr = t;
}

// Riders spread over the ground, each with frames a few ticks apart: heading, steering, wheels
// and throttle vary, as on a track.
struct riders {
    std::vector<bike *> bikes;
    std::vector<std::vector<std::uint8_t>> frames;   // previous, current, next per rider

    explicit riders(int count)
    {
        bench_ground();
        for (int r = 0; r < count; ++r) {
            bike *b = fixture_bike_create(fixture_bike_info());
            b->simulated_weight = 0;
            for (int k = 0; k < 3; ++k) {
                double x = 40 + (r % 16) * 28 + k * 0.5, z = 40 + (r / 16) * 40 + k * 0.2;
                double h = 0.1 * r + 0.02 * k;
                dQuaternion q = {std::cos(h / 2), 0, std::sin(h / 2), 0};
                for (dBodyID body : b->bodies) {
                    const dReal *p = dBodyGetPosition(body);
                    dBodySetPosition(body, p[0] + x, p[1] + 2, p[2] + z);
                    dBodySetQuaternion(body, q);
                }
                b->gear = 1 + r % 4;
                b->input.throttle = (float)((r + k) % 16) / 15;
                b->engine_speed = 600 + 10 * r;
                std::vector<std::uint8_t> f(BIKE_FRAME_BYTES);
                bike_pack_frame(b, f.data());
                frames.push_back(f);
                for (dBodyID body : b->bodies) {
                    const dReal *p = dBodyGetPosition(body);
                    dBodySetPosition(body, p[0] - x, p[1] - 2, p[2] - z);
                }
            }
            bikes.push_back(b);
        }
    }
    ~riders()
    {
        for (bike *b : bikes) bike_destroy(b);
    }
};

void BM_BikePackFrame(benchmark::State &state)
{
    riders r(1);
    std::uint8_t out[BIKE_FRAME_BYTES];
    for (auto _ : state) {
        bike_pack_frame(r.bikes[0], out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * BIKE_FRAME_BYTES);
}
BENCHMARK(BM_BikePackFrame);

void BM_BikeUnpackFrame(benchmark::State &state)
{
    riders r(1);
    int k = 0;
    for (auto _ : state) {
        bike_unpack_frame(r.bikes[0], r.frames[k].data(), BIKE_FRAME_LAYOUT);
        k = (k + 1) % 3;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BikeUnpackFrame);

// One playback tick: every rider posed from its three frames, kinematic or pulled when simulated.
void BM_BikeApplyFrame(benchmark::State &state)
{
    const int count = (int)state.range(0);
    const float weight = state.range(1) / 100.0f;
    riders r(count);
    for (bike *b : r.bikes) b->simulated_weight = weight;
    for (auto _ : state) {
        for (int i = 0; i < count; ++i)
            bike_apply_frame(r.bikes[i], r.frames[3 * i + 1].data(), r.frames[3 * i].data(),
                             r.frames[3 * i + 2].data(), 2, BIKE_FRAME_LAYOUT);
        for (bike *b : r.bikes) {
            dBodySetForce(b->bodies[BODY_FRAME], 0, 0, 0);
            dBodySetTorque(b->bodies[BODY_FRAME], 0, 0, 0);
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_BikeApplyFrame)->Args({1, 0})->Args({159, 0})->Args({1, 40})->ArgNames({"riders", "weight%"});

}  // namespace
