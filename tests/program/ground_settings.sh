#!/usr/bin/env bash
# The player's ground settings reach the first track load: with "render_texture" in the home's
# settings file set in turn to "Software", "Hardware/Copy" and "Hardware/Direct", the default
# track loads with the matching composition method (framebuffer objects under Xvfb's Mesa) and
# "--debug" logs the ground's texture memory around the tile and low-detail steps; with
# "--super-debug" the heights' digest comes right after the track's load starts.
# Usage: ground_settings.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=60

[ -f "$(dirname "$rutline")/ridgeback/terrain.hf" ] || fail "no generated default track beside $rutline"
start_xvfb
log=$home/Rutline/lastlog.txt

# Starts the game on the default track with the settings file holding render_texture=$1 and
# the debug option $2, waits until the track has loaded and closes the window.
run_with() {
    mkdir -p "$home/Rutline"
    printf 'render_texture=%s\n' "$1" >"$home/Rutline/config"
    rm -f "$log"
    start_game --track ridgeback "$2"
    wait_for_window
    wait_for_log '[0-9]+ cameras found' 90
    grep -qE '[0-9]+ cameras found' "$log" || fail "$1: the default track did not load"
    close_game
}

memory='[0-9]+ bytes texture memory used'
methods=("Software:TexSubImage" "Hardware/Copy:CopyTexSubImage" "Hardware/Direct:framebuffer objects")
for entry in "${methods[@]}"; do
    choice=${entry%%:*}
    method=${entry#*:}
    debug=--debug
    [ "$choice" = Software ] && debug=--super-debug
    run_with "$choice" "$debug"
    expect_in_order "$log" \
        "Loading '@ridgeback'" \
        "Terrain texture rendering with $method" \
        "$memory before ground tiles loaded" \
        "$memory after ground tiles loaded" \
        "$memory after low detail ground textures" \
        "$memory after hf creation"
    count=$(grep -cE 'Terrain texture rendering with ' "$log")
    [ "$count" -eq 1 ] || fail "$choice: $count composition lines"
    if [ "$debug" = --super-debug ]; then
        expect_in_order "$log" "Loading '@ridgeback'" '[0-9a-f]{40}' "Terrain texture rendering with $method"
    else
        grep -qE '^\[[0-9:.]+\] [0-9a-f]{40}$' "$log" && fail "$choice: the heights' digest without --super-debug"
    fi
done
echo "ground_settings: ok"
