// The HUD's texts from a view of the race: lap and result times, gaps, best laps, the pit
// board with its lapping warning and the results board. No GL here, and nothing allocates.
#include "ui/hud.h"
#include "racing/standings.h"

#include <cmath>
#include <cstdio>
#include <cstring>

void format_lap_time(char *text, int size, int ticks)
{
    const long long ms = (long long)ticks * 1000 / 128;
    snprintf(text, (size_t)size, "%d:%02d.%d", (int)(ms / 60000), (int)(ms / 1000 % 60), (int)(ms % 1000 / 100));
}

void format_result_time(char *text, int size, int ticks)
{
    const long long ms = (long long)ticks * 1000 / 128;
    snprintf(text, (size_t)size, "%d:%02d.%03d", (int)(ms / 60000), (int)(ms / 1000 % 60), (int)(ms % 1000));
}

void format_race_length(char *text, int size, int time_limit_ticks, int laps)
{
    if (time_limit_ticks <= 0) {
        snprintf(text, (size_t)size, "%d laps", laps);
        return;
    }
    const int minutes = (int)std::floor(time_limit_ticks / 128.0 / 60.0 + 0.5);
    if (laps > 0) snprintf(text, (size_t)size, "%d minutes + %d laps", minutes, laps);
    else snprintf(text, (size_t)size, "%d minutes", minutes);
}

int hud_lap_of(const hud_race *r, int gates)
{
    // A track without lap gates has no laps to count (and nothing to divide by).
    if (r->gates_per_lap <= 0 || gates < r->first_lap_gates) return 0;
    return (gates - r->first_lap_gates) / r->gates_per_lap + 1;
}

int hud_lap_ticks(const hud_race *r, int slot, int n)
{
    const int f = r->first_lap_gates, p = r->gates_per_lap;
    if (n <= 0 || n > hud_lap_of(r, r->riders->gate_index(slot))) return 0;
    const int start = n == 1 ? r->start_tick : r->riders->gate_time(slot, f + p * (n - 2) - 1);
    const int end = r->riders->gate_time(slot, f + p * (n - 1) - 1);
    if (start < 0 || end < 0) return 0;
    return end - start;
}

int hud_best_lap(const hud_race *r, int slot, int *lap)
{
    const int laps = hud_lap_of(r, r->riders->gate_index(slot));
    int best = 0;
    *lap = 0;
    for (int n = 2; n <= laps; ++n) {
        const int t = hud_lap_ticks(r, slot, n);
        if (t != 0 && (best == 0 || t < best)) best = t, *lap = n;
    }
    return best;
}

float hud_gap(const hud_race *r, const standings_entry *self, const standings_entry *other)
{
    int mine, theirs;
    if (self->gates == other->gates) {
        mine = self->last_gate_tick;
        theirs = other->last_gate_tick;
    } else {
        const int n = (self->gates < other->gates ? self->gates : other->gates) - 1;
        mine = r->riders->gate_time(self->slot, n);
        theirs = r->riders->gate_time(other->slot, n);
    }
    if (mine < 1 || theirs < 1) return 0;
    return (float)(theirs - mine) * (1.0f / 128);
}

int hud_standings_index(const hud_race *r, int slot)
{
    for (int i = 0; i < r->count; ++i)
        if (r->standings[i].slot == slot) return i;
    return -1;
}

// Riders ahead in the standings who are at most 3 s behind on the road, about to put this
// one a lap (or more) down.
static void lapping_line(const hud_race *r, int p, char *out)
{
    out[0] = 0;
    const int per_lap = r->gates_per_lap;
    const standings_entry &self = r->standings[p];
    const int m = self.gates;
    if (r->count < 2 || per_lap <= 0 || m < r->first_lap_gates) return;
    size_t length = 0;
    for (int i = 0; i < p; ++i) {
        const standings_entry &other = r->standings[i];
        const int l = other.gates;
        if (m >= l) continue;
        const int k = (l - m - 1) / per_lap;
        const int g = r->riders->gate_time(self.slot, l - per_lap * (k + 1) - 1);
        if (g < 0 || other.last_gate_tick < g || self.last_gate_tick - g > 15 * 128) continue;
        const float e = (float)(other.last_gate_tick - g) * (1.0f / 128);
        if (!(e > 0 && e <= 3)) continue;
        if (length >= HUD_LAPPING_BYTES - 1) break;
        // The number comes from the network: an argument, never a format, cut at 5 characters.
        const int n = snprintf(out + length, HUD_LAPPING_BYTES - length, " %.5s (%.1f) ",
                               r->riders->number(other.slot), e);
        if (n < 0) break;
        length += (size_t)n;
        if (length >= HUD_LAPPING_BYTES) length = HUD_LAPPING_BYTES - 1;
    }
}

