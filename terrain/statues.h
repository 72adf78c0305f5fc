// terrain/statues.h — the track's decorations standing on the ground: statues (a model with
// textures and an optional collision shape) and billboards (a tinted textured quad). Both are
// seated on the ground when added.
//
//   "statues"     one per record: "[x height_offset z] angle model texture shape", "null" for
//                 an absent name
//   "billboards"  one per record: "[x height_offset z] width height texture", where the
//                 texture name may start with a colour prefix "#RRGGBB#"
#pragma once
#include "platform/array.h"

struct km_mesh;
typedef km_mesh km_model;   // graphics/model.h
struct shape;

struct billboard {
    float x, y, z;             // y = ground height + height_offset when added
    float width;
    float height_offset;
    float height;
    float width_fraction;      // width / height (0 for height 0): what the scene draws, times height
    int   sort_key;            // written by the scene
    unsigned texture;          // 0 = none
    unsigned char color[4];    // RGBA tint
    char *name;                // texture name as read, prefix removed (owned); null for the
                               // program's own billboards
};

struct statue {
    km_model       *model;            // borrowed from the model cache; null: none
    struct shape   *shape;            // owned; null: none
    unsigned        texture, normal_texture, specular_texture;   // 0 = none
    float           x, y, z;          // y = ground height + height_offset
    float           height_offset;
    float           angle;            // heading, radians, as read; 3.25 or more stands upright
    float           orientation[9];   // heading turned onto the ground
    float           turn_value;       // 2^angle from 3.25 on (held finite), else 0
    int             last_hit_tick;
    // The names as read (owned, null for none). Saving writes them back whether or not the
    // resource loaded, so an edit never loses what the track file named.
    char           *model_name, *texture_name, *shape_name;
};

extern growable_array billboards;   // of billboard
extern growable_array statues;      // of statue

// Where statues and billboards get their resources. Tests hand in their own; null restores
// the game's caches.
struct track_resource_loaders {
    unsigned        (*texture)(const char *name);
    km_model       *(*model)(const char *name);
    struct shape   *(*shape)(const char *name);
};
void track_resources_set(const track_resource_loaders *loaders);
// The game's own collision shape cache and the heading turned onto the ground under a statue;
// the program's top sets them at start-up. Without them statues get no shape and stand upright.
extern struct shape *(*statue_shape_hook)(const char *name);
extern void (*statue_orientation_hook)(float out[9], float x, float z, float yaw);
unsigned track_texture_load(const char *name);   // through the loaders above

// Fresh empty lists (capacity 16) for a new track; the old records must have been released.
void track_objects_init(void);
// Releases every statue's shape and names and every billboard's name, then the lists.
void track_objects_free(void);

// Index of the new object; the last existing index (-1 for an empty list) when the list could
// not grow. Names may be null.
int  billboard_add(float x, float height_offset, float z, float width, float height, const char *texture_name);
int  statue_add(float x, float height_offset, float z, float angle, const char *model_name,
                const char *texture_name, const char *shape_name);
void statue_reseat(statue *s);
// The texture named by name with its ending replaced, when it ends so; else 0.
unsigned texture_load_with_suffix(const char *name, const char *ending, const char *replacement);

// Read the track's files. Billboards stop at the first record that does not parse; a damaged
// statue record is left out and reading goes on after it (on the next line when it was cut short).
void billboards_load(const char *file_name);
void statues_load(const char *file_name);
// Write the track's own objects (from first_own_*) back. 1 written, 0 with a console message.
int  billboards_save(void);
int  statues_save(void);
