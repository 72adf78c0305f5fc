// First cut of the search folders: home ("Rutline" under the XDG data home), then the data
// folder (RL_HOME, else the program's own folder).
#include "data/paths.h"
#include "data/mem.h"
#include "platform/log.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

static char *g_folders[3];
static int   g_folder_count = -1;

char *path_join(const char *first, const char *second)
{
    if (!first || !second) return nullptr;
    size_t n = strlen(first) + strlen(second);
    char *out = (char *)mem_alloc(n + 1);
    if (!out) return nullptr;
    size_t k = 0;
    for (const char *part : {first, second})
        for (const char *p = part; *p; ++p) {
            char c = *p == '\\' ? '/' : *p;
            if (c == '/' && k && out[k - 1] == '/') continue;
            out[k++] = c;
        }
    out[k] = 0;
    return out;
}

static void build_folders(void)
{
    g_folder_count = 0;
    std::string home;
    if (const char *xdg = getenv("XDG_DATA_HOME"); xdg && *xdg) home = xdg;
    else if (const char *h = getenv("HOME"); h && *h) home = std::string(h) + "/.local/share";
    if (!home.empty())
        if (char *f = path_join(home.c_str(), "/Rutline/")) g_folders[g_folder_count++] = f;
    if (const char *rl = getenv("RL_HOME")) {
        if (char *f = path_join(rl, "/")) g_folders[g_folder_count++] = f;
    } else {
        char exe[4096];
        ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n > 0) {
            exe[n] = 0;
            if (char *slash = strrchr(exe, '/')) {
                slash[1] = 0;
                if (char *f = path_join(exe, "/")) g_folders[g_folder_count++] = f;
            }
        }
    }
    g_folders[g_folder_count] = nullptr;
}

const char *search_folder(int index)
{
    if (g_folder_count < 0) build_folders();
    return index >= 0 && index < g_folder_count ? g_folders[index] : nullptr;
}

int search_folder_count(void)
{
    if (g_folder_count < 0) build_folders();
    return g_folder_count;
}

void search_folders_free(void)
{
    for (int i = 0; i < 3; ++i) { mem_free(g_folders[i]); g_folders[i] = nullptr; }
    g_folder_count = -1;
}

void make_parent_folders(const char *path)
{
    size_t n = strlen(path);
    if (n > 1023) return;
    char buf[1024];
    for (size_t i = 0; i < n; ++i)
        if (path[i] == '/' && i > 0) {
            memcpy(buf, path, i);
            buf[i] = 0;
            mkdir(buf, 0777);
        }
}

int file_replace(const char *source, const char *target)
{
    std::string s = source, t = target;
    if (s[0] == '@' && search_folder(0)) s = std::string(search_folder(0)) + s.substr(1);
    if (t[0] == '@' && search_folder(0)) t = std::string(search_folder(0)) + t.substr(1);
    return rename(s.c_str(), t.c_str()) == 0;
}

void open_home_folder(void) {}

void log_file_setup(void)
{
    const char *home = search_folder(0);
    if (!home) return;
    make_parent_folders(home);
    kubl_log_printf("KUBL_LOGFILE=%.900slastlog.txt", home);
}
