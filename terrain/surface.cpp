// Surface tiles: the "tileinfo" statements (and the older "texturelist"), the tile defaults and
// the codes that tell which two tiles a transition tile joins.
#include "terrain/surface.h"
#include "terrain/field.h"
#include "terrain/terrain_seams.h"
#include "data/console.h"
#include "data/stream.h"
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static inline int is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A real as the game's own scanf reads it: sign, digits with at most one point, exponent.
static int scan_real(const char **text, float *out)
{
    const char *p = *text;
    char buf[128];
    int n = 0, digits = 0;
    auto put = [&](char c) { if (n < (int)sizeof buf - 1) buf[n++] = c; };
    if (*p == '+' || *p == '-') put(*p++);
    while (isdigit((unsigned char)*p)) { put(*p++); digits++; }
    if (*p == '.') {
        put(*p++);
        while (isdigit((unsigned char)*p)) { put(*p++); digits++; }
        if (!digits) digits = 1;   // a lone point reads as zero
    }
    if (!digits) return 0;
    if (*p == 'e' || *p == 'E') {
        put(*p++);
        if (*p == '+' || *p == '-') put(*p++);
        while (isdigit((unsigned char)*p)) put(*p++);
    }
    buf[n] = 0;
    if (n == 1 && buf[0] == '.') *out = 0.0f;
    else *out = (float)strtod(buf, nullptr);   // a dangling exponent is consumed, as read

    *text = p;
    return 1;
}

int terrain_text_scan(const char *text, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    const char *p = text, *f = format;
    int stored = 0;
    while (*f) {
        if (is_space((unsigned char)*f)) {
            while (is_space((unsigned char)*p)) ++p;
            ++f;
            continue;
        }
        if (*f != '%') {
            if (*p != *f) { va_end(ap); return -1; }
            ++p, ++f;
            continue;
        }
        ++f;
        int width = 0;
        while (isdigit((unsigned char)*f)) width = width * 10 + (*f++ - '0');
        char conv = *f++;
        if (conv == 'n') {
            *va_arg(ap, int *) = (int)(p - text);
            continue;
        }
        while (is_space((unsigned char)*p)) ++p;
        if (!*p) { va_end(ap); return stored ? stored : -1; }
        if (conv == 'f') {
            if (!scan_real(&p, va_arg(ap, float *))) break;
            stored++;
        } else if (conv == 's') {
            char *out = va_arg(ap, char *);
            int limit = width ? width : 1000000, k = 0;
            while (*p && !is_space((unsigned char)*p) && k < limit) out[k++] = *p++;
            out[k] = 0;
            stored++;
        } else {
            break;
        }
    }
    va_end(ap);
    return stored;
}

void roost_defaults(roost_type *r)
{
    memset(r, 0, sizeof *r);
    r->texture = terrain_texture_load("@roost.png");
    r->count = 10.0f;
    r->dig = 1.0f;
    r->slip_threshold = 4.0f;
    r->slow_angle = 1.5707964f;
    r->fast_angle = 0.19634955f;
    r->slow_speed = 0.0f;
    r->fast_speed = 64.0f;
    r->size = 0.25f;
    r->grow = 4.0f;
    r->drag = 0.5f;
    r->vscale = 1.0f;
    r->randomize = 15.0f;
    r->r = r->g = r->b = r->a = 255;
    r->fade_r = r->fade_g = r->fade_b = 0;
    r->fade_a = 254;
}

void erosion_defaults(erosion_params *e)
{
    static const float scalars[16] = {
        1.0f, 50.0f, 150.0f, 2.0f, 4.0f, 0.125f, 2.0f, -0.5f, 0.5f, 10.0f, 15.0f, 0.0f, 5.0f,
        1.0f, 1.5f, 0.0f,
    };
    memset(e, 0, sizeof *e);
    memcpy(&e->erode_depth, scalars, sizeof scalars);
}

void tile_defaults(tile_state *tile)
{
    memset(tile, 0, sizeof *tile);
    for (int i = 0; i < TILE_CURVE_POINTS; ++i) {
        tile->friction[i] = 1.0f;
        tile->friction_key[i] = i == 0 ? 1.0f : 0.0f;
        tile->roll_resist[i][0] = 5.0f;
        tile->roll_resist[i][1] = 15.0f;
        tile->roll_resist_key[i] = i == 0 ? 1.0f : 0.0f;
    }
    for (roost_type &r : tile->roost) roost_defaults(&r);
    erosion_defaults(&tile->erosion);
}

