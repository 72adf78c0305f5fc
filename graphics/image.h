// graphics/image.h — in-memory images with their mip chains, and the simple image files:
// PPM (P6, P3), PGM (P5, P2) and our own predictive K6 (RGB) and K7 (RGBA).
//
// An image is rows top to bottom, each left to right, 1, 3 or 4 bytes per pixel, no row padding.
// A mip chain keeps every level behind the one before in one allocation, each level halved
// (integer division, at least 1) down to 1 x 1. Buffers come from alloc_or_die; whoever
// receives one frees it with mem_free.
#pragma once
#include <cstddef>

struct data_stream;

enum {
    IMAGE_HALVE_MAX_ALPHA = 1,  // a halved pixel keeps the largest alpha of its sources
    IMAGE_MAX_SIDE = 16384,     // larger sides are refused by every reader
    IMAGE_MAX_PIXELS = 1 << 25, // so is a level 0 of more pixels (a 4097 x 4097 shading fits)
};

// Bytes of a whole chain for width x height at channels bytes per pixel (0 for a bad size).
std::size_t image_chain_bytes(int width, int height, int channels);
// Size of the level after (width, height): each side halved, at least 1.
void image_next_level(int *width, int *height);
// 1 when the size is one the readers accept (both sides 1..IMAGE_MAX_SIDE, area bounded).
int  image_size_ok(long long width, long long height);

// Writes the level after this one right behind it. A 1 x 1 level produces nothing.
void image_halve(unsigned char *level, int width, int height, int channels, int flags);
// The line form for RGBA levels one pixel wide or high: count pixels in, count / 2 out behind.
void image_halve_row_rgba(unsigned char *row, int count, int flags);
// Fills every level behind level 0 of a chain.
void image_build_mips(unsigned char *pixels, int width, int height, int channels, int flags);
void image_build_mips_rgb(unsigned char *pixels, int width, int height);
void image_build_mips_rgba(unsigned char *pixels, int width, int height);

// Readers of the simple formats. image_read_ppm and image_read_kpnm take a stream whose first
// word has been read and passed in; image_read_pgm and image_read_rgb read it themselves.
// Each returns 1 with a new buffer, or 0 with nothing allocated.
int image_read_ppm(const char *first_word, data_stream *s, unsigned char **pixels, int *width,
                   int *height);
int image_read_pgm(data_stream *s, unsigned char **pixels, int *width, int *height);
int image_read_kpnm(const char *first_word, data_stream *s, unsigned char **pixels, int *width,
                    int *height, int channels);
int image_read_rgb(data_stream *s, unsigned char **pixels, int *width, int *height);

// The word scanning the readers share, over the stream's bytes. A word is up to size - 1
// bytes after white space (longer words are read to their end and cut); the byte that ends
// it is consumed. Returns 1, or 0 at the end of the stream.
int image_scan_word(data_stream *s, char *word, int size);
// A header number: white space and "#" comment lines may come before it. Returns 1 with the
// value (saturated to the int range), or 0 with -1 when no number is there.
int image_scan_number(data_stream *s, int *value);
