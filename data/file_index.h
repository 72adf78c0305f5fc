// data/file_index.h — one sorted table of every readable file below the search folders and in
// their ".saf" archives. Built once (first file_index_names call), read for the rest of the run.
#pragma once
#include <cstdint>

struct data_stream;

struct file_index_entry {
    char         *owned;      // the block this entry frees: the path, or a member's name copy
    const char   *path;       // the file holding the bytes (an archive's path for its members)
    const char   *name;       // relative to the search folder or archive, '/' separated
    std::uint32_t offset;     // of the data inside path; 0 for a folder file
    std::uint32_t size;
    int           priority;   // lower wins: search folder number, then archives in name order
};

const char *const *file_index_names(void);   // builds on the first call; null-terminated
// Position of the best entry whose name equals name without regard to case, or -1 (also while
// the index is not built).
int  file_index_lookup(const char *name);
const file_index_entry *file_index_entry_at(int position);
// "name -> path" cut to fit size bytes with its zero. 1, or 0 when not built or out of range.
int  file_index_entry_text(int position, char *buffer, int size);
// Adds every regular file below folder; names start prefix_length bytes into each path.
// 1 when the folder was listed (or could not be), 0 when an allocation stopped it.
int  file_index_add_folder(const char *folder, int prefix_length, int priority);
// The last place of an "@" name for reading (name without the "@"): the indexed entry for name
// or for name + ".gz", whichever has the better priority (plain on a tie), opened "rb" and
// bounded to the entry; a ".gz" entry is decoded. 1/0; 0 while the index is not built.
int  file_index_open_member(data_stream *s, const char *name);
// Frees the search folder strings, every entry, the table and the name list. The next
// file_index_names call builds the index anew (tests rely on this).
void data_files_free(void);

// Called now and then during a long scan so a busy indicator can keep turning; null for none.
// The program's top sets it at start-up (the loading screen's tick).
extern void (*file_index_busy_hook)(void);
