// The search folders: the home folder ("Rutline" under the XDG data home), then the data folder
// (RL_HOME, else the folder holding the program file). Every entry ends with '/'.
#include "data/paths.h"
#include "data/mem.h"
#include "data/stream.h"
#include "platform/log.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

extern char **environ;

enum { FOLDERS_MAX = 3, NAME_MAX_CHARS = 511, CHAIN_MAX_CHARS = 1023 };

static struct {
    char *folders[FOLDERS_MAX + 1];   // ended by a null pointer
    int   count;                      // -1 until built
} g_paths = {{}, -1};

char *path_join(const char *first, const char *second)
{
    if (!first || !second) return nullptr;
    char *out = (char *)mem_alloc(strlen(first) + strlen(second) + 1);
    if (!out) return nullptr;
    std::size_t k = 0;
    for (const char *part : {first, second})
        for (const char *p = part; *p; ++p) {
            char c = *p == '\\' ? '/' : *p;
            if (c == '/' && k && out[k - 1] == '/') continue;
            out[k++] = c;
        }
    out[k] = 0;
    return out;
}

static void add_folder(char *folder)
{
    if (folder) g_paths.folders[g_paths.count++] = folder;
}

// The XDG data home: $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share.
static char *data_home(void)
{
    const char *xdg = getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return path_join(xdg, "/");
    const char *home = getenv("HOME");
    if (home && home[0]) return path_join(home, "/.local/share/");
    return nullptr;
}

static void build_folders(void)
{
    g_paths.count = 0;
    char *base = data_home();
    add_folder(path_join(base, "/Rutline/"));
    mem_free(base);

    if (const char *rl = getenv("RL_HOME")) {
        add_folder(path_join(rl, "/"));
    } else {
        char exe[4096];
        ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n > 0 && n < (ssize_t)sizeof exe - 1) {
            exe[n] = 0;
            if (char *slash = strrchr(exe, '/')) {
                slash[1] = 0;
                add_folder(path_join(exe, "/"));
            }
        }
    }
    g_paths.folders[g_paths.count] = nullptr;
}

const char *search_folder(int index)
{
    if (g_paths.count < 0) build_folders();
    return index >= 0 && index < g_paths.count ? g_paths.folders[index] : nullptr;
}

int search_folder_count(void)
{
    if (g_paths.count < 0) build_folders();
    return g_paths.count;
}

void search_folders_free(void)
{
    for (int i = 0; i < FOLDERS_MAX; ++i) {
        mem_free(g_paths.folders[i]);
        g_paths.folders[i] = nullptr;
    }
    g_paths.count = -1;
}

void make_parent_folders(const char *path)
{
    std::size_t n = strlen(path);
    if (n > CHAIN_MAX_CHARS) return;
    char prefix[CHAIN_MAX_CHARS + 1];
    for (std::size_t i = 1; i < n; ++i) {
        if (path[i] != '/' || path[i - 1] == '/') continue;
        memcpy(prefix, path, i);
        prefix[i] = 0;
        mkdir(prefix, 0777);   // an existing folder is what we want anyway
    }
}

int path_climbs(const char *path)
{
    const char *p = path;
    for (;;) {
        std::size_t n = strcspn(p, "/\\");
        if (n == 2 && p[0] == '.' && p[1] == '.') return 1;
        if (!p[n]) return 0;
        p += n + 1;
    }
}

// A replace name as a path: "@" names live in search folder 0. 1, or 0 with the reason logged;
// a path that does not fit is refused rather than cut, which would name another file.
static int replace_path(const char *name, char *out, std::size_t size)
{
    const char *folder = "";
    if (name[0] == '@') {
        if (path_climbs(name + 1)) {
            kubl_log_printf("Refusing to replace '%.900s': it leaves the home folder\n", name);
            return 0;
        }
        folder = search_folder(0);
        if (!folder) {
            kubl_log_printf("Can't replace '%.900s': no home folder\n", name);
            return 0;
        }
        ++name;
    }
    int n = snprintf(out, size, "%s%s", folder, name);
    if (n < 0 || (std::size_t)n >= size) {
        kubl_log_printf("Can't replace '%.400s%.400s': the path is too long\n", folder, name);
        return 0;
    }
    return 1;
}

int file_save_path(const char *name, char *out, std::size_t size) { return replace_path(name, out, size); }

int (*file_rename)(const char *from, const char *to) = rename;

int file_replace(const char *source, const char *target)
{
    char from[NAME_MAX_CHARS + 1], to[NAME_MAX_CHARS + 1];
    if (!replace_path(source, from, sizeof from) || !replace_path(target, to, sizeof to)) return 0;
    // rename replaces the target atomically: removing it first would leave nothing at all
    // when the rename then fails or the program dies in between.
    if (file_rename(from, to) != 0) {
        int error = errno;
        kubl_log_printf("Can't replace '%.400s' with '%.400s': %s\n", to, from, strerror(error));
        return 0;
    }
    return 1;
}

data_stream *file_save_begin(file_save *save, const char *name, const char *suffix)
{
    save->stream = nullptr;
    save->temp[0] = 0;
    if (!file_save_path(name, save->path, sizeof save->path)) return nullptr;
    snprintf(save->temp, sizeof save->temp, "%s%s", save->path, suffix);
    // A plain path: data_open must not look for another search folder that would take it.
    errno = 0;
    save->stream = data_open(save->temp, "wb");
    if (!save->stream) {
        int error = errno;
        kubl_log_printf("Can't write '%.900s': %s\n", save->temp, error ? strerror(error) : "it does not open");
        save->temp[0] = 0;
    }
    return save->stream;
}

int file_save_close(file_save *save)
{
    data_stream *s = save->stream;
    if (!s) return 0;
    save->stream = nullptr;
    errno = 0;
    int ok = data_flush(s) == 0 && !ferror(s->file) && fsync(fileno(s->file)) == 0;
    int error = errno;
    if (fclose(s->file) != 0 && ok) {
        ok = 0;
        error = errno;
    }
    s->file = nullptr;
    data_close(s);
    if (!ok) {
        kubl_log_printf("Can't write '%.900s': %s\n", save->temp, error ? strerror(error) : "write error");
        remove(save->temp);
    }
    return ok;
}

int file_save_commit(file_save *save)
{
    if (!file_save_close(save)) return 0;
    if (file_replace(save->temp, save->path)) return 1;
    remove(save->temp);
    return 0;
}

void open_home_folder(void)
{
    const char *home = search_folder(0);
    if (!home) return;
    make_parent_folders(home);
    std::size_t n = strlen(home);
    char *folder = (char *)mem_alloc(n + 1);
    if (!folder) return;
    memcpy(folder, home, n + 1);
    while (n > 1 && folder[n - 1] == '/') folder[--n] = 0;

    // The desktop's own opener, started without a shell; the program ends right after, so the
    // child is not waited for.
    char opener[] = "xdg-open";
    char *argv[] = {opener, folder, nullptr};
    pid_t pid;
    posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ);
    mem_free(folder);
}

void log_file_setup(void)
{
    const char *home = search_folder(0);
    if (!home) return;
    make_parent_folders(home);
    char text[CHAIN_MAX_CHARS + 1];
    snprintf(text, sizeof text, "KUBL_LOGFILE=%slastlog.txt", home);
    // The log takes the hand-off from its format text. A folder name holding '%' must never be
    // read as a format, so it goes as plain text (and the log may then not take it).
    if (strchr(text, '%')) {
        kubl_log_printf("%s", text);
        return;
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    kubl_log_printf(text);
#pragma GCC diagnostic pop
}
