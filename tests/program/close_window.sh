#!/usr/bin/env bash
# The whole program: rutline opens its window, keeps running until the window is closed as a
# window manager's close button does, then shuts down in order with exit code 0 and a log that
# shows start-up and every announced shutdown step.
# Usage: close_window.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
closer=${X11_CLOSE:-$(dirname "$0")/x11_close}
[ -x "$closer" ] || closer=$(cd "$(dirname "$rutline")/.." && pwd)/tests/x11_close
fail() { echo "FAIL: $*" >&2; [ -f "$home/Rutline/lastlog.txt" ] && cat "$home/Rutline/lastlog.txt" >&2; exit 1; }

home=$(mktemp -d)
xvfb_pid=
cleanup() {
    [ -n "${game_pid:-}" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$home"
}
trap cleanup EXIT

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

# The program ends at once without an installed track.
source "$(dirname "$0")/track_folder.bash"
make_track "$home/Rutline/tracks/plain"

XDG_DATA_HOME=$home "$rutline" >"$home/stdout" 2>"$home/stderr" &
game_pid=$!

timeout 30 xdotool search --sync --name '^Rutline$' >/dev/null || fail "no window named Rutline"
sleep 1   # a few frames of the loop
kill -0 "$game_pid" 2>/dev/null || fail "rutline ended before it was closed"
"$closer" Rutline || fail "could not send the close request"

for _ in $(seq 150); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$game_pid" 2>/dev/null; then fail "rutline still runs 15 s after the close request"; fi
wait "$game_pid"
code=$?
game_pid=
[ "$code" -eq 0 ] || { cat "$home/stderr" >&2; fail "exit code $code"; }

log=$home/Rutline/lastlog.txt
[ -f "$log" ] || fail "no lastlog.txt in the home folder"

# Each expected line, stamped, in this order.
expected=(
    'Logfile ".*lastlog.txt" opened'
    'KUBL 0\.31'
    'Rutline version 2018-01-26-1385 snapshot'
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
line=0
for pattern in "${expected[@]}"; do
    found=$(grep -n -E "^\[[0-9]+:[0-9]{2}:[0-9]{2}\.[0-9]{2}\] $pattern\$" "$log" |
            awk -F: -v after="$line" '$1 > after { print $1; exit }')
    [ -n "$found" ] || fail "missing or out of order: $pattern"
    line=$found
done
echo "close_window: ok"