// The erode scalars by key, in the order of erosion_params.
static const char *const erode_keys[16] = {
    "erode_depth", "erode_lower", "erode_upper", "erode_displacement", "erode_radius",
    "erode_inner_depth", "erode_inner_radius", "erode_min_slope", "erode_max_slope",
    "erode_off_speed", "erode_on_speed", "erode_slip_lower", "erode_slip_upper",
    "erode_slip_base_scale", "erode_slip_scale", "erode_downhill_scale",
};

static void warn(const char *text) { console_print(text); }

static void warnf(const char *format, const char *arg)
{
    char message[1100];
    snprintf(message, sizeof message, format, arg);
    console_print(message);
}

// Truncation to an integer as the processor does it: NaN and values out of the int range give
// 0x80000000, whose low byte is 0.
static std::uint8_t low_byte(double v)
{
    if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
    return (std::uint8_t)((long long)v & 0xFF);
}

static void load_tile_image(terrain_field *t, tile_state *tile, const char *name)
{
    if (t->texture_mode == 1) {
        tile->pixels = nullptr;
        tile->width = tile->height = 0;
        terrain_image_load(name, &tile->pixels, &tile->width, &tile->height);
    } else {
        tile->texture = terrain_texture_load(name);
    }
}

struct roost_float { const char *word; int offset; };
#define ROOST_FIELD(w, f) { w, (int)offsetof(roost_type, f) }
static const roost_float roost_floats[] = {
    ROOST_FIELD("count", count), ROOST_FIELD("dig", dig),
    ROOST_FIELD("slip_threshold", slip_threshold), ROOST_FIELD("slow_angle", slow_angle),
    ROOST_FIELD("fast_angle", fast_angle), ROOST_FIELD("slow_speed", slow_speed),
    ROOST_FIELD("fast_speed", fast_speed), ROOST_FIELD("size", size), ROOST_FIELD("grow", grow),
    ROOST_FIELD("drag", drag), ROOST_FIELD("vscale", vscale), ROOST_FIELD("randomize", randomize),
};
static const char *const roost_bytes[8] = { "r", "g", "b", "a", "fade_r", "fade_g", "fade_b", "fade_a" };

static void apply_roost_word(roost_type *r, const char *word)
{
    const char *eq = strchr(word, '=');
    if (eq) {
        size_t key_len = (size_t)(eq - word);
        const char *num = eq + 1;
        auto is = [&](const char *k) { return strlen(k) == key_len && !strncmp(word, k, key_len); };
        if (is("texture")) { r->texture = terrain_texture_load(num); return; }
        char *end;
        double v = strtod(num, &end);
        bool bad = end == num;
        if (is("splash")) {
            if (v != 0) r->kind = 2;
            return;
        }
        for (const roost_float &f : roost_floats)
            if (is(f.word)) {
                *(float *)((char *)r + f.offset) = (float)v;
                if (bad) warnf("tileinfo warning: bad %s\n", f.word);
                return;
            }
        std::uint8_t *bytes[8] = { &r->r, &r->g, &r->b, &r->a, &r->fade_r, &r->fade_g, &r->fade_b, &r->fade_a };
        for (int i = 0; i < 8; ++i)
            if (is(roost_bytes[i])) {
                *bytes[i] = low_byte(i < 4 ? v : v * 0.0078125);
                if (bad) warnf("tileinfo warning: bad %s\n", roost_bytes[i]);
                return;
            }
    }
    warnf("tileinfo warning: unknown roost parameter '%.40s'\n", word);
}

int tileinfo_parse_roost(terrain_field *t, tile_state *tile, const char *words)
{
    if (tile->roost_count >= TILE_ROOST_TYPES) {
        warn("tileinfo warning: too many roost types\n");
        return 1;
    }
    roost_type *r = &tile->roost[tile->roost_count++];
    r->kind = 1;
    const char *p = words;
    char word[1024];
    for (;;) {
        while (*p && strchr(" \f\n\r\t\b", *p)) ++p;
        if (!*p) break;
        int n = 0;
        while (*p && !strchr(" \f\n\r\t\b", *p)) {
            if (*p == '"') {
                ++p;
                while (*p && *p != '"') { if (n < (int)sizeof word - 1) word[n++] = *p; ++p; }
                if (*p == '"') ++p;
            } else {
                if (n < (int)sizeof word - 1) word[n++] = *p;
                ++p;
            }
        }
        word[n] = 0;
        apply_roost_word(r, word);
    }
    return 1;
}

// Exchange sort by key: each position in turn takes every later point with a smaller key.
static void sort_points(float *value, int value_width, float *key, int count)
{
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (key[j] < key[i]) {
                float k = key[i]; key[i] = key[j]; key[j] = k;
                for (int w = 0; w < value_width; ++w) {
                    float v = value[i * value_width + w];
                    value[i * value_width + w] = value[j * value_width + w];
                    value[j * value_width + w] = v;
                }
            }
}

