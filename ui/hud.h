// ui/hud.h — the race overlays: the pit board, the results board, the readouts, the cockpit
// instruments, the telemetry graphs and the track map. Every text is built apart from its
// drawing, from a hud_race view of the race, so texts and placement are checked without GL.
#pragma once
#include "racing/race.h"

// What the HUD reads of the riders, by slot. The game's reader goes through the bike slot
// table; tests hand their own tables.
struct hud_rider_reader {
    int         (*gate_time)(int slot, int n);   // tick of running gate n, -1 when missing
    int         (*gate_index)(int slot);         // gates passed
    const char *(*number)(int slot);             // never null
    int         (*finished)(int slot);           // the rider is done racing
};

struct hud_race {
    const standings_entry *standings;   // leader first; the final results once they are built
    int count;
    int first_lap_gates, gates_per_lap;
    int start_tick, tick;
    int time_trial, best_lap_ticks, last_lap_ticks;
    int results_final;
    const hud_rider_reader *riders;
};

// The race as the game holds it now.
void hud_race_current(hud_race *out);

// Lap texts: m:ss.t and the results' m:ss.mmm, from ticks.
void format_lap_time(char *text, int size, int ticks);
void format_result_time(char *text, int size, int ticks);
// "%d laps", "%d minutes" or "%d minutes + %d laps"; minutes rounded to nearest.
void format_race_length(char *text, int size, int time_limit_ticks, int laps);

// Laps completed with that many gates: 0 before the first lap's gates and without lap gates.
int   hud_lap_of(const hud_race *r, int gates);
// Ticks of lap n (1 = the first) of a rider; 0 when it is not done or a gate time is missing.
int   hud_lap_ticks(const hud_race *r, int slot, int n);
// The rider's best lap among laps 2 and up, in ticks (0: none) and its number in *lap.
int   hud_best_lap(const hud_race *r, int slot, int *lap);
// Seconds from this rider to the other (positive when the other is behind); 0 without times.
float hud_gap(const hud_race *r, const standings_entry *self, const standings_entry *other);
int   hud_standings_index(const hud_race *r, int slot);   // -1 when not ranked

enum { HUD_LAPPING_BYTES = 1024 };

struct pit_board_text {
    char number[16];
    char place[32];      // "L%d P%d", "P%d" in a time trial
    char gap[32];
    char last[48];       // empty when there is no last lap
    char best[48];
    char lapping[HUD_LAPPING_BYTES];   // riders about to lap this one; empty when none
};
// 0 when the slot is not in the standings.
int hud_pit_board_text(const hud_race *r, int slot, pit_board_text *out);

struct results_row {
    int  slot;
    char position[16], number[16], laps[16], gap[24], best[32], best_lap[16];
};
struct results_board_text {
    int  shown;            // 0: no board
    char title[32];
    int  row_count;
    results_row rows[160];
    char total[64];        // empty until final
    int  penalty_count;
    char penalties[160][96];
};
void hud_results_text(const hud_race *r, results_board_text *out);

// The readout lines below or beside the results board: FPS (reads and resets the frame time
// record), race time, ping, speed, render statistics, "Dabbing!". speed_fps < 0: no viewed rider.
enum { HUD_READOUT_LINES = 12, HUD_LINE_BYTES = 128 };
int  hud_readout_lines(char lines[HUD_READOUT_LINES][HUD_LINE_BYTES], float speed_fps);
void hud_reset_maxima(void);

// Cockpit arithmetic.
float hud_needle_degrees(float rpm);                 // clockwise from up
void  hud_gear_cell(int gear, int *column, int *row);
// The lean band's angles for the ground's lean a (radians); 1 when the lean is strong.
int   hud_lean_band(float lean, float *angle0, float *angle1);
int   arc_band_pairs(float angle0, float angle1);
// Vertex i of a telemetry graph line read from the ring at start (oldest first).
// A world position on the map's unit square: x to the right, z downwards (negative y).
void  track_map_point(float x, float z, float world_size, float *map_x, float *map_y);
void  graph_point(const float *values, int count, int start, float scale, int i, float *x, float *y);

// A texture in white over (x0, y0)..(x1, y1), blended; (u0, v0) is the picture at (x0, y0).
void hud_textured_quad(unsigned texture, float x0, float y0, float x1, float y1, float u0, float v0,
                       float u1, float v1);
void hud_draw_position_board(int slot);
void draw_arc_band(float angle0, float angle1, float r_inner, float r_outer, const float inner[4],
                   const float outer[4]);
void draw_graph_frame(void);
void draw_graph_line(const float *values, const float *factors, const float colour0[4],
                     const float colour1[4], int count, int start, float scale);
// Parts of the window the frame's other drawers keep for themselves (the timing tower's strip,
// the editor's panel): the HUD's top-left texts start right of left and below top, both in window
// heights. Each frame's hud_draw_overlays reads and clears them.
void hud_keep_clear(float left, float top);
void hud_draw_results_board(const results_board_text *board, int viewed_slot);
void hud_draw_telemetry_graphs(void);
void hud_draw_track_map(int viewed_slot);
