// Arbitrary bytes as a demo file someone sent: the head read into the race as the playback's reset
// takes it (start tick, time limit, laps), two replayed riders on headless kinematic bikes, race
// steps that play the packets into them, the standings, and the chain walked back and played
// again. Ticks stay bounded: a few hundred steps from wherever the demo's clock puts the race.
#include "fuzz_input.h"
#include "track_fuzz.h"
#include "bike/bike.h"
#include "bike/setters.h"
#include "data/paths.h"
#include "racing/demo.h"
#include "racing/particles.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "racing/state_history.h"
#include "shell/startup.h"
#include "terrain/erosion.h"
#include "shell/track_list.h"
#include "tests/bike/frame_bike.h"
#include "tests/fixtures/temp_folders.h"

enum { REPLAYED_BIKES = 2, STEPS = 192 };

static void setup(void)
{
    static bool done;
    if (done) return;
    done = true;
    // The standings may write a results file: into a folder of the target's own.
    char made[] = "/tmp/rl_fuzz_demo_XXXXXX";
    if (!temp_folder_make(made)) abort();
    setenv("RL_HOME", made, 1);
    search_folders_free();
    fuzz_track_setup();
    fixture_physics_world();
    if (!contact_group) contact_group = dJointGroupCreate(0);
    static char *folders[1] = {(char *)"t"};
    track_list.folders = folders;
    track_list.count = 1;
}

// What the race reset leaves for a playback before the demo's riders are placed.
static void race_cleared(void)
{
    for (int slot = 0; slot < 160; ++slot) bike_slot_table[slot] = nullptr, controller_kind[slot] = CONTROLLER_REMOTE;
    erode_queue_reset();
    history_clear();
    particles_reset();
    standings_count = 0;
    results_final = 0;
    estimated_laps = 1000000;
    race_time_limit = 0;
    race_laps = race_laps_chosen = 1000;
    race_start_tick = 1792;
    tick_count = 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bike_info info = fixture_bike_info();
    setup();
    race_cleared();
    const std::string &path = fuzz_write_input("demo", "input.rldemo", data, size);
    demo_play_set_name(path.c_str());
    if (!demo_play_open()) return 0;

    bike *bikes[REPLAYED_BIKES] = {};
    const int riders = demo_play_rider_count() < REPLAYED_BIKES ? demo_play_rider_count() : REPLAYED_BIKES;
    for (int k = 0; k < riders; ++k) {
        bikes[k] = fixture_bike_create(info);
        bike_disable_bodies(bikes[k]);
        bike_set_gate_index(bikes[k], 0);
        bike_slot_table[k + 1] = bikes[k];
        demo_play_map(k, k + 1);
    }
    for (int step = 0; step < STEPS; ++step) {
        race_step();
        if (step % 32 == 31) standings_update();
    }
    const int ticks[] = {tick_count / 2, 0, tick_count + 100};
    for (int t : ticks) {
        if (!demo_play_seek(t)) continue;
        tick_count = t;
        history_clear();
        for (int step = 0; step < 16; ++step) race_step();
        standings_update();
    }
    demo_play_close();
    for (int k = 0; k < riders; ++k) {
        bike_slot_table[k + 1] = nullptr;
        bike_destroy(bikes[k]);
    }
    return 0;
}
