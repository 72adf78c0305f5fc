// bench/bench_temp.h — temporary folders for the benchmarks' made-up inputs, removed with all they
// hold when the benchmark program ends.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace bench_temp {

struct made_folder {
    pid_t       owner;   // a forked child leaves its parent's folders alone
    std::string path;
};

inline std::vector<made_folder> &made(void)
{
    static std::vector<made_folder> folders;
    return folders;
}

inline int remove_entry(const char *path, const struct stat *, int, struct FTW *)
{
    std::remove(path);
    return 0;
}

inline void remove_all(void)
{
    for (const made_folder &f : made())
        if (f.owner == getpid()) nftw(f.path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

}   // namespace bench_temp

// mkdtemp, and the folder made is removed at exit.
inline char *bench_mkdtemp(char *tmpl)
{
    char *dir = mkdtemp(tmpl);
    if (!dir) return nullptr;
    if (bench_temp::made().empty()) std::atexit(bench_temp::remove_all);
    bench_temp::made().push_back({getpid(), dir});
    return dir;
}
