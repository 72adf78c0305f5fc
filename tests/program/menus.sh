#!/usr/bin/env bash
# The menus in the whole program, driven by real keys and clicks. A first run (fresh home, full
# screen on the 1280x720 test display) shows the main menu over the title, as its reference once
# the notice has faded; Return opens New Race with the generated line-up (reference), the
# "Track" row opens the "Choose Track" chooser (reference) and Cancel comes back; typing part of
# "Ridgeback Practice" selects it; a click 10 px left of the "Laps" bar sets 0. Escape, Escape,
# Down eight times, Return and a key end the program with code 0, and the settings written at
# shutdown hold all of it. A second run in a 640x480 window shows New Race as its reference.
# Usage: menus.sh PATH-TO-RUTLINE [--remake]   (--remake writes the references instead)
set -uo pipefail
rutline=$1
remake=
[ "${2:-}" = "--remake" ] && remake=1
source "$(dirname "$0")/lib.bash"
make_temp_home home
fail_log_lines=40

[ -f "$(dirname "$rutline")/config" ] || fail "no generated starting config beside $rutline"
start_xvfb
mkdir -p "$home"
log=$home/Rutline/lastlog.txt

start_game
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
# The notice fades by the wall clock, 10 s after the start (not by anything the game counts).
sleep 12
shot=$root/shot.xwd
capture_window "$shot"
compare_with_reference "$shot" menu_main

send_keys Return
capture_window "$shot"
compare_with_reference "$shot" menu_new_race_1280

# "Track" is the third row: its chooser, then Cancel (the chooser's first row) back to New Race.
send_keys Down Down Return
capture_window "$shot"
compare_with_reference "$shot" menu_choose_track
send_keys Return
capture_window "$shot"
[ -n "$remake" ] || compare_with_reference "$shot" menu_new_race_1280

# On "Track" (focused again), type ahead to the practice track.
send_keys Down Down
type_text pract

# The "Laps" bar starts at x 735 of the 1280x720 window (the 4:3 area from x 160, 22.5 px a
# layout unit; the row at layout x 15.5 + 10.0625) on the row from y 171 to 194.
click_at 725 183

send_keys Escape Escape Down Down Down Down Down Down Down Down Return
xdotool key x   # the program ends: no mark answers this one
for _ in $(seq 600); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "the quit page did not end the program"
wait "$game_pid"
code=$?
game_pid=
[ "$code" -eq 0 ] || fail "exit code $code"

config=$home/Rutline/config
[ -f "$config" ] || fail "no settings written at shutdown"
for line in slot00=Human slot01=Robot slot02=Robot slot03=Robot slot04=Robot slot05=Robot slot06=Empty \
            track=ridgeback-practice laps=0.000000; do
    grep -qx "$line" "$config" || fail "the settings lack $line"
done

# A 640x480 window shows the same page in the whole window.
cat >"$config" <<'EOF'
video_mode=Windowed
xres=640
yres=480
slot00=Human
slot01=Robot
slot02=Robot
slot03=Robot
slot04=Robot
slot05=Robot
track=ridgeback
EOF
start_game
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the second run did not finish starting"
loop_running
send_keys Return
capture_window "$shot"
compare_with_reference "$shot" menu_new_race_640
find_closer
close_game
echo "menus: ok"
