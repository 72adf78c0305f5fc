// ui/timing_tower.h — what the track cameras show over the race: the timing tower, a strip of
// riders scrolling along the top of the window, and the lap board at the top right.
#pragma once

// One rider of the tower as drawn: place, race number, name and gap to the leader (empty for
// the leader or when the two have no gate time in common).
struct tower_entry {
    char position[12];
    char number[8];
    char name[64];
    char gap[16];
};

enum { TOWER_ENTRIES_MAX = 160, TOWER_CELLS_MAX = 64, TOWER_NO_GAP = -2147483647 - 1 };
static const float TOWER_ENTRY_WIDTH = 21.5f;

// Ticks the rider is behind the leader at the last gate both have passed (negative when the
// rider was there first): times are gate ticks, one per gate passed. TOWER_NO_GAP when either
// has passed none or a time there is below 1 tick.
int  tower_gap_ticks(const int *leader_times, int leader_gates, const int *times, int gates);
// Fills one entry: place counts from 1, number and name may be null, gap TOWER_NO_GAP for none.
void tower_entry_make(tower_entry *out, int place, const char *number, const char *name, int gap_ticks);

// One entry of the strip on screen: its index into the entries (count itself for the blank
// entry between the last and the first) and its left edge in layout units.
struct tower_cell {
    int   entry;
    float x;
};
// The strip at a program time: it moves one entry every 2 s; cells are listed while their left
// edge lies within width. Returns the number of cells (at most max).
int  tower_layout(double seconds, int count, float width, tower_cell *cells, int max);

// The lap board for the leader's gates: 0 green, 1 white (the last lap), 2 chequered (done);
// lap is the lap shown on the green and white boards.
int  lap_board_state(int gates_passed, int first_lap_gates, int gates_per_lap, int laps, int *lap);

// The riders of the race in standings order (the final results once they are in). Returns the
// count.
int  tower_entries_build(tower_entry *out, int max);

// Drawing over the current view: the tower from prepared entries at a program time, and the
// lap board in one of its states.
void timing_tower_draw(const tower_entry *entries, int count, double seconds);
void lap_board_draw(int state, int lap);
