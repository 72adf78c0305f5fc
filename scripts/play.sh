#!/usr/bin/env bash
# Installs what is missing, builds an optimised rutline with its generated content, starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRL_TESTS=OFF -DRL_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"
exec build/game/rutline "$@"
