// Makes the game's three font images from DejaVu Sans through FreeType:
//   font.png               the 94 printable characters "!".."~", the main font
//   numbers.png            "0123456789" in bold, for number plates
//   numbers-condensed.png  the same digits narrowed, for plates with many digits
//
// Layout (what the font loader cuts by): the top-left pixel's colour is the separator. A
// separator pixel in column 0 marks the top row of a band of glyphs; in that row a separator
// pixel marks the left edge of each cell, and one more closes the band after its last cell (the
// loader never uses the stretch from a band's last separator to the right edge). A closing
// separator row ends the last band when the picture is taller. The separator row and column of
// each cell stay empty, the glyph is drawn white with its coverage as alpha inside.
//
// usage: gen_fonts OUTPUT_FOLDER [TTF_FOLDER]
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const unsigned char separator[4] = {255, 0, 255, 255};
const unsigned char background[4] = {255, 255, 255, 0};

struct glyph_image {
    int width = 0, height = 0;       // of the interior, without the separator row and column
    std::vector<unsigned char> alpha;
};

struct font_spec {
    const char *file_name;     // output
    const char *ttf;           // inside the TTF folder
    const char *charset;
    int         pixel_size;
    double      narrow;        // horizontal scale
    bool        crop_to_digits;   // interior spans the digits' height only, no ascender room
    int         image_width;
};

// Renders each character into an interior box: the line's full height (ascender to descender)
// or, for digits, from the tallest digit's top to the baseline, as wide as its advance (widened
// to hold ink that overhangs).
bool render_glyphs(FT_Face face, const font_spec &spec, std::vector<glyph_image> &out)
{
    FT_Matrix narrow = {(FT_Fixed)std::lround(spec.narrow * 65536), 0, 0, 0x10000};
    FT_Set_Transform(face, &narrow, nullptr);
    if (FT_Set_Pixel_Sizes(face, 0, spec.pixel_size)) return false;

    int ascent = (int)((face->size->metrics.ascender + 63) >> 6);
    int descent = (int)((-face->size->metrics.descender + 63) >> 6);
    if (spec.crop_to_digits) {
        ascent = 0;
        for (const char *c = spec.charset; *c; ++c) {
            if (FT_Load_Char(face, (unsigned char)*c, FT_LOAD_RENDER)) return false;
            if (face->glyph->bitmap_top > ascent) ascent = face->glyph->bitmap_top;
        }
        ascent += 1;
        descent = 1;
    }
    const int height = ascent + descent;
    for (const char *c = spec.charset; *c; ++c) {
        if (FT_Load_Char(face, (unsigned char)*c, FT_LOAD_RENDER)) return false;
        FT_GlyphSlot g = face->glyph;
        const FT_Bitmap &bm = g->bitmap;
        int advance = (int)((g->advance.x + 32) >> 6);
        int shift = g->bitmap_left < 0 ? -g->bitmap_left : 0;
        int width = advance + shift;
        if (g->bitmap_left + shift + (int)bm.width > width) width = g->bitmap_left + shift + (int)bm.width;
        glyph_image gi;
        gi.width = width;
        gi.height = height;
        gi.alpha.assign((size_t)width * height, 0);
        for (unsigned row = 0; row < bm.rows; ++row) {
            int y = ascent - g->bitmap_top + (int)row;
            if (y < 0 || y >= height) continue;
            for (unsigned col = 0; col < bm.width; ++col) {
                int x = g->bitmap_left + shift + (int)col;
                if (x < 0 || x >= width) continue;
                gi.alpha[(size_t)y * width + x] = bm.buffer[row * bm.pitch + col];
            }
        }
        out.push_back(std::move(gi));
    }
    return true;
}

struct picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    void set(int x, int y, const unsigned char *p) { memcpy(&rgba[((size_t)y * width + x) * 4], p, 4); }
};

