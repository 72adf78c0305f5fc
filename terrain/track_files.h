// terrain/track_files.h — opening, digesting and safely rewriting the files of the loaded
// track's folder ("@" + track_name + "/" + file name).
#pragma once
#include "data/paths.h"

struct data_stream;
struct ripemd160_ctx;

// "@" + track_name + "/" + name into out (size bytes). 0 when it does not fit or no track is named.
int          track_file_name(char *out, int size, const char *name);
data_stream *track_file_open(const char *name);   // for reading; null when it does not open
// Feeds the file's bytes (decompressed) to the digest in 1024-byte blocks; nothing when it
// does not open.
void         track_file_digest(ripemd160_ctx *ctx, const char *name);

// A rewrite goes to a temporary file beside the old one and replaces it only when every byte
// was written, so an interrupted or failed save never destroys the file.
struct track_save {
    data_stream *stream;
    file_save    file;
};
data_stream *track_save_begin(track_save *save, const char *name);   // null: cannot open
int          track_save_commit(track_save *save);                  // 1 written and replaced
