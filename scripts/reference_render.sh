#!/usr/bin/env bash
# Remakes every reference picture the tests compare with, after a deliberate change to how the
# game looks. Look at each one before committing it (git diff shows which changed).
#   tests/program/default_track.png        the chase view on the default track's start line
#   tests/program/scene_*.png              on board and chase on the practice track, no flare, wide;
#                                          on board on the default track: first-run settings, sky
#   tests/program/menu_*.png               the menu pages and the chase view of the line-up
#   tests/program/ground_view.png          the composed ground through the free camera
#   tests/ui/references/*.png              the timing tower and lap boards, the bike views
#   tests/ui/*.png                         the results board and the telemetry graphs
# The drawing must come from Mesa's llvmpipe under Xvfb, as in the tests. The build folder needs
# the tests (default build-check).
# Usage: scripts/reference_render.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-check}
[ -x "$build/game/rutline" ] || { echo "no $build/game/rutline: build the game and its tests first" >&2; exit 1; }
[ -x "$build/tests/test_ui_gl" ] || { echo "no $build/tests/test_ui_gl: build with the tests" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cc tests/program/x11_close.c -lX11 -o "$tmp/x11_close"
export X11_CLOSE="$tmp/x11_close" SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 LP_NATIVE_VECTOR_WIDTH=128
rutline=$PWD/$build/game/rutline

env -u DISPLAY bash tests/program/default_track.sh "$rutline" "$PWD/tests/program/default_track.png"
env -u DISPLAY bash tests/program/scene_views.sh "$rutline" --remake
env -u DISPLAY bash tests/program/menus.sh "$rutline" --remake
env -u DISPLAY bash tests/program/menu_race.sh "$rutline" --remake
RL_REMAKE_REFERENCE=1 xvfb-run -a -s '-screen 0 1280x720x24' \
    "$build/tests/test_terrain_gl" --gtest_filter='GroundView.PictureOfTheComposedGround'
RL_REMAKE_REFERENCE=1 xvfb-run -a -s '-screen 0 1280x720x24' "$build/tests/test_ui_gl" \
    --gtest_filter='TowerGl.*:BikeDrawGl.*:HudDrawGl.*'
git status --short tests/program tests/ui/references
