// racing/lines.h — the robots' learned lines: the store of 45 slots per gate section, how a
// line is rated, replaced and accepted, how two lines of consecutive sections join, the search
// that chains one line per section, the learning that feeds the store, and where a robot
// stands on the path it follows.
//
// The store (terrain/timing_gates.h): line_store holds F + P sections of LINE_SLOTS_PER_SECTION
// slots, F = first_lap_switch_count first-lap sections, then P = normal_lap_switch_count lap
// sections. line_section_arrays holds the chosen chains: for skill s (0 novice, 1 amateur,
// 2 expert) the line id of store section k at [s x (F + P) + k], 0 where none was found.
// A slot's samples are allocated with alloc_or_die and freed with mem_free (data/mem.h).
//
// Times are ticks (1/128 s); distances feet; all rounding truncates.
#pragma once
#include <cstdint>

#include "bike/bike_record.h"
#include "racing/race.h"

enum {
    LINE_TIME_NONE = 1000000,      // recorded and best times of an empty or untested slot
    LINE_UNTESTED_COST = 1000000,  // a line with too few tests for the skill
    LINE_NO_JOIN = 100000000,      // a search entry with no joining line
    LINE_BACK_NONE = 45,           // a search back-pointer with no joining line
    LINE_PENALTY_TICKS = 640,      // 5 s
};
enum { SKILL_NOVICE, SKILL_AMATEUR, SKILL_EXPERT, SKILL_EXPLORING };

// ---- Robot state in the bike record, as the robots and the learning share it ----
//   line_samples[p]  the learning buffer of sections of parity p (non-robots record into it)
//   line_cursor      bit p set: buffer p is spoiled (a mishap in its section)
//   line_record      robot_path, the robot's own path
//   robot_state[]    ROBOT_NEXT_SECTION .. ROBOT_RECOVERY below
//   robot_float[]    ROBOT_START_TIMER, ROBOT_THROTTLE below
//   robot_stamp      grip-limit tick
//   recent_line_ids  slot n mod 4: id of the line appended for running section n (0 none)
enum { ROBOT_NEXT_SECTION, ROBOT_LOOK_AHEAD, ROBOT_LAST_ADVANCE, ROBOT_RECOVERY };
enum { ROBOT_START_TIMER, ROBOT_THROTTLE };

inline growable_array *robot_path(bike *b) { return &b->line_record; }
inline line_sample *robot_path_samples(bike *b) { return (line_sample *)b->line_record.items; }
inline int &robot_look_ahead(bike *b) { return b->robot_state[ROBOT_LOOK_AHEAD]; }
inline int &robot_next_section(bike *b) { return b->robot_state[ROBOT_NEXT_SECTION]; }
inline int &robot_last_advance(bike *b) { return b->robot_state[ROBOT_LAST_ADVANCE]; }
inline int &robot_recovery(bike *b) { return b->robot_state[ROBOT_RECOVERY]; }
inline growable_array *learn_buffer(bike *b, int parity) { return &b->line_samples[parity & 1]; }
inline int learn_buffer_spoiled(const bike *b, int parity) { return (b->line_cursor >> (parity & 1)) & 1; }

// ---- The store ----
int  line_store_sections(void);              // F + P; 0 without a store
int  line_store_section(int running);        // the store section of a running section; -1 none
int  line_next_section(int section);         // the section after it; the last lap wraps to F
learned_line *line_slot(int section, int slot);
void line_slot_clear(learned_line *l);       // frees the samples, leaves an empty slot
int  line_chain_id(int skill, int section);  // the chosen chain's id; 0 none
learned_line *line_find(int section, int id);   // the section's line of that id; null none

// Rank for replacement: the mean tested two-section time plus the failure share of 640, or an
// untested line's recorded two-section time x 5 / 4, + 640 after a failure.
int  line_expected_time(const learned_line *l);
// The slot of a section a new line would overwrite when no slot is empty; -1 when none may go.
int  line_replacement_choice(int section);
// Offers a recorded line. Returns the slot it went into, or -1 (canceled, duplicate, too slow).
int  line_accept(int section, const line_sample *samples, int count, int spoiled, int section_time,
                 int two_section_time);
// A robot's run on the section's line of that id: a test with its times, or a failure.
void line_credit(int section, int id, int section_time, int two_section_time);
void line_fail(int section, int id);

// Cost of a line in ticks for a skill; SKILL_EXPLORING gives line_exploring_cost.
int  line_cost(const learned_line *l, int skill);
int  line_exploring_cost(const learned_line *l);

// The centre (x, z) of the circle through three samples in the horizontal plane; for three in
// a row, a point 1000000 ft off to the side. Doubles: that far out, floats lose the feet.
void line_circle_centre(const line_sample *three, double centre[2]);
// Whether line b of the next section continues line a: b starts on a's end circle within
// 2.5 ft, runs along it, and is not much slower.
int  line_joins(const learned_line *a, const learned_line *b);

// Searches count sections from section (following line_next_section) for a skill. Returns the
// 45 x 45 table of chain costs, [start line of the first section x 45 + line of the section
// after the last]; LINE_NO_JOIN where nothing joins. The table is scratch storage that the
// next search overwrites; no allocation once it has grown to the largest count.
const std::int64_t *line_search(int section, int count, int skill);
// The line of section step (1..count - 1) of the last search on the chain from start to end;
// LINE_BACK_NONE when none joins.
int  line_search_back(int step, int start, int end);

// Chooses the chains of the three skills (line_section_arrays).
void autopilot_analyze_lines(void);
// Thins every section holding 44 or more lines to fewer than 44, two at a time: the line that
// crosses the most others, then the replacement choice. Run before autopilot_analyze_lines.
void line_store_thin(void);
// 1 when a and b lie on different sides of the line through p and q (x, z).
int  segment_side_test(const line_sample *p, const line_sample *q, const line_sample *a,
                       const line_sample *b);
// Lines of a and b cross (some segment of one and of the other separate each other's ends).
int  lines_cross(const learned_line *a, const learned_line *b);

// The robot's place on robot_path as a fractional sample index (the plane across the bike).
float autopilot_path_position(bike *b);
