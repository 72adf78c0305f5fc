// RIPEMD-160 as published (160-bit result, two parallel lines of five rounds each). The rounds are
// written out so that the compiler keeps the ten chaining words in registers; nothing allocates.
#include "data/ripemd160.h"
#include <cstring>

static inline std::uint32_t rol(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

#define F1(x, y, z) ((x) ^ (y) ^ (z))
#define F2(x, y, z) (((x) & (y)) | (~(x) & (z)))
#define F3(x, y, z) (((x) | ~(y)) ^ (z))
#define F4(x, y, z) (((x) & (z)) | ((y) & ~(z)))
#define F5(x, y, z) ((x) ^ ((y) | ~(z)))
// One step; instead of shifting the five words along, the next step names them rotated.
#define STEP(f, a, b, c, d, e, word, k, s)        \
    do {                                          \
        a += f(b, c, d) + (word) + (k);           \
        a = rol(a, s) + e;                        \
        c = rol(c, 10);                           \
    } while (0)

void ripemd160_init(ripemd160_ctx *ctx)
{
    ctx->chain[0] = 0x67452301;
    ctx->chain[1] = 0xEFCDAB89;
    ctx->chain[2] = 0x98BADCFE;
    ctx->chain[3] = 0x10325476;
    ctx->chain[4] = 0xC3D2E1F0;
    ctx->count_low = 0;
    ctx->count_high = 0;
    ctx->fill = 0;
}

void ripemd160_transform(ripemd160_ctx *ctx, const std::uint32_t x[16])
{
    std::uint32_t al = ctx->chain[0], bl = ctx->chain[1], cl = ctx->chain[2], dl = ctx->chain[3], el = ctx->chain[4];
    std::uint32_t ar = al, br = bl, cr = cl, dr = dl, er = el;

    // left line
    STEP(F1, al, bl, cl, dl, el, x[ 0], 0x00000000, 11);
    STEP(F1, el, al, bl, cl, dl, x[ 1], 0x00000000, 14);
    STEP(F1, dl, el, al, bl, cl, x[ 2], 0x00000000, 15);
    STEP(F1, cl, dl, el, al, bl, x[ 3], 0x00000000, 12);
    STEP(F1, bl, cl, dl, el, al, x[ 4], 0x00000000,  5);
    STEP(F1, al, bl, cl, dl, el, x[ 5], 0x00000000,  8);
    STEP(F1, el, al, bl, cl, dl, x[ 6], 0x00000000,  7);
    STEP(F1, dl, el, al, bl, cl, x[ 7], 0x00000000,  9);
    STEP(F1, cl, dl, el, al, bl, x[ 8], 0x00000000, 11);
    STEP(F1, bl, cl, dl, el, al, x[ 9], 0x00000000, 13);
    STEP(F1, al, bl, cl, dl, el, x[10], 0x00000000, 14);
    STEP(F1, el, al, bl, cl, dl, x[11], 0x00000000, 15);
    STEP(F1, dl, el, al, bl, cl, x[12], 0x00000000,  6);
    STEP(F1, cl, dl, el, al, bl, x[13], 0x00000000,  7);
    STEP(F1, bl, cl, dl, el, al, x[14], 0x00000000,  9);
    STEP(F1, al, bl, cl, dl, el, x[15], 0x00000000,  8);
    STEP(F2, el, al, bl, cl, dl, x[ 7], 0x5A827999,  7);
    STEP(F2, dl, el, al, bl, cl, x[ 4], 0x5A827999,  6);
    STEP(F2, cl, dl, el, al, bl, x[13], 0x5A827999,  8);
    STEP(F2, bl, cl, dl, el, al, x[ 1], 0x5A827999, 13);
    STEP(F2, al, bl, cl, dl, el, x[10], 0x5A827999, 11);
    STEP(F2, el, al, bl, cl, dl, x[ 6], 0x5A827999,  9);
    STEP(F2, dl, el, al, bl, cl, x[15], 0x5A827999,  7);
    STEP(F2, cl, dl, el, al, bl, x[ 3], 0x5A827999, 15);
    STEP(F2, bl, cl, dl, el, al, x[12], 0x5A827999,  7);
    STEP(F2, al, bl, cl, dl, el, x[ 0], 0x5A827999, 12);
    STEP(F2, el, al, bl, cl, dl, x[ 9], 0x5A827999, 15);
    STEP(F2, dl, el, al, bl, cl, x[ 5], 0x5A827999,  9);
    STEP(F2, cl, dl, el, al, bl, x[ 2], 0x5A827999, 11);
    STEP(F2, bl, cl, dl, el, al, x[14], 0x5A827999,  7);
    STEP(F2, al, bl, cl, dl, el, x[11], 0x5A827999, 13);
    STEP(F2, el, al, bl, cl, dl, x[ 8], 0x5A827999, 12);
    STEP(F3, dl, el, al, bl, cl, x[ 3], 0x6ED9EBA1, 11);
    STEP(F3, cl, dl, el, al, bl, x[10], 0x6ED9EBA1, 13);
    STEP(F3, bl, cl, dl, el, al, x[14], 0x6ED9EBA1,  6);
    STEP(F3, al, bl, cl, dl, el, x[ 4], 0x6ED9EBA1,  7);
    STEP(F3, el, al, bl, cl, dl, x[ 9], 0x6ED9EBA1, 14);
    STEP(F3, dl, el, al, bl, cl, x[15], 0x6ED9EBA1,  9);
    STEP(F3, cl, dl, el, al, bl, x[ 8], 0x6ED9EBA1, 13);
    STEP(F3, bl, cl, dl, el, al, x[ 1], 0x6ED9EBA1, 15);
    STEP(F3, al, bl, cl, dl, el, x[ 2], 0x6ED9EBA1, 14);
    STEP(F3, el, al, bl, cl, dl, x[ 7], 0x6ED9EBA1,  8);
    STEP(F3, dl, el, al, bl, cl, x[ 0], 0x6ED9EBA1, 13);
    STEP(F3, cl, dl, el, al, bl, x[ 6], 0x6ED9EBA1,  6);
    STEP(F3, bl, cl, dl, el, al, x[13], 0x6ED9EBA1,  5);
    STEP(F3, al, bl, cl, dl, el, x[11], 0x6ED9EBA1, 12);
    STEP(F3, el, al, bl, cl, dl, x[ 5], 0x6ED9EBA1,  7);
    STEP(F3, dl, el, al, bl, cl, x[12], 0x6ED9EBA1,  5);
    STEP(F4, cl, dl, el, al, bl, x[ 1], 0x8F1BBCDC, 11);
    STEP(F4, bl, cl, dl, el, al, x[ 9], 0x8F1BBCDC, 12);
    STEP(F4, al, bl, cl, dl, el, x[11], 0x8F1BBCDC, 14);
    STEP(F4, el, al, bl, cl, dl, x[10], 0x8F1BBCDC, 15);
    STEP(F4, dl, el, al, bl, cl, x[ 0], 0x8F1BBCDC, 14);
    STEP(F4, cl, dl, el, al, bl, x[ 8], 0x8F1BBCDC, 15);
    STEP(F4, bl, cl, dl, el, al, x[12], 0x8F1BBCDC,  9);
    STEP(F4, al, bl, cl, dl, el, x[ 4], 0x8F1BBCDC,  8);
    STEP(F4, el, al, bl, cl, dl, x[13], 0x8F1BBCDC,  9);
    STEP(F4, dl, el, al, bl, cl, x[ 3], 0x8F1BBCDC, 14);
    STEP(F4, cl, dl, el, al, bl, x[ 7], 0x8F1BBCDC,  5);
    STEP(F4, bl, cl, dl, el, al, x[15], 0x8F1BBCDC,  6);
    STEP(F4, al, bl, cl, dl, el, x[14], 0x8F1BBCDC,  8);
    STEP(F4, el, al, bl, cl, dl, x[ 5], 0x8F1BBCDC,  6);
    STEP(F4, dl, el, al, bl, cl, x[ 6], 0x8F1BBCDC,  5);
    STEP(F4, cl, dl, el, al, bl, x[ 2], 0x8F1BBCDC, 12);
    STEP(F5, bl, cl, dl, el, al, x[ 4], 0xA953FD4E,  9);
    STEP(F5, al, bl, cl, dl, el, x[ 0], 0xA953FD4E, 15);
    STEP(F5, el, al, bl, cl, dl, x[ 5], 0xA953FD4E,  5);
    STEP(F5, dl, el, al, bl, cl, x[ 9], 0xA953FD4E, 11);
    STEP(F5, cl, dl, el, al, bl, x[ 7], 0xA953FD4E,  6);
    STEP(F5, bl, cl, dl, el, al, x[12], 0xA953FD4E,  8);
    STEP(F5, al, bl, cl, dl, el, x[ 2], 0xA953FD4E, 13);
    STEP(F5, el, al, bl, cl, dl, x[10], 0xA953FD4E, 12);
    STEP(F5, dl, el, al, bl, cl, x[14], 0xA953FD4E,  5);
    STEP(F5, cl, dl, el, al, bl, x[ 1], 0xA953FD4E, 12);
    STEP(F5, bl, cl, dl, el, al, x[ 3], 0xA953FD4E, 13);
    STEP(F5, al, bl, cl, dl, el, x[ 8], 0xA953FD4E, 14);
    STEP(F5, el, al, bl, cl, dl, x[11], 0xA953FD4E, 11);
    STEP(F5, dl, el, al, bl, cl, x[ 6], 0xA953FD4E,  8);
    STEP(F5, cl, dl, el, al, bl, x[15], 0xA953FD4E,  5);
    STEP(F5, bl, cl, dl, el, al, x[13], 0xA953FD4E,  6);

    // right line
    STEP(F5, ar, br, cr, dr, er, x[ 5], 0x50A28BE6,  8);
    STEP(F5, er, ar, br, cr, dr, x[14], 0x50A28BE6,  9);
    STEP(F5, dr, er, ar, br, cr, x[ 7], 0x50A28BE6,  9);
    STEP(F5, cr, dr, er, ar, br, x[ 0], 0x50A28BE6, 11);
    STEP(F5, br, cr, dr, er, ar, x[ 9], 0x50A28BE6, 13);
    STEP(F5, ar, br, cr, dr, er, x[ 2], 0x50A28BE6, 15);
    STEP(F5, er, ar, br, cr, dr, x[11], 0x50A28BE6, 15);
    STEP(F5, dr, er, ar, br, cr, x[ 4], 0x50A28BE6,  5);
    STEP(F5, cr, dr, er, ar, br, x[13], 0x50A28BE6,  7);
    STEP(F5, br, cr, dr, er, ar, x[ 6], 0x50A28BE6,  7);
    STEP(F5, ar, br, cr, dr, er, x[15], 0x50A28BE6,  8);
    STEP(F5, er, ar, br, cr, dr, x[ 8], 0x50A28BE6, 11);
    STEP(F5, dr, er, ar, br, cr, x[ 1], 0x50A28BE6, 14);
    STEP(F5, cr, dr, er, ar, br, x[10], 0x50A28BE6, 14);
    STEP(F5, br, cr, dr, er, ar, x[ 3], 0x50A28BE6, 12);
    STEP(F5, ar, br, cr, dr, er, x[12], 0x50A28BE6,  6);
    STEP(F4, er, ar, br, cr, dr, x[ 6], 0x5C4DD124,  9);
    STEP(F4, dr, er, ar, br, cr, x[11], 0x5C4DD124, 13);
    STEP(F4, cr, dr, er, ar, br, x[ 3], 0x5C4DD124, 15);
    STEP(F4, br, cr, dr, er, ar, x[ 7], 0x5C4DD124,  7);
    STEP(F4, ar, br, cr, dr, er, x[ 0], 0x5C4DD124, 12);
    STEP(F4, er, ar, br, cr, dr, x[13], 0x5C4DD124,  8);
    STEP(F4, dr, er, ar, br, cr, x[ 5], 0x5C4DD124,  9);
    STEP(F4, cr, dr, er, ar, br, x[10], 0x5C4DD124, 11);
    STEP(F4, br, cr, dr, er, ar, x[14], 0x5C4DD124,  7);
    STEP(F4, ar, br, cr, dr, er, x[15], 0x5C4DD124,  7);
    STEP(F4, er, ar, br, cr, dr, x[ 8], 0x5C4DD124, 12);
    STEP(F4, dr, er, ar, br, cr, x[12], 0x5C4DD124,  7);
    STEP(F4, cr, dr, er, ar, br, x[ 4], 0x5C4DD124,  6);
    STEP(F4, br, cr, dr, er, ar, x[ 9], 0x5C4DD124, 15);
    STEP(F4, ar, br, cr, dr, er, x[ 1], 0x5C4DD124, 13);
    STEP(F4, er, ar, br, cr, dr, x[ 2], 0x5C4DD124, 11);
    STEP(F3, dr, er, ar, br, cr, x[15], 0x6D703EF3,  9);
    STEP(F3, cr, dr, er, ar, br, x[ 5], 0x6D703EF3,  7);
    STEP(F3, br, cr, dr, er, ar, x[ 1], 0x6D703EF3, 15);
    STEP(F3, ar, br, cr, dr, er, x[ 3], 0x6D703EF3, 11);
    STEP(F3, er, ar, br, cr, dr, x[ 7], 0x6D703EF3,  8);
    STEP(F3, dr, er, ar, br, cr, x[14], 0x6D703EF3,  6);
    STEP(F3, cr, dr, er, ar, br, x[ 6], 0x6D703EF3,  6);
    STEP(F3, br, cr, dr, er, ar, x[ 9], 0x6D703EF3, 14);
    STEP(F3, ar, br, cr, dr, er, x[11], 0x6D703EF3, 12);
    STEP(F3, er, ar, br, cr, dr, x[ 8], 0x6D703EF3, 13);
    STEP(F3, dr, er, ar, br, cr, x[12], 0x6D703EF3,  5);
    STEP(F3, cr, dr, er, ar, br, x[ 2], 0x6D703EF3, 14);
    STEP(F3, br, cr, dr, er, ar, x[10], 0x6D703EF3, 13);
    STEP(F3, ar, br, cr, dr, er, x[ 0], 0x6D703EF3, 13);
    STEP(F3, er, ar, br, cr, dr, x[ 4], 0x6D703EF3,  7);
    STEP(F3, dr, er, ar, br, cr, x[13], 0x6D703EF3,  5);
    STEP(F2, cr, dr, er, ar, br, x[ 8], 0x7A6D76E9, 15);
    STEP(F2, br, cr, dr, er, ar, x[ 6], 0x7A6D76E9,  5);
    STEP(F2, ar, br, cr, dr, er, x[ 4], 0x7A6D76E9,  8);
    STEP(F2, er, ar, br, cr, dr, x[ 1], 0x7A6D76E9, 11);
    STEP(F2, dr, er, ar, br, cr, x[ 3], 0x7A6D76E9, 14);
    STEP(F2, cr, dr, er, ar, br, x[11], 0x7A6D76E9, 14);
    STEP(F2, br, cr, dr, er, ar, x[15], 0x7A6D76E9,  6);
    STEP(F2, ar, br, cr, dr, er, x[ 0], 0x7A6D76E9, 14);
    STEP(F2, er, ar, br, cr, dr, x[ 5], 0x7A6D76E9,  6);
    STEP(F2, dr, er, ar, br, cr, x[12], 0x7A6D76E9,  9);
    STEP(F2, cr, dr, er, ar, br, x[ 2], 0x7A6D76E9, 12);
    STEP(F2, br, cr, dr, er, ar, x[13], 0x7A6D76E9,  9);
    STEP(F2, ar, br, cr, dr, er, x[ 9], 0x7A6D76E9, 12);
    STEP(F2, er, ar, br, cr, dr, x[ 7], 0x7A6D76E9,  5);
    STEP(F2, dr, er, ar, br, cr, x[10], 0x7A6D76E9, 15);
    STEP(F2, cr, dr, er, ar, br, x[14], 0x7A6D76E9,  8);
    STEP(F1, br, cr, dr, er, ar, x[12], 0x00000000,  8);
    STEP(F1, ar, br, cr, dr, er, x[15], 0x00000000,  5);
    STEP(F1, er, ar, br, cr, dr, x[10], 0x00000000, 12);
    STEP(F1, dr, er, ar, br, cr, x[ 4], 0x00000000,  9);
    STEP(F1, cr, dr, er, ar, br, x[ 1], 0x00000000, 12);
    STEP(F1, br, cr, dr, er, ar, x[ 5], 0x00000000,  5);
    STEP(F1, ar, br, cr, dr, er, x[ 8], 0x00000000, 14);
    STEP(F1, er, ar, br, cr, dr, x[ 7], 0x00000000,  6);
    STEP(F1, dr, er, ar, br, cr, x[ 6], 0x00000000,  8);
    STEP(F1, cr, dr, er, ar, br, x[ 2], 0x00000000, 13);
    STEP(F1, br, cr, dr, er, ar, x[13], 0x00000000,  6);
    STEP(F1, ar, br, cr, dr, er, x[14], 0x00000000,  5);
    STEP(F1, er, ar, br, cr, dr, x[ 0], 0x00000000, 15);
    STEP(F1, dr, er, ar, br, cr, x[ 3], 0x00000000, 13);
    STEP(F1, cr, dr, er, ar, br, x[ 9], 0x00000000, 11);
    STEP(F1, br, cr, dr, er, ar, x[11], 0x00000000, 11);

    std::uint32_t t = ctx->chain[1] + cl + dr;
    ctx->chain[1] = ctx->chain[2] + dl + er;
    ctx->chain[2] = ctx->chain[3] + el + ar;
    ctx->chain[3] = ctx->chain[4] + al + br;
    ctx->chain[4] = ctx->chain[0] + bl + cr;
    ctx->chain[0] = t;
}

static void transform_bytes(ripemd160_ctx *ctx, const std::uint8_t *p)
{
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i, p += 4)
        x[i] = (std::uint32_t)p[0] | (std::uint32_t)p[1] << 8 | (std::uint32_t)p[2] << 16 | (std::uint32_t)p[3] << 24;
    ripemd160_transform(ctx, x);
}

