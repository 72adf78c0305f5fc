// The file index: every file below the search folders and every member of the ".saf" archives
// among them, in one table sorted by name without regard to case, then by priority.
//
// ".saf" archive layout (text header, then the members back to back, no padding):
//   "<size> <name>\n"   one line per member, at most 1,023 bytes with its newline; the size is
//                       decimal (strtol), the name runs to the end of the line
//   "-\n"               ends the header
//   member bytes        the first member starts right after "-\n", each next one after the last
// A header that does not end in "-\n", a line without digits or its newline, a negative size or
// members reaching past the end of the file make the archive malformed: it adds nothing.
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "data/stream.h"
#include "data/util.h"
#include "platform/array.h"
#include "platform/log.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

void (*file_index_busy_hook)(void);

static struct {
    growable_array entries;   // of file_index_entry
    int            built;
    const char   **names;     // sorted, case duplicates dropped, null-terminated
} g_index;

static file_index_entry *entries(void) { return (file_index_entry *)g_index.entries.items; }

static inline int lower(int c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

static int name_compare(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        int ca = lower((unsigned char)*a), cb = lower((unsigned char)*b);
        if (ca != cb || !ca) return ca - cb;
    }
}

// Equal names order by priority; what is left equal (the same name twice in one folder or
// archive) orders by exact spelling and offset, so the order never depends on the sort.
static int file_index_compare(const file_index_entry &a, const file_index_entry &b)
{
    if (int c = name_compare(a.name, b.name)) return c;
    if (a.priority != b.priority) return a.priority < b.priority ? -1 : 1;
    if (int c = strcmp(a.name, b.name)) return c;
    return a.offset < b.offset ? -1 : a.offset > b.offset;
}

static int file_index_compare_items(const void *a, const void *b)
{
    return file_index_compare(*(const file_index_entry *)a, *(const file_index_entry *)b);
}

static void sort_entries(void)
{
    heap_sort(g_index.entries.items, g_index.entries.count, sizeof(file_index_entry), file_index_compare_items);
}

// Folders already open on the way down from the search folder: a symlink back to one of them
// would list forever. Only the current path counts, so a folder reached twice by different
// routes (or from both search folders) is still listed each time.
struct folder_chain {
    dev_t               device;
    ino_t               inode;
    const folder_chain *parent;
};

static int add_folder(const char *folder, int prefix_length, int priority, const folder_chain *parent)
{
    if (file_index_busy_hook) file_index_busy_hook();
    DIR *dir = opendir(folder);
    if (!dir) return 1;
    struct stat st;
    if (fstat(dirfd(dir), &st) != 0) {
        closedir(dir);
        return 1;
    }
    for (const folder_chain *up = parent; up; up = up->parent)
        if (up->device == st.st_dev && up->inode == st.st_ino) {
            closedir(dir);
            return 1;
        }
    const folder_chain here = {st.st_dev, st.st_ino, parent};

    size_t folder_n = strlen(folder);
    while (folder_n && folder[folder_n - 1] == '/') folder_n--;
    int done = 1;
    while (struct dirent *item = readdir(dir)) {
        const char *leaf = item->d_name;
        if (!strcmp(leaf, ".") || !strcmp(leaf, "..")) continue;
        size_t leaf_n = strlen(leaf);
        char *path = (char *)mem_alloc(folder_n + leaf_n + 2);
        if (!path) {
            done = 0;
            break;
        }
        memcpy(path, folder, folder_n);
        path[folder_n] = '/';
        memcpy(path + folder_n + 1, leaf, leaf_n + 1);
        if (stat(path, &st) != 0) {
            mem_free(path);
        } else if (S_ISDIR(st.st_mode)) {
            add_folder(path, prefix_length, priority, &here);
            mem_free(path);
        } else if (!S_ISREG(st.st_mode) || (size_t)prefix_length > folder_n + 1 + leaf_n) {
            // pipes and devices are no data files: opening one could block the game
            mem_free(path);
        } else {
            file_index_entry e = {path, path, path + prefix_length, 0,
                                  st.st_size > 0xFFFFFFFF ? 0xFFFFFFFFu : (std::uint32_t)st.st_size, priority};
            if (!growable_array_append(&g_index.entries, &e)) mem_free(path);
        }
    }
    closedir(dir);
    return done;
}

int file_index_add_folder(const char *folder, int prefix_length, int priority)
{
    return add_folder(folder, prefix_length, priority, nullptr);
}

static int is_archive_name(const char *name)
{
    size_t n = strlen(name);
    return n >= 5 && !name_compare(name + n - 4, ".saf");
}

// One header line with its newline into line (1,024 bytes); its length in bytes, counting any
// zero bytes in it, or -1 when the file ends or the line is too long before a newline.
static int read_header_line(FILE *f, char *line)
{
    int n = 0;
    while (n < 1023) {
        int c = getc(f);
        if (c == EOF) break;
        line[n++] = (char)c;
        if (c == '\n') {
            line[n] = 0;
            return n;
        }
    }
    return -1;
}

// Copies the member name (to the newline or a zero byte), reducing runs of '/' to one.
static char *copy_member_name(const char *from)
{
    size_t n = strcspn(from, "\n");
    char *copy = (char *)mem_alloc(n + 1);
    if (!copy) return nullptr;
    size_t k = 0;
    for (size_t i = 0; i < n; ++i)
        if (from[i] != '/' || !k || copy[k - 1] != '/') copy[k++] = from[i];
    copy[k] = 0;
    return copy;
}

