// Row blends of ground composition: plain integer loops and their SSE2 twins.
//
// Both forms find their texels the same way (the helpers below), so they differ only in the
// arithmetic of the blend: exact division by 255 in the plain form, products scaled by 257 and
// kept as their high 16 bits in the SIMD form, which is within one unit and exact for alpha 0
// and 255 (so the SIMD loops need no branch on alpha).
#include "graphics/blend.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Coordinates step in unsigned arithmetic (wrapping instead of overflowing) and are read
// back as signed, so a start left of or above the image clamps to its first texel.
inline int texel_index(std::uint32_t c, int size)
{
    int i = (std::int32_t)c >> 16;
    return i < 0 ? 0 : i >= size ? size - 1 : i;
}

// 8.8 sampling position on one axis: first texel, the next one (the same on a 1-texel axis)
// and the fraction towards it.
struct axis_sample {
    int first, second, fraction;
};

inline axis_sample axis_at(std::int64_t pos_8_8, int size)
{
    std::int64_t top = (std::int64_t)size * 256 - 257;   // the texel after `first` must exist
    if (top < 0) top = 0;
    if (pos_8_8 < 0) pos_8_8 = 0;
    if (pos_8_8 > top) pos_8_8 = top;
    axis_sample a;
    a.first = (int)(pos_8_8 >> 8);
    a.fraction = (int)(pos_8_8 & 255);
    a.second = a.first + 1 < size ? a.first + 1 : a.first;
    return a;
}

// Texel centres lie half a texel in from the texel corners.
inline axis_sample axis_centred(std::uint32_t c, int size)
{
    return axis_at(((std::int64_t)(std::int32_t)c - 0x8000) >> 8, size);
}

inline axis_sample axis_corner(std::uint32_t c, int size)
{
    return axis_at((std::int64_t)(std::int32_t)c >> 8, size);
}

inline std::uint8_t blend_channel(unsigned s, unsigned d, unsigned a)
{
    return (std::uint8_t)((s * a + d * (255 - a)) / 255);
}

// Bilinear RGBA sample: every channel as its 16.16 weighted sum, shifted down to a byte.
inline void sample_rgba(const std::uint32_t *image, int width, const axis_sample &x,
                        const axis_sample &y, unsigned out[4])
{
    const std::uint8_t *t00 = (const std::uint8_t *)&image[(std::size_t)y.first * width + x.first];
    const std::uint8_t *t10 = (const std::uint8_t *)&image[(std::size_t)y.first * width + x.second];
    const std::uint8_t *t01 = (const std::uint8_t *)&image[(std::size_t)y.second * width + x.first];
    const std::uint8_t *t11 = (const std::uint8_t *)&image[(std::size_t)y.second * width + x.second];
    unsigned fx = x.fraction, fy = y.fraction;
    unsigned w00 = (256 - fx) * (256 - fy), w10 = fx * (256 - fy), w01 = (256 - fx) * fy, w11 = fx * fy;
    for (int c = 0; c < 4; ++c)
        out[c] = (t00[c] * w00 + t10[c] * w10 + t01[c] * w01 + t11[c] * w11) >> 16;
}

} // namespace

void blend_argb_row_nearest_plain(std::uint8_t *row, int count, const std::uint32_t *image,
                                  int width, int height, std::int32_t u, std::int32_t v,
                                  std::int32_t du, std::int32_t dv)
{
    std::uint32_t cu = (std::uint32_t)u, cv = (std::uint32_t)v;
    for (int i = 0; i < count; ++i, row += 3, cu += (std::uint32_t)du, cv += (std::uint32_t)dv) {
        const std::uint8_t *t =
            (const std::uint8_t *)&image[(std::size_t)texel_index(cv, height) * width + texel_index(cu, width)];
        unsigned a = t[3];
        if (a == 0) continue;
        if (a == 255) {
            row[0] = t[0]; row[1] = t[1]; row[2] = t[2];
            continue;
        }
        for (int c = 0; c < 3; ++c) row[c] = blend_channel(t[c], row[c], a);
    }
}

void blend_argb_row_bilinear_plain(std::uint8_t *row, int count, const std::uint32_t *image,
                                   int width, int height, std::int32_t u, std::int32_t v,
                                   std::int32_t du, std::int32_t dv)
{
    std::uint32_t cu = (std::uint32_t)u, cv = (std::uint32_t)v;
    for (int i = 0; i < count; ++i, row += 3, cu += (std::uint32_t)du, cv += (std::uint32_t)dv) {
        unsigned s[4];
        sample_rgba(image, width, axis_centred(cu, width), axis_centred(cv, height), s);
        unsigned a = s[3];
        if (a == 0) continue;
        if (a == 255) {
            row[0] = (std::uint8_t)s[0]; row[1] = (std::uint8_t)s[1]; row[2] = (std::uint8_t)s[2];
            continue;
        }
        for (int c = 0; c < 3; ++c) row[c] = blend_channel(s[c], row[c], a);
    }
}

