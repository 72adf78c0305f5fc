// Engine sound over a fake voice and data layer: the ".braap" lines, the file lookup, the
// sound tables, the pipe and the synthesis.
#include "bike/braap.h"
#include "bike/engine_sound.h"
#include "bike/sound_table.h"
#include "bike_fixture.h"
#include "engine_sound_fake.h"
#include "shell/main/cameras.h"
#include "ui/ui.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>

namespace {

const float C = 1140.63f;

int echo_delay(float length) { return 32768 - (int)std::trunc(2.0 * 44100 * length / C); }

struct EngineSound : ::testing::Test {
    void SetUp() override
    {
        fake_sound::install();
        console_clear();
        for (int k = 0; k < 3; ++k) listener[k] = listener_velocity[k] = 0;
        const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        memcpy(listener_rotation, identity, sizeof identity);
    }
    void TearDown() override { fake_sound::uninstall(); }

    engine_sound_params &params(int slot = 1) { return engine_sound_slots[slot].params; }
    // Synthesises at a fixed play position until the writer has caught up.
    void settle(int slot, float rpm, float torque = 0)
    {
        const float at[3] = {0, 0, 0}, still[3] = {0, 0, 0};
        for (int k = 0; k < 8; ++k) engine_sound_synthesise(slot, rpm, torque, at, still, 1);
    }
};

TEST_F(EngineSound, BraapLines)
{
    engine_sound_params want;
    memset(&want, 0, sizeof want);
    engine_sound_compute_pipe(2, 0.9182071685791016f, -0.85f, 0, 15, &want);

    engine_sound_params p;
    memset(&p, 0, sizeof p);
    braap_apply_line("pipe 2\n", &p);
    EXPECT_EQ(0, memcmp(want.pipe_delay, p.pipe_delay, sizeof p.pipe_delay));
    EXPECT_EQ(0, memcmp(want.pipe_gain, p.pipe_gain, sizeof p.pipe_gain));

    std::string many = "bias";
    for (int k = 0; k < 150; ++k) many += " " + std::to_string(k);
    braap_apply_line(many.c_str(), &p);
    EXPECT_EQ(100, p.bias_count);
    EXPECT_EQ(99, p.bias[99]);

    struct Case { const char *line; float minrpm; int bias_count, scale_count; float bias0; };
    const Case cases[] = {
        {"minrpm 1500 # idle", 1500, 2, 1, 7},
        {"# minrpm 900", 1000, 2, 1, 7},
        {"minrpm nan", 1000, 2, 1, 7},        // not finite: not read
        {"biasx 1 2 3", 1000, 2, 1, 7},       // no keyword
        {"  \tbias 5 6 7", 1000, 3, 1, 5},    // blanks before
        {"bias 5 inf 7", 1000, 1, 1, 5},      // the list stops at a number that is not finite
        {"bias", 1000, 0, 1, 7},
        {"scale\t2 3", 1000, 2, 2, 7},
        {"scalex 2 3", 1000, 2, 1, 7},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        engine_sound_params q;
        memset(&q, 0, sizeof q);
        q.minrpm = 1000, q.bias_count = 2, q.bias[0] = 7, q.scale_count = 1;
        braap_apply_line(c.line, &q);
        EXPECT_EQ(c.minrpm, q.minrpm);
        EXPECT_EQ(c.bias_count, q.bias_count);
        EXPECT_EQ(c.scale_count, q.scale_count);
        EXPECT_EQ(c.bias0, q.bias[0]);
    }
}

TEST_F(EngineSound, PipeBands)
{
    engine_sound_params p;
    memset(&p, 0, sizeof p);
    engine_sound_compute_pipe(2, 1, -0.8f, 3, 3, &p);
    EXPECT_EQ(echo_delay(2), p.pipe_delay[3]);
    EXPECT_FLOAT_EQ(-0.8f, p.pipe_gain[3]);
    EXPECT_EQ(0, p.pipe_gain[2]);
    EXPECT_EQ(0, p.pipe_gain[4]);

    engine_sound_compute_pipe(5, 0.9182072f, -0.85f, -4, 40, &p);   // clamped to 0..15
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        const float t = (float)i, r = t / 15;
        EXPECT_EQ(echo_delay(5 - (t + r * r) * 0.9182072f / 16), p.pipe_delay[i]);
        EXPECT_FLOAT_EQ(-0.85f / 16, p.pipe_gain[i]);
    }
    engine_sound_compute_pipe(1, 1, 0.5f, 9, 2, &p);   // the last band no lower than the first
    EXPECT_FLOAT_EQ(0.5f, p.pipe_gain[9]);

