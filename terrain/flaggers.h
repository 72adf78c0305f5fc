// terrain/flaggers.h — the track-side figures drawn as billboards: a figure that walks
// between two points, a board figure the scene switches by the race state, and ordinary
// flaggers tied to gates.
//
// "flaggers", whitespace-separated, in this order:
//   [start] [end] width height period  tex0 tex1 tex2 tex3 tex4     the walking figure
//   [position] width height            tex0 tex1 tex2 tex3          the board figure
//   [position] width height g0 g1 g2 g3 tex0 tex1                   per ordinary flagger
#pragma once
#include "platform/array.h"

struct flagger_header_record {
    int      mover_billboard;      // -1 = none
    unsigned mover_textures[5];
    float    mover_start[3];       // x, height offset, z; the billboard stands here at first
    float    mover_end[3];
    float    mover_period;         // seconds from start to end
    int      board_billboard;      // -1 = none
    unsigned board_textures[4];
};
extern flagger_header_record flagger_header;

struct flagger {
    int      billboard;
    unsigned textures[2];
    int      gates[4];             // -1 = none, else below gate_count
};
extern growable_array flaggers;    // of flagger; made by the track load

// Reads the file after the timing gates (it needs their count). The first record that does not
// parse ends the reading; what was made before stays. No message is ever given.
void flaggers_load(const char *file_name);
