// Engine sound: per rider slot a ring of synthesised signal, fed each frame with what the
// stream voice will play next. Firing events come at a rate set by the engine speed; each one
// restarts four sample players on the table cells around the speed and load, and a comb of up
// to 16 delayed echoes of the ring colours the sound like a pipe.
#include "bike/engine_sound.h"
#include "bike/bike.h"
#include "bike/braap.h"
#include "bike/drivetrain.h"
#include "bike/setters.h"
#include "bike/sound_table.h"
#include "data/mem.h"
#include "data/stream.h"
#include "platform/audio.h"
#include "shell/rider_slots.h"
#include "graphics/listener.h"
#include "shell/startup.h"
#include <cmath>
#include <cstdio>
#include <cstring>

void *engine_voices[160];
engine_sound_slot engine_sound_slots[160];

namespace {

const float SPEED_OF_SOUND = 1140.63f;   // ft/s
const float RATE_HZ = 44100;
const int   LEAD = 4410;                 // samples the writer keeps ahead of the player
const std::int64_t PHASE_ONE = 1 << 24;

data_stream *real_open(const char *name, const char *mode) { return data_open(name, mode); }
void  real_close(data_stream *s) { data_close(s); }
voice *real_create(int length, const unsigned char *data)
{
    return g_audio ? kubl_sound_create(g_audio, length, data, 0) : nullptr;
}
void real_start(voice *v)
{
    kubl_sound_set_loop(v, 1);
    kubl_sound_set_volume(v, 0);
    kubl_sound_play(v);
}
void real_rate(voice *v, int rate) { kubl_sound_set_rate(v, rate); }
void real_volume(voice *v, int volume) { kubl_sound_set_volume(v, volume); }
void real_pan(voice *v, int pan) { kubl_sound_set_pan(v, pan); }

const engine_sound_io g_real_io = {real_open,  real_close, real_create,         kubl_sound_free, real_start,
                                   kubl_stream_position, kubl_stream_write, real_rate, real_volume, real_pan};
const engine_sound_io *g_io = &g_real_io;

enum { BLOCK_FOUR_STROKE, BLOCK_TWO_STROKE, BLOCK_FIFTY, BLOCKS };
engine_sound_params g_blocks[BLOCKS];
bool  g_blocks_made;
float g_waves[4][1024];   // four-stroke quiet, loud; two-stroke quiet, loud
unsigned char g_bytes[ENGINE_SOUND_MAX_DUE];

float four_stroke(float x)
{
    const float pi = 3.14159265358979f;
    float w = (std::fabs(std::sin(3 * pi * x + 0.5246f)) - 0.5f) * 0.5f;
    if (x < 0.25f) w += std::sin(16 * pi * x) * (1 - 4 * x);
    return w;
}

float two_stroke(float x)
{
    const float pi = 3.14159265358979f;
    return x < 0.25f ? std::sin(8 * pi * x) * (1 - 4 * x) : 0.0f;
}

sound_table *builtin_table(const char *name, const float *quiet, const float *loud)
{
    sound_table *t = (sound_table *)alloc_or_die(sizeof(sound_table));
    memset(t, 0, sizeof *t);
    std::size_t n = strlen(name) + 1;
    t->name = (char *)alloc_or_die(n);
    memcpy(t->name, name, n);
    t->rows = 1, t->columns = 2;
    t->entries = (sound_table_entry *)alloc_or_die(2 * sizeof(sound_table_entry));
    memset(t->entries, 0, 2 * sizeof(sound_table_entry));
    const float *waves[2] = {quiet, loud};
    for (int c = 0; c < 2; ++c) {
        sound_table_entry &e = t->entries[c];
        e.samples = waves[c], e.sample_count = 1024, e.events = 1, e.column_value = (float)c;
    }
    sound_table_add(t);
    return t;
}

void make_block(engine_sound_params *p, sound_table *table, float events, float low, float high,
                float blend, float length, float reflection, float gain)
{
    memset(p, 0, sizeof *p);
    p->table = table;
    p->events_per_rev = events;
    p->lowtorque = low, p->hightorque = high;
    p->throttle_blend[0] = blend, p->throttle_blend[1] = 1;
    p->minrpm = 1000;
    engine_sound_compute_pipe(length, reflection, gain, 0, 15, p);
    p->bias_count = p->scale_count = 1;
    p->scale[0] = 1;
}

void make_blocks(void)
{
    if (g_blocks_made) return;
    for (int k = 0; k < 1024; ++k) {
        float x = (float)k / 1023;
        g_waves[1][k] = four_stroke(x), g_waves[0][k] = g_waves[1][k] * 0.25f;
        g_waves[3][k] = two_stroke(x), g_waves[2][k] = g_waves[3][k] * 0.25f;
    }
    sound_table *four = builtin_table("default_four_stroke", g_waves[0], g_waves[1]);
    sound_table *two = builtin_table("default_two_stroke", g_waves[2], g_waves[3]);
    make_block(&g_blocks[BLOCK_FOUR_STROKE], four, 0.5f, -2.5f, 2.5f, 0.5f, 5, 0.9182072f, -0.85f);
    make_block(&g_blocks[BLOCK_TWO_STROKE], two, 1, -3.5f, 3.5f, 0.75f, 1.75f, 0.3f, -0.75f);
    make_block(&g_blocks[BLOCK_FIFTY], two, 1, -3.5f, 1.5f, 0.75f, 1.75f, 0.3f, -0.75f);
    g_blocks_made = true;
}

int class_block(const char *engine_class)
{
    if (!engine_class) return BLOCK_FOUR_STROKE;
    if (!strcmp(engine_class, "50")) return BLOCK_FIFTY;
    std::size_t n = strlen(engine_class);
    if (n && engine_class[n - 1] == 'f') return BLOCK_FOUR_STROKE;
    return BLOCK_TWO_STROKE;
}

// The sound file for a name: its extension replaced, else cut at its last '-'; null when
// neither opens (or there is no '-').
data_stream *open_for_name(const char *name)
{
    char path[1100];
    const char *slash = strrchr(name, '/');
    const char *dot = strrchr(name, '.');
    int stem = (int)strlen(name);
    if (dot && (!slash || dot > slash)) stem = (int)(dot - name);
    snprintf(path, sizeof path, "%.*s.braap", stem > 1024 ? 1024 : stem, name);
    if (data_stream *in = g_io->open(path, "rb")) return in;
    const char *dash = strrchr(name, '-');
    if (!dash) return nullptr;
    stem = (int)(dash - name);
    snprintf(path, sizeof path, "%.*s.braap", stem > 1024 ? 1024 : stem, name);
    return g_io->open(path, "rb");
}

int true_mod(std::int64_t a, int m)
{
    int r = (int)(a % m);
    return r < 0 ? r + m : r;
}

// The first value above x, and the blend between the two entries around it.
void bracket(const sound_table *t, bool rows, float x, int *lo, int *hi, float *u)
{
    const int n = rows ? t->rows : t->columns;
    auto value = [&](int i) {
        return rows ? t->entries[i * t->columns].row_value : t->entries[i].column_value;
    };
    int i = 0;
    while (i < n && !(value(i) > x)) ++i;
    *lo = i - 1 < 0 ? 0 : (i - 1 > n - 1 ? n - 1 : i - 1);
    *hi = i > n - 1 ? n - 1 : i;
    float span = value(*hi) - value(*lo);
    float f = *lo == *hi || !(span > 0) ? 1.0f : (x - value(*lo)) / span;
    *u = f < 0 ? 0 : (f > 1 ? 1 : f);
}

void start_cells(engine_sound_slot *s, float rpm, float load)
{
    const sound_table *t = s->params.table;
    if (!t || !t->entries) return;
    int a, b, lo, hi;
    float u, w;
    bracket(t, true, rpm, &a, &b, &u);
    bracket(t, false, load, &lo, &hi, &w);
    const int rows[4] = {a, b, a, b}, columns[4] = {lo, lo, hi, hi};
    const float weights[4] = {(1 - u) * (1 - w), u * (1 - w), (1 - u) * w, u * w};
    for (int k = 0; k < 4; ++k) {
        const sound_table_entry &e = t->entries[rows[k] * t->columns + columns[k]];
        engine_table_voice &v = s->voices[k];
        std::int64_t event = s->event_counter;
        if (e.remap_count) event = e.remap[s->event_counter % (std::uint32_t)e.remap_count];
        const double seg = (double)e.sample_count / e.events;
        v.samples = e.samples;
        v.sample_count = e.sample_count;
        v.weight = weights[k];
        v.position = (std::int64_t)(seg * true_mod(event, e.events)) * 1024;
        v.step = (std::int64_t)(s->firing_rate / RATE_HZ * seg * 1024);
    }
}

std::int64_t phase_increment(float rate)
{
    return (std::int64_t)std::llround((double)rate / RATE_HZ * PHASE_ONE);
}

}   // namespace

