// The race reset: every bike freed, the track loaded when it changed, the participants' bikes
// made and placed behind the start gates, the recording, the standings and the camera primed.
#include "racing/race.h"
#include "racing/net.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "racing/demo.h"
#include "racing/particles.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "racing/robot_riders.h"
#include "racing/state_history.h"
#include "racing/lines.h"
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/collision_passes.h"
#include "bike/engine_sound.h"
#include "bike/setters.h"
#include "bike/small_ops.h"
#include "data/console.h"
#include "data/util.h"
#include "data/working_set.h"
#include "graphics/model.h"
#include "graphics/texture.h"
#include "platform/audio.h"
#include "platform/log.h"
#include "terrain/free_camera.h"
#include "shell/globals.h"
#include "shell/lists.h"
#include "shell/loading.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include "terrain/timing_gates.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

enum { CODE_EMPTY = 0, CODE_PLAYER = 1, CODE_ROBOT = 2, CODE_ROBOT_125 = 3, CODE_ROBOT_250 = 4,
       CODE_REMOTE = 5, CODE_NUMBERED_ROBOT = 1000, CODE_REPLAYED = -1 };

char rider_names[160][64];
int  track_reload_requested;

static int g_robot_order[ROBOT_RIDERS];
static int g_next_robot;
static int g_track_tried;   // a load was attempted since the last release

// Recordings name these models as they were called before the later models came.
static const char *current_model_name(const char *name)
{
    static const char *const renamed[][2] = {{"crf250", "crf250(2008)"}, {"kx250f", "kx250f(2008)"},
                                             {"rmz250", "rmz250(2008)"}, {"yz250f", "yz250f(2008)"}};
    for (const auto &r : renamed)
        if (name && !strcmp(name, r[0])) return r[1];
    return name;
}

static void robot_order_shuffle(void)
{
    for (int i = 0; i < ROBOT_RIDERS; ++i) g_robot_order[i] = i;
    random_seed((std::uint32_t)tick_count);
    for (int j = ROBOT_RIDERS - 1; j >= 1; --j) {
        const int k = (int)((random_next() / 65536) % (std::uint32_t)j);
        const int t = g_robot_order[j];
        g_robot_order[j] = g_robot_order[k];
        g_robot_order[k] = t;
    }
    g_next_robot = 0;
}

// The robot-table row for a participant code: the next of the shuffled list, the first shuffled
// row of a class, or the row of a race number.
static const robot_rider *robot_for_code(int code)
{
    if (code == CODE_ROBOT_125 || code == CODE_ROBOT_250) {
        const char *wanted = code == CODE_ROBOT_125 ? "125" : "250";
        for (int k = 0; k < ROBOT_RIDERS; ++k) {
            const robot_rider *r = &robot_riders[g_robot_order[(g_next_robot + k) % ROBOT_RIDERS]];
            if (strstr(r->model, wanted)) return r;
        }
    }
    if (code >= CODE_NUMBERED_ROBOT) {
        char number[16];
        snprintf(number, sizeof number, "%d", code - CODE_NUMBERED_ROBOT);
        for (const robot_rider &r : robot_riders)
            if (!strcmp(r.number, number)) return &r;
    }
    const robot_rider *r = &robot_riders[g_robot_order[g_next_robot]];
    g_next_robot = (g_next_robot + 1) % ROBOT_RIDERS;   // past the 80th the list starts again
    return r;
}

void race_bikes_free(void)
{
    kubl_log_printf("Deallocating bikes\n");
    for (int slot = 0; slot < 160; ++slot) {
        if (engine_voices[slot]) kubl_sound_free((voice *)engine_voices[slot]);
        engine_voices[slot] = nullptr;
        if (bike_slot_table[slot]) bike_destroy(bike_slot_table[slot]);
        bike_slot_table[slot] = nullptr;
    }
    standings_count = 0;
    kubl_log_printf("Finished deallocating bikes\n");
}

