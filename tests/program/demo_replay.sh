#!/usr/bin/env bash
# A race kept and watched again. With "record=Yes" in the settings, New Race, Start races the
# line-up for a minute and the close keeps "demos/default.rldemo". Started with that demo as its
# argument the game replays it: Escape leaves the start-up menu, the race stops itself 20 s in
# ("--pause-at"), the screenshot key takes picture A; "/" skips a second ahead and "\" a second back, to the same
# tick, and picture B shows every rider where A did (flying dirt may differ).
# Usage: demo_replay.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=60

generated=$(dirname "$rutline")/config
[ -f "$generated" ] || fail "no generated starting config beside $rutline"
start_xvfb
mkdir -p "$home/Rutline"
if grep -q '^record=' "$generated"; then
    sed 's/^record=.*/record=Yes/' "$generated" >"$home/Rutline/config"
else
    { cat "$generated"; echo "record=Yes"; } >"$home/Rutline/config"
fi

# A minute of race ticks, however long the machine takes over them.
start_game --hidden-hud --hidden-pause --pause-at 7680
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
loop_running
send_keys Return Down Return
wait_for_log '^\[[0-9:.]+\] Resetting$' 60 || fail "New Race, Start did not reset the race"
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the race's load did not end"
wait_paused 7680 600
close_game
demo=$home/Rutline/demos/default.rldemo
[ -s "$demo" ] || fail "no demo was kept"
head -n 1 "$demo" | grep -qE '^RL06 [1-9][0-9]* ' || fail "the demo's head names no riders: $(head -n 1 "$demo")"
size=$(stat -c %s "$demo")
[ "$size" -gt 20000 ] || fail "a minute of racing made only $size bytes of demo"

rm -f "$home/Rutline/lastlog.txt"
# The playback stops itself 20 s into the race.
start_game --hidden-hud --hidden-pause --pause-at 2560 "$demo"
wait_for_window
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the demo's race did not load"
send_keys Escape
wait_paused 2560
frame_drawn
send_keys s
for _ in $(seq 300); do [ -f "$home/Rutline/screenshot001.png" ] && break; sleep 0.1; done
[ -f "$home/Rutline/screenshot001.png" ] || fail "the screenshot key saved no picture"
send_keys slash backslash
frame_drawn
send_keys s
for _ in $(seq 300); do [ -f "$home/Rutline/screenshot002.png" ] && break; sleep 0.1; done
[ -f "$home/Rutline/screenshot002.png" ] || fail "the screenshot key saved no second picture"
kill -0 "$game_pid" 2>/dev/null || fail "rutline ended during the playback"
close_game

# The riders stand where they stood: the pictures match but for a little flying dirt.
if python3 - "$here" "$home/Rutline/screenshot001.png" "$home/Rutline/screenshot002.png" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
import picture
a, b = picture.read_png(sys.argv[2]), picture.read_png(sys.argv[3])
differ = total = 0
for ra, rb in zip(a[2], b[2]):
    for x in range(0, len(ra), 3):
        total += 1
        differ += abs(ra[x] - rb[x]) > 24
print("pixels differing %.2f%%" % (100.0 * differ / max(total, 1)))
sys.exit(0 if differ <= total * 0.02 else 1)
PY
then
    :
else
    cp "$home/Rutline/screenshot001.png" "${TMPDIR:-/tmp}/demo_replay_a.png"
    cp "$home/Rutline/screenshot002.png" "${TMPDIR:-/tmp}/demo_replay_b.png"
    fail "after skipping ahead and back the riders are elsewhere (kept as ${TMPDIR:-/tmp}/demo_replay_[ab].png)"
fi
echo "demo_replay: ok"