void modulate_rgb_row_plain(std::uint8_t *row, int count, const std::uint8_t *image, int width,
                            int height, std::int32_t u, std::int32_t v, std::int32_t du)
{
    axis_sample y = axis_corner((std::uint32_t)v, height);
    const std::uint8_t *r0 = image + (std::size_t)y.first * width * 3;
    const std::uint8_t *r1 = image + (std::size_t)y.second * width * 3;
    std::uint32_t cu = (std::uint32_t)u;
    for (int i = 0; i < count; ++i, row += 3, cu += (std::uint32_t)du) {
        axis_sample x = axis_corner(cu, width);
        unsigned fx = x.fraction, fy = y.fraction;
        unsigned w00 = (256 - fx) * (256 - fy), w10 = fx * (256 - fy), w01 = (256 - fx) * fy, w11 = fx * fy;
        for (int c = 0; c < 3; ++c) {
            std::uint32_t sum = r0[x.first * 3 + c] * w00 + r0[x.second * 3 + c] * w10 +
                                r1[x.first * 3 + c] * w01 + r1[x.second * 3 + c] * w11;
            std::uint32_t lit = (std::uint32_t)(((std::uint64_t)row[c] * sum) >> 23);
            row[c] = (std::uint8_t)(lit > 255 ? 255 : lit);
        }
    }
}

#if defined(__SSE2__)

namespace {

inline std::uint32_t load_rgb(const std::uint8_t *p)
{
    return (std::uint32_t)p[0] | (std::uint32_t)p[1] << 8 | (std::uint32_t)p[2] << 16;
}

inline void store_rgb(std::uint8_t *p, std::uint32_t rgb)
{
    p[0] = (std::uint8_t)rgb;
    p[1] = (std::uint8_t)(rgb >> 8);
    p[2] = (std::uint8_t)(rgb >> 16);
}

// Blends up to two texels at once: src and dst hold 16-bit channels, texel 0 in lanes 0-3 and
// texel 1 in lanes 4-7, alpha in lanes 3 and 7. Returns the blended channels as bytes in the
// low 8 bytes.
inline __m128i blend_lanes(__m128i src, __m128i dst)
{
    const __m128i k257 = _mm_set1_epi16(257), k255 = _mm_set1_epi16(255);
    __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(src, 0xFF), 0xFF);
    __m128i a257 = _mm_mullo_epi16(alpha, k257);
    __m128i inv257 = _mm_mullo_epi16(_mm_sub_epi16(k255, alpha), k257);
    __m128i s = _mm_mulhi_epu16(_mm_mullo_epi16(src, k257), a257);
    __m128i d = _mm_mulhi_epu16(_mm_mullo_epi16(dst, k257), inv257);
    __m128i sum = _mm_srli_epi16(_mm_adds_epu16(s, d), 8);
    return _mm_packus_epi16(sum, sum);
}

// Bilinear RGBA sample as four 32-bit lanes of 16.16 sums shifted to bytes, the same values
// as sample_rgba computes.
inline __m128i sample_rgba_sse2(const std::uint32_t *image, int width, const axis_sample &x,
                                const axis_sample &y)
{
    const __m128i zero = _mm_setzero_si128();
    const std::uint32_t *r0 = image + (std::size_t)y.first * width;
    const std::uint32_t *r1 = image + (std::size_t)y.second * width;
    __m128i top = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, (int)r0[x.second], (int)r0[x.first]), zero);
    __m128i bottom = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, (int)r1[x.second], (int)r1[x.first]), zero);
    short fx = (short)x.fraction, gx = (short)(256 - x.fraction);
    short fy = (short)y.fraction, gy = (short)(256 - y.fraction);
    __m128i wx = _mm_set_epi16(fx, fx, fx, fx, gx, gx, gx, gx);
    __m128i wy = _mm_set_epi16(fy, fy, fy, fy, gy, gy, gy, gy);
    // Horizontal step in 16 bits (at most 255 x 256), then the vertical one as exact 32-bit
    // products built from the low and high halves.
    top = _mm_mullo_epi16(top, wx);
    bottom = _mm_mullo_epi16(bottom, wx);
    top = _mm_add_epi16(top, _mm_srli_si128(top, 8));
    bottom = _mm_add_epi16(bottom, _mm_srli_si128(bottom, 8));
    __m128i h = _mm_unpacklo_epi64(top, bottom);
    __m128i lo = _mm_mullo_epi16(h, wy), hi = _mm_mulhi_epu16(h, wy);
    __m128i sum = _mm_add_epi32(_mm_unpacklo_epi16(lo, hi), _mm_unpackhi_epi16(lo, hi));
    return sum;   // 16.16 weighted sums of R, G, B, A
}

} // namespace

