#!/usr/bin/env bash
# The time trial from the menus: Time Trial, Start puts the player alone three gates before the
# lap gate (picture A). Riding off with the throttle changes the view (picture C); backing up
# aborts the attempt and puts the bike back where it started (picture B, like A but for the
# rider's pose, which moves the eye a little).
# Usage: time_trial.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=60

[ -f "$(dirname "$rutline")/config" ] || fail "no generated starting config beside $rutline"
start_xvfb
mkdir -p "$home"
# The trial's race clock starts at tick 38400 (300 s). It stops itself 3 s in for picture A; the
# throttle rides 4 s to the next stop (C); back-up held half a second aborts the attempt, and 3 s
# later the bike stands where it started (B). Ticks, not seconds: a slow frame rate rides as far.
t0=38400
a=$((t0 + 384)) c=$((t0 + 896)) abort=$((t0 + 960)) b=$((t0 + 1344))
start_game --hidden-hud --hidden-pause --pause-at "$a,$c,$abort,$b"
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
send_keys Down Down Down Return Down Return
wait_for_log '^\[[0-9:.]+\] Resetting$' 60 || fail "Time Trial, Start did not reset the race"
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the time trial's load did not end"
wait_paused "$a"

shot() {
    send_keys s
    local f
    f=$(printf '%s/Rutline/screenshot%03d.png' "$home" "$1")
    for _ in $(seq 300); do [ -f "$f" ] && break; sleep 0.1; done
    [ -f "$f" ] || fail "the screenshot key saved no picture $1"
}
shot 1
xdotool keydown x
ride_to "$c"
xdotool keyup x
shot 2
xdotool keydown b
ride_to "$abort"
xdotool keyup b
ride_to "$b"
shot 3
kill -0 "$game_pid" 2>/dev/null || fail "rutline ended during the time trial"
close_game

# The share of pixels that differ clearly between two pictures, in tenths of a percent, in the
# middle of the view from the sky down to just below the horizon: where the bike stands and
# faces, without the rider's arms and the ground texture still being composed near the bike.
differ() {
    python3 - "$here" "$1" "$2" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
import picture
a, b = picture.read_png(sys.argv[2]), picture.read_png(sys.argv[3])
width, height = a[0], a[1]
differ = total = 0
for y in range(height // 6, height * 11 // 20):
    ra, rb = a[2][y], b[2][y]
    for x in range(width // 4 * 3, width * 3 // 4 * 3, 3):
        total += 1
        differ += abs(ra[x] - rb[x]) > 24
print("%d" % (1000 * differ // max(total, 1)))
PY
}
shots=$home/Rutline/screenshot
ridden=$(differ "${shots}001.png" "${shots}002.png")
back=$(differ "${shots}001.png" "${shots}003.png")
echo "ridden off: $ridden/1000 differ; backed up: $back/1000 differ"
keep() { cp "${shots}00$1.png" "${TMPDIR:-/tmp}/time_trial_$1.png"; }
[ "$ridden" -ge 150 ] || { keep 1; keep 2; fail "the throttle did not ride the bike off (kept as ${TMPDIR:-/tmp}/time_trial_[12].png)"; }
[ "$back" -le 60 ] || { keep 1; keep 3; fail "backing up did not put the bike back (kept as ${TMPDIR:-/tmp}/time_trial_[13].png)"; }
echo "time_trial: ok"
