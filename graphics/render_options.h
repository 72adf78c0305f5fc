// graphics/render_options.h — how finely the world is drawn: terrain and model detail, texture
// sizes and compression, reflections, shaders. Set at start-up; the loaders and drawers read it.
#pragma once

// Derived from the graphics settings at start-up, before the command line (which may override).
struct render_options {
    float terrain_detail;
    int   ground_texture_detail;
    int   ground_texture_size;
    float model_lod_scale;
    float model_lod_bias;
    int   model_texture_detail;
    int   roost_frequency;
    int   texture_compression;
    int   reflections;
    int   ground_mipmaps;
    int   shader_capable;
    int   use_shader;
    int   terrain_shader;
};
extern render_options g_render;
