// terrain/field.h — the loaded track's ground: one height field with its surface tiles, shading,
// level-of-detail pyramid, decals and the bookkeeping of the ground textures.
//
// The grid has 2^(N+1) cells per side (N = lod_depth) and grid_dim = 2^(N+1) + 1 vertices per
// side; vertex (x, z) sits at world (x * cell_size, heights[z * grid_dim + x], z * cell_size).
// Tiles are 2^N per side, each covering 2 x 2 cells. Row-major everywhere (index = z * width + x).
// Bit arrays hold element i in byte i / 8, bit i % 8.
#pragma once
#include <cstdint>
#include "platform/array.h"
#include "terrain/surface.h"

enum {
    TERRAIN_NO_EYE = -1000000,          // eye cell words before any draw
    TERRAIN_BUDGET_UNLIMITED = 2147483647,
    TERRAIN_PIXEL_BUFFER_BYTES = 4 << 20,
    TERRAIN_MIN_DEPTH = 7,              // smaller fields do not hold the drawing's ring windows
    TERRAIN_MAX_DEPTH = 11,             // larger ones run to gigabytes
};

struct decal {
    int  *pixels;                       // texture mode 1 only
    int   width, height;                // mode 1
    int   color_texture, normal_texture, specular_texture;   // 0 = none
    float x, z, angle, size1, size2, sin_angle, cos_angle;
    // Image name as written in "decals" (mem_alloc, freed with the field). Kept even when the
    // image did not load, so that saving writes the decal back.
    char *name;
};

struct terrain_field {
    float         *heights;             // grid_dim^2
    float         *loaded_heights;      // second half of the heights block; not freed alone
    float         *lod_split_dist2;     // per pyramid node: squared split distance (complete)
    float         *lod_split_next;      // the pyramid being rebuilt
    int           *block_color_textures; // block_count^2 (texture modes 2, 3)
    unsigned char *shading;             // RGB per vertex: half the light
    unsigned char *normal_image;        // RGB per vertex, only with terrain_shader
    unsigned char *shadows;             // per vertex, 0 lit .. 255 fully shadowed
    unsigned char *tilemap;             // 4^N tile numbers
    unsigned char *lod_active;          // bit per pyramid node
    unsigned char *block_dirty;         // bit per low-detail colour block
    unsigned char *vertex_dirty;        // bit per vertex: shading colour stale
    unsigned char *normal_dirty;        // bit per vertex: normal_image entry stale
    int           *block_request;       // per 128-cell block: -1 wanted now, 0 none, else stamp
    growable_array decals;              // of decal; items null when the track has no "decals"
    growable_array decal_grid[64];
    growable_array decal_work[2];
    int ring_color[6][4][4], ring_normal[6][4][4], ring_specular[6][4][4];
    int *block_color, *block_normal, *block_specular;
    int ring_ready[6][4][4];
    int ring_request[6][4][4];
    int   texture_size;
    int   texture_mode;                 // 1 CPU + TexSubImage, 2 CopyTexSubImage, 3 framebuffer
    int   framebuffer;
    int   terrain_shader;
    float world_size, cell_size, tile_size;
    float eye_pos[3];
    float view_dir[3];
    float lod_tolerance;
    float height_max, height_min;

    // Tile table, parallel arrays by tile number.
    float          friction[TILE_MAX][TILE_CURVE_POINTS];
    float          friction_key[TILE_MAX][TILE_CURVE_POINTS];         // keyed by squared speed
    float          roll_resist[TILE_MAX][TILE_CURVE_POINTS][2];
    float          roll_resist_key[TILE_MAX][TILE_CURVE_POINTS];      // keyed by speed
    roost_type     roost[TILE_MAX][TILE_ROOST_TYPES];
    erosion_params erosion[TILE_MAX];

    float inv_block_texture_size;
    int   lod_depth;                    // N
    int   grid_dim;                     // 2^(N+1) + 1
    int   eye_cell_x, eye_cell_z;
    int            tile_textures[TILE_MAX];
    unsigned char *tile_pixels[TILE_MAX];
    int            tile_widths[TILE_MAX], tile_heights[TILE_MAX];
    int            tile_codes[TILE_MAX];
    int            tile_count;
    int   fan_vertex_count;
    int   texels_composed;
    int   view_octant;
    int   block_count;
    int   height_generation;            // raised by every bulk height change
    float lod_build_error;
    int   lod_build_state;              // generation of the last complete build, or -(building)
    int   lod_build_budget, lod_build_level, lod_build_x, lod_build_z;
    int   lod_build_phase, lod_build_row;
    unsigned char *pixel_buffer;        // TERRAIN_PIXEL_BUFFER_BYTES scratch image
    int   next_block;
    int   draw_stamp;                   // never 0: 0 means "no request"
    int   change_flags;                 // bits 1, 2, 4: unsaved track files (editor)
    int   edit_lock;                    // nonzero: terrain_set_height refuses changes
    char  folder[1024];                 // where the ground was loaded from; saving writes there
};

extern terrain_field *terrain_ptr;      // the one field of the race (the editor shares it)

// Pyramid node offsets per level, (4^d - 1) / 3; index -5..-1 read 0.
extern const int *const lod_level_offset;

inline int  bit_get(const unsigned char *bits, long i) { return (bits[i >> 3] >> (i & 7)) & 1; }
inline void bit_set(unsigned char *bits, long i) { bits[i >> 3] |= (unsigned char)(1u << (i & 7)); }
inline void bit_clear(unsigned char *bits, long i) { bits[i >> 3] &= (unsigned char)~(1u << (i & 7)); }
inline long bit_bytes(long count) { return (count + 7) / 8; }

// Height of the ground at world (x, z) by the checkerboard triangle rule; outside the grid the
// edge continues. Every reader of the ground uses this one rule.
float terrain_height_at(const terrain_field *t, float x, float z);
// Upward normal of the triangle under (x, z), not normalised (y = cell_size^2).
void  terrain_normal_at(const terrain_field *t, float x, float z, float out[3]);
// Tile number under world (x, z): the tile map cell the point lies in (truncated, not rounded),
// clamped to the map so that beyond the field the nearest border cell holds; NaN reads cell 0,
// and so does everything without a map.
int   terrain_tile_at(const terrain_field *t, float x, float z);
// The one way single heights change: ignored outside the grid or under edit_lock.
void  terrain_set_height(terrain_field *t, int x, int z, float h);

// World coordinate divided into cells, safe to floor into an int: NaN becomes 0 and anything
// beyond +-2^30 cells is held there.
float terrain_safe_cells(float world, float inv_cell_size);
