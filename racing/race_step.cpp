// The race step. The order of its parts is the contract: riders are posed before anything
// collides, contacts exist before the world step, and each bike's own physics runs after it,
// so what it sets acts in the next tick's step. Nothing here allocates.
#include "racing/race.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "racing/demo.h"
#include "racing/object_grid.h"
#include "racing/particles.h"
#include "racing/race_state.h"
#include "racing/state_history.h"
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/collision_passes.h"
#include "bike/physics_guard.h"
#include "bike/physics_step.h"
#include "bike/roost.h"
#include "bike/setters.h"
#include "bike/suspension_readout.h"
#include "data/console.h"
#include "data/util.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "terrain/erosion.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"

int   local_slot = 160;
int   last_state_tick[160];
float off_course_bias = 10.0f, off_course_scale = 1.5f;
int   false_start_hold;
float start_position[3];
float gate_drop[START_POSITIONS_MAX];
float gate_drop_speed[START_POSITIONS_MAX];
int   time_trial;
int   best_lap_ticks, last_lap_ticks;
int   race_time_limit;
int   race_span = SPAN_TICKS;
int   race_laps_chosen;
int   telemetry_on;
float telemetry_rings[6][TELEMETRY_SAMPLES];
int   telemetry_index = TELEMETRY_SAMPLES;

static void (*g_standings)(void) = standings_update;
void race_set_standings_hook(void (*hook)(void)) { g_standings = hook ? hook : standings_update; }

int race_is_time_trial(void) { return time_trial; }
static const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
static constexpr float gate_turn_rad = 0.5890486225480862f;   // a standing gate leans 3π/16 back

int race_lineup_absent(void) { return net_socket >= 0 && race_slot >= 160; }

// The rider's time at gate n, -1 when none.
static int gate_time(bike *b, int n) { return n >= 0 ? bike_get_gate_time(b, n) : -1; }

int rider_off_course_at(bike *b, int n)
{
    int t0 = race_start_tick, t1 = tick_count;
    for (int k = n - 1; k >= (n - 3 > 0 ? n - 3 : 0); --k)
        if (gate_time(b, k) >= 0) {
            t0 = gate_time(b, k);
            break;
        }
    for (int k = n; k < bike_get_gate_index(b); ++k)
        if (gate_time(b, k) >= 0) {
            t1 = gate_time(b, k);
            break;
        }
    for (int i = 0; i < standings_count; ++i) {
        bike *r = standings[i].slot >= 0 && standings[i].slot < 160 ? bike_slot_table[standings[i].slot] : nullptr;
        if (!r) continue;
        if (bike_get_gate_index(r) <= n) return 0;   // nobody ahead to compare with
        const int r0 = gate_time(r, n - 1), r1 = gate_time(r, n);
        if (r0 < 0 || r1 < 0) continue;
        return (t1 - t0) * tick >= (r1 - r0) * tick * off_course_scale + off_course_bias;
    }
    return 0;
}

// Finished, through no gate yet, or off course at one of the last gates.
static int rider_away(bike *b)
{
    if (bike_update_finished(b)) return 1;
    const int g = bike_get_gate_index(b);
    if (g < 1) return 1;
    for (int n = g - 3 > 1 ? g - 3 : 1; n <= g; ++n)
        if (rider_off_course_at(b, n)) return 1;
    return 0;
}

int rider_off_course_skip(bike *local, bike *other)
{
    if (net_socket < 0 || standings_count <= 1) return 0;
    if ((tick_count - race_start_tick) * tick < off_course_bias) return 0;
    if (rider_away(local)) return 0;
    return rider_away(other);
}

// The start gates a bike pushes against, while the start is less than 10 s ago.
static void knock_start_gates(bike *b)
{
    if (tick_count > (std::int64_t)race_start_tick + (int)(10 / tick)) return;
    statue *all = (statue *)statues.items;
    for (int g = 0; g < start_count; ++g) {
        const int i = start_statues[g];
        if (i < 0 || i >= statues.count || !all[i].shape) continue;
        statue &s = all[i];
        const float position[3] = {s.x, s.y, s.z};
        if (bike_collide_object(b, s.shape, nullptr, position, s.turn_value != 0 ? identity : s.orientation))
            s.last_hit_tick = tick_count;
    }
}

