// data/file_index.h — one sorted table of every readable file below the search folders and in
// their ".saf" archives.
#pragma once
#include <cstdint>

struct file_index_entry {
    char         *owned;
    const char   *path;
    const char   *name;
    std::uint32_t offset;
    std::uint32_t size;
    int           priority;   // lower wins
};

const char *const *file_index_names(void);   // builds on the first call; null-terminated
int  file_index_lookup(const char *name);    // position or -1
const file_index_entry *file_index_entry_at(int position);
int  file_index_entry_text(int position, char *buffer, int size);
void data_files_free(void);
