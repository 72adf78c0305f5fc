// The ground files of a track folder committed as one set.
#include "terrain/ground_set.h"
#include "data/paths.h"
#include "data/stream.h"
#include "platform/log.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

const char *const ground_set_names[GROUND_SET_FILES] = {
    "terrain.png", "shading.ppm", "shadingx2.ppm", "tilemap", "decals", "terrain.hf",
};

static const char COMMIT_MARKER[] = "terrain.commit", ROLLBACK_MARKER[] = "terrain.rollback";
enum { MARKER_MAX_BYTES = 1024 };

static std::string at(const char *folder, const char *name, const char *suffix = "")
{
    return std::string(folder) + "/" + name + suffix;
}

static bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

static void log_failure(const char *what, const std::string &path)
{
    int error = errno;
    kubl_log_printf("Can't %s '%.900s': %s\n", what, path.c_str(), strerror(error));
}

int ground_set_parse(const char *text, int length, int had_old[GROUND_SET_FILES])
{
    int files = 0;
    for (int i = 0; i < GROUND_SET_FILES; ++i) had_old[i] = 0;
    for (int start = 0; start < length;) {
        int end = start;
        while (end < length && text[end] != '\n') ++end;
        char line[64];
        int n = end - start < (int)sizeof line - 1 ? end - start : (int)sizeof line - 1;
        memcpy(line, text + start, (std::size_t)n);
        line[n] = 0;
        start = end + 1;
        char name[32];
        int had = 0;
        if (sscanf(line, "%31s %d", name, &had) != 2) continue;
        for (int i = 0; i < GROUND_SET_FILES; ++i)
            if (!strcmp(name, ground_set_names[i]) && !(files & 1 << i)) {
                files |= 1 << i;
                had_old[i] = had != 0;
            }
    }
    return files;
}

// 1 with the marker's contents; 0 when it does not open.
static int read_marker(const std::string &path, int *files, int had_old[GROUND_SET_FILES])
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return 0;
    char text[MARKER_MAX_BYTES];
    int n = (int)fread(text, 1, sizeof text, f);
    fclose(f);
    *files = ground_set_parse(text, n, had_old);
    return 1;
}

static void remove_old_copies(const char *folder, int files)
{
    for (int i = 0; i < GROUND_SET_FILES; ++i)
        if (files & 1 << i) unlink(at(folder, ground_set_names[i], ".old").c_str());
}

static void remove_new_files(const char *folder, int files)
{
    for (int i = 0; i < GROUND_SET_FILES; ++i)
        if (files & 1 << i) {
            unlink(at(folder, ground_set_names[i], ".saving").c_str());
            unlink(at(folder, ground_set_names[i], ".saving.tmp").c_str());   // the PNG writer's own
        }
}

// Puts the old files back and removes the new ones. Repeatable: a file whose old copy is gone
// has been put back already. 1 done; 0 leaves the rollback marker for the next load.
static int roll_back(const char *folder, int files, const int had_old[GROUND_SET_FILES])
{
    const std::string commit = at(folder, COMMIT_MARKER), rollback = at(folder, ROLLBACK_MARKER);
    if (exists(commit) && file_rename(commit.c_str(), rollback.c_str()) != 0) {
        log_failure("undo the ground save in", commit);
        return 0;
    }
    for (int i = 0; i < GROUND_SET_FILES; ++i) {
        if (!(files & 1 << i)) continue;
        const std::string path = at(folder, ground_set_names[i]), old = path + ".old";
        if (!had_old[i]) {
            unlink(path.c_str());   // there was none before this save
        } else if (exists(old) && file_rename(old.c_str(), path.c_str()) != 0) {
            log_failure("put back", path);
            return 0;
        }
    }
    remove_new_files(folder, files);
    unlink(rollback.c_str());
    return 1;
}

// Renames every new file still waiting into place. Repeatable. 1 done; 0 at a failed rename.
static int roll_forward(const char *folder, int files)
{
    for (int i = 0; i < GROUND_SET_FILES; ++i) {
        if (!(files & 1 << i)) continue;
        const std::string path = at(folder, ground_set_names[i]), temp = path + ".saving";
        if (exists(temp) && file_rename(temp.c_str(), path.c_str()) != 0) {
            log_failure("replace", path);
            return 0;
        }
    }
    unlink(at(folder, COMMIT_MARKER).c_str());
    remove_old_copies(folder, files);
    return 1;
}

static int all_files(void) { return (1 << GROUND_SET_FILES) - 1; }

void ground_set_recover(const char *folder)
{
    const std::string commit = at(folder, COMMIT_MARKER), rollback = at(folder, ROLLBACK_MARKER);
    int files = 0, had_old[GROUND_SET_FILES];
    if (read_marker(commit, &files, had_old)) {
        if (roll_forward(folder, files)) {
            kubl_log_printf("Finished the interrupted ground save in '%.900s'\n", folder);
        } else if (roll_back(folder, files, had_old)) {
            kubl_log_printf("Undid the interrupted ground save in '%.900s'\n", folder);
        }
        return;
    }
    if (read_marker(rollback, &files, had_old)) {
        if (roll_back(folder, files, had_old))
            kubl_log_printf("Undid the interrupted ground save in '%.900s'\n", folder);
        return;
    }
    // A save that never reached its commit: the old files are whole, the rest is left-overs.
    remove_new_files(folder, all_files());
    remove_old_copies(folder, all_files());
    unlink((commit + ".tmp").c_str());
}

int ground_set_commit(const char *folder, int files)
{
    files &= all_files();
    int had_old[GROUND_SET_FILES] = {};
    std::string text;
    for (int i = 0; i < GROUND_SET_FILES; ++i) {
        if (!(files & 1 << i)) continue;
        const std::string path = at(folder, ground_set_names[i]), old = path + ".old";
        unlink(old.c_str());
        had_old[i] = exists(path);
        if (had_old[i] && link(path.c_str(), old.c_str()) != 0) {
            log_failure("keep a copy of", path);
            remove_old_copies(folder, files);
            remove_new_files(folder, files);
            return 0;
        }
        text += std::string(ground_set_names[i]) + (had_old[i] ? " 1\n" : " 0\n");
    }

    file_save marker;
    data_stream *s = file_save_begin(&marker, at(folder, COMMIT_MARKER).c_str(), ".tmp");
    if (s) data_write(s, text.data(), (int)text.size());
    if (!s || !file_save_commit(&marker)) {
        remove_old_copies(folder, files);
        remove_new_files(folder, files);
        return 0;
    }
    if (roll_forward(folder, files)) return 1;
    if (!roll_back(folder, files, had_old))
        kubl_log_printf("The ground in '%.900s' is put right at its next load\n", folder);
    return 0;
}
