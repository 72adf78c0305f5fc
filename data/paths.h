// data/paths.h — the search folders (home, then data) and the "@" file names built on them.
#pragma once

char       *path_join(const char *first, const char *second);  // caller frees with mem_free
const char *search_folder(int index);                          // null when out of range
int         search_folder_count(void);
void        search_folders_free(void);
void        make_parent_folders(const char *path);
int         file_replace(const char *source, const char *target);
void        open_home_folder(void);
void        log_file_setup(void);

// 1 when the path has a ".." component: joined to a folder it could name a place outside it.
int         path_climbs(const char *path);