    // Echo distances stay within the ring; a value that is not finite silences its band.
    struct Case { float length, gain; int delay; float want_gain; };
    const Case cases[] = {
        {500, 1, 1, 1},
        {-3, 1, 32768, 1},
        {NAN, 1, 32768, 0},
        {2, INFINITY, 32768, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.length);
        engine_sound_compute_pipe(c.length, 1, c.gain, 0, 0, &p);
        EXPECT_EQ(c.delay, p.pipe_delay[0]);
        EXPECT_EQ(c.want_gain, p.pipe_gain[0]);
    }
}

TEST_F(EngineSound, LookupChain)
{
    struct Case { const char *engine_class, *texture; std::vector<std::string> asked; float hightorque; };
    const Case cases[] = {
        {"450f", "@450sxfv2016.png", {"@450sxfv2016.braap", "@default450f.braap"}, 2.5f},
        {"250", "@250sx-red.png", {"@250sx-red.braap", "@250sx.braap", "@default250.braap"}, 3.5f},
        {"50", "skins.d/a-b/plain", {"skins.d/a-b/plain.braap", "skins.d/a.braap", "@default50.braap"}, 1.5f},
        {"125", nullptr, {"@default125.braap"}, 3.5f},
        {"250f", "@x.png", {"@x.braap", "@default250f.braap"}, 2.5f},
        {"2t", "@x.png", {"@x.braap"}, 3.5f},
        {nullptr, nullptr, {}, 2.5f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.texture ? c.texture : "no texture");
        fake_sound::asked().clear();
        engine_sound_load_block(1, c.engine_class, c.texture, nullptr);
        EXPECT_EQ(c.asked, fake_sound::asked());
        EXPECT_EQ(c.hightorque, params().hightorque);
        EXPECT_EQ(1, fake_sound::of(1)->started);
        EXPECT_EQ(11025, engine_sound_slots[1].write_position);
    }
    // The built-in four-stroke block.
    EXPECT_EQ(0.5f, params().events_per_rev);
    EXPECT_EQ(1000, params().minrpm);
    EXPECT_STREQ("default_four_stroke", params().table->name);
    EXPECT_EQ(echo_delay(5), params().pipe_delay[0]);

    // A file found second: its lines over a silenced pipe, empty lists made whole.
    fake_sound::files()["@450sxfv2016.braap"] = "minrpm 1234\nbias\nscale\n";
    fake_sound::asked().clear();
    engine_sound_load_block(1, "450f", "@450sxfv2016-blue.png", nullptr);
    EXPECT_EQ(std::vector<std::string>({"@450sxfv2016-blue.braap", "@450sxfv2016.braap"}), fake_sound::asked());
    EXPECT_EQ(1234, params().minrpm);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(0, params().pipe_gain[i]);
    EXPECT_EQ(1, params().bias_count);
    EXPECT_EQ(0, params().bias[0]);
    EXPECT_EQ(1, params().scale_count);
    EXPECT_EQ(1, params().scale[0]);

    // A sound file named outright goes first.
    fake_sound::asked().clear();
    engine_sound_load_block(1, "450f", "@450sxfv2016.png", "@mine.txt");
    EXPECT_EQ("@mine.braap", fake_sound::asked().at(0));
}

// A 2 x 3 table: two speeds, three loads, six cells.
std::string table_text(const char *cells_tail = "")
{
    return std::string("SOUNDTABLE 2 3\n1000 6000\n0 0.5 1\n") +
           "-1 1 a.raw\n-1 1 a.raw\n3 -1 2 b.raw\n-1 1 a.raw\n-1 1 a.raw\n-1 2 b.raw\n" + cells_tail;
}

