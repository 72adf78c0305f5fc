// terrain/track_load.h — loading one track folder into the race's ground and the track's
// object lists, in a fixed order, with the digest by which two installations tell whether they
// hold the same track; and releasing it again.
#pragma once
#include "platform/array.h"
#include <cstdint>

struct terrain_field;

// The folder of the loaded track as it stands in the track list (borrowed); null: none. The
// race reset sets it before load_track.
extern const char   *track_name;
extern const char   *track_long_name;   // borrowed from the track list, else track_name
extern std::uint8_t  track_digest[20];  // RIPEMD-160 of the track's files; valid after a load
extern unsigned      track_map_texture; // "map.png", 0 when it does not load
// Objects made by the program during a load come first in their lists and are never saved:
// the particle and flagger billboards, the start gate statues.
extern int           first_own_billboard;
extern int           first_own_statue;
extern growable_array billboard_sort_space;   // int; two per billboard, the scene's scratch

enum { TRACK_PARTICLE_BILLBOARDS = 2000 };

// The ground texture mode of a "render_texture" choice index.
int  texture_mode_by_choice(int choice);

// Loads the folder named by track_name into the race's terrain field. 1 loaded, 0 when the
// ground did not load (track_name and track_long_name are then null, the digest is unchanged).
// The previous track must have been released with free_track.
int  load_track(void);
// Releases what load_track made; safe after a failed load and when nothing was loaded.
void free_track(void);

// The race's one terrain field.
terrain_field *race_terrain(void);

// What the layers above do at their places in a track's load and release: the object grid, the
// player's drawing options, the flying dirt's billboards, the editor. The program's top fills
// the table at start-up; any entry may be null.
struct track_load_listener_table {
    void (*objects_init)(void);      // the object lists are made empty, before anything loads
    void (*drawing_options)(void);   // just before the ground loads
    void (*particle_billboard)(int index, int billboard);   // each reserved particle billboard
    void (*loaded)(void);            // the map picture is in, before the cameras
    void (*released)(void);          // first thing in the release
};
extern track_load_listener_table track_load_listeners;
