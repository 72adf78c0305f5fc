#!/usr/bin/env bash
# The whole program: rutline opens its window, keeps running until the window is closed as a
# window manager's close button does, then shuts down in order with exit code 0 and a log that
# shows start-up and every announced shutdown step.
# Usage: close_window.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home
start_xvfb

# The program ends at once without an installed track.
make_track "$home/Rutline/tracks/plain"

start_game
wait_for_window
loop_running
kill -0 "$game_pid" 2>/dev/null || fail "rutline ended before it was closed"
close_game

log=$home/Rutline/lastlog.txt
[ -f "$log" ] || fail "no lastlog.txt in the home folder"

# Each expected line, stamped, in this order.
expected=(
    'Logfile ".*lastlog.txt" opened'
    'KUBL 0\.31'
    'Rutline version 2018-01-26-1385 snapshot'
    'Deallocating bikes'
    'Finished deallocating bikes'
    'Freeing memory \(1\)'
    'Closing input devices'
    'Closing audio'
    'Writing config files'
    'Freeing memory \(2\)'
    'Freeing memory \(3\)'
    'Freeing file list'
    'Freeing memory \(4\)'
    'Deleting textures'
    'Deleting models'
)
expect_in_order "$log" "${expected[@]}"
echo "close_window: ok"
