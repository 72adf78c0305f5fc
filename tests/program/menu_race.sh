#!/usr/bin/env bash
# The first aim of the game from a fresh home: New Race, Start. Return, Down, Return starts a
# race on the generated line-up ("Resetting" and "Max loading delay was" in the log); Tab and
# Pause go to the chase view of the player and five robots on the start gates (reference; taken
# before the gates drop at 5 s of race time, so riding robots do not change it). Escape, Down
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
start_game --hidden-hud --hidden-pause
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
sleep 1

key_gap=1 send_keys Return Down Return
wait_for_log '^\[[0-9:.]+\] Resetting$' 60 || fail "New Race, Start did not reset the race"
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the race's load did not end"
expect_llvmpipe
sleep 0.5
capture_window "$root/before.xwd"
key_gap=0.2 send_keys Tab Pause
sleep 1
capture_stable "$root/shot.xwd" "$root/before.xwd"
# The robots blip their throttles on the line, so the riders' poses move a little with the moment
# the pause lands: compare by mean difference, tight enough that a missing rider fails.
compare_with_reference "$root/shot.xwd" menu_race_chase 0.6

key_gap=1 send_keys Escape Down Down Down Down Down Down Down Down Return x
for _ in $(seq 150); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
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
