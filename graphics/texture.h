// graphics/texture.h — OpenGL textures loaded once by data-file name and cached, alias ("LINK")
// and animated ("ANIM1" .seq) textures, plain in-memory images by name, and the generations
// that let a track change delete what only the old track used. Game thread only, with the
// OpenGL context current.
#pragma once
#include <cstdint>

// Settings come from the shell's render options (shell/globals.h): the model texture detail is
// the number of mip levels dropped from large textures; the texture compression is 0 never,
// 1 when the picture's text asks "[compress]", 2 every PNG. With the debug level set, failed
// opens and deletions go to the console.

// Counters of the HUD's render statistics.
struct render_stats_record {
    unsigned program_switches;
    unsigned texture_bytes;      // texture memory uploaded (driver's size when compressed)
    unsigned model_vertices;
    unsigned model_triangles;
    unsigned texture_binds;      // counted by the scene's drawing
    unsigned billboards;         // billboards drawn
};
extern render_stats_record render_stats;

// The stamp of textures and images: 0 while start-up loads what is kept for the whole run;
// raised by every race reset that changes the track.
extern int resource_generation;

enum {
    TEXTURE_SEQ_PIXEL_LIMIT = 65536,   // largest level 0 of an animation frame, in pixels
    TEXTURE_REPEAT_S = 1,
    TEXTURE_REPEAT_T = 2,
    TEXTURE_COMPRESS = 4,
    TEXTURE_NO_MIPS = 8,
};

// The one entry for named textures: the GL texture name, 0 on failure. "!" in front loads at
// full detail. Names holding "-repeat.", "-hrepeat." or "-vrepeat." wrap.
unsigned texture_load(const char *name);

// Uploads a mip chain of 3 or 4 channels with the TEXTURE_* options; adds to the counter.
unsigned texture_upload_gl(const unsigned char *pixels, int width, int height, int channels, int options);
// Readers fuzzed without an OpenGL context hand in a stand-in for the upload; null puts
// OpenGL back.
typedef unsigned (*texture_upload_fn)(const unsigned char *pixels, int width, int height, int channels, int options);
void texture_set_upload(texture_upload_fn upload);
unsigned texture_upload(const unsigned char *pixels, int width, int height, int channels);
unsigned texture_upload_nomip(const unsigned char *pixels, int width, int height, int channels);
// Fits a chain to power-of-two sides, drops levels for the detail level and levels the next
// one reproduces, then uploads. The caller keeps pixels. name (may be null) is for the console.
unsigned texture_prepare(const unsigned char *pixels, int width, int height, int channels,
                         int levels_to_drop, int options, const char *name);
// Reshapes a chain in place of *pixels (the old buffer is freed when replaced): sides rounded
// down to powers of two, top levels dropped while levels remain to drop or a level is above
// pixel_limit (0: no limit), never below 16384 pixels.
void image_fit_levels(unsigned char **pixels, int *width, int *height, int channels,
                      int pixel_limit, int levels_to_drop);

// A mipmapped RGBA texture of width x height showing text in colours running from colour_zero
// (where the text has no colour) to colour_full (three bytes each), with a transparent edge.
unsigned texture_from_text(const char *text, int width, int height,
                           const unsigned char *colour_full, const unsigned char *colour_zero);

// The name of the first texture record with that id and its table index, or null.
const char *texture_find_by_id(unsigned id, int *index);
// The record's PNG text and side file (may be null); *index is -1 when there is no record.
const char *texture_info_text(unsigned id, int *index);

// An RGBA chain by name, kept in the image table (do not free it). 1, or 0.
int image_load_by_name(const char *name, unsigned char **pixels, int *width, int *height);
const char *image_find_by_pixels(const unsigned char *pixels, int *index);

// Animations; time is the race tick count.
struct data_stream;
struct texture_anim;
// Reads what follows the word "ANIM1": frames and sequence, no OpenGL. Null (after a console
// line) when the file is wrong. texture_load uses it; free with texture_anim_free.
texture_anim *texture_anim_read(data_stream *s);
void texture_anim_free(texture_anim *anim);
void texture_anim_update(int time);
void texture_anim_start(unsigned id, int time);
void texture_anim_pause(unsigned id);

// all = 0: deletes textures, images and animations that are neither permanent nor of the
// current generation. all = 1: deletes everything and empties the tables (shutdown).
void texture_purge(int all);
