// graphics/lighting_record.h — the light the world is drawn in: sun, ambient, clipping planes,
// sky box and fog. The track's "lighting" file fills it (terrain/lighting.h); the model drawer
// and the graphics presets read it.
#pragma once

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

extern lighting_record track_lighting;   // the loaded track's lighting