// The name a tile is matched by: the texture value without a leading '@' and without its
// folders (so transition tiles in a folder resolve like those outside one).
static void code_name(const char *value, char *out, size_t size)
{
    if (*value == '@') ++value;
    if (const char *slash = strrchr(value, '/')) value = slash + 1;
    snprintf(out, size, "%s", value);
}

static void commit_tile(terrain_field *t, tile_state *tile, char (*names)[256])
{
    int i = t->tile_count;
    t->tile_textures[i] = tile->texture;
    t->tile_pixels[i] = tile->pixels;
    t->tile_widths[i] = tile->width;
    t->tile_heights[i] = tile->height;
    if (tile->friction_count >= 2) sort_points(tile->friction, 1, tile->friction_key, tile->friction_count);
    if (tile->roll_resist_count >= 2)
        sort_points(&tile->roll_resist[0][0], 2, tile->roll_resist_key, tile->roll_resist_count);
    memcpy(t->friction[i], tile->friction, sizeof tile->friction);
    memcpy(t->friction_key[i], tile->friction_key, sizeof tile->friction_key);
    memcpy(t->roll_resist[i], tile->roll_resist, sizeof tile->roll_resist);
    memcpy(t->roll_resist_key[i], tile->roll_resist_key, sizeof tile->roll_resist_key);
    memcpy(t->roost[i], tile->roost, sizeof tile->roost);
    if (tile->erosion.limit_count == 0) {
        tile->erosion.limit_count = 2;
        tile->erosion.limit_depth[0] = 0.0f;
        tile->erosion.limit_a[0] = tile->erosion.limit_b[0] = 1.0f;
        tile->erosion.limit_depth[1] = 1.0f;
        tile->erosion.limit_a[1] = tile->erosion.limit_b[1] = 0.0f;
    }
    t->erosion[i] = tile->erosion;
    names[i][0] = 0;
    if (tile->has_name) code_name(tile->name, names[i], sizeof names[i]);
    t->tile_count++;
    tile_defaults(tile);
}

static void compute_codes(terrain_field *t, char (*names)[256])
{
    const char *list[TILE_MAX];
    for (int i = 0; i < t->tile_count; ++i) list[i] = names[i];
    for (int i = 0; i < t->tile_count; ++i) {
        int code = tile_name_code(names[i], list, t->tile_count);
        t->tile_codes[i] = code == -1 ? (i << 16) | (i << 8) : code;
    }
}

static void statement(terrain_field *t, tile_state *tile, const char *key, const char *value,
                      char (*names)[256])
{
    if (!strcmp(key, "texture")) {
        snprintf(tile->name, sizeof tile->name, "%s", value);
        tile->has_name = 1;
        load_tile_image(t, tile, value);
    } else if (!strcmp(key, "friction")) {
        float v, k;
        if (terrain_text_scan(value, "%f %f", &v, &k) != 2) warn("tileinfo warning: bad friction parameters\n");
        else if (tile->friction_count >= TILE_CURVE_POINTS) warn("tileinfo warning: too many friction points\n");
        else {
            int n = tile->friction_count++;
            tile->friction[n] = v < 0 ? 0.0f : v;
            tile->friction_key[n] = k < TILE_MIN_KEY ? TILE_MIN_KEY : k;
        }
    } else if (!strcmp(key, "roll_resist")) {
        float a, b, k;
        if (terrain_text_scan(value, "%f %f %f", &a, &b, &k) != 3) warn("tileinfo warning: bad roll_resist parameters\n");
        else if (tile->roll_resist_count >= TILE_CURVE_POINTS) warn("tileinfo warning: too many roll_resist points\n");
        else {
            int n = tile->roll_resist_count++;
            tile->roll_resist[n][0] = a < 0 ? 0.0f : a;
            tile->roll_resist[n][1] = b < 0 ? 0.0f : b;
            tile->roll_resist_key[n] = k < TILE_MIN_KEY ? TILE_MIN_KEY : k;
        }
    } else if (!strcmp(key, "roost")) {
        tileinfo_parse_roost(t, tile, value);
    } else if (!strcmp(key, "erode_limit")) {
        erosion_params &e = tile->erosion;
        float d, a, b;
        if (terrain_text_scan(value, "%f %f %f", &d, &a, &b) != 3) warn("tileinfo warning: bad erode_limit\n");
        else if (e.limit_count >= TILE_ERODE_LIMITS) warn("tileinfo warning: too many erode limits\n");
        else if (e.limit_count > 0 && !(d > e.limit_depth[e.limit_count - 1]))
            warn("tileinfo warning: erode_limit depth <= prev depth\n");
        else {
            e.limit_depth[e.limit_count] = d;
            e.limit_a[e.limit_count] = a;
            e.limit_b[e.limit_count] = b;
            e.limit_count++;
        }
    } else if (!strcmp(key, "addtile")) {
        commit_tile(t, tile, names);
    } else {
        for (int k = 0; k < 16; ++k)
            if (!strcmp(key, erode_keys[k])) {
                float v;
                if (terrain_text_scan(value, "%f", &v) == 1) (&tile->erosion.erode_depth)[k] = v;
                else warnf("tileinfo warning: bad %s\n", erode_keys[k]);
                return;
            }
        warnf("tileinfo warning: Unknown identifier '%.950s'\n", key);
    }
}

