// terrain/surface.h — ground tile types: friction and rolling-resistance curves, thrown dirt,
// digging parameters, read from a track's "tileinfo" (or the older "texturelist").
#pragma once
#include <cstdint>

struct data_stream;
struct terrain_field;

enum { TILE_MAX = 256, TILE_CURVE_POINTS = 8, TILE_ROOST_TYPES = 4, TILE_ERODE_LIMITS = 8 };

// A curve key of 0 ends the curve for its reader; keys read from a file are at least this.
constexpr float TILE_MIN_KEY = 9.536743e-7f;   // 2^-20

struct roost_type {
    int   kind;            // 0 unused, 1 given, 2 given with a nonzero "splash="
    int   texture;
    float count, dig, slip_threshold, slow_angle, fast_angle, slow_speed, fast_speed;
    float size, grow, drag, vscale, randomize;
    std::uint8_t r, g, b, a;
    std::uint8_t fade_r, fade_g, fade_b, fade_a;
};

// Scalars in file order. Zero-width ranges (on speed = off speed, slip upper = lower,
// upper = lower) are kept as read: the erosion code treats them as steps.
struct erosion_params {
    float erode_depth, erode_lower, erode_upper, erode_displacement, erode_radius;
    float erode_inner_depth, erode_inner_radius, erode_min_slope, erode_max_slope;
    float erode_off_speed, erode_on_speed, erode_slip_lower, erode_slip_upper;
    float erode_slip_base_scale, erode_slip_scale, erode_downhill_scale;
    float limit_depth[TILE_ERODE_LIMITS];
    float limit_a[TILE_ERODE_LIMITS];
    float limit_b[TILE_ERODE_LIMITS];
    int   limit_count;
};

// A tile being read, before "addtile" commits it to the field's tile table.
struct tile_state {
    int            texture;                 // modes 2 and 3
    unsigned char *pixels;                  // mode 1
    int            width, height;
    char           name[1024];              // "texture" value as given
    int            has_name;
    float          friction[TILE_CURVE_POINTS];
    float          friction_key[TILE_CURVE_POINTS];
    int            friction_count;
    float          roll_resist[TILE_CURVE_POINTS][2];
    float          roll_resist_key[TILE_CURVE_POINTS];
    int            roll_resist_count;
    roost_type     roost[TILE_ROOST_TYPES];
    int            roost_count;
    erosion_params erosion;
};

void tile_defaults(tile_state *tile);
void roost_defaults(roost_type *roost);   // one roost type as a tile starts with it
void erosion_defaults(erosion_params *e);

// Reads "tileinfo" to its end (or 256 tiles); bad statements are reported and skipped. Always 1.
int  tileinfo_parse(terrain_field *t, data_stream *s);
// One roost line's words into the tile's next free roost type. Always 1.
int  tileinfo_parse_roost(terrain_field *t, tile_state *tile, const char *words);
// Reads the older "texturelist" format; returns the number of tiles.
int  texturelist_parse(terrain_field *t, data_stream *s);

// Code of a transition tile from its image name: (tile << 16) | (neighbour << 8) | corner mask,
// -1 when the first part names no tile, -256 when the second part names none.
int  tile_name_code(const char *name, const char *const *tile_names, int tile_count);

// Scans text the way the game's data_scanf scans a stream: whitespace in the format skips any
// whitespace, other characters must match, %f (float*), %Ns (char*, width N), %n (int*).
// Reals are plain decimal: no "nan", "inf" or hexadecimal forms. Returns the number stored, or
// -1 when a literal does not match or the text ends before the first conversion.
int  terrain_text_scan(const char *text, const char *format, ...);
