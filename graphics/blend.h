// graphics/blend.h — the inner loops of ground composition on the processor, one row at a time.
//
// The destination row is R, G, B bytes per texel. The RGBA source is one 32-bit word per texel,
// R in the lowest byte and alpha in the highest (RGBA bytes in memory). The RGB source is 3 bytes
// per texel, rows of `width` texels. Coordinates and steps are 16.16 fixed point; every sample
// is clamped into the image, so no coordinate reads outside it (images 1 texel wide or high
// included).
//
// Each loop comes twice: the SIMD form (SSE2 on x86-64, working on all channels of a texel at
// once in 16-bit saturated arithmetic with no division) and the plain integer form (8-bit
// fractions, exact division by 255). mmx_available (graphics/cpu.h) picks one per row; both
// give the same picture within one unit per channel.
#pragma once
#include <cstdint>

// Nearest texel: column u >> 16, row v >> 16. Alpha 0 leaves the texel, 255 copies it, else
// (s a + d (255 - a)) / 255 per channel. u += du, v += dv per texel.
void blend_argb_row_nearest(std::uint8_t *row, int count, const std::uint32_t *image, int width,
                            int height, std::int32_t u, std::int32_t v, std::int32_t du,
                            std::int32_t dv);
void blend_argb_row_nearest_plain(std::uint8_t *row, int count, const std::uint32_t *image,
                                  int width, int height, std::int32_t u, std::int32_t v,
                                  std::int32_t du, std::int32_t dv);

// Bilinear between texel centres: the point less half a texel, in 8.8, clamped so the texel to
// the right and the one below exist; colour and alpha interpolated, then blended as above.
void blend_argb_row_bilinear(std::uint8_t *row, int count, const std::uint32_t *image, int width,
                             int height, std::int32_t u, std::int32_t v, std::int32_t du,
                             std::int32_t dv);
void blend_argb_row_bilinear_plain(std::uint8_t *row, int count, const std::uint32_t *image,
                                   int width, int height, std::int32_t u, std::int32_t v,
                                   std::int32_t du, std::int32_t dv);

// Lighting: the RGB image sampled bilinearly at (u, v) (samples at texel corners, as vertex
// colours are), each channel becoming min(255, d x s / 128): 128 leaves the texel, 255 nearly
// doubles it. v stays constant along the row.
void modulate_rgb_row(std::uint8_t *row, int count, const std::uint8_t *image, int width,
                      int height, std::int32_t u, std::int32_t v, std::int32_t du);
void modulate_rgb_row_plain(std::uint8_t *row, int count, const std::uint8_t *image, int width,
                            int height, std::int32_t u, std::int32_t v, std::int32_t du);
