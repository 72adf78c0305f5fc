#!/usr/bin/env bash
# The whole program and its tracks: without an installed track it says "No tracks found" and
# ends with code 1; with "--track" it loads the named generated track behind the loading
# screen, runs until the window is closed and frees the track on the way out.
# Usage: track.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home home
start_xvfb

# An empty home and an empty data folder: no track at all.
mkdir -p "$home" "$root/data"
XDG_DATA_HOME=$home RL_HOME=$root/data timeout 60 "$rutline" >"$root/stdout" 2>"$root/stderr"
code=$?
[ "$code" -eq 1 ] || fail "without tracks the exit code was $code"
grep -qxF "No tracks found" "$root/stderr" || { cat "$root/stderr" >&2; fail "without tracks it did not say so"; }
[ ! -e "$home/Rutline/config" ] || fail "without tracks it wrote the settings file"

# Two tracks; the second is asked for by its folder.
make_track "$home/Rutline/tracks/flat" "Flat Out"
make_track "$home/Rutline/tracks/hill" "Hill Top"
RL_HOME=$root/data start_game --track tracks/hill --debug
wait_for_window
loop_running
kill -0 "$game_pid" 2>/dev/null || fail "rutline ended before it was closed"
close_game

log=$home/Rutline/lastlog.txt
[ -f "$log" ] || fail "no lastlog.txt in the home folder"
expected=(
    'tracks/flat -> Flat Out'
    'tracks/hill -> Hill Top'
    'Scanning'
    "Loading '@tracks/hill'"
    'Found 2 timing gates, first lap has 2 gates, normal lap has 2'
    'Loading flaggers'
    'Loading billboards'
    'Loading statues'
    'Loading map'
    '1 cameras found'
    'Deallocating track'
    'Finished deallocating track'
    'Freeing memory \(1\)'
    'Deleting models'
)
expect_in_order "$log" "${expected[@]}"
grep -q "Loading '@tracks/flat'" "$log" && fail "loaded the track that was not asked for"
grep -qxF "track=tracks/hill" "$home/Rutline/config" || fail "the settings do not remember the track"
echo "track: ok"
