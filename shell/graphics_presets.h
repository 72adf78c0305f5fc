// shell/graphics_presets.h — the four detail presets of the graphics settings and the lighting
// the menus are drawn with before any track is loaded.
#pragma once

enum {
    GRAPHICS_PRESET_COMPATIBILITY,
    GRAPHICS_PRESET_HIGH_FPS,
    GRAPHICS_PRESET_NORMAL,
    GRAPHICS_PRESET_HIGH_DETAIL,
    GRAPHICS_PRESET_COUNT,
    GRAPHICS_PRESET_CUSTOM = -1,
};

// Sets the twelve graphics settings of that column; a column out of range changes nothing.
void graphics_preset_apply(int preset);
// The column the twelve settings match (Compatibility, High FPS or Normal; the last match wins),
// else GRAPHICS_PRESET_CUSTOM. High Detail has no label of its own and reads as custom.
int  graphics_preset_detect(void);
const char *graphics_preset_label(int preset);   // "Compatibility", ..., "Custom"
// The track lighting back to its defaults.
void track_lighting_set_default(void);
