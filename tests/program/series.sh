#!/usr/bin/env bash
# A points series from the menus. The home holds a series of two one-lap events on the practice
# loop, robot 2 against the player. Points Series, the series, Enter Next Event starts event 1;
# once it is under way, Esc and Enter Next Event again leave it for event 2 (the round left is
# recorded as it stands: the robot ahead, the player, who never moved, unplaced), and the same
# once more ends event 2 and starts nothing. The standings file then holds both rounds, "1 2"
# each, written under a temporary name and renamed.
# Usage: series.sh PATH-TO-RUTLINE
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
mkdir -p "$home/Rutline/series"
printf 'video_mode=Windowed\nxres=480\nyres=270\n' >"$home/Rutline/config"
points='25 22 20 18 16 15 14 13 12 11 10 9 8 7 6 5 4 3 2 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0'
# Its name sorts before the generated series: it is the list's first row.
cat >"$home/Rutline/series/0-two-events.series" <<EOF
"Two Events"
1 Novice
2
2
"First" ridgeback-practice 0 1
$points
$points
"Second" ridgeback-practice 0 1
$points
$points
EOF
standings=$home/Rutline/series/0-two-events.series_standings
log=$home/Rutline/lastlog.txt
loads() { grep -cE '^\[[0-9:.]+\] Max loading delay was ' "$log" 2>/dev/null || true; }
wait_for_loads() {
    for _ in $(seq $(($2 * 10))); do
        [ "$(loads)" -ge "$1" ] && return 0
        kill -0 "$game_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
# From the main menu (Points Series is its third row) to the series' standings page, its "Enter
# Next Event" row, and Return on it.
enter_next_event() { send_keys Down Down Return Down Return Down Return; }
# The loading screen stays up for a few slow frames after the log's last loading line and drops
# what is typed meanwhile.
settle() { sleep 4; }

start_game --hidden-hud --hidden-pause
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
wait_for_selected "$root/menu.xwd" || fail "the main menu did not come up"
enter_next_event
wait_for_loads 1 120 || fail "Enter Next Event did not start event 1"
settle
[ ! -e "$standings" ] || fail "a standings file before any round: $(cat "$standings")"
send_keys Escape
enter_next_event
wait_for_loads 2 120 || fail "Enter Next Event did not start event 2"
for _ in $(seq 100); do [ -s "$standings" ] && break; sleep 0.1; done
[ "$(cat "$standings" 2>/dev/null)" = "1 2 " ] || fail "after round 1 the standings hold: $(cat "$standings" 2>/dev/null)"
settle
send_keys Escape
enter_next_event
for _ in $(seq 100); do [ "$(wc -l <"$standings")" -ge 2 ] && break; sleep 0.1; done
[ "$(printf '1 2 \n1 2 \n')" = "$(cat "$standings")" ] || fail "after round 2 the standings hold: $(cat "$standings")"
ls "$home/Rutline/series" | grep -q '\.tmp$' && fail "a temporary file was left beside the standings"
close_game
resets=$(grep -cE '^\[[0-9:.]+\] Resetting$' "$log")
[ "$resets" -eq 2 ] || fail "$resets races started, not 2: one started after the series' last event"
echo "series: ok"