// 1 when the chosen track is loaded, loading it when it changed.
static int track_ready(int playback, int *loaded_now)
{
    const char *wanted = nullptr;
    if (playback && demo_play_open()) wanted = demo_play_track();
    if (!wanted) wanted = track_list_folder(track_choice_index());
    *loaded_now = 0;
    if (track_name && wanted && !strcmp(wanted, track_name) && !track_reload_requested) return 1;
    track_reload_requested = 0;
    // A failed load leaves its lists behind as much as a good one.
    if (track_name || g_track_tried) free_track();
    track_name = nullptr;
    g_track_tried = 1;
    if (!wanted) return 0;
    ++resource_generation;
    render_stats.texture_bytes = 0;
    track_name = wanted;
    if (!load_track()) return 0;
    char line[64];
    snprintf(line, sizeof line, "%d MB texture memory used", (int)(render_stats.texture_bytes >> 20));
    console_print(line);
    *loaded_now = 1;
    return 1;
}

// Where the i-th rider to be placed stands and faces.
static void start_place(int i, int slot, float *x, float *z, float *angle)
{
    if (start_count > 0) {
        const int g = i % start_count, row = i / start_count;
        const float a = start_angles[g], reach = (row + 0.0625f) * 10;
        *x = start_positions[g][0] + std::sin(a) * reach;
        *z = start_positions[g][2] + std::cos(a) * reach;
        *angle = a;
        return;
    }
    const float middle = g_terrain ? g_terrain->world_size / 2 : 0;
    *x = middle + 5.0f * slot;
    *z = middle;
    *angle = 0;
}

// Rest pose, turned and moved to (x, z) on the ground, raised a quarter foot at a time until
// no part touches; the contacts of the tries are dropped.
static void bike_place(bike *b, float x, float z, float angle)
{
    float y = bike_terrain_height(g_terrain, x, z);
    for (int tries = 0; tries < 400; ++tries, y += 0.25f) {
        bike_reset_pose(b);
        bike_rotate(b, 0, 1, 0, angle);
        bike_translate(b, x, y, z);
        const int touching = bike_terrain_collide(b);
        dJointGroupEmpty(contact_group);
        if (!touching) break;
    }
}

static const char *player_variant(int which)
{
    const growable_array &paths = variant_paths[which];
    const int k = setup_graphics[which].current;
    return k >= 0 && k < paths.count ? ((const char *const *)paths.items)[k] : nullptr;
}

