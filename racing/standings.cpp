// The standings: every rider ranked after each gate passed, the results once nobody still
// races, with the track-cutting penalty, and "@results.txt". Nothing here allocates.
#include "racing/standings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "bike/bike_record.h"
#include "bike/setters.h"
#include "data/paths.h"
#include "data/stream.h"
#include "data/util.h"
#include "platform/log.h"
#include "racing/race_state.h"
#include "racing/state_history.h"
#include "shell/globals.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"

int results_final;
int estimated_laps = 1000000;
standings_entry results[160];
int active_series = -1;
int active_series_event = -1;

// Ticks after which a replayed rider without newer states no longer holds up the results.
enum { REPLAY_STALE_TICKS = 1280, NO_MEAN_TICKS = 7680, PENALTY_SLACK_TICKS = 128 };

int compare_standings(const void *a, const void *b)
{
    const standings_entry *x = (const standings_entry *)a, *y = (const standings_entry *)b;
    if (x->gates != y->gates) return x->gates > y->gates ? -1 : 1;
    if (x->last_gate_tick != y->last_gate_tick) return x->last_gate_tick < y->last_gate_tick ? -1 : 1;
    return x->slot - y->slot;
}

void standings_reset(void)
{
    results_final = 0;
    estimated_laps = 1000000;
}

static bike *slot_bike(int slot) { return slot >= 0 && slot < 160 ? bike_slot_table[slot] : nullptr; }

// The lap a gate count is in: 0 before the first lap's end (and without laps).
static int lap_of(int gates)
{
    const int f = race_first_lap_gates(), p = race_gates_per_lap();
    return gates < f || p == 0 ? 0 : (gates - f) / p + 1;
}

// Online a local rider outside the start line-up is only watching.
static int watching(int slot)
{
    return net_socket >= 0 && controller_kind[slot] == CONTROLLER_LOCAL && race_lineup_absent();
}

static void rank(void)
{
    int n = 0;
    for (int slot = 0; slot < 160; ++slot) {
        bike *b = bike_slot_table[slot];
        if (!b) continue;
        const int gates = bike_get_gate_index(b);
        const int last = gates > 0 ? bike_get_gate_time(b, gates - 1) : 0;
        standings[n++] = {slot, gates, last > 0 ? last : 0};
    }
    heap_sort(standings, n, sizeof standings[0], compare_standings);
    standings_count = n;
}

// A race run by time: the estimate at half time, then, once time is up, the laps in force:
// `race_laps_chosen` more from the first lap begun after the limit.
static void timed_race(void)
{
    if (race_time_limit <= 0 || standings_count <= 0) return;
    const int leader_lap = lap_of(standings[0].gates);
    // In 64 bits: a start and a limit from a demo head or a peer may each be near the int's top.
    const std::int64_t limit = (std::int64_t)race_start_tick + race_time_limit;
    if (estimated_laps == 1000000 && tick_count >= (std::int64_t)race_start_tick + race_time_limit / 2)
        estimated_laps = leader_lap + 1;
    if (tick_count < limit) return;
    const int f = race_first_lap_gates(), p = race_gates_per_lap();
    if (p == 0) return;   // no laps to count
    const int back = leader_lap - 1;
    for (int g = back < 1 ? 1 : race_laps < back ? race_laps : back;; ++g) {
        const int gate = f + p * (g - 1) - 1;
        if (gate < 0) return;
        int earliest = -1;
        for (int i = 0; i < standings_count; ++i) {
            const int t = bike_get_gate_time(slot_bike(standings[i].slot), gate);
            if (t >= 0 && (earliest < 0 || t < earliest)) earliest = t;
        }
        if (earliest < 0) return;
        const std::int64_t more = (std::int64_t)g + race_laps_chosen;
        if (earliest >= limit) {
            if (more < race_laps) race_laps = (int)more;
            return;
        }
        if (more + 1 > race_laps) race_laps = (int)std::min<std::int64_t>(more + 1, 1000000);
    }
}

static int rider_done(int slot)
{
    bike *b = slot_bike(slot);
    if (bike_update_finished(b)) return 1;
    const int kind = controller_kind[slot];
    if (net_socket < 0) {
        if (kind != CONTROLLER_REMOTE) return 0;
        const history_ring &h = state_history[slot];
        const int newest = h.stamps[h.newest];
        return newest < 0 || newest < tick_count - REPLAY_STALE_TICKS;
    }
    if (kind == CONTROLLER_LOCAL) return race_lineup_absent();
    return (tick_count - last_state_tick[slot]) * tick >= 1.0;
}

static int results_ready(void)
{
    for (int i = 0; i < standings_count; ++i)
        if (!rider_done(standings[i].slot)) return 0;
    return 1;
}

int gate_mean_time(int a, int b)
{
    const int f = race_first_lap_gates(), p = race_gates_per_lap();
    long long sum = 0;
    int counted = 0;
    for (int i = 0; i < standings_count; ++i) {
        const int slot = standings[i].slot;
        bike *r = slot_bike(slot);
        if (!r || watching(slot)) continue;
        if (a < f) {
            const int t0 = a < 0 ? 0 : bike_get_gate_time(r, a), t1 = bike_get_gate_time(r, b);
            if (t0 < 0 || t1 < 0 || t1 - t0 < 0) continue;
            int k = a + 1;
            while (k < b && bike_get_gate_time(r, k) >= 0) ++k;
            if (k < b) continue;
            sum += t1 - t0;
            ++counted;
        } else if (p > 0) {
            long long own = 0;
            int stretches = 0;
            for (int s = f + (a - f) % p, e = s + (b - a); e < standings[i].gates; s += p, e += p) {
                int k = s;
                while (k <= e && bike_get_gate_time(r, k) >= 0) ++k;
                if (k <= e) continue;
                own += bike_get_gate_time(r, e) - bike_get_gate_time(r, s);
                ++stretches;
            }
            if (!stretches || own / stretches < 0) continue;
            sum += own / stretches;
            ++counted;
        }
    }
    return counted ? (int)(sum / counted) : NO_MEAN_TICKS;
}