static void drop_entries_from(int first)
{
    for (int i = first; i < g_index.entries.count; ++i) mem_free(entries()[i].owned);
    g_index.entries.count = first;
}

// Appends the members of one archive with the given priority; a malformed archive appends
// nothing and is reported once.
static void read_archive(const char *path, int priority)
{
    FILE *f = fopen(path, "rb");
    if (!f) return;
    struct stat st;
    const std::uint64_t file_size = fstat(fileno(f), &st) == 0 ? (std::uint64_t)st.st_size : 0;
    const int first = g_index.entries.count;
    std::uint64_t header = 0;
    char line[1024];
    const char *fault = nullptr;
    for (;;) {
        int n = read_header_line(f, line);
        if (n < 0) {
            fault = "a header line without its newline";
            break;
        }
        header += (std::uint64_t)n;
        if (!strcmp(line, "-\n")) break;
        char *end;
        long size = strtol(line, &end, 10);
        if (end == line) {
            fault = "a header line without a size";
            break;
        }
        if (size < 0 || (unsigned long)size > 0xFFFFFFFFul) {
            fault = "a member size out of range";
            break;
        }
        char *name = copy_member_name(*end == '\n' ? end : end + 1);
        if (!name) continue;
        file_index_entry e = {name, path, name, 0, (std::uint32_t)size, priority};
        if (!growable_array_append(&g_index.entries, &e)) mem_free(name);
    }
    fclose(f);
    if (!fault) {
        std::uint64_t offset = header;
        for (int i = first; i < g_index.entries.count; ++i) {
            entries()[i].offset = (std::uint32_t)offset;
            offset += entries()[i].size;
            if (offset > file_size || offset > 0xFFFFFFFFu) {
                fault = "members past its end";
                break;
            }
        }
    }
    if (fault) {
        drop_entries_from(first);
        kubl_log_printf("Warning: archive '%.900s' is malformed (%s); it adds no files\n", path, fault);
    }
}

static void build_index(void)
{
    g_index.built = 1;
    if (!growable_array_init(&g_index.entries, sizeof(file_index_entry))) return;
    kubl_log_printf("Listing directories\n");
    for (int i = 0; const char *folder = search_folder(i); ++i) file_index_add_folder(folder, (int)strlen(folder), i);
    sort_entries();

    kubl_log_printf("Listing archives\n");
    int archive = search_folder_count();
    const int folder_files = g_index.entries.count;
    for (int i = 0; i < folder_files; ++i) {
        // the table may move while members are appended; the archive's path block does not
        const char *name = entries()[i].name, *path = entries()[i].path;
        if (!is_archive_name(name)) continue;
        if (file_index_busy_hook) file_index_busy_hook();
        read_archive(path, archive++);
    }
    sort_entries();
}

const char *const *file_index_names(void)
{
    if (g_index.built) return g_index.names;
    build_index();
    kubl_log_printf("Creating file list\n");
    const int count = g_index.entries.count;
    g_index.names = (const char **)mem_alloc(sizeof(const char *) * ((size_t)count + 1));
    if (!g_index.names) return nullptr;
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        const char *name = entries()[i].name;
        if (!kept || name_compare(name, g_index.names[kept - 1])) g_index.names[kept++] = name;
    }
    g_index.names[kept] = nullptr;
    kubl_log_printf("File index complete\n");
    return g_index.names;
}

int file_index_lookup(const char *name)
{
    int low = 0, high = g_index.entries.count;
    while (low < high) {
        int middle = low + (high - low) / 2;
        if (name_compare(entries()[middle].name, name) < 0) low = middle + 1;
        else high = middle;
    }
    return low < g_index.entries.count && !name_compare(entries()[low].name, name) ? low : -1;
}

const file_index_entry *file_index_entry_at(int position)
{
    return position >= 0 && position < g_index.entries.count ? &entries()[position] : nullptr;
}

int file_index_entry_text(int position, char *buffer, int size)
{
    const file_index_entry *e = g_index.built ? file_index_entry_at(position) : nullptr;
    if (!e || size < 1) return 0;
    snprintf(buffer, (size_t)size, "%s -> %s", e->name, e->path);
    return 1;
}

int file_index_open_member(data_stream *s, const char *name)
{
    if (!g_index.built) return 0;
    int plain = file_index_lookup(name);
    int packed = -1;
    char gz[1024];
    if (snprintf(gz, sizeof gz, "%s.gz", name) < (int)sizeof gz) packed = file_index_lookup(gz);
    if (packed >= 0 && plain >= 0 && entries()[packed].priority >= entries()[plain].priority) packed = -1;
    const int chosen = packed >= 0 ? packed : plain;
    if (chosen < 0) return 0;
    const file_index_entry &e = entries()[chosen];
    return data_open_member(s, e.path, e.offset, e.size, packed >= 0);
}

void data_files_free(void)
{
    search_folders_free();
    drop_entries_from(0);
    growable_array_free(&g_index.entries);
    mem_free(g_index.names);
    g_index.names = nullptr;
    g_index.built = 0;
}