static int stale(int slot) { return (tick_count - last_state_tick[slot]) * tick >= 1.0; }

static void collide_riders(void)
{
    static bike *list[160];
    int count = 0;
    if (net_socket < 0) {
        for (int slot = 0; slot < 160; ++slot) {
            bike *b = bike_slot_table[slot];
            if (!b) continue;
            if (controller_kind[slot] == CONTROLLER_REMOTE) {
                knock_start_gates(b);
                continue;
            }
            list[count++] = b;
            rider_object_collisions(b);
        }
        heap_sort(list, count, sizeof list[0], compare_rider_speed);
        bike_collide_list(list, count);
        return;
    }
    bike *local = local_slot < 160 ? bike_slot_table[local_slot] : nullptr;
    const int absent = race_lineup_absent();
    for (int slot = 0; slot < 160; ++slot) {
        bike *b = bike_slot_table[slot];
        if (!b || controller_kind[slot] != CONTROLLER_REMOTE) continue;
        if (local && slot != local_slot && (stale(slot) || rider_off_course_skip(local, b))) continue;
        list[count++] = b;
        if (absent) knock_start_gates(b);
    }
    if (!local) return;
    rider_object_collisions(local);
    if (absent) return;
    heap_sort(list, count, sizeof list[0], compare_rider_speed);
    for (int i = 0; i < count; ++i) {
        if (!bike_collide_bikes(local, list[i], 1)) continue;
        bike_toggle_bodies(list[i]);
        if (bike_is_simulated(list[i])) rider_object_collisions(list[i]);
    }
}

// The k-th rider served this tick is the list's (tick + k) mod m-th, so the first one rotates.
static void wheel_particles(void)
{
    static int slots[160];
    int m = 0;
    for (int slot = 0; slot < 160; ++slot)
        if (bike_slot_table[slot]) slots[m++] = slot;
    for (int k = 0; k < m; ++k) {
        const int slot = slots[(int)(((unsigned)tick_count + (unsigned)k) % (unsigned)m)];
        bike_spawn_wheel_particles(bike_slot_table[slot], controller_kind[slot] != CONTROLLER_REMOTE);
    }
}

static void erosion(void)
{
    if (erode_level <= 0) return;
    const float *position = nullptr;
    float at[3];
    const int lay = !race_lineup_absent();
    for (int slot = 0; slot < 160; ++slot) {
        bike *b = bike_slot_table[slot];
        if (!b || controller_kind[slot] == CONTROLLER_REMOTE) continue;
        if (lay) bike_update_wheel_tracks(b);
        if (controller_kind[slot] == CONTROLLER_LOCAL) {
            const dReal *p = dBodyGetPosition(bike_get_frame_body(b));
            at[0] = (float)p[0], at[1] = (float)p[1], at[2] = (float)p[2];
            position = at;
        }
    }
    terrain_field *t = race_terrain();
    const int lock = t ? t->edit_lock : 0;
    if (t) t->edit_lock = 0;
    erode_queue_apply(position, erode_level / 1024.0f);
    if (t) t->edit_lock = lock;
}

// Online a rider who moves off before the start waits until 15 s after it.
static void start_rule(bike *b)
{
    if (false_start_hold > 0) {
        --false_start_hold;
        bike_set_front_brake(b, 1);
        bike_set_rear_brake(b, 1);
        bike_set_back_up(b, 0);
        bike_set_clutch(b, 0);
        bike_set_throttle(b, 0);
        bike_set_dab(b, 1);
        return;
    }
    if (tick_count > race_start_tick) return;
    bike_set_dab(b, 1);
    const dReal *p = dBodyGetPosition(bike_get_frame_body(b));
    const double dx = p[0] - start_position[0], dy = p[1] - start_position[1], dz = p[2] - start_position[2];
    if (dx * dx + dy * dy + dz * dz >= 9) {
        false_start_hold = (int)(15 / tick) + race_start_tick - tick_count;
        console_print("15 second false start penalty");
    }
}

static void riders_step(void)
{
    const int online = net_socket >= 0;
    for (int slot = 0; slot < 160; ++slot) {
        bike *b = bike_slot_table[slot];
        if (!b) continue;
        const int kind = controller_kind[slot];
        if (kind == CONTROLLER_ROBOT) autopilot_step(b);
        if (online && kind == CONTROLLER_REMOTE) bike_fade_bodies(b);
        if (online && kind == CONTROLLER_LOCAL) start_rule(b);
        bike_physics_step(b);
        if (!online || kind == CONTROLLER_LOCAL) autopilot_learn(b);
    }
}

