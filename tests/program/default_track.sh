#!/usr/bin/env bash
# The default track in the whole program: "--track ridgeback" starts a race on the generated
# track behind the loading screen, the menu closes with Escape, Tab turns the player's view to the
# chase camera behind the bike on the start line (the race stopped at a fixed tick, "--pause-at"),
# and the screenshot key saves a picture with sky above and grass and bare dirt below, close to
# the reference render tests/program/default_track.png.
# Usage: default_track.sh PATH-TO-RUTLINE [REFERENCE.png]
# With a second argument the screenshot, shrunk to a quarter, is written there as the reference
# render (scripts/reference_render.sh does that). The HUD is hidden: the picture is of the track.
set -uo pipefail
rutline=$1
reference=${2:-}
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=40

[ -f "$(dirname "$rutline")/ridgeback/terrain.hf" ] || fail "no generated default track beside $rutline"

start_xvfb
# The reference was rendered with the ground composed in software at ground detail 1; the
# first load follows the settings file, so the picture's settings are written down here.
mkdir -p "$home/Rutline"
printf 'render_texture=Software\nground_detail=1.000000\n' >"$home/Rutline/config"
# The race stops itself 5 s in, the gate still standing, the chase camera settled behind the bike.
start_game --track ridgeback --debug --hidden-hud --pause-at 640
wait_for_window
log=$home/Rutline/lastlog.txt
wait_for_log 'File index complete' 60 || fail "the game did not list its files"
wait_for_log 'ridgeback -> Ridgeback MX' 60 || fail "the default track is not in the track list"
wait_for_log '[0-9]+ cameras found' 120
grep -q "Loading '@ridgeback'" "$log" || fail "the default track was not loaded"
grep -qE '^\[[0-9:.]+\] 15 cameras found$' "$log" || fail "the track's cameras were not loaded"

# The race reset goes on loading after the track (bikes, riders); keys pressed before it ends
# are dropped, and the menu would keep the screenshot key.
wait_for_log 'Max loading delay was' 120 || fail "the race's load did not end"
send_keys Escape Tab
wait_paused 640
frame_drawn   # the ground textures around the camera compose over a few frames
shot=$home/Rutline/screenshot001.png
send_keys s
for _ in $(seq 300); do [ -f "$shot" ] && break; sleep 0.1; done
[ -f "$shot" ] || fail "the screenshot key saved no picture"

close_game

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
