// terrain/lighting.h — a track's "lighting" file: sun, ambient light, clipping planes, sky box
// textures, exponential fog and lens-flare sources.
#pragma once
#include "platform/array.h"

struct lighting_record {
    float sun_vector[3];        // towards the sun, unit length after a load
    float sun_color[3];
    float ambient[3];
    float global_ambient[3];
    float near_plane;
    float far_plane;
    int   dynamic_lighting;
    int   sky_n, sky_e, sky_s, sky_w, sky_u, sky_env;   // texture names, 0 = none
    float fog_color[4];         // kept from track to track; only a "fog" line changes it
    float fog_density;
};

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

extern lighting_record track_lighting;   // the loaded track's lighting
extern growable_array flare_sources;   // of flare_source; made by lighting_load

// Resets to the defaults and reads the file ("@" + track folder + "/lighting"). Without the file
// only the defaults are set: no sky textures and no change to the OpenGL fog state.
void lighting_load(const char *file_name);
// Frees the flare list (the track's release calls it).
void lighting_free(void);
