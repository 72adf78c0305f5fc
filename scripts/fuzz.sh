#!/usr/bin/env bash
# Fuzzes one target for a while: scripts/fuzz.sh NAME SECONDS. New finds go to a scratch corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
name=$1; seconds=${2:-600}
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRL_FUZZ=ON -DRL_TESTS=OFF -DRL_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "fuzz_$name"
mkdir -p "build-fuzz/corpus-$name"
build-fuzz/fuzz/fuzz_"$name" -max_total_time="$seconds" -print_final_stats=1 \
  "build-fuzz/corpus-$name" "fuzz/corpus/$name"
