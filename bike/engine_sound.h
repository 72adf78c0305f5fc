// bike/engine_sound.h — engine sound synthesis, one record per rider slot.
//
// Each rider's engine is a stream voice: 8-bit samples synthesised at 44100 Hz from the engine
// speed and load, shaped by a pipe resonance, played with a Doppler rate, a distance volume and
// a pan from the camera. A bike's sound comes from a ".braap" file named after its skin, else
// its class default, else a built-in block.
#pragma once
#include <cstdint>

struct bike;
struct sound_table;
struct data_stream;
struct voice;

enum { ENGINE_SOUND_RING = 32768, ENGINE_SOUND_BANDS = 16, ENGINE_SOUND_LIST = 100,
       ENGINE_SOUND_RATE = 44100, ENGINE_SOUND_MAX_DUE = 8820 };

struct engine_sound_params {
    sound_table *table;
    float events_per_rev;      // 0.5 four-stroke, 1 two-stroke
    float lowtorque, hightorque;   // lbf·ft mapped to load 0..1
    float throttle_blend[2];   // kept with the block, read by nothing
    float minrpm;
    int   pipe_delay[ENGINE_SOUND_BANDS];   // 32768 minus the echo distance in samples
    float pipe_gain[ENGINE_SOUND_BANDS];
    float bias[ENGINE_SOUND_LIST];
    float scale[ENGINE_SOUND_LIST];
    int   bias_count, scale_count;
};

// One of the four sample players mixing the table cells around the engine's speed and load.
struct engine_table_voice {
    const float *samples;
    int          sample_count;
    float        weight;
    std::int64_t position;   // 10-bit fraction
    std::int64_t step;       // 10-bit fraction
};

struct engine_sound_slot {
    engine_sound_params params;
    float         ring[ENGINE_SOUND_RING];
    float         firing_rate;   // events per second
    float         output_gain;
    float         last_rpm;
    int           write_position;
    std::int64_t  phase;         // 24-bit fraction
    std::uint32_t event_counter;
    engine_table_voice voices[4];
};

// The engine voice of each rider slot; null when none (no audio, or no bike).
extern void *engine_voices[160];
extern engine_sound_slot engine_sound_slots[160];

// Sets up the slot's voice and sound from its bike (bike_slot_table).
void engine_sound_load(int slot);
// The same from an engine class ("50", "125", "250", "250f", "450f"; null: no bike), the bike
// texture's file name and a sound file name that takes its place (both may be null).
void engine_sound_load_block(int slot, const char *engine_class, const char *texture_name,
                             const char *sound_file);
void engine_sound_update(int slot, float volume);   // synthesises what is due; 0 silences
// The body of the update, with the bike's values passed in.
void engine_sound_synthesise(int slot, float rpm, float torque, const float frame_position[3],
                             const float frame_velocity[3], float volume);
void engine_sound_tables_free(void);                // the cached sound tables
void engine_sound_table_list_free(void);            // the cached sample files
void engine_sound_compute_pipe(float length, float reflection, float gain, int first_band,
                               int last_band, engine_sound_params *params);

// The class default ".braap" file opened, or null for another class or none.
data_stream *braap_open_default(const char *engine_class);

// Where sound files and the stream come from; tests put fakes in. Null restores the real ones.
struct engine_sound_io {
    data_stream *(*open)(const char *name, const char *mode);
    void  (*close)(data_stream *s);
    voice *(*create)(int length, const unsigned char *data);
    void  (*free_voice)(voice *v);
    void  (*start)(voice *v);   // loop on, volume 0, play
    int   (*position)(voice *v);
    int   (*write)(voice *v, int length, const unsigned char *data, int offset);
    void  (*set_rate)(voice *v, int rate);
    void  (*set_volume)(voice *v, int volume);
    void  (*set_pan)(voice *v, int pan);
};
void engine_sound_set_io(const engine_sound_io *io);
const engine_sound_io *engine_sound_get_io(void);
