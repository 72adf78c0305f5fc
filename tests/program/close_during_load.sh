#!/usr/bin/env bash
# The whole program: a close request that arrives while a track loads is not lost. The window's
# close button, and SIGTERM, each sent while the log shows "Loading terrain" of a track that takes
# seconds to load, end the game after the load through the orderly shutdown: exit code 0 and
# "@config" written.
# Usage: close_during_load.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home
start_xvfb
log=$home/Rutline/lastlog.txt
config=$home/Rutline/config

# The generated default track beside the program: its ground takes seconds to load.
wait_for_terrain_loading() {
    for _ in $(seq 1200); do
        grep -qE '^\[[0-9:.]+\] Loading terrain$' "$log" 2>/dev/null && return 0
        kill -0 "$game_pid" 2>/dev/null || fail "rutline ended before it loaded the terrain"
        sleep 0.05
    done
    fail "no \"Loading terrain\" within 60 s"
}

# The game must end by itself once the load is over; a lost request would keep it running.
wait_for_end() {
    for _ in $(seq 900); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$game_pid" 2>/dev/null && fail "$1: rutline still runs 90 s after the request"
    wait "$game_pid"
    local code=$?
    game_pid=
    [ "$code" -eq 0 ] || { cat "$root/stderr" >&2; fail "$1: exit code $code"; }
    [ -f "$config" ] || fail "$1: no settings file written"
    grep -q 'Writing config files' "$log" || fail "$1: no orderly shutdown"
    grep -qE '^\[[0-9:.]+\] Loading map' "$log" || fail "$1: the load did not finish"
}

start_game --track ridgeback
wait_for_terrain_loading
"$closer" Rutline || fail "could not send the close request"
wait_for_end "window close"

rm -f "$config" "$log"
start_game --track ridgeback
wait_for_terrain_loading
kill -TERM "$game_pid"
wait_for_end "SIGTERM"
echo "close_during_load: ok"
