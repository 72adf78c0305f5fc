// Arbitrary bytes as a track's "lines_novice", loaded into a store of three sections (one
// first-lap section, two lap sections) as the race reset loads it.
#include "racing/lines_file.h"
#include "racing/race.h"
#include "data/mem.h"
#include "data/paths.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"
#include "tests/fixtures/temp_folders.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

static std::string setup(void)
{
    static std::string file;
    if (!file.empty()) return file;
    char made[] = "/tmp/rl_fuzz_lines_XXXXXX";
    if (!temp_folder_make(made)) abort();
    setenv("XDG_DATA_HOME", made, 1);
    search_folders_free();
    std::string folder = std::string(made) + "/Rutline/fuzz/";
    make_parent_folders(folder.c_str());
    file = folder + "lines_novice";
    track_name = "fuzz";
    first_lap_switch_count = 1;
    normal_lap_switch_count = 2;
    line_store = (learned_line *)alloc_or_die(sizeof(learned_line) * 3 * LINE_SLOTS_PER_SECTION);
    for (int i = 0; i < 3 * LINE_SLOTS_PER_SECTION; ++i)
        line_store[i] = learned_line{nullptr, 0, 1000000, 1000000, 0, 1000000, 1000000, 0, 0, 0, 0, 0};
    return file;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &file = setup();
    FILE *f = fopen(file.c_str(), "wb");
    if (!f) abort();
    if (size) fwrite(data, 1, size, f);
    fclose(f);

    lines_load(0);
    if (lines_skill != 0) abort();
    for (int i = 0; i < 3 * LINE_SLOTS_PER_SECTION; ++i) {
        const learned_line &l = line_store[i];
        if (l.sample_count < 0 || (l.sample_count > 0) != (l.samples != nullptr) || (l.sample_count > 0) != (l.id > 0))
            abort();
        const int counts[] = {l.section_time, l.two_section_time, l.tested_count, l.best_section_time,
                              l.best_two_section_time, l.section_time_sum, l.two_section_time_sum, l.failure_count};
        for (int c : counts)
            if (c < 0 || c > 100000000) abort();
        if (l.tested_count > 65535 || l.failure_count > 65535) abort();
        for (int k = 0; k < l.sample_count; ++k) {
            const line_sample &p = l.samples[k];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) || !std::isfinite(p.speed) ||
                !std::isfinite(p.lean))
                abort();
        }
    }
    lines_free();
    return 0;
}
