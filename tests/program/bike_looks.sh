#!/usr/bin/env bash
# The chosen bike and its look survive a run: a settings file naming a catalogue model and one
# of the generated looks of that model is written back naming both, so the looks the build
# makes are the ones the setup lists for the model.
# Usage: bike_looks.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home
make_track "$home/Rutline/tracks/plain"
start_xvfb

config=$home/Rutline/config
for look in team retro; do
    printf 'bike=450sxf(2018)\nbike_texture=%s\nrider_texture=ocean\nhead_texture=shadow\nwheel_texture=sunset\n' \
        "$look" >"$config"
    start_game
    wait_for_window
    loop_running
    close_game
    for line in 'bike=450sxf(2018)' "bike_texture=$look" 'rider_texture=ocean' 'head_texture=shadow' \
                'wheel_texture=sunset'; do
        grep -qxF "$line" "$config" || { cat "$config" >&2; fail "the settings file lacks: $line"; }
    done
done
echo "bike_looks: ok"
