#!/usr/bin/env bash
# A menu page opened over a race has the window to itself. In a 640x480 window, New Race, Start
# and a pause before the gate drops show the pit board at the bottom left and the
# tachometer's yellow gear at the bottom right; Esc and Bike Setup open that page over the same
# paused race, and neither is drawn under it.
# Usage: pages_over_race.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=60

[ -f "$(dirname "$rutline")/ridgeback/terrain.hf" ] || fail "no generated default track beside $rutline"
start_xvfb
mkdir -p "$home/Rutline"
printf '%s\n' slot00=Human slot01=Robot slot02=Robot track=ridgeback video_mode=Windowed xres=640 yres=480 \
    render_texture=Software >"$home/Rutline/config"
start_game --hidden-pause --pause-at 384
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
input_mark
send_keys Return Down Return
wait_for_log '^\[[0-9:.]+\] Resetting$' 60 || fail "New Race, Start did not reset the race"
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the race's load did not end"
wait_paused 384
capture_window "$root/race.xwd"
# Esc opens the main menu; Bike Setup is its sixth row.
send_keys Escape Down Down Down Down Down Return
capture_window "$root/page.xwd"
close_game

python3 - "$here" "$root" <<'PY' || fail "the HUD shows under the page"
import sys, os
sys.path.insert(0, sys.argv[1])
import picture
root = sys.argv[2]

def count(name, box, test):
    w, h, rows = picture.read_picture(os.path.join(root, name))
    x0, y0, x1, y1 = box
    return sum(1 for y in range(y0, y1) for x in range(x0, x1) if test(rows[y][3 * x:3 * x + 3]))

# The pit board is a light grey plate; under a page's rows it would still show light and grey.
neutral = lambda p: min(p) >= 140 and max(p) - min(p) < 24
yellow = lambda p: p[0] > 150 and p[1] > 120 and p[2] < 90 and p[0] - p[2] > 100
board, gear = (0, 360, 150, 460), (560, 430, 600, 475)
failed = []
race_board, race_gear = count('race.xwd', board, neutral), count('race.xwd', gear, yellow)
page_board, page_gear = count('page.xwd', board, neutral), count('page.xwd', gear, yellow)
print('pit board: race %d, page %d; gear: race %d, page %d' % (race_board, page_board, race_gear, page_gear))
if race_board < 5000 or race_gear < 30:
    failed.append('the race shows no pit board or gear to look for')
if page_board > race_board // 4 or page_gear > race_gear // 4:
    failed.append('the pit board or the tachometer shows under the page')
for f in failed:
    print('FAIL: ' + f)
sys.exit(1 if failed else 0)
PY
echo "pages_over_race: ok"
