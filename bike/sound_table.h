// bike/sound_table.h — "SOUNDTABLE" files: recorded engine samples by engine speed and load,
// cached by name for the whole run, their sample files shared among all tables.
#pragma once

struct sound_table_entry {
    const float *samples;     // in the sample cache; -1..1
    int          sample_count;
    int          events;      // firing events the sample spans, 1..2^20-1
    int         *remap;       // each 0..events-1; null when none
    int          remap_count;
    float        row_value;   // rpm
    float        column_value;   // load
};

struct sound_table {
    sound_table       *next;   // the cache, newest first
    char              *name;
    sound_table_entry *entries;   // rows × columns, row-major
    int                rows, columns;
};

enum { SOUND_TABLE_MAX_SIZE = 256, SOUND_SAMPLE_MAX = 1 << 20, SOUND_EVENTS_MAX = 1 << 20 };

// The table of that file name from the cache, else read and cached; null (with a console
// message) when it does not read.
sound_table *sound_table_load(const char *name);
// Adds a table made in memory (the built-in ones) to the cache; the cache owns it after.
void         sound_table_add(sound_table *t);
sound_table *sound_table_find(const char *name);
void         sound_table_cache_free(void);
void         sound_sample_cache_free(void);
