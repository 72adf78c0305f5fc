// Robots racing on the default track with its generated novice lines: the race step with 1, 20,
// 40 and 160 robots, timed from 5 s after the gate drop over 10 simulated seconds an iteration;
// the start (reset to 5 s after the drop) apart; the first step after a reset of 160 robots,
// when every robot picks its first line; and one pick. The race step also counts the contact
// joints the collision passes make per tick.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>

#include "race_bench.h"
#include "bike/bike_record.h"
#include "bike/ground_contact.h"
#include "racing/autopilot.h"
#include "racing/lines.h"
#include "racing/race_state.h"
#include "shell/globals.h"

namespace {

int reset_robots(int robots)
{
    static int codes[160];
    for (int i = 0; i < 160; ++i) codes[i] = i < robots ? 2 : 0;
    // The same race whichever benchmarks ran before: the reset seeds the game's generator from
    // the tick, and ODE's solver shuffles its rows with its own.
    tick_count = 0;
    dRandSetSeed(1);
    return reset_race(codes, 0, 0, 0, 20, 0);   // laps enough that nobody finishes
}

double process_seconds(void)
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + t.tv_nsec * 1e-9;
}

double wall_seconds(void)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Simulated seconds per wall second, and process CPU milliseconds per rider per simulated second.
void race_counters(benchmark::State &state, int riders, double sim, double wall, double cpu)
{
    state.counters["sim-s per wall-s"] = sim / wall;
    state.counters["core-ms per rider per sim-s"] = 1000 * cpu / riders / sim;
}

void BM_RobotRaceStep(benchmark::State &state)
{
    const int robots = (int)state.range(0);
    if (!race_bench::open() || !reset_robots(robots)) {
        state.SkipWithError("no default track");
        return;
    }
    while (tick_count < race_start_tick + 5 * 128) race_step();
    double sim = 0, wall = 0, cpu = 0;
    const long joints0 = contact_joints_made;
    for (auto _ : state) {
        const double w0 = wall_seconds(), c0 = process_seconds();
        for (int i = 0; i < 10 * 128; ++i) race_step();
        wall += wall_seconds() - w0, cpu += process_seconds() - c0, sim += 10;
    }
    race_counters(state, robots, sim, wall, cpu);
    // Each contact is rows of the world step's work: a change that makes more shows here.
    state.counters["contacts per tick"] = (double)(contact_joints_made - joints0) / (sim * 128);
}
BENCHMARK(BM_RobotRaceStep)->Arg(1)->Arg(20)->Arg(40)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RobotRaceStep)->Arg(160)->Iterations(1)->Unit(benchmark::kMillisecond);

// From the reset to 5 s after the gate drop: revving on the line, the drop, the launch.
void BM_RobotRaceStart(benchmark::State &state)
{
    const int robots = (int)state.range(0);
    if (!race_bench::open()) {
        state.SkipWithError("no default track");
        return;
    }
    double sim = 0, wall = 0, cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        reset_robots(robots);
        state.ResumeTiming();
        const double w0 = wall_seconds(), c0 = process_seconds();
        while (tick_count < race_start_tick + 5 * 128) race_step();
        wall += wall_seconds() - w0, cpu += process_seconds() - c0, sim += tick_count * tick;
    }
    race_counters(state, robots, sim, wall, cpu);
}
BENCHMARK(BM_RobotRaceStart)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond);

// The first step after the reset of 160 robots: each picks its first line.
void BM_FirstStepOf160Robots(benchmark::State &state)
{
    if (!race_bench::open()) {
        state.SkipWithError("no default track");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        reset_robots(160);
        state.ResumeTiming();
        race_step();
    }
}
BENCHMARK(BM_FirstStepOf160Robots)->Iterations(3)->Unit(benchmark::kMillisecond);

// One pick: a lap section's line chosen by an 8-section search and appended to the path.
void BM_RobotPick(benchmark::State &state)
{
    if (!race_bench::open() || !reset_robots(1)) {
        state.SkipWithError("no default track");
        return;
    }
    bike *b = bike_slot_table[0];
    const int section = first_lap_switch_count;
    for (auto _ : state) {
        state.PauseTiming();
        robot_next_section(b) = section;
        robot_path(b)->count = 0;
        robot_look_ahead(b) = 0;
        state.ResumeTiming();
        if (!autopilot_pick(b)) state.SkipWithError("no line picked");
    }
}
BENCHMARK(BM_RobotPick)->Unit(benchmark::kMicrosecond);

}   // namespace