TEST_F(EngineSound, SoundTables)
{
    fake_sound::files()["a.raw"] = fake_samples({100, -200, 300});
    fake_sound::files()["b.raw"] = fake_samples({1, 2, 3, 4}) + "\x05";   // odd byte ignored
    fake_sound::files()["good"] = table_text();
    sound_table *t = sound_table_load("good");
    ASSERT_TRUE(t);
    EXPECT_EQ(2, t->rows);
    EXPECT_EQ(3, t->columns);
    EXPECT_EQ(6000, t->entries[3].row_value);
    EXPECT_EQ(0.5f, t->entries[4].column_value);
    EXPECT_EQ(3, t->entries[0].sample_count);
    EXPECT_FLOAT_EQ(-200.0f / 32768, t->entries[0].samples[1]);
    EXPECT_EQ(4, t->entries[2].sample_count);
    ASSERT_EQ(1, t->entries[2].remap_count);
    EXPECT_EQ(1, t->entries[2].remap[0]);   // 3 mod 2
    EXPECT_EQ(t->entries[0].samples, t->entries[1].samples);   // one copy per sample file

    fake_sound::asked().clear();
    EXPECT_EQ(t, sound_table_load("good"));
    EXPECT_TRUE(fake_sound::asked().empty());

    fake_sound::files()["tiny.raw"] = "\x01";
    struct Case { const char *text, *message; };
    const Case cases[] = {
        {nullptr, "Error reading 'bad'"},
        {"SOUNDTABL 2 3", "Error reading 'bad'"},
        {"SOUNDTABLE 0 3", "Error reading 'bad'"},
        {"SOUNDTABLE 1 257", "Error reading 'bad'"},
        {"SOUNDTABLE 2 3\n1000 6000\n0 0.5", "Error reading 'bad'"},
        {"SOUNDTABLE 1 1\nnan\n0\n-1 1 a.raw", "Error reading 'bad'"},
        {"SOUNDTABLE 2 3\n1000 6000\n0 0.5 1\n-1 1 a.raw -1 1 a.raw 4 x", "(0, 2) Bad remap entry"},
        {"SOUNDTABLE 1 1\n0\n0\n-1 1 none.raw", "(0, 0) Error reading 'none.raw'"},
        {"SOUNDTABLE 1 1\n0\n0\n-1 1 tiny.raw", "(0, 0) Error reading 'tiny.raw'"},
        {"SOUNDTABLE 1 1\n0\n0\n-1 0.5 a.raw", "(0, 0) Error reading 'a.raw'"},
        {"SOUNDTABLE 1 1\n0\n0\n-1 1048576 a.raw", "(0, 0) Error reading 'a.raw'"},
        {"SOUNDTABLE 1 1\n0\n0\n-1", "(0, 0) Error reading ''"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        fake_sound::files().erase("bad");
        if (c.text) fake_sound::files()["bad"] = c.text;
        EXPECT_FALSE(sound_table_load("bad"));
        EXPECT_EQ(c.message, console_last_line());
    }
    fake_sound::files()["bad"] = table_text().substr(0, table_text().size() - 8);
    EXPECT_FALSE(sound_table_load("bad"));
    EXPECT_EQ("(1, 2) Error reading ''", console_last_line());

    // A block keeps its table when the next one fails.
    fake_sound::files()["@k.braap"] = "soundtable   good  \nsoundtable bad\n";
    engine_sound_load_block(1, "450f", "@k.png", nullptr);
    EXPECT_EQ(t, params().table);
    EXPECT_EQ(t->entries[0].samples, engine_sound_slots[1].voices[0].samples);
}

TEST_F(EngineSound, DueSamplesSettleAhead)
{
    const int want[] = {8820, 8820, 8513, 0};
    // One call at a time.
    engine_sound_load_block(1, "450f", nullptr, nullptr);
    fake_voice *v = fake_sound::of(1);
    const float at[3] = {0, 0, 0};
    for (int due : want) {
        const int writes = v->writes;
        engine_sound_synthesise(1, 3000, 0, at, at, 1);
        EXPECT_EQ(due, v->writes > writes ? v->last_write : 0);
    }
    EXPECT_EQ(4410, engine_sound_slots[1].write_position);
    v->position = 30000;   // the player wrapped ahead: true modulo, capped
    engine_sound_synthesise(1, 3000, 0, at, at, 1);
    EXPECT_EQ(8820, v->last_write);
}

TEST_F(EngineSound, SilenceIsMidScale)
{
    fake_sound::files()["z.raw"] = fake_samples(std::vector<int>(64, 0));
    fake_sound::files()["silent"] = "SOUNDTABLE 1 1\n0\n0\n-1 1 z.raw\n";
    fake_sound::files()["@q.braap"] = "soundtable silent\n";
    engine_sound_load_block(1, "450f", "@q.png", nullptr);
    settle(1, 8000, 5);
    fake_voice *v = fake_sound::of(1);
    for (int k = 0; k < ENGINE_SOUND_RING; ++k)
        if (v->ring[k] != 128) ASSERT_EQ(127, v->ring[k]) << k;
    EXPECT_GT(engine_sound_slots[1].event_counter, 0u);
}

TEST_F(EngineSound, FiringRate)
{
    // Events over N samples at a constant speed R: N R (events per revolution) / 60 / 44100.
    struct Case { const char *engine_class; float rpm, minrpm; double want_per_second; };
    const Case cases[] = {
        {"450f", 9000, 1000, 9000 * 0.5 / 60},
        {"125", 12000, 1000, 12000 / 60.0},
        {"450f", 300, 1000, 1000 * 0.5 / 60},   // the minrpm floor
        {"450f", 0, 0, 5},                      // the 5 Hz floor
    };
    const float at[3] = {0, 0, 0};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rpm);
        engine_sound_load_block(1, c.engine_class, nullptr, nullptr);
        params().minrpm = c.minrpm;
        fake_voice *v = fake_sound::of(1);
        settle(1, c.rpm);   // past the first events at the start rate
        const std::uint32_t first = engine_sound_slots[1].event_counter;
        const int n = 44100 * 4;
        for (int done = 0; done < n; done += 4410) {
            v->position = (v->position + 4410) % ENGINE_SOUND_RING;
            engine_sound_synthesise(1, c.rpm, 0, at, at, 1);
        }
        const double events = engine_sound_slots[1].event_counter - first;
        EXPECT_NEAR(c.want_per_second * 4, events, 1.5);
    }

    // A bias without bounds fires at most once per sample.
    fake_sound::files()["@h.braap"] = "bias 1e30\nscale 1e30\n";
    engine_sound_load_block(1, "450f", "@h.png", nullptr);
    settle(1, 5000);
    EXPECT_EQ(44100, engine_sound_slots[1].firing_rate);
    const std::uint32_t before = engine_sound_slots[1].event_counter;
    fake_sound::of(1)->position = 4410;
    engine_sound_synthesise(1, 5000, 0, at, at, 1);
    EXPECT_LE(engine_sound_slots[1].event_counter - before, 4410u);
}

