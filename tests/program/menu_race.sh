#!/usr/bin/env bash
# The first aim of the game from a fresh home: New Race, Start. Return, Down, Return starts a
# race on the generated line-up ("Resetting" and "Max loading delay was" in the log); stopped
# 1 s in ("--pause-at"), Tab goes to the chase view of the player and five robots on the start
# gates (reference; taken before the gates drop, so riding robots do not change it). Escape, Down
# eight times, Return and a key end the program with code 0, and the settings written at
# shutdown hold the line-up.
# Usage: menu_race.sh PATH-TO-RUTLINE [--remake]   (--remake writes the reference instead)
set -uo pipefail
rutline=$1
remake=
[ "${2:-}" = "--remake" ] && remake=1
source "$(dirname "$0")/lib.bash"
make_temp_home home
fail_log_lines=60

[ -f "$(dirname "$rutline")/config" ] || fail "no generated starting config beside $rutline"
start_xvfb
mkdir -p "$home"
# The race stops itself 1 s in; the chase camera sits where the bike puts it, paused or not.
start_game --hidden-hud --hidden-pause --pause-at 128
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
loop_running

send_keys Return Down Return
wait_for_log '^\[[0-9:.]+\] Resetting$' 60 || fail "New Race, Start did not reset the race"
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the race's load did not end"
expect_llvmpipe
wait_paused 128
capture_window "$root/before.xwd"
send_keys Tab
capture_stable "$root/shot.xwd" "$root/before.xwd"
# The robots blip their throttles on the line: compare by mean difference, tight enough that a
# missing rider fails.
compare_with_reference "$root/shot.xwd" menu_race_chase 0.6

send_keys Escape Down Down Down Down Down Down Down Down Return
xdotool key x   # the program ends: no mark answers this one
for _ in $(seq 600); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "the quit page did not end the program"
wait "$game_pid"
code=$?
game_pid=
[ "$code" -eq 0 ] || fail "exit code $code"
config=$home/Rutline/config
for line in slot00=Human slot01=Robot slot02=Robot slot03=Robot slot04=Robot slot05=Robot slot06=Empty; do
    grep -qx "$line" "$config" || fail "the settings lack $line"
done
echo "menu_race: ok"