void engine_sound_set_io(const engine_sound_io *io) { g_io = io ? io : &g_real_io; }
const engine_sound_io *engine_sound_get_io(void) { return g_io; }

void engine_sound_compute_pipe(float length, float reflection, float gain, int first_band, int last_band,
                               engine_sound_params *p)
{
    const int f = first_band < 0 ? 0 : (first_band > 15 ? 15 : first_band);
    const int e = last_band < f ? f : (last_band > 15 ? 15 : last_band);
    const float m = length < reflection ? length : reflection;
    const int n = e - f;
    for (int i = f; i <= e; ++i) {
        const float t = (float)(i - f);
        const float ratio = n ? t / n : 0;
        const float l = n ? length - (t + ratio * ratio) * m / (n + 1) : length;
        const float g = n ? gain / (n + 1) : gain;
        // An echo reaches back 0..32767 samples: longer pipes would wrap, negative ones read ahead.
        double distance = std::trunc(2.0 * RATE_HZ * l / SPEED_OF_SOUND);
        bool finite = std::isfinite(distance) && std::isfinite(g);
        if (!finite || distance < 0) distance = 0;
        if (distance > ENGINE_SOUND_RING - 1) distance = ENGINE_SOUND_RING - 1;
        p->pipe_delay[i] = ENGINE_SOUND_RING - (int)distance;
        p->pipe_gain[i] = finite ? g : 0;
    }
}

