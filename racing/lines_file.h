// racing/lines_file.h — the robots' learned lines of a track, one text file per skill level in
// the track's folder: "lines_novice", "lines_amateur", "lines_expert".
//
//   "ct03 %d\n"                             sections (first-lap + lap sections of the gates)
//   per section: "%d\n"                     lines that follow (slots holding samples)
//   per line:    "%d %d %d %d %d %d %d %d %d\n"
//                sample count, section time, two-section time, tested count, best section
//                time, best two-section time, section time sum, two-section time sum, failures
//                (times in ticks)
//   per sample:  "[%f %f %f] %f %f\n"       x y z (ft), speed (ft/s, negative in the air), lean
//
// Line ids and the ticks lines were last picked are not kept.
#pragma once

struct data_stream;
struct learned_line;

// The skill level whose lines the store holds (0 novice, 1 amateur, 2 expert); -1 none.
extern int lines_skill;

// Reads one line from s into slot (null: read and drop it). 1 when the line parsed (a slot
// whose line held a number that is not finite is left empty); 0 when it did not (fewer than the
// nine integers, or fewer samples than its count): nothing after it can be trusted.
int  lines_read_line(data_stream *s, learned_line *slot);
// Empties every slot of the store and loads the skill level's file into it; the level is
// remembered. A missing file, another section count or a file cut short loads what it could.
void lines_load(int skill);
int  lines_current(void);   // 1 while a skill level's lines are held
// Writes the held level's file, when learning is on and a track is loaded. A complete file or
// none: the old one stays until the new one is written.
void lines_save(void);
// Frees every line and empties its slot; the level is forgotten.
void lines_free(void);