void blend_argb_row_nearest(std::uint8_t *row, int count, const std::uint32_t *image, int width,
                            int height, std::int32_t u, std::int32_t v, std::int32_t du,
                            std::int32_t dv)
{
    const __m128i zero = _mm_setzero_si128();
    std::uint32_t cu = (std::uint32_t)u, cv = (std::uint32_t)v;
    int i = 0;
    for (; i + 1 < count; i += 2, row += 6) {
        std::uint32_t t0 = image[(std::size_t)texel_index(cv, height) * width + texel_index(cu, width)];
        cu += (std::uint32_t)du, cv += (std::uint32_t)dv;
        std::uint32_t t1 = image[(std::size_t)texel_index(cv, height) * width + texel_index(cu, width)];
        cu += (std::uint32_t)du, cv += (std::uint32_t)dv;
        // Decals are mostly fully transparent or fully opaque texels: no arithmetic for those.
        std::uint32_t both = t0 & t1, either = t0 | t1;
        if (either >> 24 == 0) continue;
        if (both >> 24 == 255) {
            store_rgb(row, t0);
            store_rgb(row + 3, t1);
            continue;
        }
        __m128i src = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, (int)t1, (int)t0), zero);
        __m128i dst = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, (int)load_rgb(row + 3), (int)load_rgb(row)), zero);
        __m128i out = blend_lanes(src, dst);
        store_rgb(row, (std::uint32_t)_mm_cvtsi128_si32(out));
        store_rgb(row + 3, (std::uint32_t)_mm_cvtsi128_si32(_mm_srli_si128(out, 4)));
    }
    if (i < count) {
        std::uint32_t t0 = image[(std::size_t)texel_index(cv, height) * width + texel_index(cu, width)];
        __m128i src = _mm_unpacklo_epi8(_mm_cvtsi32_si128((int)t0), zero);
        __m128i dst = _mm_unpacklo_epi8(_mm_cvtsi32_si128((int)load_rgb(row)), zero);
        store_rgb(row, (std::uint32_t)_mm_cvtsi128_si32(blend_lanes(src, dst)));
    }
}

void blend_argb_row_bilinear(std::uint8_t *row, int count, const std::uint32_t *image, int width,
                             int height, std::int32_t u, std::int32_t v, std::int32_t du,
                             std::int32_t dv)
{
    const __m128i zero = _mm_setzero_si128();
    std::uint32_t cu = (std::uint32_t)u, cv = (std::uint32_t)v;
    for (int i = 0; i < count; ++i, row += 3, cu += (std::uint32_t)du, cv += (std::uint32_t)dv) {
        __m128i sum = sample_rgba_sse2(image, width, axis_centred(cu, width), axis_centred(cv, height));
        __m128i s32 = _mm_srli_epi32(sum, 16);
        __m128i src = _mm_packs_epi32(s32, zero);
        __m128i dst = _mm_unpacklo_epi8(_mm_cvtsi32_si128((int)load_rgb(row)), zero);
        store_rgb(row, (std::uint32_t)_mm_cvtsi128_si32(blend_lanes(src, dst)));
    }
}