// The gate statue's matrix: the ground's orientation turned back by the gate's lean.
static void gate_matrix(statue &s, float drop)
{
    float t[9];
    object_terrain_orientation(t, s.x, s.z, s.angle);
    const float a = drop * gate_turn_rad, c = std::cos(a), n = std::sin(a);
    const float r[9] = {1, 0, 0, 0, c, n, 0, -n, c};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            s.orientation[i * 3 + j] = t[i * 3 + 0] * r[0 * 3 + j] + t[i * 3 + 1] * r[1 * 3 + j] + t[i * 3 + 2] * r[2 * 3 + j];
}

static void start_gates(void)
{
    const std::int64_t s = (std::int64_t)race_start_tick + (race_lineup_absent() ? 127 : 0),
                       last = s + (int)(10 / tick);
    if (tick_count > last) return;
    if (tick_count < s)
        for (int g = 0; g < start_count; ++g) gate_drop[g] = 1, gate_drop_speed[g] = 0;
    statue *all = (statue *)statues.items;
    if (tick_count == last) {
        // After this tick nothing moves the gates: one a rider still holds up by pushing on it
        // would stand for the rest of the race with him behind it. It goes down now.
        for (int g = 0; g < start_count; ++g) {
            const int i = start_statues[g];
            if (i < 0 || i >= statues.count || !(gate_drop[g] > 0)) continue;
            gate_drop[g] = 0, gate_drop_speed[g] = 0;
            gate_matrix(all[i], 0);
        }
        return;
    }
    for (int g = 0; g < start_count; ++g) {
        const int i = start_statues[g];
        if (i < 0 || i >= statues.count || !(gate_drop[g] > 0)) continue;
        if (tick_count > s) {
            if (all[i].last_hit_tick == tick_count) {
                gate_drop_speed[g] = 0;   // held by a rider this tick
                continue;
            }
            gate_drop_speed[g] += 32 * (float)tick;
            gate_drop[g] -= (float)tick * gate_drop_speed[g];
            if (gate_drop[g] < 0) gate_drop[g] = 0;
            if (gate_drop_speed[g] > 8) gate_drop_speed[g] = 8;
        }
        gate_matrix(all[i], gate_drop[g]);
    }
}

static void telemetry_sample(void)
{
    if (!telemetry_on || viewed_slot < 0 || viewed_slot >= 160 || !bike_slot_table[viewed_slot]) return;
    if (telemetry_index >= TELEMETRY_SAMPLES) {
        memset(telemetry_rings, 0, sizeof telemetry_rings);
        telemetry_index = 0;
    }
    bike *b = bike_slot_table[viewed_slot];
    float *r[6];
    for (int k = 0; k < 6; ++k) r[k] = &telemetry_rings[k][telemetry_index];
    bike_get_fork_telemetry(b, r[0], r[1], r[2]);
    bike_get_swingarm_telemetry(b, r[3], r[4], r[5]);
    telemetry_index = (telemetry_index + 1) % TELEMETRY_SAMPLES;
}

void race_step(void)
{
    const int pose_tick = race_lineup_absent() ? tick_count - 127 : tick_count;
    for (int slot = 0; slot < 160; ++slot)
        if (bike_slot_table[slot] && controller_kind[slot] == CONTROLLER_REMOTE) history_pose_rider(slot, pose_tick);
    time_trial_remember_laps();

    collide_riders();
    wheel_particles();
    // A bike that is not finite, or flies, would make ODE assert inside the step: it is calmed
    // first, and again when ODE left the step after a fault all the same.
    for (bike *b : bike_slot_table) bike_guard_state(b);
    if (physics_world && !physics_world_step(physics_world, tick, bike_slot_table, 160))
        for (bike *b : bike_slot_table) bike_guard_state(b);
    if (contact_group) dJointGroupEmpty(contact_group);
    erosion();
    riders_step();
    particles_update();
    start_gates();

    ++tick_count;
    if (net_socket >= 0 && tick_count % 512 == 511) g_standings();
    demo_record_tick(0);
    demo_play_tick();
    time_trial_tick();
    telemetry_sample();
}
