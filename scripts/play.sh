#!/usr/bin/env bash
# Installs what is missing, builds an optimised rutline with its generated content, starts it.
# Without a "--track" of your own it starts on the track of your settings ("track=" in the
# settings file), or on the default track when there is none.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRL_TESTS=OFF -DRL_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"

default_track=ridgeback
for arg in "$@"; do
  case $arg in
    --track|--track=*|--connect|--connect=*|--open-home) exec build/game/rutline "$@" ;;
  esac
done
data_home=${XDG_DATA_HOME:-$HOME/.local/share}
[[ $data_home == /* ]] || data_home=$HOME/.local/share
track=
if [ -f "$data_home/Rutline/config" ]; then
  track=$(sed -n 's/^track=//p' "$data_home/Rutline/config" | tail -n 1 | tr -d '\r')
fi
exec build/game/rutline --track "${track:-$default_track}" "$@"