int standings_penalty(int slot, int gates)
{
    bike *b = slot_bike(slot);
    if (!b) return 0;
    int penalty = 0, missing = 0, before = 0;   // before: the last present gate's time, tick 0 at first
    for (int r = 0; r < gates; ++r) {
        const int t = bike_get_gate_time(b, r);
        if (t < 0) {
            ++missing;
            continue;
        }
        if (missing > 0) {
            const int reference = gate_mean_time(r - missing - 1, r) + PENALTY_SLACK_TICKS;
            if (t - before < reference) penalty += reference - (t - before);
        }
        missing = 0;
        before = t;
    }
    return penalty;
}

// The rider's best lap (smallest positive time, the earlier on a tie) and its length in ticks;
// every lap when all is set, else only those the results count.
static int best_lap(bike *b, int *ticks, int all = 1)
{
    const int f = race_first_lap_gates(), p = race_gates_per_lap();
    const int laps = bike_get_current_lap(b);
    int best = 0;
    *ticks = 0;
    for (int n = 1; n <= laps; ++n) {
        if (!all && !results_lap_counts(n, laps)) continue;
        const int start = n == 1 ? race_start_tick : bike_get_gate_time(b, f + p * (n - 2) - 1);
        const int end = bike_get_gate_time(b, f + p * (n - 1) - 1);
        if (start < 0 || end < 0 || end - start <= 0) continue;
        if (!best || end - start < *ticks) best = n, *ticks = end - start;
    }
    return best;
}

static void apply_penalty(standings_entry *e)
{
    bike *b = slot_bike(e->slot);
    int penalty = standings_penalty(e->slot, e->gates);
    if (!b || penalty <= 0) return;
    const int f = race_first_lap_gates(), p = race_gates_per_lap();
    int d;
    if (best_lap(b, &d) >= 2 && d < penalty && p > 0)
        while (e->gates > f) {
            e->gates -= p;
            penalty -= d;
            if (!(d < penalty && f < e->gates - p)) break;
        }
    e->last_gate_tick += penalty;
}

static void build_results(void)
{
    int n = 0;
    for (int slot = 0; slot < 160; ++slot)
        for (int i = 0; i < standings_count; ++i)
            if (standings[i].slot == slot) results[n++] = standings[i];
    for (int i = 0; i < n; ++i) apply_penalty(&results[i]);
    heap_sort(results, n, sizeof results[0], compare_standings);
}

// Minutes, seconds and milliseconds of a tick count.
static void clock_parts(int ticks, int *minutes, int *seconds, int *ms)
{
    const long long total = (long long)ticks * 1000 / 128;
    *minutes = (int)(total / 60000);
    *seconds = (int)(total / 1000 % 60);
    *ms = (int)(total % 1000);
}

static void write_gate_times(data_stream *s, const standings_entry &e)
{
    bike *b = slot_bike(e.slot);
    const int f = race_first_lap_gates(), p = race_gates_per_lap();
    data_printf(s, "\r\n%d\r\n", e.gates);
    for (int g = 0; g < e.gates; ++g) {
        const int t = bike_get_gate_time(b, g);
        if (t < 0) data_printf(s, "%8d", -1);
        else data_printf(s, "%8.3f", (t - race_start_tick) * tick);
        const int next = g + 1;
        const int lap_end = next == f || (p > 0 && next > f && (next - f) % p == 0) || next == e.gates;
        data_puts(s, lap_end ? "\r\n" : " ");
    }
}

static void write_results(void)
{
    data_stream *s = data_open("@results.txt.tmp", "wb");
    if (!s) return;
    data_printf(s, "Time=%.2f|Laps=%d|Track=%s|Date=%ld\r\n", race_time_limit * tick, race_laps_chosen,
                track_name ? track_name : "", (long)time(nullptr));
    data_printf(s, "%4s | %12s | %4s | %10s | %4s | %10s\r\n", "No.", "Bike", "Laps", "Total Time", "BLap", "Best Time");
    for (int i = 0; i < standings_count; ++i) {
        bike *b = slot_bike(results[i].slot);
        if (!bike_update_finished(b)) continue;
        int m, sec, ms, best_ticks;
        clock_parts(results[i].last_gate_tick - race_start_tick, &m, &sec, &ms);
        data_printf(s, "%4s | %12s | %4d | %3d:%02d.%03d | ", bike_get_number_text(b), bike_get_model_name(b),
                    lap_of(results[i].gates), m, sec, ms);
        const int best = best_lap(b, &best_ticks, 0);
        clock_parts(best_ticks, &m, &sec, &ms);
        data_printf(s, "%4d | %3d:%02d.%03d\r\n", best, m, sec, ms);
    }
    for (int i = 0; i < standings_count; ++i)
        if (bike_update_finished(slot_bike(results[i].slot))) write_gate_times(s, results[i]);
    const int failed = data_flush(s) != 0;
    data_close(s);
    if (failed || !file_replace("@results.txt.tmp", "@results.txt")) kubl_log_printf("Could not write results\n");
}

void standings_update(void)
{
    if (results_final) return;
    rank();
    timed_race();
    if (!results_ready()) return;
    build_results();
    if (standings_count > 0 && bike_update_finished(slot_bike(results[0].slot))) write_results();
    results_final = 1;
    series_record_round();
}
