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
source "$here/menu_rows.bash"
find_closer
make_temp_home home
fail_log_lines=40

[ -f "$(dirname "$rutline")/config" ] || fail "no generated starting config beside $rutline"
start_xvfb
mkdir -p "$home"
shot=$root/shot.xwd

# Fails unless the window comes to show its selected row within 12 px of WANT.
expect_selected() {
    wait_for_selected "$shot" "$1" && return 0
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
expect_selected 183 "hovering over Time Trial did not select it"
xdotool click 1
# The Time Trial page opens on its first row, which is not where Time Trial's row was.
first=
for _ in $(seq 60); do
    capture_window "$shot"
    first=$(selected_y "$shot")
    [ -n "$first" ] && [ "$first" -ne 183 ] && break
done
[ -n "$first" ] && [ "$first" -ne 183 ] || fail "one click on Time Trial did not open its page"
xdotool mousemove --window "$window" 250 $((first + 31))
sleep 0.5
xdotool click 1
wait_for_log '^\[[0-9:.]+\] Resetting$' 30 || fail "the click on Start did not start the time trial"
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the time trial's load did not end"
close_game
echo "pointer: ok"
