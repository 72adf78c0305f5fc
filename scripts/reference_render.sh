#!/usr/bin/env bash
# Remakes the reference render of the default track, tests/program/default_track.png: the game
# of a build folder (default build/, as scripts/play.sh makes it) is started on the default
# track under a private X server, and the chase view of the player's bike on the start line is
# saved at a quarter of 1280 x 720.
# Usage: scripts/reference_render.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -x "$build/game/rutline" ] || { echo "no $build/game/rutline: build the game first (scripts/play.sh)" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cc tests/program/x11_close.c -lX11 -o "$tmp/x11_close"
env -u DISPLAY X11_CLOSE="$tmp/x11_close" SDL_AUDIODRIVER=dummy \
    bash tests/program/default_track.sh "$PWD/$build/game/rutline" "$PWD/tests/program/default_track.png"
