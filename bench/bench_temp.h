// bench/bench_temp.h — temporary folders for the benchmarks' made-up inputs, removed with all they
// hold when the benchmark program ends.
#pragma once
#include "tests/fixtures/temp_folders.h"

inline char *bench_mkdtemp(char *tmpl) { return temp_folder_make(tmpl); }
