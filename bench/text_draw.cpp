// Text drawing of a full console page: 50 lines of 78 characters, some with colour escapes.
// BM_TextQuads lays the page out into glyph quads (no drawing); BM_TextDraw draws it with the
// generated main font on a window (run under a display; skipped without one).
#include "graphics/font.h"
#include "data/paths.h"
#include "platform/display.h"
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string game_folder(void)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? (size_t)n : 0);
    path = path.substr(0, path.rfind('/'));
    return path.substr(0, path.rfind('/')) + "/game/";
}

std::vector<std::string> console_page(void)
{
    std::vector<std::string> lines;
    const char *words[] = {"Loading", "track", "\033[31mwarning\033[0m", "gate", "12.345", "rider",
                           "\033[1;33mlap\033[0m", "terrain.hf", "ok", "(3/20)"};
    for (int i = 0; i < 50; ++i) {
        std::string line;
        for (int w = i; (int)line.size() < 78; ++w) line += std::string(words[w % 10]) + " ";
        lines.push_back(line.substr(0, 78));
    }
    return lines;
}

long page_glyphs(const std::vector<std::string> &page)
{
    long n = 0;
    for (const std::string &line : page)
        for (const char *p = line.c_str(); *p;)
            if (*p == 27) p = text_skip_escape(p);
            else n += *p++ != ' ';
    return n;
}

void sink(const glyph_batch *b, void *ctx) { benchmark::DoNotOptimize(b->vertices[0]); }

void BM_TextQuads(benchmark::State &state)
{
    font f{};
    font_load(&f, (game_folder() + "font.png").c_str(), "!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~");
    if (!f.pixels) {
        state.SkipWithError("no generated font.png");
        return;
    }
    std::vector<std::string> page = console_page();
    glyph_batch batch;
    for (auto _ : state)
        for (const std::string &line : page)
            text_build_quads(&f, 1, 1, 1, 1, line.c_str(), TEXT_NORMAL, &batch, sink, nullptr);
    state.SetItemsProcessed(state.iterations() * page_glyphs(page));
    font_free(&f);
}
BENCHMARK(BM_TextQuads);

void BM_TextDraw(benchmark::State &state)
{
    setenv("RL_HOME", game_folder().c_str(), 1);
    search_folders_free();
    display *d = kubl_gl_window_open("Rutline bench", 1280, 720, 32, 0, 16, 0, 0);
    if (!d) {
        state.SkipWithError("no display");
        return;
    }
    kubl_gl_frame_begin(d);
    fonts_load();
    std::vector<std::string> page = console_page();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 80, -50, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        for (size_t i = 0; i < page.size(); ++i) {
            glLoadIdentity();
            glTranslatef(0, -(float)(i + 1), 0);
            draw_text_shadowed(1, 1, 1, 1, page[i].c_str());
        }
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * page_glyphs(page) * 2);   // shadow and text
    fonts_free();
    kubl_gl_frame_end(d);
    kubl_gl_window_close(d);
    search_folders_free();
}
BENCHMARK(BM_TextDraw)->Unit(benchmark::kMicrosecond);

}   // namespace
