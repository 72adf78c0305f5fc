// One frame of a menu page with the generated font on a 1280x720 window: the New Race page
// (7 rows and 40 gate choices) and a full page of the chooser (23 rows). Run under a display;
// skipped without one.
#include "data/paths.h"
#include "graphics/font.h"
#include "platform/display.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "ui/menu.h"
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

std::vector<std::string> names;
std::vector<const char *> items;

void page_frames(benchmark::State &state, int page)
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
    config_init();
    names.clear();
    items.clear();
    for (int i = 0; i < 60; ++i) names.push_back("Generated Track Number " + std::to_string(i));
    for (auto &n : names) items.push_back(n.c_str());
    track_choice = menu_choice{"Track", items.data(), (int)items.size(), 0, {}};
    frame_width = 1280;
    frame_height = 720;
    set_projection(1280, 720, 110);
    menu_state = MENU_PAGE_NEW_RACE;
    if (page == MENU_PAGE_CHOOSER) menu_open_chooser(&track_choice, "Choose Track", menu_value_callback);
    focused_item = 5;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        menu_draw();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations());
    menu_state = MENU_CLOSED;
    fonts_free();
    kubl_gl_frame_end(d);
    kubl_gl_window_close(d);
    search_folders_free();
}

void BM_MenuNewRace(benchmark::State &state) { page_frames(state, MENU_PAGE_NEW_RACE); }
void BM_MenuChooser(benchmark::State &state) { page_frames(state, MENU_PAGE_CHOOSER); }
BENCHMARK(BM_MenuNewRace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MenuChooser)->Unit(benchmark::kMicrosecond);

}   // namespace
