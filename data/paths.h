// data/paths.h — the search folders (home, then data) and the "@" file names built on them.
#pragma once
#include <cstddef>

char       *path_join(const char *first, const char *second);  // caller frees with mem_free
const char *search_folder(int index);                          // null when out of range
int         search_folder_count(void);
void        search_folders_free(void);
void        make_parent_folders(const char *path);
// Renames source over target in one step (the old target stays until the new one takes its
// place). An "@" name is search folder 0 + the rest. 1 replaced; 0 with the reason logged,
// the target untouched.
int         file_replace(const char *source, const char *target);
// The rename every save goes through; tests put a failing or killing one in its place.
extern int (*file_rename)(const char *from, const char *to);

// A file saved under a temporary name beside its target, then renamed over it. The target is
// resolved once ("@": search folder 0, never another search folder) and the temporary file is
// its path + suffix, so both always share one folder.
struct data_stream;
struct file_save {
    data_stream *stream;   // null when the temporary file could not be opened
    char         path[512];
    char         temp[544];
};
// The real path a save of name writes (an "@" name: search folder 0 + the rest). 1, or 0 with
// the reason logged (no home folder, a ".." step out of it, a path that does not fit).
int          file_save_path(const char *name, char *out, std::size_t size);
// Opens the temporary file ("wb"). Null with the reason logged; nothing on disk changed.
data_stream *file_save_begin(file_save *save, const char *name, const char *suffix);
// Flushes the temporary file to the disk and closes it. 1 when every byte was written; else 0
// with the reason logged and the temporary file removed.
int          file_save_close(file_save *save);
// file_save_close, then the rename over the target. 1 replaced; else 0 with the reason logged,
// the old target untouched and the temporary file removed.
int          file_save_commit(file_save *save);
void        open_home_folder(void);
void        log_file_setup(void);

// 1 when the path has a ".." component: joined to a folder it could name a place outside it.
int         path_climbs(const char *path);
