#!/usr/bin/env bash
# Robots racing in the whole program on the default track. Eight robots over one lap on the
# novice lines: New Race, Start (Return, Down, Return) starts the race, a dozen seconds of race
# after the gate drops a screenshot shows the field strung out down the start straight from a camera
# above and behind it, and within the first minute the robots pick lines for sections further
# along the course. With robot_race_full=1 the race is ridden to its end (about seven minutes):
# "results.txt" appears in the home listing the eight with one lap. Then with "--warp", the player in slot 0 standing still and seven robots: once
# the leading robot has finished, the next race starts by itself ("Resetting" in the log again).
# The wall time of each part is printed.
# Usage: robot_race.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=60

[ -f "$(dirname "$rutline")/ridgeback/lines_novice" ] || fail "no generated lines for the default track beside $rutline"
start_xvfb
log=$home/Rutline/lastlog.txt

# The settings of a race: eight slots or the player and seven, one lap, novice lines, a small
# window.
write_config() {
    mkdir -p "$home/Rutline"
    {
        local i
        for i in 0 1 2 3 4 5 6 7; do
            if [ "$i" -eq 0 ] && [ "$1" = human ]; then echo "slot00=Human"; else echo "slot0$i=Robot"; fi
        done
        printf 'laps=1\nskill=Novice\nvideo_mode=Windowed\nxres=480\nyres=270\n'
    } >"$home/Rutline/config"
}

# Lines of the game's log that say the race was reset.
resets() { grep -cE '^\[[0-9:.]+\] Resetting$' "$log" 2>/dev/null || true; }

# --- Eight robots, one lap, in real time ---
# (robot_race_warp_only=1 skips it.)
if [ -z "${robot_race_warp_only:-}" ]; then
    write_config robots
    echo "track=ridgeback" >>"$home/Rutline/config"
    started=$(date +%s)
    # The race stops itself at the ticks below: the camera set up, swung round, pulled back, the
    # picture, the end of the first minute.
    start_game --debug --hidden-pause --pause-at 64,320,1600,3456,7680
    wait_for_window
    wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' 60 || fail "the game did not finish starting"
    loop_running
    send_keys Return Down Return
    wait_for_log '^\[[0-9:.]+\] Resetting$' 60 || fail "New Race, Start did not reset the race"
    wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the default track did not load"
    race_started=$(date +%s)

    # The chase view of the robot in the last slot, its camera swung round behind the start (the
    # start straight runs toward +x: the steer keys orbit the camera a quarter turn in two
    # seconds) and pulled back and up while the field waits at the gate (the front brake and
    # upshift keys), each for as many race ticks. The gate drops 13 to 15 s after the reset; a
    # dozen seconds later the field is strung out down the start straight ahead of the camera.
    wait_paused 64
    send_keys Tab bracketleft
    xdotool keydown Right
    ride_to 320
    xdotool keyup Right
    xdotool keydown c Up
    ride_to 1600
    xdotool keyup c Up
    ride_to 3456
    frame_drawn
    shot=$home/Rutline/screenshot001.png
    send_keys s
    for _ in $(seq 300); do [ -f "$shot" ] && break; sleep 0.1; done
    [ -f "$shot" ] || fail "the screenshot key saved no picture during the race"
    ride_to 7680 600
    # Every robot picks a line at the reset and again on entering each later section: eight more
    # picks at least say the field has left the start.
    picks=$(grep -c 'auto pilot: picking' "$log")
    echo "robot_race: $picks line picks in the first minute of race ($(($(date +%s) - race_started)) s of wall time)"
    [ "$picks" -ge 16 ] || fail "the robots picked $picks lines in the race's first minute: they are not riding the course"
    # Kept for a look.
    cp "$shot" "${TMPDIR:-/tmp}/robot_race_field.png"
    echo "robot_race: the picture of the race is ${TMPDIR:-/tmp}/robot_race_field.png"

    if [ -n "${robot_race_full:-}" ]; then
        xdotool key Pause
        results=$home/Rutline/results.txt
        limit=${robot_race_limit:-1200}
        for _ in $(seq "$((limit * 2))"); do
            [ -f "$results" ] && break
            kill -0 "$game_pid" 2>/dev/null || fail "the game ended during the race"
            sleep 0.5
        done
        [ -f "$results" ] || fail "no results.txt $limit s after the race began"
        echo "robot_race: eight robots' lap took $(($(date +%s) - race_started)) s of wall time ($(($(date +%s) - started)) s with the start-up)"
        head -n 1 "$results" | grep -q '^Time=0.00|Laps=1|Track=ridgeback|' || fail "results.txt has no one-lap header: $(head -n 1 "$results")"
        riders=$(grep -cE '^ *[0-9]+ \| +[^|]+ \| +1 \| ' "$results")
        [ "$riders" -eq 8 ] || { cat "$results" >&2; fail "results.txt lists $riders riders with one lap, not 8"; }
    fi
    close_game
fi

# --- The player standing still, seven robots, --warp ---
# Without "--track" the game waits on its title menu; New Race, Start races the configured one
# lap, and the warped ticks run it many times faster than real time.
rm -f "$log"
write_config human
echo "track=ridgeback" >>"$home/Rutline/config"
started=$(date +%s)
start_game --warp
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' 60 || fail "the game did not finish starting"
loop_running
send_keys Return Down Return
limit=${robot_warp_limit:-900}
for _ in $(seq "$((limit * 2))"); do
    [ "$(resets)" -ge 2 ] && break
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended during the warped race"
    sleep 0.5
done
[ "$(resets)" -ge 1 ] || fail "New Race, Start did not start the warped race"
[ "$(resets)" -ge 2 ] || fail "no second race $limit s into the warped one"
echo "robot_race: the warped race restarted after $(($(date +%s) - started)) s of wall time"
close_game
echo "robot_race: ok"
