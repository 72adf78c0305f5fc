// The track list. A track is not registered anywhere: any folder of the file index holding
// "terrain.hf" (or its ".gz") is one.
#include "shell/track_list.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/stream.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/loading.h"
#include "platform/log.h"
#include <cstring>

track_list_record track_list;

static int ends_with(const char *name, const char *tail)
{
    std::size_t n = strlen(name), t = strlen(tail);
    return n >= t && memcmp(name + n - t, tail, t) == 0;
}

static char *copy_text(const char *text, std::size_t length)
{
    char *out = (char *)alloc_or_die(length + 1);
    memcpy(out, text, length);
    out[length] = 0;
    return out;
}

// The first line of the folder's "desc", or null when there is none. The line is cut at
// TRACK_LONG_NAME_MAX bytes.
static char *read_long_name(const char *folder)
{
    std::size_t length = strlen(folder);
    char *name = (char *)alloc_or_die(length + 7);
    memcpy(name, "@", 1);
    memcpy(name + 1, folder, length);
    memcpy(name + 1 + length, "/desc", 6);
    data_stream *s = data_open(name, "rb");
    mem_free(name);
    if (!s) return nullptr;
    char line[TRACK_LONG_NAME_MAX + 1];
    int n = 0;
    for (int c; n < TRACK_LONG_NAME_MAX && (c = data_getc(s)) != EOF && c != '\r' && c != '\n' && c != 0;)
        line[n++] = (char)c;
    data_close(s);
    return copy_text(line, (std::size_t)n);
}

static int lowered(char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : (signed char)c; }

// Byte by byte, signed and lowered: bytes 0x80-0xFF sort before ASCII, a prefix sorts first.
static int long_name_greater(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        int d = lowered(*a) - lowered(*b);
        if (d || !*a || !*b) return d > 0;
    }
}

int scan_tracks(void)
{
    track_list_free();
    const char *const *names = file_index_names();
    int kept = 0;
    for (const char *const *p = names; p && *p; ++p)
        if (ends_with(*p, "/terrain.hf") || ends_with(*p, "/terrain.hf.gz")) ++kept;
    if (kept == 0) return 0;

    track_list.folders = (char **)alloc_or_die(sizeof(char *) * kept);
    track_list.long_names = (char **)alloc_or_die(sizeof(char *) * kept);
    int n = 0;
    for (const char *const *p = names; *p; ++p) {
        if (!ends_with(*p, "/terrain.hf") && !ends_with(*p, "/terrain.hf.gz")) continue;
        loading_tick();
        const char *slash = strrchr(*p, '/');
        track_list.folders[n] = copy_text(*p, (std::size_t)(slash - *p));
        char *long_name = read_long_name(track_list.folders[n]);
        track_list.long_names[n] = long_name ? long_name : copy_text(track_list.folders[n], strlen(track_list.folders[n]));
        ++n;
    }
    track_list.count = n;

    for (int i = 0; i < n - 1; ++i)
        for (int j = i + 1; j < n; ++j)
            if (long_name_greater(track_list.long_names[i], track_list.long_names[j])) {
                char *f = track_list.folders[i], *l = track_list.long_names[i];
                track_list.folders[i] = track_list.folders[j];
                track_list.long_names[i] = track_list.long_names[j];
                track_list.folders[j] = f;
                track_list.long_names[j] = l;
            }
    if (g_options.debug_level)
        for (int i = 0; i < n; ++i) kubl_log_printf("%s -> %s\n", track_list.folders[i], track_list.long_names[i]);
    // The track choice of the settings shows the long names.
    track_choice.items = track_list.long_names;
    track_choice.item_count = n;
    track_choice.current = 0;
    return 1;
}

void track_list_free(void)
{
    for (int i = 0; i < track_list.count; ++i) {
        mem_free(track_list.folders[i]);
        mem_free(track_list.long_names[i]);
    }
    mem_free(track_list.folders);
    mem_free(track_list.long_names);
    track_list = {};
    track_choice.items = nullptr;
    track_choice.item_count = 0;
    track_choice.current = 0;
}

int track_list_count(void) { return track_list.count; }

const char *track_list_folder(int index)
{
    return index >= 0 && index < track_list.count ? track_list.folders[index] : nullptr;
}

const char *track_list_long_name(int index)
{
    return index >= 0 && index < track_list.count ? track_list.long_names[index] : nullptr;
}

int track_list_find(const char *folder)
{
    if (!folder) return -1;
    for (int i = 0; i < track_list.count; ++i)
        if (!strcmp(track_list.folders[i], folder)) return i;
    return -1;
}

int track_choice_select(const char *folder)
{
    int i = track_list_find(folder);
    if (i < 0) return 0;
    track_choice.current = i;
    return 1;
}

int track_choice_index(void)
{
    if (!track_list.count) return -1;
    int i = track_choice.current;
    return i >= 0 && i < track_list.count ? i : 0;
}
