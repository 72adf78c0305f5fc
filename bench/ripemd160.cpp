// Our RIPEMD-160 against libcrypto's in one run, on a 16-byte message and a 1 MiB file.
#include <benchmark/benchmark.h>
#include "data/ripemd160.h"
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <vector>

static std::vector<unsigned char> message(size_t n)
{
    std::vector<unsigned char> m(n);
    for (size_t i = 0; i < n; ++i) m[i] = (unsigned char)(i * 131 + 7);
    return m;
}

static void BM_Ours(benchmark::State &state)
{
    auto m = message((size_t)state.range(0));
    for (auto _ : state) {
        ripemd160_ctx ctx;
        ripemd160_init(&ctx);
        ripemd160_update(&ctx, m.data(), m.size());
        ripemd160_final(&ctx);
        benchmark::DoNotOptimize(ctx.digest[0]);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}
BENCHMARK(BM_Ours)->Arg(16)->Arg(1 << 20);

static EVP_MD *libcrypto_md(void)
{
    static EVP_MD *md = [] {
        EVP_MD *found = EVP_MD_fetch(nullptr, "RIPEMD160", nullptr);
        if (!found && OSSL_PROVIDER_load(nullptr, "legacy")) found = EVP_MD_fetch(nullptr, "RIPEMD160", nullptr);
        return found;
    }();
    return md;
}

static void BM_Libcrypto(benchmark::State &state)
{
    EVP_MD *md = libcrypto_md();
    if (!md) {
        state.SkipWithError("libcrypto offers no RIPEMD160");
        return;
    }
    auto m = message((size_t)state.range(0));
    EVP_MD_CTX *ctx = EVP_MD_CTX_new();
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int n;
    for (auto _ : state) {
        EVP_DigestInit_ex(ctx, md, nullptr);
        EVP_DigestUpdate(ctx, m.data(), m.size());
        EVP_DigestFinal_ex(ctx, out, &n);
        benchmark::DoNotOptimize(out[0]);
    }
    EVP_MD_CTX_free(ctx);
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}
BENCHMARK(BM_Libcrypto)->Arg(16)->Arg(1 << 20);
