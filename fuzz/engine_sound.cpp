// Arbitrary bytes as a bike's ".braap" file, a sound table "t" and its sample file (parts split
// at zero bytes), then a few seconds of engine over a swept speed and torque: the ring stays
// within -16..16 and the writer 4410 samples ahead of a still player.
#include "bike/engine_sound.h"
#include "fuzz_sound_io.h"
#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_sound_install();
    fuzz_sound_files &f = fuzz_sound_current();
    std::string all((const char *)data, size);
    std::size_t a = all.find('\0');
    std::size_t b = a == std::string::npos ? a : all.find('\0', a + 1);
    f.braap = all.substr(0, a);
    f.table = a == std::string::npos ? std::string() : all.substr(a + 1, b == std::string::npos ? b : b - a - 1);
    f.samples = b == std::string::npos ? std::string() : all.substr(b + 1);
    engine_sound_load_block(1, "250", "@x.png", nullptr);
    const float at[3] = {0, 0, 0};
    for (int k = 0; k < 12; ++k) {
        const float rpm = (float)(k * 1500), torque = (float)(k % 5) * 2 - 4;
        engine_sound_synthesise(1, rpm, torque, at, at, 1);
    }
    const engine_sound_slot &s = engine_sound_slots[1];
    for (float v : s.ring) if (!(v >= -16 && v <= 16)) abort();
    if (s.write_position != 4410) abort();
    if (!(s.firing_rate >= 5 && s.firing_rate <= 44100)) abort();
    fuzz_free((voice *)engine_voices[1]);
    engine_voices[1] = nullptr;
    engine_sound_tables_free();
    engine_sound_table_list_free();
    return 0;
}
