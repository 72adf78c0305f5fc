#!/usr/bin/env bash
# The whole program and its tracks: without an installed track it says "No tracks found" and
# ends with code 1; with "--track" it loads the named generated track behind the loading
# screen, runs until the window is closed and frees the track on the way out.
# Usage: track.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
closer=${X11_CLOSE:-$(dirname "$0")/x11_close}
[ -x "$closer" ] || closer=$(cd "$(dirname "$rutline")/.." && pwd)/tests/x11_close
root=$(mktemp -d)
home=$root/home
fail() { echo "FAIL: $*" >&2; [ -f "$home/Rutline/lastlog.txt" ] && cat "$home/Rutline/lastlog.txt" >&2; exit 1; }

xvfb_pid=
cleanup() {
    [ -n "${game_pid:-}" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$root"
}
trap cleanup EXIT
source "$(dirname "$0")/track_folder.bash"

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 120); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=:$n
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        break
    done
fi

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
XDG_DATA_HOME=$home RL_HOME=$root/data "$rutline" --track tracks/hill --debug >"$root/stdout" 2>"$root/stderr" &
game_pid=$!
timeout 30 xdotool search --sync --name '^Rutline$' >/dev/null || fail "no window named Rutline"
sleep 1
kill -0 "$game_pid" 2>/dev/null || fail "rutline ended before it was closed"
"$closer" Rutline || fail "could not send the close request"
for _ in $(seq 150); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "rutline still runs 15 s after the close request"
wait "$game_pid"
code=$?
game_pid=
[ "$code" -eq 0 ] || { cat "$root/stderr" >&2; fail "exit code $code"; }

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
line=0
for pattern in "${expected[@]}"; do
    found=$(grep -n -E "^\[[0-9]+:[0-9]{2}:[0-9]{2}\.[0-9]{2}\] $pattern\$" "$log" |
            awk -F: -v after="$line" '$1 > after { print $1; exit }')
    [ -n "$found" ] || fail "missing or out of order: $pattern"
    line=$found
done
grep -q "Loading '@tracks/flat'" "$log" && fail "loaded the track that was not asked for"
grep -qxF "track=tracks/hill" "$home/Rutline/config" || fail "the settings do not remember the track"
echo "track: ok"
