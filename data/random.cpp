// The program's one MT19937 generator. The state is twisted one word per call instead of 624 at
// once; the words a twist reads are then in the same generation either way, so the sequence is
// the reference one.
#include "data/util.h"

enum { MT_N = 624, MT_M = 397 };

static struct {
    std::uint32_t state[MT_N];
    int           index;   // 0..624; 624 right after seeding
} g_random;

void random_seed(std::uint32_t seed)
{
    g_random.state[0] = seed;
    for (int i = 1; i < MT_N; ++i) {
        std::uint32_t prev = g_random.state[i - 1];
        g_random.state[i] = 1812433253u * (prev ^ (prev >> 30)) + (std::uint32_t)i;
    }
    g_random.index = MT_N;
}

std::uint32_t random_next(void)
{
    if (g_random.index >= MT_N) g_random.index = 0;
    int i = g_random.index++;
    std::uint32_t *mt = g_random.state;
    std::uint32_t y = (mt[i] & 0x80000000u) | (mt[(i + 1) % MT_N] & 0x7FFFFFFFu);
    mt[i] = mt[(i + MT_M) % MT_N] ^ (y >> 1) ^ ((y & 1) ? 0x9908B0DFu : 0u);

    y = mt[i];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}
