// The video mode list, built once at start-up from the display's modes.
#include "shell/video_modes.h"
#include "data/mem.h"
#include "platform/array.h"
#include "platform/display.h"
#include <cstdio>
#include <cstring>

menu_choice            video_mode_choice;
const video_mode_pair *video_mode_size_table;

enum { MODE_TEXT_BYTES = 24 };   // "%dx%d" of two ints, with its terminator

static struct {
    video_mode_source source;
    growable_array    sizes;     // video_mode_pair
    growable_array    items;     // const char *
    growable_array    texts;     // char[MODE_TEXT_BYTES]
} g_modes;

static const char *const fixed_items[2] = {"Default Fullscreen", "Windowed"};

void video_modes_set_source(video_mode_source source) { g_modes.source = source; }

static void array_free(growable_array *a)
{
    mem_free(a->items);
    *a = growable_array{nullptr, 0, 0, a->element_size};
}

void video_modes_free(void)
{
    array_free(&g_modes.sizes);
    array_free(&g_modes.items);
    array_free(&g_modes.texts);
    video_mode_size_table = nullptr;
    video_mode_choice = menu_choice{"Video Mode", nullptr, 0, 0, {}};
}

// The list is known before anything is stored, so each array gets its exact room at once; out
// of memory takes the program's fatal path.
static void array_make(growable_array *a, int count, int element_size)
{
    *a = growable_array{alloc_or_die((size_t)count * element_size), count, 0, element_size};
}

static void *array_push(growable_array *a)
{
    return (char *)a->items + (size_t)a->element_size * a->count++;
}

void video_modes_build(void)
{
    video_modes_free();
    const display_mode *modes = (g_modes.source ? g_modes.source : kubl_display_modes)();
    int count = 2;
    for (int i = 0; modes && modes[i].width; ++i)
        if (modes[i].bits == modes[0].bits) ++count;
    array_make(&g_modes.sizes, count, sizeof(video_mode_pair));
    array_make(&g_modes.items, count, sizeof(const char *));
    array_make(&g_modes.texts, count, MODE_TEXT_BYTES);
    for (const char *item : fixed_items) {
        *(video_mode_pair *)array_push(&g_modes.sizes) = video_mode_pair{0, 0};
        *(const char **)array_push(&g_modes.items) = item;
    }
    for (int i = 0; modes && modes[i].width; ++i) {
        if (modes[i].bits != modes[0].bits) continue;
        char *text = (char *)array_push(&g_modes.texts);
        snprintf(text, MODE_TEXT_BYTES, "%dx%d", modes[i].width, modes[i].height);
        *(video_mode_pair *)array_push(&g_modes.sizes) = video_mode_pair{modes[i].width, modes[i].height};
        *(const char **)array_push(&g_modes.items) = text;
    }
    video_mode_size_table = (const video_mode_pair *)g_modes.sizes.items;
    video_mode_choice.items = (const char *const *)g_modes.items.items;
    video_mode_choice.item_count = g_modes.items.count;
    video_mode_choice.current = 0;
}

void video_mode_size(int index, int *width, int *height)
{
    *width = *height = 0;
    if (!video_mode_size_table || index < 0 || index >= video_mode_choice.item_count) return;
    *width = video_mode_size_table[index].width;
    *height = video_mode_size_table[index].height;
}
