#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang, so the fuzz targets build too) and runs every test; the drawing tests run under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
CC=clang-14 CXX=clang++-14 cmake -S . -B build-check -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRL_SANITIZE=ON -DRL_FUZZ=ON -DRL_BENCH=ON >/dev/null
cmake --build build-check -j"$jobs"
export SDL_AUDIODRIVER=dummy
export UBSAN_OPTIONS=print_stacktrace=1
cd build-check
xvfb-run -a -s '-screen 0 1280x720x24 -noreset' ctest --output-on-failure -j"$jobs" --timeout 600
