#!/usr/bin/env bash
# Time-trial laps kept from the menus. A flat track whose timing gates stand in a straight row
# along +x, 40 ft apart: the first lap's three, then a lap of three more. Time Trial, Start puts
# the bike on the first gate facing the row; with the throttle held it rides the run up to the
# lap gate, which is no lap ("fastlap.rldemo" does not appear), then a whole lap, which becomes
# the fastest. Backing up starts the attempt again; the run up after it leaves the fastest lap
# as it was, byte for byte.
# Usage: time_trial_laps.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/menu_rows.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home home
fail_log_lines=60

start_xvfb
track=$home/Rutline/tracks/straight
make_track "$track" "Straight"
printf 'startinggate:\n[40 0 128] 0\ncheckpoints:\n' >"$track/timing_gates"
for x in 60 100 140 180 220 260; do printf '12 [%d 0 128] [12 0 0]\n' "$x" >>"$track/timing_gates"; done
printf 'firstlap:\n0 1 2\nnormallap:\n3 4 5\n' >>"$track/timing_gates"
printf 'track=tracks/straight\nvideo_mode=Windowed\nxres=480\nyres=270\n' >"$home/Rutline/config"
log=$home/Rutline/lastlog.txt
fast=$home/Rutline/tracks/straight/fastlap.rldemo
# Waits up to 60 s for the COUNT-th log line matching PATTERN.
wait_for_nth() {
    for _ in $(seq 600); do
        [ "$(grep -cE "$2" "$log")" -ge "$1" ] && return 0
        kill -0 "$game_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
run_up='^\[[0-9:.]+\] Time trial: at the lap gate$'
lap='^\[[0-9:.]+\] Time trial lap [0-9]+:[0-9]{2}\.[0-9]{3}(, the fastest)?$'

start_game --hidden-hud --hidden-pause
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
wait_for_selected "$root/menu.xwd" || fail "the main menu did not come up"
send_keys Down Down Down Return Down Return
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "Time Trial, Start did not load the track"
sleep 4   # the loading screen drops keys for a few frames after its last line

xdotool windowfocus --sync "$window" 2>/dev/null
xdotool keydown x
wait_for_nth 1 "$run_up" || { xdotool keyup x; fail "the throttle did not bring the bike to the lap gate"; }
[ ! -e "$fast" ] || { xdotool keyup x; fail "the run up from Start was kept as the fastest lap"; }
wait_for_nth 1 "$lap" || { xdotool keyup x; fail "the bike did not ride a whole lap"; }
xdotool keyup x
grep -qE '^\[[0-9:.]+\] Time trial lap .*, the fastest$' "$log" || fail "the first whole lap was not kept as the fastest"
[ -s "$fast" ] || fail "no fastlap.rldemo after the first whole lap"
head -n 1 "$fast" | grep -qE '^RL06 1 ' || fail "fastlap.rldemo is no demo of one rider: $(head -n 1 "$fast")"
cp "$fast" "$root/fastest"

# Backing up starts the attempt again from the first gate; its run up keeps the fastest lap.
# (Held for a moment: the back-up control is read once a tick, a bare tap can fall between.)
xdotool keydown b
sleep 0.5
xdotool keyup b
xdotool keydown x
wait_for_nth 2 "$run_up" || { xdotool keyup x; fail "after backing up the bike did not reach the lap gate"; }
xdotool keyup x
cmp -s "$fast" "$root/fastest" || fail "the run up after backing up replaced the fastest lap"
kill -0 "$game_pid" 2>/dev/null || fail "rutline ended during the time trial"
close_game
echo "time_trial_laps: ok"
