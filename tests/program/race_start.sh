#!/usr/bin/env bash
# A race in the whole program: "--track ridgeback" resets a race (the log shows the reset's lines
# in order), the start-up menu holds it until Escape, then with the throttle key held the
# player's bike pushes against the start gate, rides off when it falls and the race runs for a
# minute of race ticks with erosion on; the chase camera has gone elsewhere by then. Closing the window frees
# the bikes and ends with exit code 0.
# Usage: race_start.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=60

[ -f "$(dirname "$rutline")/ridgeback/terrain.hf" ] || fail "no generated default track beside $rutline"

start_xvfb
mkdir -p "$home"
# The race stops itself 4 s in for the first picture and after a minute of throttle for the second.
start_game --track ridgeback --erode 2 --pause-at 512,8192
wait_for_window
log=$home/Rutline/lastlog.txt
wait_for_log 'Max loading delay was' 90
expect_in_order "$log" 'Resetting' 'Deallocating bikes' 'Finished deallocating bikes' \
    'Max loading delay was [0-9.]+ \(.*\)'

send_keys Escape Tab
wait_paused 512
frame_drawn
send_keys s
xdotool keydown x
ride_to 8192 600
send_keys s
xdotool keyup x
for _ in $(seq 300); do [ -f "$home/Rutline/screenshot002.png" ] && break; sleep 0.1; done
[ -f "$home/Rutline/screenshot002.png" ] || fail "the screenshot key saved no second picture"
kill -0 "$game_pid" 2>/dev/null || fail "rutline ended during the race"

close_game
# After the race's own reset, shutdown frees the bikes once more.
expect_in_order "$log" 'Max loading delay was .*' 'Deallocating bikes' 'Finished deallocating bikes' \
    'Deallocating track'

if python3 - "$here" "$home/Rutline/screenshot001.png" "$home/Rutline/screenshot002.png" <<'PY'

import sys
sys.path.insert(0, sys.argv[1])
import picture
a, b = picture.read_png(sys.argv[2]), picture.read_png(sys.argv[3])
rows_a, rows_b = a[2], b[2]
total = count = 0
for ra, rb in zip(rows_a, rows_b):
    for x in range(0, len(ra), 12):
        total += abs(ra[x] - rb[x])
        count += 1
mean = total / max(count, 1)
print("mean difference %.1f" % mean)
sys.exit(0 if mean > 6 else 1)
PY
then
    :
else
    cp "$home/Rutline/screenshot001.png" "${TMPDIR:-/tmp}/race_start_1.png"
    cp "$home/Rutline/screenshot002.png" "${TMPDIR:-/tmp}/race_start_2.png"
    fail "the view at the start and a minute later are the same: the bike did not ride (kept as ${TMPDIR:-/tmp}/race_start_[12].png)"
fi
echo "race_start: ok"