void ripemd160_update(ripemd160_ctx *ctx, const void *bytes, std::size_t count)
{
    const std::uint8_t *p = (const std::uint8_t *)bytes;
    std::uint32_t low = ctx->count_low + (std::uint32_t)count;
    ctx->count_high += (std::uint32_t)((std::uint64_t)count >> 32) + (low < ctx->count_low);
    ctx->count_low = low;

    if (ctx->fill) {
        std::size_t take = 64 - (std::size_t)ctx->fill;
        if (take > count) take = count;
        memcpy(ctx->block + ctx->fill, p, take);
        ctx->fill += (int)take;
        p += take;
        count -= take;
        if (ctx->fill < 64) return;
        transform_bytes(ctx, ctx->block);
        ctx->fill = 0;
    }
    for (; count >= 64; p += 64, count -= 64) transform_bytes(ctx, p);
    if (count) memcpy(ctx->block, p, count);
    ctx->fill = (int)count;
}

void ripemd160_final(ripemd160_ctx *ctx)
{
    std::uint32_t bits_low = ctx->count_low << 3;
    std::uint32_t bits_high = ctx->count_high << 3 | ctx->count_low >> 29;
    int n = ctx->fill;
    ctx->block[n++] = 0x80;
    if (n > 56) {
        memset(ctx->block + n, 0, 64 - n);
        transform_bytes(ctx, ctx->block);
        n = 0;
    }
    memset(ctx->block + n, 0, 56 - n);
    for (int i = 0; i < 4; ++i) {
        ctx->block[56 + i] = (std::uint8_t)(bits_low >> (8 * i));
        ctx->block[60 + i] = (std::uint8_t)(bits_high >> (8 * i));
    }
    transform_bytes(ctx, ctx->block);
    ctx->fill = 0;
    for (int i = 0; i < 20; ++i) ctx->digest[i] = (std::uint8_t)(ctx->chain[i / 4] >> (8 * (i % 4)));
}
