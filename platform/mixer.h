// platform/mixer.h — the software mixer shared by the "waveout" and "readback" drivers: voices
// of 8-bit unsigned PCM resampled once to the output rate, mixed into blocks of 8-bit unsigned
// mono or interleaved stereo. Only the loudest voices within the budget are heard; the rest
// advance in silence. Level changes, stops and restarts wait for a zero crossing.
//
// No lock of its own: the waveout driver calls it under its mixer mutex, readback from the game
// thread only.
#pragma once
#include <cstdint>

enum { MIX_LEVELS = 32 };

struct mixer_voice;

// Where a voice sits while playing: one per channel, in the level list of its current level.
struct voice_cursor {
    mixer_voice  *voice;
    voice_cursor *next;
    voice_cursor *prev;
    int           position;     // the next data byte, an offset from the data start
    std::uint32_t fraction;     // 32-bit position fraction
    int           level;        // 0..31, from volume and pan
    int           last_level;   // the level the last block was mixed at
    int           linked;
};

struct mix_target {
    unsigned char *output;       // the next block: unsigned 8-bit, stereo interleaved L, R
    int           *left;         // accumulators, one int per sample of a block
    int           *right;        // stereo only
    int            budget;       // cursors mixed audibly per block ("sound-channels")
    int            stereo;
    int            rate;         // output rate, Hz
    int            block_samples;
    voice_cursor  *lists[2][MIX_LEVELS];   // heads of the level lists: [0] left, [1] right
};

struct sound_sample {
    int            references;
    int            length;      // bytes
    unsigned char *data;        // at the output rate
};

struct mixer_voice {
    voice_cursor  left;
    voice_cursor  right;        // used when the voice is stereo
    mix_target   *target;
    int           output_rate;
    int           rate;         // Hz; rate / output_rate data bytes per output sample
    int           volume;       // 0..0x7FFF
    int           pan;          // -0x8000..0x7FFF, negative = left
    sound_sample *sample;
    int           loop;
    int           playing;      // linked into the level lists
    int           stereo;
    int           restart;      // play was called since the last block
    int           finished;     // stop at the next zero crossing
};

// Sets up a target over caller-owned accumulators and output (block_samples ints each, and
// block_samples × (stereo ? 2 : 1) output bytes).
void kubl_mix_target_init(mix_target *t, int rate, int block_samples, int stereo, int budget,
                          int *left, int *right, unsigned char *output);

// Rate 0 takes the data as being at the output rate. Null when the resampled length would be 0
// or memory runs out.
mixer_voice *kubl_mixer_sound_create(mix_target *t, int length, const unsigned char *data, int rate);
void kubl_mixer_sound_free(mixer_voice *v);
int  kubl_mixer_sound_play(mixer_voice *v);
int  kubl_mixer_sound_set_rate(mixer_voice *v, int rate);     // held at 1 Hz or more
int  kubl_mixer_sound_set_volume(mixer_voice *v, int volume);
int  kubl_mixer_sound_set_pan(mixer_voice *v, int pan);
int  kubl_mixer_sound_set_loop(mixer_voice *v, int flag);
int  kubl_mixer_stream_position(mixer_voice *v);
int  kubl_mixer_stream_write(mixer_voice *v, int length, const unsigned char *data, int offset);

// Mixes one block of t->block_samples samples into t->output.
void kubl_mix_block(mix_target *t);

// The 31 rows of the level tables (levels 1..31), built on the first voice creation.
const signed char *kubl_mixer_level_row(int level);
