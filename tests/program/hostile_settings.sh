#!/usr/bin/env bash
# The whole program with settings it cannot use: "--lock-fps inf" (or a rate below one frame a
# second, whose sleep would hold a close request) is refused before any window opens; a window
# size the screen cannot give ("video_mode=Windowed", "xres=100000") is reported on standard
# error and the game opens a 640 x 480 window instead, which the settings then keep.
# The error box a player would see goes away with a game killed while it waits.
# Usage: hostile_settings.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home
make_track "$home/Rutline/tracks/plain"
config=$home/Rutline/config

for value in inf 1e30 nan 0.001; do
    XDG_DATA_HOME=$home "$rutline" --lock-fps "$value" >"$root/stdout" 2>"$root/stderr"
    code=$?
    [ "$code" -eq 1 ] || fail "--lock-fps $value gave exit code $code"
    grep -qxF "Bad arg for --lock-fps" "$root/stderr" || { cat "$root/stderr" >&2; fail "--lock-fps $value: no message"; }
done
[ ! -e "$config" ] || fail "a refused option wrote the settings file"

start_xvfb
printf 'video_mode=Windowed\nxres=100000\nyres=480\n' >"$config"
start_game
wait_for_window
grep -q "Can't open a 100000x480 window" "$root/stderr" || { cat "$root/stderr" >&2; fail "no reason on standard error"; }
size=$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')
[ "$size" = "640x480" ] || fail "the window is $size, not 640x480"
loop_running
close_game
grep -qxF 'xres=640' "$config" || { cat "$config" >&2; fail "the settings keep a window that cannot open"; }
grep -qxF 'video_mode=Windowed' "$config" || { cat "$config" >&2; fail "the settings lost the windowed mode"; }

# Sides below 64 pixels mean the default window.
printf 'video_mode=Windowed\nxres=1\nyres=1\n' >"$config"
start_game
wait_for_window
size=$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')
[ "$size" = "640x480" ] || fail "a 1 x 1 setting gave a $size window"
loop_running
close_game
grep -qxF 'xres=640' "$config" || { cat "$config" >&2; fail "a 1 x 1 window was saved back"; }

# Shown to a player, the error box waits for a click; a game killed meanwhile takes its box
# with it. (The box is hidden under CI and under xvfb-run's authority file: a copy of the file
# under another name and no CI show it.)
printf 'video_mode=Windowed\nxres=100000\nyres=480\n' >"$config"
authority=
if [ -n "${XAUTHORITY:-}" ] && [ -f "$XAUTHORITY" ]; then
    cp "$XAUTHORITY" "$root/authority"
    authority=$root/authority
fi
# The box is a top-level window named Rutline (xdotool does not find SDL's box by its name).
box_up() { xwininfo -root -children 2>/dev/null | grep -q '^ *0x[0-9a-f]* "Rutline":'; }
XAUTHORITY=$authority CI= RL_NO_MESSAGE_BOX=0 start_game
for _ in $(seq 300); do box_up && break; kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
box_up || { cat "$root/stderr" >&2; fail "no error box for the window that cannot open"; }
grep -q "Can't open a 100000x480 window" "$root/stderr" || { cat "$root/stderr" >&2; fail "the box came without its reason on standard error"; }
kill -KILL "$game_pid"
wait "$game_pid" 2>/dev/null
game_pid=
for _ in $(seq 300); do box_up || break; sleep 0.1; done
box_up && fail "the error box outlived the game"
echo "hostile_settings: ok"
