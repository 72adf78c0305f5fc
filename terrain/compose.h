// terrain/compose.h — keeping the composed ground textures (tiles, decals and lighting combined)
// up to date around the eye: at most one ring slot or requested block per call.
//
// Three back ends (the field's texture_mode): 1 composes on the processor into pixel_buffer and
// uploads it, 2 draws into the frame buffer and copies it into the texture, 3 draws into the
// texture through a framebuffer object. Areas are given by their first leaf and their size in
// leaves; a T x T target shows it with rows of increasing z from texel row 0.
#pragma once
#include <cstdint>

struct terrain_field;

void terrain_compose_texture(terrain_field *t);

// Mode 1: the area into pixel_buffer, then uploaded into texture (with its mip levels when
// ground mipmaps are on).
void terrain_compose_cpu(terrain_field *t, int x, int z, int size, int texture);
// The mode-1 picture of an area in pixel_buffer (T x T RGB), not uploaded.
void terrain_compose_pixels(terrain_field *t, int x, int z, int size);
// Modes 2 and 3: the target set up for one texture; 0 when the framebuffer is incomplete
// (reported on the console, nothing drawn).
int  terrain_render_target(terrain_field *t, int texture);
void terrain_render_color(terrain_field *t, int x, int z, int size);
void terrain_render_normal(terrain_field *t, int x, int z, int size);
void terrain_render_specular(terrain_field *t, int x, int z, int size);
void terrain_render_decals(terrain_field *t, int x, int z, int size, int kind);   // 0 colour, 1 normal, 2 specular
// Binds the low-detail colour block under a cell area and loads a texture matrix that maps
// -1..1 onto it.
void terrain_shading_matrix(terrain_field *t, int x, int z, int size);

// Whether a decal quad can be composed into a T x T texture: centre c and half axes A, B in its
// texels. Not when any is not finite, when the quad has no area, or when it is so large that the
// texture would show a single texel of it. Every texture mode skips the same decals.
int  decal_quad_usable(int size, const float c[2], const float A[2], const float B[2]);

// Fills one decal quad into a T x T RGB image. corners: top, left, right and bottom (texel
// units, y down the rows); origin: the corner with texture coordinate (0, 0); du, dv: source
// texels per destination texel along x and along y. Bilinear when either step is shorter than
// one texel, else nearest; alpha blends.
void decal_raster_span(std::uint8_t *image, int size, const std::uint32_t *decal_pixels, int width,
                       int height, const float corners[4][2], const float origin[2], const float du[2],
                       const float dv[2]);
