// The timing tower and lap board over the track cameras, as a television picture of the race
// shows them.
#include "ui/timing_tower.h"
#include "ui/hud.h"
#include "ui/ui.h"
#include "bike/bike_record.h"
#include "graphics/font.h"
#include "racing/race.h"
#include "racing/standings.h"
#include <GL/gl.h>
#include <cmath>
#include <cstdio>
#include <cstring>

int tower_gap_ticks(const int *leader_times, int leader_gates, const int *times, int gates)
{
    const int n = leader_gates < gates ? leader_gates : gates;
    if (n <= 0 || !leader_times || !times) return TOWER_NO_GAP;
    const int a = leader_times[n - 1], b = times[n - 1];
    if (a < 1 || b < 1) return TOWER_NO_GAP;
    return b - a;
}

void tower_entry_make(tower_entry *out, int place, const char *number, const char *name, int gap_ticks)
{
    snprintf(out->position, sizeof out->position, "%d", place);
    snprintf(out->number, sizeof out->number, "%3s", number ? number : "");
    snprintf(out->name, sizeof out->name, "%s", name ? name : "");
    out->gap[0] = 0;
    if (gap_ticks != TOWER_NO_GAP) snprintf(out->gap, sizeof out->gap, "%7.3f", gap_ticks / 128.0);
}

int tower_layout(double seconds, int count, float width, tower_cell *cells, int max)
{
    if (count < 0 || max <= 0 || !(seconds >= 0) || !std::isfinite(seconds)) return 0;
    const double c = 0.5 * seconds, whole = std::floor(c);
    int entry = (int)std::fmod(whole, (double)(count + 1));
    float x = -(float)(c - whole) * TOWER_ENTRY_WIDTH;
    int n = 0;
    do {
        cells[n].entry = entry;
        cells[n].x = x;
        ++n;
        entry = entry == count ? 0 : entry + 1;
        x += TOWER_ENTRY_WIDTH;
    } while (n < max && x < width);
    return n;
}

int lap_board_state(int gates_passed, int first_lap_gates, int gates_per_lap, int laps, int *lap)
{
    // Without lap gates there is nothing to divide by: no lap is ever completed.
    int c = 0;
    if (gates_per_lap > 0 && gates_passed >= first_lap_gates)
        c = (gates_passed - first_lap_gates) / gates_per_lap + 1;
    *lap = c + 1;
    if (c >= laps) return 2;
    return c + 1 == laps ? 1 : 0;
}

namespace {

const growable_array *slot_times(int slot)
{
    if (slot < 0 || slot >= 160 || !bike_slot_table[slot]) return nullptr;
    return &bike_slot_table[slot]->gate_times;
}

// A rider's gate ticks, and how many of the gates passed have one.
const int *times_of(int slot, int gates, int *count)
{
    const growable_array *a = slot_times(slot);
    *count = 0;
    if (!a || !a->items) return nullptr;
    *count = gates < a->count ? gates : a->count;
    return (const int *)a->items;
}

}   // namespace

int tower_entries_build(tower_entry *out, int max)
{
    const standings_entry *list = results_final ? results : standings;
    const int count = standings_count;
    if (count <= 0) return 0;
    // Watching online without a race slot, this machine's own riders are not in the race.
    const bool watching = net_socket >= 0 && race_slot >= 160;
    int leader_count;
    const int *leader = times_of(list[0].slot, list[0].gates, &leader_count);
    int n = 0;
    for (int i = 0; i < count && n < max; ++i) {
        const int slot = list[i].slot;
        if (slot < 0 || slot >= 160) continue;
        if (watching && controller_kind[slot] == CONTROLLER_LOCAL) continue;
        int gap = TOWER_NO_GAP;
        if (i > 0) {
            int times_count;
            const int *times = times_of(slot, list[i].gates, &times_count);
            gap = tower_gap_ticks(leader, leader_count, times, times_count);
        }
        tower_entry_make(&out[n++], i + 1, rider_number_text(slot), rider_names[slot], gap);
    }
    return n;
}

namespace {

void cell(float r, float g, float b, float x0, float x1)
{
    draw_flat_quad(r, g, b, 1, x0, 0, x1, 1);
}

// Text as data: a name from the network may hold escapes, which are skipped, not obeyed.
void text_at(float x, float grey, const char *text)
{
    glPushMatrix();
    glTranslatef(x, 0, 0);
    draw_text(grey, grey, grey, 1, text, TEXT_NORMAL | TEXT_RAW);
    glPopMatrix();
}

void entry_draw(const tower_entry *e)
{
    cell(0, 0, 0, 0, 3);
    text_at((3 - text_width(e->position)) / 2, 1, e->position);
    cell(1, 1, 1, 3, 6);
    text_at(6 - 0.25f - text_width(e->number), 0, e->number);
    cell(0, 0, 0, 6, 6.5f);
    cell(1, 1, 1, 6.5f, 21.5f);
    const float gap_width = e->gap[0] ? text_width(e->gap) : 0;
    if (e->gap[0]) text_at(21.5f - 0.25f - gap_width, 0, e->gap);
    // A long name is cut where it would run into the gap.
    char name[64];
    snprintf(name, sizeof name, "%s", e->name);
    const float room = 15 - 0.5f - (gap_width > 0 ? gap_width + 0.5f : 0);
    for (size_t n = strlen(name); n > 0 && text_width(name) > room;) name[--n] = 0;
    text_at(6.75f, 0, name);
}

}   // namespace

void timing_tower_draw(const tower_entry *entries, int count, double seconds)
{
    const float width = view_half_y > 0 ? 40 * view_half_x / view_half_y : 40;
    tower_cell cells[TOWER_CELLS_MAX];
    const int n = tower_layout(seconds, count, width, cells, TOWER_CELLS_MAX);
    overlay_push_topleft(40);
    for (int i = 0; i < n; ++i) {
        glPushMatrix();
        glTranslatef(cells[i].x, -0.25f, 0);
        if (cells[i].entry >= count) cell(0, 0, 0, 0, TOWER_ENTRY_WIDTH);
        else entry_draw(&entries[cells[i].entry]);
        glPopMatrix();
    }
    overlay_pop();
    // The strip's cells reach 1.25 lines of 40 down; the HUD's lines start a little below.
    hud_keep_clear(0, 1.5f / 40);
}

void lap_board_draw(int state, int lap)
{
    const float width = view_half_y > 0 ? 40 * view_half_x / view_half_y : 40;
    overlay_push_topleft(40);
    glPushMatrix();
    glTranslatef(width - 5, -1.25f, 0);
    if (state == 2) {
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 10; ++col) {
                const float v = (row + col) % 2 ? 0.0f : 1.0f;
                draw_flat_quad(v, v, v, 1, col * 0.5f, row * 0.5f, col * 0.5f + 0.5f, row * 0.5f + 0.5f);
            }
    } else {
        if (state == 1) draw_flat_quad(1, 1, 1, 1, 0, 0, 5, 1);
        else draw_flat_quad(0.1f, 0.7f, 0.2f, 1, 0, 0, 5, 1);
        char text[32];
        snprintf(text, sizeof text, "Lap %d", lap);
        draw_text_centered(0, 0, 0, 1, 0, 5, text);
    }
    glPopMatrix();
    overlay_pop();
}
