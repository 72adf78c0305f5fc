#!/usr/bin/env bash
# The default track in the whole program: "--track ridgeback" loads the generated track behind
# the loading screen, the menu closes with Escape, the first track camera looks at the course
# and the screenshot key saves a picture with sky above and grass and bare dirt below, close to
# the reference render tests/program/default_track.png.
# Usage: default_track.sh PATH-TO-RUTLINE [REFERENCE.png]
# With a second argument the screenshot, shrunk to a quarter, is written there as the reference
# render (scripts/reference_render.sh does that).
set -uo pipefail
rutline=$1
reference=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
closer=${X11_CLOSE:-$here/x11_close}
[ -x "$closer" ] || closer=$(cd "$(dirname "$rutline")/.." && pwd)/tests/x11_close
root=$(mktemp -d)
home=$root/home
fail() { echo "FAIL: $*" >&2; [ -f "$home/Rutline/lastlog.txt" ] && tail -n 40 "$home/Rutline/lastlog.txt" >&2; exit 1; }

xvfb_pid=
cleanup() {
    [ -n "${game_pid:-}" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$root"
}
trap cleanup EXIT

[ -f "$(dirname "$rutline")/ridgeback/terrain.hf" ] || fail "no generated default track beside $rutline"

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

mkdir -p "$home"
XDG_DATA_HOME=$home "$rutline" --track ridgeback --debug >"$root/stdout" 2>"$root/stderr" &
game_pid=$!
window=$(timeout 30 xdotool search --sync --name '^Rutline$' | head -n 1)
[ -n "$window" ] || fail "no window named Rutline"
log=$home/Rutline/lastlog.txt
for _ in $(seq 300); do
    grep -q 'File index complete' "$log" 2>/dev/null && break
    sleep 0.1
done
sleep 0.5
grep -q 'ridgeback -> Ridgeback MX' "$log" || fail "the default track is not in the track list"
for _ in $(seq 600); do
    grep -qE '[0-9]+ cameras found' "$log" 2>/dev/null && break
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
done
grep -q "Loading '@ridgeback'" "$log" || fail "the default track was not loaded"
grep -qE '^\[[0-9:.]+\] 15 cameras found$' "$log" || fail "the track's cameras were not loaded"

xdotool windowfocus --sync "$window" || fail "could not focus the window"
xdotool key Escape
sleep 1
xdotool key 1
sleep 4   # the ground textures around the camera compose over a few frames
xdotool key s
for _ in $(seq 50); do [ -f "$home/Rutline/screenshot001.png" ] && break; sleep 0.1; done
shot=$home/Rutline/screenshot001.png
[ -f "$shot" ] || fail "the screenshot key saved no picture"

"$closer" Rutline || fail "could not send the close request"
for _ in $(seq 150); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "rutline still runs 15 s after the close request"
wait "$game_pid"
code=$?
game_pid=
[ "$code" -eq 0 ] || { cat "$root/stderr" >&2; fail "exit code $code"; }

if [ -n "$reference" ]; then
    python3 "$here/picture.py" shrink "$shot" "$reference" 4 || fail "could not write $reference"
fi
python3 "$here/picture.py" check "$shot" || { cp "$shot" "${TMPDIR:-/tmp}/default_track_failed.png"; fail "the picture does not show a track (kept as ${TMPDIR:-/tmp}/default_track_failed.png)"; }
grep -q 'Saved "screenshot001.png"' "$log" || fail "the console did not say the screenshot was saved"
if [ -z "$reference" ]; then
    # The reference is this same view shrunk to a quarter; drawing may drift a little.
    python3 "$here/picture.py" compare "$shot" "$here/default_track.png" 4 8 || {
        cp "$shot" "${TMPDIR:-/tmp}/default_track_failed.png"
        fail "the picture differs from the reference (kept as ${TMPDIR:-/tmp}/default_track_failed.png)"; }
fi
echo "default_track: ok"