data_stream *braap_open_default(const char *engine_class)
{
    static const char *const names[][2] = {{"50", "@default50.braap"},
                                           {"125", "@default125.braap"},
                                           {"250f", "@default250f.braap"},
                                           {"250", "@default250.braap"},
                                           {"450f", "@default450f.braap"}};
    if (!engine_class) return nullptr;
    for (const auto &row : names)
        if (!strcmp(engine_class, row[0])) return g_io->open(row[1], "rb");
    return nullptr;
}

void engine_sound_load_block(int slot, const char *engine_class, const char *texture_name, const char *sound_file)
{
    if (slot < 0 || slot >= 160) return;
    make_blocks();
    engine_sound_slot *s = &engine_sound_slots[slot];

    if (engine_voices[slot]) g_io->free_voice((voice *)engine_voices[slot]);
    static unsigned char silence[ENGINE_SOUND_RING];
    memset(silence, 128, sizeof silence);
    voice *v = g_io->create(ENGINE_SOUND_RING, silence);
    if (v) g_io->start(v);
    engine_voices[slot] = v;
    memset(s->ring, 0, sizeof s->ring);
    s->firing_rate = 10;
    s->output_gain = 1;
    s->last_rpm = 1000;
    s->write_position = 11025;
    s->phase = 0;
    s->event_counter = 0;

    s->params = g_blocks[class_block(engine_class)];
    const char *name = sound_file ? sound_file : texture_name;
    data_stream *in = name ? open_for_name(name) : nullptr;
    if (!in) in = braap_open_default(engine_class);
    if (in) {
        braap_read(in, &s->params);
        g_io->close(in);
    }
    if (s->params.scale_count == 0) s->params.scale_count = 1, s->params.scale[0] = 1;
    if (s->params.bias_count == 0) s->params.bias_count = 1, s->params.bias[0] = 0;

    const sound_table *t = s->params.table;
    for (engine_table_voice &tv : s->voices) {
        tv = engine_table_voice{};
        if (t && t->entries) tv.samples = t->entries[0].samples, tv.sample_count = t->entries[0].sample_count;
    }
}

void engine_sound_load(int slot)
{
    if (slot < 0 || slot >= 160) return;
    bike *b = bike_slot_table[slot];
    engine_sound_load_block(slot, b ? bike_get_engine_class(b) : nullptr, b ? bike_get_bike_texture_name(b) : nullptr,
                            nullptr);
}

