// Files of the loaded track's folder.
#include "terrain/track_files.h"
#include "terrain/track_load.h"
#include "data/paths.h"
#include "data/ripemd160.h"
#include "data/stream.h"
#include "platform/log.h"
#include <cstdio>

int track_file_name(char *out, int size, const char *name)
{
    if (!track_name) return 0;
    int n = snprintf(out, (std::size_t)size, "@%s/%s", track_name, name);
    return n > 0 && n < size;
}

data_stream *track_file_open(const char *name)
{
    char path[1040];
    if (!track_file_name(path, sizeof path, name)) return nullptr;
    return data_open(path, "rb");
}

void track_file_digest(ripemd160_ctx *ctx, const char *name)
{
    data_stream *s = track_file_open(name);
    if (!s) return;
    unsigned char block[1024];
    for (int n; (n = data_read(s, block, sizeof block)) > 0;) ripemd160_update(ctx, block, (std::size_t)n);
    data_close(s);
}

data_stream *track_save_begin(track_save *save, const char *name)
{
    save->stream = nullptr;
    save->file.stream = nullptr;
    save->file.path[0] = save->file.temp[0] = 0;
    char target[1040];
    if (!track_file_name(target, sizeof target, name)) return nullptr;
    save->stream = file_save_begin(&save->file, target, ".saving");
    return save->stream;
}

int track_save_commit(track_save *save)
{
    save->stream = nullptr;
    if (file_save_commit(&save->file)) return 1;
    kubl_log_printf("Can't write '%.900s'\n", save->file.path);
    return 0;
}
