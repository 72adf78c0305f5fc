// graphics/lighting_record.cpp — the lighting in force before any track is loaded.
#include "graphics/lighting_record.h"

lighting_record track_lighting = {
    {1, 1, 1}, {1, 1, 1}, {0.5f, 0.5f, 0.5f}, {0.2f, 0.2f, 0.2f}, 0.25f, 5000.0f, 0,
    0, 0, 0, 0, 0, 0, {1, 1, 1, 1}, 0.0f,
};
