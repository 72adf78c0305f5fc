// The graphics presets: one column of values per preset over the twelve settings they own.
#include "shell/graphics_presets.h"
#include "shell/config.h"
#include "graphics/lighting_record.h"

namespace {

// A setting of the preset table: a slider value, or a choice index.
struct preset_row {
    int   is_slider;
    int   index;   // into config_sliders or config_choices
    float values[GRAPHICS_PRESET_COUNT];
};

const preset_row preset_rows[] = {
    {1, CONFIG_GROUND_DETAIL, {70, 50, 70, 90}},
    {1, CONFIG_GROUND_TEXTURE_DETAIL, {9, 7, 9, 10}},
    {0, CONFIG_GROUND_TEXTURE_DIM, {1, 1, 2, 3}},      // 64x64, 64x64, 128x128, 256x256
    {0, CONFIG_GROUND_MIPMAPS, {1, 1, 1, 1}},
    {0, CONFIG_TEXTURE_COMPRESS, {0, 1, 1, 0}},
    {0, CONFIG_RENDER_TEXTURE, {0, 2, 4, 4}},          // Software, Hardware/Direct, Shaders/Direct
    {0, CONFIG_USE_SHADER, {1, 0, 1, 1}},
    {1, CONFIG_MODEL_DETAIL, {50, 25, 50, 75}},
    {1, CONFIG_MODEL_TEXTURE_DETAIL, {9, 7, 9, 10}},
    {1, CONFIG_ROOST_DENSITY, {1000, 0, 1000, 1000}},
    {0, CONFIG_LENS_FLARE, {1, 0, 1, 1}},
    {0, CONFIG_REFLECTIONS, {1, 0, 1, 1}},
};

const lighting_record default_lighting = {
    {1, 1, 1}, {1, 1, 1}, {0.5f, 0.5f, 0.5f}, {0.2f, 0.2f, 0.2f}, 0.25f, 5000.0f, 0,
    0, 0, 0, 0, 0, 0, {1, 1, 1, 1}, 0.0f,
};

int column_matches(int preset)
{
    for (const preset_row &r : preset_rows) {
        if (r.is_slider ? config_sliders[r.index].value != (double)r.values[preset]
                        : config_choices[r.index].current != (int)r.values[preset])
            return 0;
    }
    return 1;
}

}   // namespace

void graphics_preset_apply(int preset)
{
    if (preset < 0 || preset >= GRAPHICS_PRESET_COUNT) return;
    for (const preset_row &r : preset_rows) {
        if (r.is_slider) config_sliders[r.index].value = r.values[preset];
        else config_choices[r.index].current = (int)r.values[preset];
    }
}

int graphics_preset_detect(void)
{
    int found = GRAPHICS_PRESET_CUSTOM;
    for (int preset = GRAPHICS_PRESET_COMPATIBILITY; preset <= GRAPHICS_PRESET_NORMAL; ++preset)
        if (column_matches(preset)) found = preset;
    return found;
}

const char *graphics_preset_label(int preset)
{
    switch (preset) {
    case GRAPHICS_PRESET_COMPATIBILITY: return "Compatibility";
    case GRAPHICS_PRESET_HIGH_FPS: return "High FPS";
    case GRAPHICS_PRESET_NORMAL: return "Normal";
    }
    return "Custom";
}

void track_lighting_set_default(void) { track_lighting = default_lighting; }