static void bike_make(int slot, int code, int placed)
{
    const char *model, *number, *textures[4] = {};
    const robot_rider *robot = nullptr;
    int kind = CONTROLLER_ROBOT;
    rider_names[slot][0] = 0;
    if (code == CODE_PLAYER) {
        kind = CONTROLLER_LOCAL;
        model = choice_item_text(&setup_bike);
        number = setup_number.buffer && setup_number.buffer[0] ? setup_number.buffer : "999";
        snprintf(rider_names[slot], sizeof rider_names[slot], "%s", setup_name.buffer ? setup_name.buffer : "");
        for (int k = 0; k < 4; ++k) textures[k] = player_variant(k);
    } else if (code == CODE_REPLAYED) {
        const char *name = "";
        kind = CONTROLLER_REMOTE;
        model = "rm125";
        number = "0";
        demo_play_take_rider(slot, &model, &number, textures, &name);
        snprintf(rider_names[slot], sizeof rider_names[slot], "%s", name);
    } else if (code == CODE_REMOTE) {
        const char *name = "";
        kind = CONTROLLER_REMOTE;
        model = "rm125";
        number = "0";
        net_slot_rider(slot, &model, &number, textures, &name);
        snprintf(rider_names[slot], sizeof rider_names[slot], "%s", name);
    } else if (code == CODE_ROBOT || code == CODE_ROBOT_125 || code == CODE_ROBOT_250 || code >= CODE_NUMBERED_ROBOT) {
        robot = robot_for_code(code);
        model = robot->model;
        number = robot->number;
        textures[0] = robot->rider_texture, textures[1] = robot->head_texture;
        textures[2] = robot->bike_texture, textures[3] = robot->wheel_texture;
    } else {
        model = "rm125";
        number = "0";
    }
    char numbered[16];
    if (code >= CODE_NUMBERED_ROBOT) {
        snprintf(numbered, sizeof numbered, "%d", code - CODE_NUMBERED_ROBOT);
        number = numbered;
    }
    if (kind == CONTROLLER_ROBOT) snprintf(rider_names[slot], sizeof rider_names[slot], "Roborider");
    bike *b = bike_create(current_model_name(model), slot, number, textures[0], textures[1], textures[2], textures[3]);
    controller_kind[slot] = b ? kind : CONTROLLER_REMOTE;
    bike_slot_table[slot] = b;
    if (!b) return;
    engine_sound_load(slot);

    float x, z, angle;
    start_place(placed, slot, &x, &z, &angle);
    bike_place(b, x, z, angle);
    if (kind == CONTROLLER_LOCAL) {
        false_start_hold = 0;
        const dReal *p = dBodyGetPosition(bike_get_frame_body(b));
        for (int k = 0; k < 3; ++k) start_position[k] = (float)p[k];
    }
    if (kind == CONTROLLER_REMOTE) {
        bike_disable_bodies(b);
        bike_set_roll_damping(b, 100);
        bike_set_restricted_lock_speed(b, 5);
        bike_set_full_lock_speed(b, 50);
        bike_set_restricted_lock(b, 0.04363323f);
    } else {
        bike_enable_bodies(b);
    }
    if (kind == CONTROLLER_ROBOT)
        bike_set_autopilot_personality(b, g_options.debug_level ? "tester" : robot ? robot->personality : "hugo");
}

