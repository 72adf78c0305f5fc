// bike/engine_sound.h — engine sound synthesis, one record per rider slot.
#pragma once

struct bike;
struct engine_sound_params;

// The engine voice of each rider slot; null when none (no audio, or no bike).
extern void *engine_voices[160];

void engine_sound_update(int slot, float volume);   // synthesises what is due; 0 silences
void engine_sound_tables_free(void);                // the cached ".braap" tables
void engine_sound_table_list_free(void);
void engine_sound_compute_pipe(float length, float reflection, float gain, int first_band,
                               int last_band, engine_sound_params *params);
