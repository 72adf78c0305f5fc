// data/ripemd160.h — the incremental RIPEMD-160 digest used for track and file fingerprints.
#pragma once
#include <cstdint>
#include <cstddef>

struct ripemd160_ctx {
    std::uint32_t chain[5];
    std::uint8_t  digest[20];
    std::uint32_t count_low, count_high;   // bytes fed
    std::uint8_t  block[64];
    int           fill;
};

void ripemd160_init(ripemd160_ctx *ctx);
void ripemd160_update(ripemd160_ctx *ctx, const void *bytes, std::size_t count);
void ripemd160_final(ripemd160_ctx *ctx);   // result in ctx->digest
void ripemd160_transform(ripemd160_ctx *ctx, const std::uint32_t words[16]);