// Lighting of two texels at once: texel 0 in lanes 0-3, texel 1 in lanes 4-7 (the fourth lane of
// each is unused). Horizontal interpolation in 16 bits (at most 255 x 256), the vertical one as
// exact 32-bit products, then S (about 256 x s) against the destination.
static inline __m128i modulate_pair(const std::uint8_t *r0, const std::uint8_t *r1,
                                    const axis_sample &x0, const axis_sample &x1, __m128i gy,
                                    __m128i fy, __m128i dst)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i bias32 = _mm_set1_epi32(32768), bias16 = _mm_set1_epi16((short)0x8000);
    const __m128i k255 = _mm_set1_epi16(255);
    auto pair = [&](const std::uint8_t *r, int a, int b) {
        return _mm_unpacklo_epi8(_mm_set_epi32(0, 0, (int)load_rgb(r + b * 3), (int)load_rgb(r + a * 3)), zero);
    };
    __m128i tl = pair(r0, x0.first, x1.first), tr = pair(r0, x0.second, x1.second);
    __m128i bl = pair(r1, x0.first, x1.first), br = pair(r1, x0.second, x1.second);
    short f0 = (short)x0.fraction, f1 = (short)x1.fraction;
    __m128i fx = _mm_set_epi16(f1, f1, f1, f1, f0, f0, f0, f0);
    __m128i gx = _mm_sub_epi16(_mm_set1_epi16(256), fx);
    __m128i top = _mm_add_epi16(_mm_mullo_epi16(tl, gx), _mm_mullo_epi16(tr, fx));
    __m128i bottom = _mm_add_epi16(_mm_mullo_epi16(bl, gx), _mm_mullo_epi16(br, fx));
    __m128i tlo = _mm_mullo_epi16(top, gy), thi = _mm_mulhi_epu16(top, gy);
    __m128i blo = _mm_mullo_epi16(bottom, fy), bhi = _mm_mulhi_epu16(bottom, fy);
    __m128i sum0 = _mm_add_epi32(_mm_unpacklo_epi16(tlo, thi), _mm_unpacklo_epi16(blo, bhi));
    __m128i sum1 = _mm_add_epi32(_mm_unpackhi_epi16(tlo, thi), _mm_unpackhi_epi16(blo, bhi));
    // S packed unsigned through a bias (SSE2 has only the signed 32-to-16 pack).
    __m128i s = _mm_packs_epi32(_mm_sub_epi32(_mm_srli_epi32(sum0, 8), bias32),
                                _mm_sub_epi32(_mm_srli_epi32(sum1, 8), bias32));
    s = _mm_add_epi16(s, bias16);
    __m128i lit = _mm_srli_epi16(_mm_mulhi_epu16(_mm_slli_epi16(dst, 8), s), 7);
    lit = _mm_min_epi16(lit, k255);
    return _mm_packus_epi16(lit, lit);
}

void modulate_rgb_row(std::uint8_t *row, int count, const std::uint8_t *image, int width,
                      int height, std::int32_t u, std::int32_t v, std::int32_t du)
{
    const __m128i zero = _mm_setzero_si128();
    axis_sample y = axis_corner((std::uint32_t)v, height);
    const std::uint8_t *r0 = image + (std::size_t)y.first * width * 3;
    const std::uint8_t *r1 = image + (std::size_t)y.second * width * 3;
    const __m128i fy = _mm_set1_epi16((short)y.fraction), gy = _mm_set1_epi16((short)(256 - y.fraction));
    std::uint32_t cu = (std::uint32_t)u;
    int i = 0;
    for (; i + 1 < count; i += 2, row += 6) {
        axis_sample x0 = axis_corner(cu, width);
        cu += (std::uint32_t)du;
        axis_sample x1 = axis_corner(cu, width);
        cu += (std::uint32_t)du;
        __m128i dst = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, (int)load_rgb(row + 3), (int)load_rgb(row)), zero);
        __m128i out = modulate_pair(r0, r1, x0, x1, gy, fy, dst);
        store_rgb(row, (std::uint32_t)_mm_cvtsi128_si32(out));
        store_rgb(row + 3, (std::uint32_t)_mm_cvtsi128_si32(_mm_srli_si128(out, 4)));
    }
    if (i < count) {
        axis_sample x0 = axis_corner(cu, width);
        __m128i dst = _mm_unpacklo_epi8(_mm_cvtsi32_si128((int)load_rgb(row)), zero);
        store_rgb(row, (std::uint32_t)_mm_cvtsi128_si32(modulate_pair(r0, r1, x0, x0, gy, fy, dst)));
    }
}

#else

void blend_argb_row_nearest(std::uint8_t *row, int count, const std::uint32_t *image, int width,
                            int height, std::int32_t u, std::int32_t v, std::int32_t du,
                            std::int32_t dv)
{
    blend_argb_row_nearest_plain(row, count, image, width, height, u, v, du, dv);
}

void blend_argb_row_bilinear(std::uint8_t *row, int count, const std::uint32_t *image, int width,
                             int height, std::int32_t u, std::int32_t v, std::int32_t du,
                             std::int32_t dv)
{
    blend_argb_row_bilinear_plain(row, count, image, width, height, u, v, du, dv);
}

void modulate_rgb_row(std::uint8_t *row, int count, const std::uint8_t *image, int width,
                      int height, std::int32_t u, std::int32_t v, std::int32_t du)
{
    modulate_rgb_row_plain(row, count, image, width, height, u, v, du);
}

#endif
