// terrain/terrain_io.h — the ground files of a track folder, read into the one terrain field and
// written back by the editor.
//
//   "terrain.hf"     text "%d %f %f %f": depth N (7..11), cell size, minimum and maximum height;
//                    optionally ':' and then grid_dim^2 heights as little-endian u16 samples,
//                    rows of increasing z (then "terrain.png" is not read). A sample v stands
//                    for (max - min) * v / 65535 + min.
//   "terrain.png"    16-bit grey heights (need not be grid_dim wide: edges repeat)
//   "shadingx2.ppm"  RGB per vertex as held; "shading.ppm" the same doubled (read halved)
//   "shadows.pgm"    grey per vertex, 255 = lit (held inverted); never written
//   "tileinfo"       tile types (or the older "texturelist")
//   "tilemap"        4^N raw tile numbers
//   "decals"         lines "[x z] angle size1 size2 name"
#pragma once
#include <cstdint>

struct data_stream;
struct terrain_field;

// Opens folder + "/" + name; a required file that does not open is reported on the console.
data_stream *terrain_open_file(const char *folder, const char *name, const char *mode, int required);
// Loads the ground of a track folder ("@" + track name) with the requested texture mode (1-3).
// 1, or 0 with the field left empty.
int  terrain_load(terrain_field *t, const char *folder, int texture_mode);
void terrain_free(terrain_field *t);
// Writes the editable ground files back into the folder the field was loaded from. Every file
// is written under a temporary name first and renamed over the old one only when all were
// written, so an interrupted save never leaves a truncated file. 1, or 0 with a console message.
int  terrain_save(terrain_field *t);

// Height of a 16-bit sample, and the sample of a height for a range (flat ranges give 0).
float         terrain_sample_height(float min, float max, unsigned sample);
std::uint16_t terrain_quantise_height(float h, float min, float max);
