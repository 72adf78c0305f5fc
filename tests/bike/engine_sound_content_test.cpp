// The generated engine sounds read through the real data files: each class default names a
// table of 5 speeds × 2 loads whose cells play at their own speed, at levels that are heard.
#include "bike/engine_sound.h"
#include "bike/sound_table.h"
#include "bike_fixture.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "engine_sound_fake.h"
#include "shell/lists.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

data_stream *real_open(const char *name, const char *mode) { return data_open(name, mode); }

TEST(EngineSoundContent, ClassDefaultsLoad)
{
    ASSERT_TRUE(fixture_file_exists(fixture_game_dir() + "default450f.braap")) << "no generated sounds";
    setenv("XDG_DATA_HOME", fixture_temp_dir("soundhome").c_str(), 1);
    setenv("RL_HOME", fixture_game_dir().c_str(), 1);
    search_folders_free();
    data_files_free();
    fake_sound::install();
    engine_sound_io io = *engine_sound_get_io();
    io.open = real_open;
    engine_sound_set_io(&io);
    console_clear();

    struct Case { const char *engine_class; float events_per_rev; };
    for (const Case &c : {Case{"50", 1}, Case{"125", 1}, Case{"250", 1}, Case{"250f", 0.5f}, Case{"450f", 0.5f}}) {
        SCOPED_TRACE(c.engine_class);
        engine_sound_load_block(2, c.engine_class, nullptr, nullptr);
        const sound_table *t = engine_sound_slots[2].params.table;
        ASSERT_TRUE(t);
        EXPECT_EQ(std::string("@sound/") + c.engine_class + ".table", t->name);
        ASSERT_EQ(5, t->rows);
        ASSERT_EQ(2, t->columns);
        for (int i = 0; i < 10; ++i) {
            const sound_table_entry &e = t->entries[i];
            EXPECT_EQ((int)(e.events * 60.0 * 44100 / (e.row_value * c.events_per_rev)), e.sample_count) << i;
        }
        // Loud enough to be heard above the 8-bit voice's last bits: open cells peak at -3 dBFS,
        // and a closed cell (coasting) carries sound between its pulses, not silence.
        for (int i = 0; i < 10; ++i) {
            const sound_table_entry &e = t->entries[i];
            double peak = 0, power = 0;
            for (int k = 0; k < e.sample_count; ++k)
                peak = std::max(peak, (double)std::fabs(e.samples[k])), power += (double)e.samples[k] * e.samples[k];
            const double rms_db = 10 * std::log10(power / e.sample_count), peak_db = 20 * std::log10(peak);
            if (i % 2) EXPECT_NEAR(-3, peak_db, 0.5) << i;
            else EXPECT_NEAR(-14, peak_db, 0.5) << i;
            EXPECT_GT(rms_db, -30) << i;
        }
        EXPECT_EQ(4, engine_sound_slots[2].params.bias_count);
        EXPECT_LT(0, engine_sound_slots[2].params.pipe_gain[15] * -1);
    }
    EXPECT_EQ("", console_last_line());
    fake_sound::uninstall();
    search_folders_free();
    data_files_free();
}

}   // namespace
