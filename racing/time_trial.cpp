// The time trial: the player rides lap after lap alone against a ghost of the fastest lap. Each
// lap is recorded to the track's "lastlap.rldemo"; a lap faster than the ghost's becomes the new
// "fastlap.rldemo", and both riders start the next lap from the lap gate together. Only a whole
// lap, recorded from the lap gate to the lap gate with every gate timed, is ever kept as the
// fastest: the run up from Start and a lap cut short by backing up are recorded but not kept.
#include "racing/demo_play.h"

#include <cstdio>

#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "bike/bike_create.h"
#include "bike/engine_sound.h"
#include "bike/bike.h"
#include "bike/setters.h"
#include "data/paths.h"
#include "data/stream.h"
#include "platform/audio.h"
#include "platform/log.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"

static int g_lap_before[2];   // the player's and the ghost's lap before the step
static int g_whole_lap;       // the recording began at the lap gate, when the lap did
static int g_put_back_tick = -2;   // the tick the player was last put back before the lap gate

void time_trial_remember_laps(void)
{
    if (!time_trial) return;
    for (int slot = 0; slot < 2; ++slot)
        g_lap_before[slot] = bike_slot_table[slot] ? bike_get_current_lap(bike_slot_table[slot]) : 0;
}

int time_trial_lap_ticks(bike *b)
{
    const int f = first_lap_count, p = normal_lap_count;
    for (int g = f - 1; g <= f + p - 1; ++g)
        if (bike_get_gate_time(b, g) < 0) return 0;
    return bike_get_gate_time(b, f + p - 1) - bike_get_gate_time(b, f - 1);
}

static void best_take(int lap)
{
    if (lap > 0 && (best_lap_ticks == 0 || lap < best_lap_ticks)) best_lap_ticks = lap;
}

static void lap_path(char *out, std::size_t size, const char *file)
{
    snprintf(out, size, "@%s/%s", track_name ? track_name : "", file);
}

static int file_exists(const char *name)
{
    data_stream *s = data_open(name, "rb");
    if (s) data_close(s);
    return s != nullptr;
}

// lastlap over fastlap through a temporary file: a copy that fails leaves the fastest lap.
static int fastest_lap_replace(void)
{
    char last[600], fast[600];
    lap_path(last, sizeof last, "lastlap.rldemo");
    lap_path(fast, sizeof fast, "fastlap.rldemo");
    data_stream *in = data_open(last, "rb");
    if (!in) return 0;
    file_save save;
    data_stream *out = file_save_begin(&save, fast, ".tmp");
    if (!out) {
        data_close(in);
        return 0;
    }
    char block[1024];
    int n;
    while ((n = data_read(in, block, sizeof block)) > 0) data_write(out, block, n);
    data_close(in);
    return file_save_commit(&save);
}

static void ghosts_free(void)
{
    for (int slot = 1; slot < 160; ++slot) {
        if (engine_voices[slot]) kubl_sound_free((voice *)engine_voices[slot]);
        engine_voices[slot] = nullptr;
        if (bike_slot_table[slot]) bike_destroy(bike_slot_table[slot]);
        bike_slot_table[slot] = nullptr;
        controller_kind[slot] = CONTROLLER_REMOTE;
    }
}

// The fastest lap's riders in slots 1 up, kinematic, at the gate before the lap.
static void ghosts_start(int gate)
{
    if (!demo_play_open()) return;
    const int count = g_play.rider_count < 159 ? g_play.rider_count : 159;
    for (int k = 0; k < count; ++k) {
        const char *model, *number, *textures[4], *name;
        const int slot = k + 1;
        if (!demo_play_take_rider(slot, &model, &number, textures, &name)) break;
        bike *b = bike_create(model, slot, number, textures[0], textures[1], textures[2], textures[3]);
        bike_slot_table[slot] = b;
        controller_kind[slot] = CONTROLLER_REMOTE;
        snprintf(rider_names[slot], sizeof rider_names[slot], "%s", name);
        if (!b) continue;
        engine_sound_load(slot);
        bike_disable_bodies(b);
        bike_set_gate_index(b, gate);
    }
}

void time_trial_lap_begin(void)
{
    if (!time_trial) return;
    demo_record_start();
    demo_record_tick(1);
    g_whole_lap = 0;
    g_put_back_tick = tick_count;
}

int time_trial_lap_held(void)
{
    if (!time_trial || !demo_recording() || g_whole_lap) return 0;
    if (g_put_back_tick != tick_count && g_put_back_tick != tick_count - 1) return 0;
    g_put_back_tick = tick_count;
    return 1;
}

static void player_lap_end(bike *player)
{
    bike *ghost = bike_slot_table[1];
    const int player_gate = bike_get_gate_index(player);
    const int ghost_gate = ghost ? bike_get_gate_index(ghost) : -1;
    demo_play_close();
    const int recorded = demo_recording() && g_whole_lap;
    demo_record_tick(1);
    demo_record_stop();
    ghosts_free();
    if (gate_count > 0) {
        char fast[600];
        lap_path(fast, sizeof fast, "fastlap.rldemo");
        const int had_fastest = file_exists(fast);
        last_lap_ticks = time_trial_lap_ticks(player);
        best_take(last_lap_ticks);
        // "lastlap.rldemo" holds this lap only when its recording ran from the lap gate; a run
        // up or a lap cut short left a part of a lap there, which must not replace the fastest.
        const int beat_ghost = ghost_gate < player_gate && player_gate >= 0;
        int kept = 0;
        if (recorded && last_lap_ticks > 0 && (!had_fastest || beat_ghost)) {
            kept = fastest_lap_replace();
            if (!kept) kubl_log_printf("The fastest lap could not be kept\n");
        }
        if (last_lap_ticks > 0) {
            const long long ms = (long long)last_lap_ticks * 1000 / 128;
            kubl_log_printf("Time trial lap %d:%02d.%03d%s\n", (int)(ms / 60000), (int)(ms / 1000 % 60),
                            (int)(ms % 1000), kept ? ", the fastest" : "");
        } else {
            kubl_log_printf("Time trial: at the lap gate\n");
        }
    }
    const int gate = first_lap_count - 1 > 0 ? first_lap_count - 1 : 0;
    ghosts_start(gate);
    bike_set_gate_index(player, gate);
    autopilot_learn(player);
    demo_record_start();
    demo_record_tick(1);
    g_whole_lap = 1;
    standings_update();
}

void time_trial_tick(void)
{
    if (!time_trial) return;
    if (bike *ghost = bike_slot_table[1]; ghost && bike_get_current_lap(ghost) != g_lap_before[1])
        best_take(time_trial_lap_ticks(ghost));
    if (bike *player = bike_slot_table[0]; player && bike_get_current_lap(player) != g_lap_before[0])
        player_lap_end(player);
}
