// terrain/timing_gates.h — where the riders start, the checkpoint gates they pass and the order
// of the gates in the first lap and in every later lap.
//
// "timing_gates", whitespace-separated words in four sections:
//   startinggate:                 optional; then one start per line:
//     [x y z] angle [model texture shape]    names default to @startgate.km, .ppm, .shp
//   checkpoints:                  then per gate: radius [centre] [direction], at most 256
//   firstlap:  entries...         gate indices, + 100000 for a gate that is no switch point
//   normallap: entries...         at most 256 each
#pragma once

struct learned_line;

struct timing_gate {
    float centre[3];      // where the gate stands (the file's first bracket)
    float direction[3];   // across the gate, from the centre (the second bracket)
    float radius;         // the gate's reach, the length of direction when the editor sets it
    int   scene_flag;     // written by the scene while drawing
};

enum {
    GATES_MAX = 256,
    LAP_ENTRIES_MAX = 256,
    START_POSITIONS_MAX = 160,
    LAP_NO_SWITCH = 100000,      // added to an entry that is no switch point of the robots' lines
    LINE_SLOTS_PER_SECTION = 45,
};

extern timing_gate  *gates;                   // gate_count long, owned
extern int           gate_count;              // 0: the track has no gates
extern int          *lap_list;                // first-lap entries, then normal-lap entries
extern int           first_lap_count, normal_lap_count;
extern int           first_lap_switch_count, normal_lap_switch_count;   // entries below 100000
extern learned_line *line_store;              // 45 slots per section, one section per switch point
extern int          *line_section_arrays;     // three int arrays of one entry per section
extern int           line_id_counter;
extern int           start_count;
extern float         start_positions[START_POSITIONS_MAX][3];
extern float         start_angles[START_POSITIONS_MAX];   // radians in [-pi, pi]
extern int           start_statues[START_POSITIONS_MAX];  // the start gate statue of each start

// Reads the file whole or not at all: a malformed or missing section leaves no gates and no lap
// lists (the start positions read so far stay, with their statues). A missing file is no track
// error: no gates, no starts.
void timing_gates_load(const char *file_name);
// 1 when the last load met content it could not take (a refused or cut section, starts or lap
// entries beyond the tables): a save would drop it, so the editor keeps that file.
extern int timing_gates_refused;
// Writes "@" + track_name + "/timing_gates". 1 written, 0 with a console message.
int  timing_gates_save(void);
// Frees the gate tables (the track's release).
void timing_gates_free(void);
