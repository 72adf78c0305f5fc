#!/usr/bin/env bash
# A race recorded, then watched from the Playback Race page in its default "Playback Only" mode.
# Four robots race one lap of the practice loop with "record=Yes"; once "results.txt" appears,
# Escape and Playback Race show the recording in the list at once (the demos folder did not
# exist when the game started), and Return on it replays it: every rider comes back on its
# recorded path, so the replay's "results.txt" is the recorded race's, row for row and gate for
# gate, each time within 0.04 s. A time trial would have put the player alone instead.
# Usage: playback.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/menu_rows.bash"
find_closer
make_temp_home home
fail_log_lines=60
# A page change swallows the rest of its frame's keys, and a frame over a race under the
# sanitizers can take most of a second.
key_gap=1.5

[ -f "$(dirname "$rutline")/ridgeback-practice/lines_novice" ] || fail "no generated practice track beside $rutline"
start_xvfb
mkdir -p "$home/Rutline"
cat >"$home/Rutline/config" <<'EOF'
slot00=Robot
slot01=Robot
slot02=Robot
slot03=Robot
laps=1
skill=Novice
record=Yes
track=ridgeback-practice
video_mode=Windowed
xres=480
yres=270
EOF
log=$home/Rutline/lastlog.txt
results=$home/Rutline/results.txt
loads() { grep -cE '^\[[0-9:.]+\] Max loading delay was ' "$log" 2>/dev/null || true; }
# Waits up to SECONDS for the log to hold COUNT loads.
wait_for_loads() {
    for _ in $(seq $(($2 * 10))); do
        [ "$(loads)" -ge "$1" ] && return 0
        kill -0 "$game_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

start_game --hidden-hud --hidden-pause
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
wait_for_selected "$root/menu.xwd" || fail "the main menu did not come up"
send_keys Return Down Return
wait_for_loads 1 120 || fail "New Race, Start did not start the race"
for _ in $(seq 3000); do
    [ -s "$results" ] && break
    kill -0 "$game_pid" 2>/dev/null || fail "rutline ended during the race"
    sleep 0.1
done
[ -s "$results" ] || fail "the robots did not finish their lap within five minutes"
cp "$results" "$root/recorded.txt"
rows=$(grep -cE '^ +[0-9]+ \| ' "$root/recorded.txt")
[ "$rows" -eq 4 ] || fail "the recorded race's results list $rows riders, not 4: $(cat "$root/recorded.txt")"
recorded_inode=$(stat -c %i "$results")

# Main menu, Playback Race; its rows: Back, Playback Mode, Prev Page, the demos.
send_keys Escape Down Return Down Down Down Return
wait_for_loads 2 120 || fail "the recording was not listed, or choosing it started nothing"
grep -qE "^\[[0-9:.]+\] Resetting$" "$log" || fail "no reset in the log"
for _ in $(seq 3000); do
    now=$(stat -c %i "$results" 2>/dev/null)
    [ -n "$now" ] && [ "$now" != "$recorded_inode" ] && break
    kill -0 "$game_pid" 2>/dev/null || fail "rutline ended during the playback"
    sleep 0.1
done
[ "$(stat -c %i "$results")" != "$recorded_inode" ] || fail "the playback wrote no results within five minutes"
close_game

# The replay finds each gate again from the recorded states, a state every 4 ticks stamped after
# the step that made it: its gate times come a tick or two after the race's own. Everything else
# is the same: the order, the riders, their laps and best lap, the gates missed.
python3 - "$root/recorded.txt" "$results" <<'PY' || fail "the playback's results differ from the recorded race's"
import re
import sys
recorded, replayed = (open(p).read().splitlines() for p in sys.argv[1:3])
number = re.compile(r"-?[0-9]+(?:[.:][0-9]+)*")
def seconds(text):
    if ":" in text:
        minutes, rest = text.split(":")
        return int(minutes) * 60 + float(rest)
    return float(text)
def same(a, b):
    if a.startswith("Time="):
        return re.sub(r"Date=[0-9]*", "", a) == re.sub(r"Date=[0-9]*", "", b)
    if number.sub("#", a) != number.sub("#", b):
        return False
    for x, y in zip(number.findall(a), number.findall(b)):
        if ("." in x) != ("." in y) or ("." not in x and x != y):
            return False
        if "." in x and abs(seconds(x) - seconds(y)) > 0.04:
            return False
    return True
bad = [(a, b) for a, b in zip(recorded, replayed) if not same(a, b)]
for a, b in bad:
    print("recorded: %r\nreplayed: %r" % (a, b), file=sys.stderr)
sys.exit(1 if bad or len(recorded) != len(replayed) else 0)
PY
echo "playback: ok"
