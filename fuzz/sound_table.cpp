// Arbitrary bytes as a "SOUNDTABLE" file and the sample file it names (after the first zero
// byte): a table that loads has 1..256 rows and columns, cells of 1..2^20-1 events with remap
// values within them, and samples within -1..1.
#include "bike/sound_table.h"
#include "fuzz_sound_io.h"
#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_sound_install();
    fuzz_sound_files &f = fuzz_sound_current();
    std::string all((const char *)data, size);
    std::size_t zero = all.find('\0');
    f.table = all.substr(0, zero);
    f.samples = zero == std::string::npos ? std::string() : all.substr(zero + 1);
    if (sound_table *t = sound_table_load("t")) {
        if (t->rows < 1 || t->rows > 256 || t->columns < 1 || t->columns > 256) abort();
        for (int i = 0; i < t->rows * t->columns; ++i) {
            const sound_table_entry &e = t->entries[i];
            if (e.events < 1 || e.events >= SOUND_EVENTS_MAX || e.sample_count < 1 || e.sample_count > SOUND_SAMPLE_MAX)
                abort();
            for (int k = 0; k < e.remap_count; ++k) if (e.remap[k] < 0 || e.remap[k] >= e.events) abort();
            for (int k = 0; k < e.sample_count; ++k) if (!(std::fabs(e.samples[k]) <= 1)) abort();
        }
        if (sound_table_load("t") != t) abort();
    }
    engine_sound_tables_free();
    engine_sound_table_list_free();
    return 0;
}