void engine_sound_synthesise(int slot, float rpm, float torque, const float frame_position[3],
                             const float frame_velocity[3], float volume)
{
    voice *v = slot >= 0 && slot < 160 ? (voice *)engine_voices[slot] : nullptr;
    if (!v) return;
    engine_sound_slot *s = &engine_sound_slots[slot];
    engine_sound_params &p = s->params;

    int due = true_mod((std::int64_t)g_io->position(v) - s->write_position + LEAD, ENGINE_SOUND_RING);
    if (due > ENGINE_SOUND_MAX_DUE) due = ENGINE_SOUND_MAX_DUE;

    float load;
    const float span = p.hightorque - p.lowtorque;
    if (span != 0) load = (torque - p.lowtorque) / span;
    else load = torque > p.lowtorque ? 1.0f : 0.0f;   // equal bounds: a step at lowtorque
    load = load > 0 ? (load < 1 ? load : 1) : 0;
    const float r0 = s->last_rpm, r1 = rpm;
    std::int64_t increment = phase_increment(s->firing_rate);

    const int first = s->write_position;
    for (int k = 0; k < due; ++k) {
        const int w = s->write_position;
        float sum = 0;
        for (int band = 0; band < ENGINE_SOUND_BANDS; ++band)
            if (p.pipe_gain[band] != 0)
                sum += p.pipe_gain[band] * s->ring[(w + p.pipe_delay[band]) & (ENGINE_SOUND_RING - 1)];
        for (engine_table_voice &tv : s->voices) {
            const std::int64_t at = tv.position >> 10;
            if (tv.samples && at >= 0 && at < tv.sample_count) sum += tv.weight * tv.samples[at];
            tv.position += tv.step;
        }
        s->ring[w] = sum < -16 ? -16 : (sum > 16 ? 16 : sum);

        s->phase += increment;
        if (s->phase > PHASE_ONE) {
            s->phase -= PHASE_ONE;
            const std::uint32_t e = s->event_counter;
            float r = p.scale[e % (std::uint32_t)p.scale_count] *
                      (p.bias[e % (std::uint32_t)p.bias_count] + r0 + (float)k / due * (r1 - r0));
            if (!(r >= p.minrpm)) r = p.minrpm;
            s->event_counter = e + 1;
            // Held to what one event per sample can play, and to a floor the ear hears as idle.
            float rate = r * p.events_per_rev / 60;
            if (!(rate >= 5)) rate = 5;
            if (rate > RATE_HZ) rate = RATE_HZ;
            s->firing_rate = rate;
            increment = phase_increment(rate);
            start_cells(s, r, load);
        }
        s->write_position = (w + 1) & (ENGINE_SOUND_RING - 1);
    }
    s->last_rpm = rpm;

    if (due > 0) {
        for (int k = 0; k < due; ++k) {
            float b = std::round(s->ring[(first + k) & (ENGINE_SOUND_RING - 1)] * 127 + 127);
            g_bytes[k] = (unsigned char)(b < 0 ? 0 : (b > 255 ? 255 : b));
        }
        g_io->write(v, due, g_bytes, first);
    }

    float d[3], d2 = 0;
    for (int k = 0; k < 3; ++k) d[k] = listener[k] - frame_position[k], d2 += d[k] * d[k];
    const float distance = std::sqrt(d2);
    double ratio = 1;
    float pan = 0;
    if (d2 >= 1.0f / 1024) {
        float n[3], lv = 0, fv = 0, right = 0;
        for (int k = 0; k < 3; ++k) {
            n[k] = d[k] / distance;
            lv += listener_velocity[k] * n[k];
            fv += frame_velocity[k] * n[k];
            right += n[k] * listener_rotation[k * 3];
        }
        const double a = 1 - lv / SPEED_OF_SOUND, b = 1 - fv / SPEED_OF_SOUND;
        ratio = a <= 8 * b ? a / b : 0.125;
        pan = std::round(-right * 32767);
    }
    double rate = RATE_HZ * ratio;
    if (!(rate >= 100)) rate = std::isnan(rate) ? RATE_HZ : 100;
    if (rate > 1000000) rate = 1000000;
    g_io->set_rate(v, (int)rate);

    float g = (distance - 1) / 48 + 1;
    if (!(g >= 1)) g = 1;
    float level = volume * s->output_gain * 32767 / g;
    if (!(level >= 0)) level = 0;
    if (level > 32767) level = 32767;
    g_io->set_volume(v, (int)level);
    g_io->set_pan(v, (int)(pan < -32768 ? -32768 : (pan > 32767 ? 32767 : pan)));
}

void engine_sound_update(int slot, float volume)
{
    if (slot < 0 || slot >= 160 || !engine_voices[slot] || !bike_slot_table[slot]) return;
    bike *b = bike_slot_table[slot];
    const dReal *at = dBodyGetPosition(bike_get_frame_body(b));
    const dReal *vel = dBodyGetLinearVel(bike_get_frame_body(b));
    const float position[3] = {(float)at[0], (float)at[1], (float)at[2]};
    const float velocity[3] = {(float)vel[0], (float)vel[1], (float)vel[2]};
    engine_sound_synthesise(slot, bike_get_rpm(b), bike_engine_torque(b), position, velocity, volume);
}

void engine_sound_tables_free(void)
{
    // The blocks and the slots point into the tables: forget them with the tables.
    for (engine_sound_slot &s : engine_sound_slots) {
        s.params.table = nullptr;
        for (engine_table_voice &v : s.voices) v = engine_table_voice{};
    }
    sound_table_cache_free();
    g_blocks_made = false;
}

void engine_sound_table_list_free(void) { sound_sample_cache_free(); }