int reset_race(const int *participants, int playback, int mode, int time_limit_ticks, int laps, int skill)
{
    g_loading.longest_gap = 0;
    series_record_round();
    loading_status_log("Resetting");
    robot_order_shuffle();

    loading_status("Remembering lines");
    if (race_track_loaded() && lines_current()) lines_save();
    lines_free();
    demo_play_close();
    loading_status_done("Remembering lines");

    demo_record_stop();
    demo_play_close();

    loading_status("Cleaning up");
    race_bikes_free();
    loading_status_done("Cleaning up");

    tick_count = 0;
    race_time_limit = time_limit_ticks;
    race_laps_chosen = laps;
    race_laps = time_limit_ticks > 0 ? 1000000 : laps;
    race_span = SPAN_TICKS;
    first_bump_tick = -1;
    if (net_socket >= 0) {
        race_start_tick = server_tick;
        erode_level = -1;
    } else {
        erode_level = g_options.erosion_rate;
        const double u = random_next() / 4294967296.0;
        race_start_tick = (int)((13 + 2 * u) / tick);
    }

    time_trial = participants == nullptr;
    if (net_socket < 0) {
        net_slot_info_clear();
        race_slot = 160;
        local_slot = 160;
        history_clear();
    }

    int loaded_now;
    if (!track_ready(playback, &loaded_now)) return 0;
    if (net_socket >= 0 && g_terrain) g_terrain->edit_lock = 1;

    int codes[160] = {};
    if (time_trial) {
        last_lap_ticks = best_lap_ticks = 0;
        codes[0] = CODE_PLAYER;
        tick_count = (int)(300 / tick);
    } else {
        memcpy(codes, participants, sizeof codes);
    }
    viewed_slot = 0;
    int first = -1, player = -1;
    for (int slot = 0; slot < 160; ++slot) {
        if (codes[slot] == CODE_EMPTY) continue;
        if (first < 0) first = slot;
        if (codes[slot] == CODE_PLAYER) {
            if (player >= 0) codes[slot] = CODE_EMPTY;   // only the first player stays
            else player = slot;
        }
    }
    if (first >= 0) viewed_slot = first;
    // Online the slots are the server's: a remote rider in a lower one must not take the view,
    // and with it the controls, from the player.
    if (net_socket >= 0 && player >= 0) viewed_slot = player;
    if (first < 0 && demo_play_rider_count() == 0) codes[0] = CODE_ROBOT;

    lines_load(skill);
    loading_status("Analyzing lines");
    line_store_thin();
    autopilot_analyze_lines();
    loading_status_done("Analyzing lines");

    loading_status("Loading bikes");
    int placed = 0, replayed = 0;
    for (int slot = 0; slot < 160; ++slot) {
        controller_kind[slot] = CONTROLLER_REMOTE;
        if (codes[slot] == CODE_EMPTY && replayed < demo_play_rider_count()) codes[slot] = CODE_REPLAYED, ++replayed;
        if (codes[slot] == CODE_EMPTY) continue;
        bike_make(slot, codes[slot], placed++);
    }
    loading_status_done("Loading bikes");
    if (loaded_now) {
        texture_purge(0);
        model_purge(0);
    }
    working_set_setup();

    history_clear();
    if (mode) demo_record_start();
    particles_reset();
    if (time_trial) reset_player_position();
    kubl_log_printf("Max loading delay was %f (%s)\n", g_loading.longest_gap, g_loading.longest_gap_text);

    demo_record_tick(1);
    demo_play_tick();
    standings_reset();
    standings_update();

    if (viewed_slot < 0 || viewed_slot >= 160 || !bike_slot_table[viewed_slot])
        viewed_slot = standings_count > 0 ? standings[0].slot : viewed_slot;
    dJointGroupEmpty(contact_group);
    if (bike *b = viewed_slot >= 0 && viewed_slot < 160 ? bike_slot_table[viewed_slot] : nullptr) {
        if (controller_kind[viewed_slot] == CONTROLLER_LOCAL) apply_setup(b);
        const dReal *p = dBodyGetPosition(bike_get_frame_body(b));
        free_camera.position[0] = (float)p[0];
        free_camera.position[1] = (float)p[1] + 5;
        free_camera.position[2] = (float)p[2];
    }
    return 1;
}

// The player back before the lap's start gate, facing along it; every other rider goes.
static void player_to_lap_start(int keep_recording)
{
    demo_play_close();
    if (!keep_recording) {
        demo_record_tick(1);
        demo_record_stop();
    }
    for (int slot = 1; slot < 160; ++slot) {
        if (engine_voices[slot]) kubl_sound_free((voice *)engine_voices[slot]);
        engine_voices[slot] = nullptr;
        if (bike_slot_table[slot]) bike_destroy(bike_slot_table[slot]);
        bike_slot_table[slot] = nullptr;
        controller_kind[slot] = CONTROLLER_REMOTE;
    }
    bike *b = bike_slot_table[0];
    if (!b || gate_count <= 0 || !lap_list) return;
    const int f = first_lap_count, p = normal_lap_count;
    const int gate_at = f - 3 > 0 ? f - 3 : 0;
    int entry = gate_at < f ? gate_at : p > 0 ? f + (gate_at - f) % p : -1;
    int gate = entry >= 0 ? lap_list[entry] % LAP_NO_SWITCH : 0;
    if (gate < 0 || gate >= gate_count) gate = 0;
    const timing_gate &g = gates[gate];
    bike_place(b, g.centre[0], g.centre[2], std::atan2(-g.direction[0], -g.direction[2]));
    dJointGroupEmpty(contact_group);
    bike_set_gate_index(b, gate_at);
    last_lap_ticks = 0;
    standings_update();
}

void reset_player_position(void)
{
    // Backing up held puts the bike back every tick: the run up's recording goes on from the
    // first of them rather than being opened again each tick.
    const int held = time_trial_lap_held();
    player_to_lap_start(held);
    if (!held) time_trial_lap_begin();
}