int hud_pit_board_text(const hud_race *r, int slot, pit_board_text *out)
{
    const int p = hud_standings_index(r, slot);
    if (p < 0) return 0;
    const hud_rider_reader *rd = r->riders;
    snprintf(out->number, sizeof out->number, "%s", rd->number(slot));
    const int lap = hud_lap_of(r, rd->gate_index(slot));
    if (r->time_trial) snprintf(out->place, sizeof out->place, "P%d", p + 1);
    else snprintf(out->place, sizeof out->place, "L%d P%d", lap + 1, p + 1);
    float gap = 0;
    if (r->count > 1) gap = hud_gap(r, &r->standings[p], &r->standings[p > 0 ? p - 1 : 1]);
    snprintf(out->gap, sizeof out->gap, "%+.1f ", gap);

    const int last = r->time_trial ? r->last_lap_ticks : lap >= 2 ? hud_lap_ticks(r, slot, lap) : 0;
    int best_lap;
    const int best = r->time_trial ? r->best_lap_ticks : hud_best_lap(r, slot, &best_lap);
    char time[32];
    out->last[0] = out->best[0] = 0;
    if (last > 0) {
        format_lap_time(time, sizeof time, last);
        snprintf(out->last, sizeof out->last, "Last - %s ", time);
    }
    if (best > 0) {
        format_lap_time(time, sizeof time, best);
        snprintf(out->best, sizeof out->best, "Best - %s", time);
    }
    lapping_line(r, p, out->lapping);
    return 1;
}

void hud_results_text(const hud_race *r, results_board_text *out)
{
    const hud_rider_reader *rd = r->riders;
    out->shown = r->count > 0 && rd->finished(r->standings[0].slot);
    out->row_count = out->penalty_count = 0;
    out->total[0] = 0;
    if (!out->shown) return;
    snprintf(out->title, sizeof out->title, "%s", r->results_final ? "Final Results" : "Unofficial Results");
    for (int i = 0; i < r->count; ++i) {
        const standings_entry &e = r->standings[i];
        if (!r->results_final && !rd->finished(e.slot)) continue;
        results_row &row = out->rows[out->row_count++];
        row.slot = e.slot;
        snprintf(row.position, sizeof row.position, "%d", i + 1);
        snprintf(row.number, sizeof row.number, "%3s", rd->number(e.slot));
        snprintf(row.laps, sizeof row.laps, "L%d", hud_lap_of(r, e.gates));
        const float lag = i > 0 ? -hud_gap(r, &e, &r->standings[i - 1]) : 0.0f;
        snprintf(row.gap, sizeof row.gap, "%7.3f", lag);
        int lap;
        int best = hud_best_lap(r, e.slot, &lap);
        // The results' rule, as "@results.txt" has it: a rider's only lap is its best.
        if (results_lap_counts(1, hud_lap_of(r, rd->gate_index(e.slot)))) {
            best = hud_lap_ticks(r, e.slot, 1);
            lap = best > 0 ? 1 : 0;
        }
        format_result_time(row.best, sizeof row.best, best);
        snprintf(row.best_lap, sizeof row.best_lap, "(%d)", lap);
    }
    if (!r->results_final) return;
    char time[32];
    format_result_time(time, sizeof time, r->standings[0].last_gate_tick - r->start_tick);
    snprintf(out->total, sizeof out->total, "Total Race Time: %s", time);
    for (int i = 0; i < r->count; ++i) {
        const standings_entry &e = r->standings[i];
        const int gates = rd->gate_index(e.slot);
        const int t = rd->gate_time(e.slot, gates - 1);
        // A rider without any gate has no time to be penalised against.
        if (t < 0 || t >= e.last_gate_tick) continue;
        char *line = out->penalties[out->penalty_count++];
        const size_t size = sizeof out->penalties[0];
        int n = snprintf(line, size, "%3s penalized ", rd->number(e.slot));
        const int laps = hud_lap_of(r, gates) - hud_lap_of(r, e.gates);
        if (laps > 0 && n >= 0 && (size_t)n < size)
            n += snprintf(line + n, size - (size_t)n, "%d %s ", laps, laps == 1 ? "lap" : "laps");
        if (n >= 0 && (size_t)n < size)
            snprintf(line + n, size - (size_t)n, "%.2f seconds for cutting track",
                     (e.last_gate_tick - t) * (1.0 / 128));
    }
}