int tileinfo_parse(terrain_field *t, data_stream *s)
{
    static tile_state tile;                  // large: kept off the stack
    static char names[TILE_MAX][256];
    tile_defaults(&tile);
    t->tile_count = 0;
    char line[1024];
    while (t->tile_count < TILE_MAX && data_gets(s, line, sizeof line)) {
        terrain_status_spin("Loading tileinfo");
        char *p = line;
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
        if (!*p) continue;
        char *key = p;
        while (*p && !strchr(" \t\r\n", *p)) ++p;
        char separator = *p;
        *p = 0;
        char *value = p;
        if (separator == ' ' || separator == '\t') {
            value = p + 1;
            while (*value == ' ' || *value == '\t') ++value;
        }
        value[strcspn(value, "\r\n")] = 0;
        statement(t, &tile, key, value, names);
    }
    compute_codes(t, names);
    return 1;
}

int texturelist_parse(terrain_field *t, data_stream *s)
{
    static tile_state tile;
    static char names[TILE_MAX][256];
    t->tile_count = 0;
    char line[1024];
    while (t->tile_count < TILE_MAX && data_gets(s, line, sizeof line)) {
        terrain_status_spin("Loading tileinfo");
        const char *p = line;
        while (is_space((unsigned char)*p)) ++p;
        if (!*p) continue;
        float friction = 1.0f, roll_a = 5.0f, roll_b = 15.0f;
        int used = 0;
        if (terrain_text_scan(line, "%f %f %f %n", &friction, &roll_a, &roll_b, &used) != 3) {
            friction = 1.0f, roll_a = 5.0f, roll_b = 15.0f;
            used = 0;
        }
        // The name is the rest of the line without its line end (CR and LF only).
        char name[1030];
        snprintf(name, sizeof name, "@%s", line + used);
        size_t n = strlen(name);
        while (n && (name[n - 1] == '\n' || name[n - 1] == '\r')) name[--n] = 0;

        tile_defaults(&tile);
        for (int i = 0; i < TILE_CURVE_POINTS; ++i) {
            tile.friction[i] = friction;
            tile.roll_resist[i][0] = roll_a;
            tile.roll_resist[i][1] = roll_b;
        }
        tile.roost[0].kind = 1;
        load_tile_image(t, &tile, name);
        snprintf(tile.name, sizeof tile.name, "%s", name);
        tile.has_name = 1;
        commit_tile(t, &tile, names);
    }
    compute_codes(t, names);
    return t->tile_count;
}

// Part of a tile's name before its first '.'.
static size_t stem_length(const char *name)
{
    const char *dot = strchr(name, '.');
    return dot ? (size_t)(dot - name) : strlen(name);
}

static int find_tile(const char *part, size_t len, const char *const *names, int count)
{
    for (int i = 0; i < count; ++i)
        if (stem_length(names[i]) == len && !strncmp(names[i], part, len)) return i;
    return -1;
}

int tile_name_code(const char *name, const char *const *names, int count)
{
    const char *dash = strchr(name, '-');
    if (!dash) return -1;
    int i = find_tile(name, (size_t)(dash - name), names, count);
    if (i < 0) return -1;
    const char *second = dash + 1;
    if (!strncmp(second, "alt", 3) && isdigit((unsigned char)second[3])) return (i << 16) | (i << 8);
    const char *dash2 = strchr(second, '-');
    if (!dash2) return -256;
    int j = find_tile(second, (size_t)(dash2 - second), names, count);
    if (j < 0) return -256;
    const char *m = dash2 + 1;
    int mask = 0;
    for (int k = 0; k < 4; ++k) {
        if (m[k] != '0' && m[k] != '1') return (i << 16) | (j << 8);
        mask = mask * 2 + (m[k] - '0');
    }
    return (i << 16) | (j << 8) | mask;
}
