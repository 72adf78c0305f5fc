// bike/braap.h — ".braap" files: text lines that override a bike's engine sound block.
//   pipe L R G F E     pipe resonance: length, second length (ft), gain, first and last band;
//                      missing trailing values are 5, 0.9182071685791016, -0.85, 0, 15
//   minrpm N  lowtorque N  hightorque N
//   bias N...  scale N...   up to 100 numbers each
//   soundtable NAME    a "SOUNDTABLE" file, the rest of the line
// '#' starts a comment; other lines are ignored; a number that is not finite is not read.
#pragma once

struct data_stream;
struct engine_sound_params;

// Silences the pipe (every gain 0), then applies each line of the file.
void braap_read(data_stream *in, engine_sound_params *p);
void braap_apply_line(const char *line, engine_sound_params *p);
