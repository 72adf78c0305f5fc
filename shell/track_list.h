// shell/track_list.h — the installed tracks: every data-file folder that holds a height
// field, named by the first line of its "desc" and sorted by that name. Built once at start-up.
#pragma once

struct track_list_record {
    char **folders;      // owned; a file-index name up to its last "/"
    char **long_names;   // owned, parallel to folders
    int    count;
};
extern track_list_record track_list;

enum { TRACK_LONG_NAME_MAX = 1023 };

// Lists the tracks of the file index (building it when needed). 1 when at least one was found,
// 0 when none (the list stays empty).
int  scan_tracks(void);
void track_list_free(void);

// Entry i of the list, for the settings' track choice; null outside 0..count-1.
int         track_list_count(void);
const char *track_list_folder(int index);
const char *track_list_long_name(int index);
// Index of the first entry whose folder is exactly folder, or -1.
int         track_list_find(const char *folder);

// The track choice of the settings (its items are the long names): the entry the next race
// loads. Selecting a folder that is not listed leaves the choice as it is. 1 when it was listed.
int         track_choice_select(const char *folder);
int         track_choice_index(void);   // -1 while the list is empty