int power_of_two_at_least(int n)
{
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

// Lays the glyphs out in bands as described at the top. Returns false when a glyph is wider
// than the picture.
bool lay_out(const std::vector<glyph_image> &glyphs, int image_width, picture &pic)
{
    const int band = glyphs.empty() ? 2 : glyphs[0].height + 1;
    struct place { int x, y; };
    std::vector<place> places;
    std::vector<std::vector<int>> band_closers;   // closing separator column per band
    int x = 0, y = 0;
    band_closers.emplace_back();
    for (const glyph_image &g : glyphs) {
        int cell = g.width + 1;
        if (cell + 1 > image_width) return false;
        if (x + cell + 1 > image_width) {   // no room for this cell and the band's closer
            band_closers.back().push_back(x);
            x = 0;
            y += band;
            band_closers.emplace_back();
        }
        places.push_back({x, y});
        x += cell;
    }
    band_closers.back().push_back(x);
    const int used = y + band;

    pic.width = image_width;
    pic.height = power_of_two_at_least(used);
    pic.rgba.resize((size_t)pic.width * pic.height * 4);
    for (int i = 0; i < pic.width * pic.height; ++i) memcpy(&pic.rgba[(size_t)i * 4], background, 4);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const glyph_image &g = glyphs[i];
        pic.set(places[i].x, places[i].y, separator);
        for (int gy = 0; gy < g.height; ++gy)
            for (int gx = 0; gx < g.width; ++gx) {
                unsigned char a = g.alpha[(size_t)gy * g.width + gx];
                unsigned char p[4] = {255, 255, 255, a};
                pic.set(places[i].x + 1 + gx, places[i].y + 1 + gy, p);
            }
    }
    for (size_t b = 0; b < band_closers.size(); ++b) {
        pic.set(0, (int)b * band, separator);   // also when the band's first cell is elsewhere
        for (int closer : band_closers[b]) pic.set(closer, (int)b * band, separator);
    }
    if (used < pic.height) pic.set(0, used, separator);
    return true;
}

// libpng reports errors by longjmp back here; nothing with a destructor lives in this frame.
bool encode_png(FILE *f, png_structp png, png_infop info, int width, int height, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// Written under a temporary name and renamed, so a failed run leaves the old file whole.
bool write_png(const std::string &path, const picture &pic)
{
    std::string temp = path + ".tmp";
    FILE *f = fopen(temp.c_str(), "wb");
    if (!f) {
        fprintf(stderr, "gen_fonts: can't write '%s'\n", temp.c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_bytep> rows((size_t)pic.height);
    for (int y = 0; y < pic.height; ++y) rows[(size_t)y] = (png_bytep)&pic.rgba[(size_t)y * pic.width * 4];
    bool ok = png && info && encode_png(f, png, info, pic.width, pic.height, rows.data());
    png_destroy_write_struct(&png, &info);
    if (fclose(f) != 0) ok = false;
    if (ok && rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        fprintf(stderr, "gen_fonts: writing '%s' failed\n", path.c_str());
        remove(temp.c_str());
    }
    return ok;
}

}   // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: gen_fonts OUTPUT_FOLDER [TTF_FOLDER]\n");
        return 2;
    }
    std::string out = argv[1], ttf_dir = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/dejavu";
    if (out.back() != '/') out += '/';
    if (ttf_dir.back() != '/') ttf_dir += '/';

    static char printable[95];
    for (int c = '!'; c <= '~'; ++c) printable[c - '!'] = (char)c;
    const font_spec specs[] = {
        {"font.png", "DejaVuSans.ttf", printable, 52, 1.0, false, 512},
        {"numbers.png", "DejaVuSans-Bold.ttf", "0123456789", 100, 1.0, true, 1024},
        {"numbers-condensed.png", "DejaVuSans-Bold.ttf", "0123456789", 100, 0.58, true, 512},
    };

    FT_Library lib;
    if (FT_Init_FreeType(&lib)) {
        fprintf(stderr, "gen_fonts: FreeType did not start\n");
        return 1;
    }
    int status = 0;
    for (const font_spec &spec : specs) {
        std::string ttf = ttf_dir + spec.ttf;
        FT_Face face;
        if (FT_New_Face(lib, ttf.c_str(), 0, &face)) {
            fprintf(stderr, "gen_fonts: can't open '%s' (install fonts-dejavu-core)\n", ttf.c_str());
            status = 1;
            break;
        }
        std::vector<glyph_image> glyphs;
        picture pic;
        bool ok = render_glyphs(face, spec, glyphs);
        FT_Done_Face(face);
        if (!ok || !lay_out(glyphs, spec.image_width, pic)) {
            fprintf(stderr, "gen_fonts: %s does not fit\n", spec.file_name);
            status = 1;
            break;
        }
        if (!write_png(out + spec.file_name, pic)) {
            status = 1;
            break;
        }
    }
    FT_Done_FreeType(lib);
    return status;
}
