// Arbitrary bytes as a ".braap" file over a class block: lists keep 0..100 numbers, all
// finite; every echo stays within the ring and every gain is finite.
#include "bike/braap.h"
#include "bike/engine_sound.h"
#include "data/stream.h"
#include "fuzz_input.h"
#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &path = fuzz_write_input("braap", "b.braap", data, size);
    engine_sound_params p;
    memset(&p, 0, sizeof p);
    data_stream *in = data_open(path.c_str(), "rb");
    if (!in) abort();
    braap_read(in, &p);
    data_close(in);
    if (p.bias_count < 0 || p.bias_count > ENGINE_SOUND_LIST || p.scale_count < 0 || p.scale_count > ENGINE_SOUND_LIST)
        abort();
    for (int i = 0; i < p.bias_count; ++i) if (!std::isfinite(p.bias[i])) abort();
    for (int i = 0; i < p.scale_count; ++i) if (!std::isfinite(p.scale[i])) abort();
    for (int i = 0; i < ENGINE_SOUND_BANDS; ++i)
        if (p.pipe_delay[i] < 1 || p.pipe_delay[i] > ENGINE_SOUND_RING || !std::isfinite(p.pipe_gain[i])) abort();
    if (!std::isfinite(p.minrpm) || !std::isfinite(p.lowtorque) || !std::isfinite(p.hightorque)) abort();
    engine_sound_tables_free();
    engine_sound_table_list_free();
    return 0;
}
