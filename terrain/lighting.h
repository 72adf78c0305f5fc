// terrain/lighting.h — a track's "lighting" file: sun, ambient light, clipping planes, sky box
// textures, exponential fog and lens-flare sources.
#pragma once
#include "platform/array.h"
#include "graphics/lighting_record.h"   // lighting_record, track_lighting


enum { FLARE_ELEMENTS = 8 };

struct flare_source {
    float point[3];             // a world position, or a direction when is_direction is 1
    float screen[2];            // kept by the lens-flare drawing
    float element_offset[FLARE_ELEMENTS][2];
    float element_color[FLARE_ELEMENTS][3];
    float element_size[FLARE_ELEMENTS];
    int   element_texture[FLARE_ELEMENTS];
    int   element_count;
    int   is_direction;
    float visibility;           // kept by the lens-flare drawing
};

extern growable_array flare_sources;   // of flare_source; made by lighting_load

// Resets to the defaults and reads the file ("@" + track folder + "/lighting"). Without the file
// only the defaults are set: no sky textures and no change to the OpenGL fog state.
void lighting_load(const char *file_name);
// Frees the flare list (the track's release calls it).
void lighting_free(void);
