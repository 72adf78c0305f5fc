#!/usr/bin/env bash
# The mouse on the menus, with nothing but plain pointer moves and left clicks. On the main menu
# of a first run (full screen, 1280x720) the rows are 31 px apart, New Race's centre at y 90,
# their boxes from x 157 to 499. Moving the pointer over "Multiplayer" selects it (its row is the one drawn bright), and
# one click there opens the Multiplayer page. Esc, Esc brings the main menu back; one click on
# "Time Trial" opens its page, and one click on its "Start" row, a row below the page's first (selected on opening),
# starts the time trial ("Resetting" in the log): each click acted where the pointer was.
# Usage: pointer.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=40

[ -f "$(dirname "$rutline")/config" ] || fail "no generated starting config beside $rutline"
start_xvfb
mkdir -p "$home"
shot=$root/shot.xwd

# The centre y of the selected row in a capture: its box is filled white (the others are dark
# with light text), so most of x 165..450 is bright on its lines. Empty when no row is.
selected_y() {
    python3 - "$here" "$1" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
import picture
width, height, rows = picture.read_picture(sys.argv[2])
bright = [sum(1 for x in range(165, 450) if min(r[3 * x], r[3 * x + 1], r[3 * x + 2]) > 215) for r in rows]
ys = [y for y in range(height) if bright[y] >= 200]
if ys:
    print((min(ys) + max(ys)) // 2)
PY
}
# Captures the window until its selected row's centre lies within 12 px of WANT (the first
# frames show the busy indicator; a move is seen on the next frame); fails after 60 captures.
expect_selected() {
    local got
    for _ in $(seq 60); do
        capture_window "$shot"
        got=$(selected_y "$shot")
        [ -n "$got" ] && [ "$got" -ge $(($1 - 12)) ] && [ "$got" -le $(($1 + 12)) ] && return 0
    done
    cp "$shot" "${TMPDIR:-/tmp}/pointer_failed.xwd"
    fail "$2 (the selected row is at y '${got}'; the window is kept as ${TMPDIR:-/tmp}/pointer_failed.xwd)"
}

start_game
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
expect_selected 90 "the main menu did not open on New Race"
capture_stable "$root/main.xwd"

xdotool mousemove --window "$window" 250 214
expect_selected 214 "hovering over Multiplayer did not select it"
capture_stable "$root/hovered.xwd"

xdotool click 1
capture_stable "$shot" "$root/hovered.xwd"
python3 "$here/picture.py" same "$shot" "$root/main.xwd" >/dev/null && fail "the click on Multiplayer left the main menu up"
page_row=$(selected_y "$shot")
[ -n "$page_row" ] && [ "$page_row" -ne 214 ] || fail "after the click no page with its first row selected: the row is at y '$page_row'"
grep -qE '^\[[0-9:.]+\] Resetting$' "$home/Rutline/lastlog.txt" && fail "the click on Multiplayer started a race"

# Esc closes the menu, Esc opens the main menu again on its first row.
send_keys Escape Escape
xdotool mousemove --window "$window" 250 183
sleep 0.5
xdotool click 1
capture_stable "$shot"
first=$(selected_y "$shot")
[ -n "$first" ] || fail "the Time Trial page shows no selected row"
xdotool mousemove --window "$window" 250 $((first + 31))
sleep 0.5
xdotool click 1
wait_for_log '^\[[0-9:.]+\] Resetting$' 30 || fail "the click on Start did not start the time trial"
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the time trial's load did not end"
close_game
echo "pointer: ok"