TEST_F(EngineSound, TableCellsAndLoad)
{
    fake_sound::files()["a.raw"] = fake_samples({100, -200, 300});
    fake_sound::files()["b.raw"] = fake_samples({1, 2, 3, 4});
    fake_sound::files()["good"] = table_text();
    fake_sound::files()["@t.braap"] = "soundtable good\nlowtorque 2\nhightorque 2\n";
    const sound_table *t = sound_table_load("good");
    struct Case { float rpm, torque; float u, t; };
    const Case cases[] = {
        {500, 1, 1, 0},      // below the first row: that row alone; equal torque bounds: a step
        {3500, 3, 0.5f, 1},  // between the rows, above the step
        {9000, 3, 1, 1},     // above the last row
    };
    const float at[3] = {0, 0, 0};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rpm);
        engine_sound_load_block(1, "450f", "@t.png", nullptr);
        params().minrpm = 0;
        fake_sound::of(1)->position = 0;
        engine_sound_synthesise(1, c.rpm, c.torque, at, at, 1);
        engine_sound_synthesise(1, c.rpm, c.torque, at, at, 1);
        const engine_table_voice *v = engine_sound_slots[1].voices;
        ASSERT_GT(engine_sound_slots[1].event_counter, 1u);
        EXPECT_NEAR((1 - c.u) * (1 - c.t) + (1 - c.u) * c.t, v[0].weight + v[2].weight, 1e-5);
        EXPECT_NEAR(c.u * (1 - c.t) + c.u * c.t, v[1].weight + v[3].weight, 1e-5);
        // Load 0 falls between the loads 0 and 0.5 (both "a.raw"), load 1 on the last, "b.raw".
        const float *want = t->entries[c.t > 0 ? 2 : 0].samples;
        for (int k = 0; k < 4; ++k) EXPECT_EQ(want, v[k].samples) << k;
    }
}

TEST_F(EngineSound, ShortSegmentsStayInTheirSample)
{
    // Three samples over two events: each segment 1.5 samples, stepped at a rate that runs
    // it past the end.
    fake_sound::files()["s.raw"] = fake_samples({3000, 3000, 3000});
    fake_sound::files()["short"] = "SOUNDTABLE 1 1\n0\n0\n-1 2 s.raw\n";
    fake_sound::files()["@s.braap"] = "soundtable short\n";
    engine_sound_load_block(1, "450f", "@s.png", nullptr);
    settle(1, 1000000);
    EXPECT_GT(engine_sound_slots[1].event_counter, 1000u);
}

TEST_F(EngineSound, DopplerDistancePan)
{
    engine_sound_load_block(1, "450f", nullptr, nullptr);
    fake_voice *v = fake_sound::of(1);
    struct Case { float x, z, vz; int rate, volume, pan; };
    const Case cases[] = {
        {0, 0, 0, 44100, 32767, 0},          // camera at the bike
        {49, 0, 0, 44100, 16383, 32767},     // 49 ft to the camera's right
        {-49, 0, 0, 44100, 16383, -32767},
        {0, -100, C / 2, 88200, 10699, 0},   // coming at half the speed of sound
        {0, -100, -C, 22050, 10699, 0},
        {0, -100, 0.9f * C, 5512, 10699, 0},   // nearly as fast as its sound: held at 1/8
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.x + c.z);
        const float at[3] = {c.x, 0, c.z}, vel[3] = {0, 0, c.vz};
        engine_sound_synthesise(1, 3000, 0, at, vel, 1);
        EXPECT_NEAR(c.rate, v->rate, 1);
        EXPECT_NEAR(c.volume, v->volume, 1);
        EXPECT_EQ(c.pan, v->pan);
    }
    const float at[3] = {0, 0, 0};
    engine_sound_synthesise(1, 3000, 0, at, at, 0);
    EXPECT_EQ(0, v->volume);
}

}   // namespace
