#!/usr/bin/env bash
# Two players race each other online. Two games, each on an X server of its own, join the
# loopback race server, which waits for both, on a flat track whose timing gates stand in a row
# along +x: one lap of three gates from two starts side by side. With the throttle held in both,
# each game's log says the other's bike is under way, both riders finish, and "results.txt" is
# the same in both homes but for its date line. Then the second game leaves; the first, still
# connected, has been greeted by the server once only.
# Usage: two_player_race.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home
fail_log_lines=60

server=${RL_RACE_SERVER:-$(cd "$(dirname "$rutline")/.." && pwd)/tests/rl_race_server}
[ -x "$server" ] || fail "no race server at $server"

# Each player has a home, an X server, a game and its window; player N makes them current.
homes=("$root/one" "$root/two")
displays=()
pids=()
windows=()
marks_of=(0 0)
extra_xvfb=
server_pid=
current=
player() {
    if [ -n "$current" ]; then
        pids[current]=$game_pid
        windows[current]=${window:-}
        marks_of[current]=$marks
    fi
    current=$1
    home=${homes[$1]}
    game_pid=${pids[$1]:-}
    window=${windows[$1]:-}
    marks=${marks_of[$1]}
    export DISPLAY=${displays[$1]}
}
stop_all() {
    local p
    [ -n "$current" ] && pids[current]=$game_pid
    for p in "${pids[@]}" $server_pid $extra_xvfb; do [ -n "$p" ] && kill "$p" 2>/dev/null; done
    game_pid=
    cleanup
}
trap stop_all EXIT

start_xvfb
displays[0]=$DISPLAY
# The second player's X server on the first free display from 121 (kept up between clients:
# a reset would take the game's window with it).
for n in $(seq 121 160); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1280x720x24 -noreset -nolisten tcp >/dev/null 2>&1 &
    extra_xvfb=$!
    displays[1]=:$n
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    break
done
[ -n "${displays[1]:-}" ] || fail "no free display for the second player"

# The track, the same files for the server and both players.
make_track "$root/straight" "Straight"
printf 'startinggate:\n[40 0 122] -1.5707963\n[40 0 134] -1.5707963\ncheckpoints:\n' >"$root/straight/timing_gates"
for x in 60 100 140 180 220 260; do printf '12 [%d 0 128] [12 0 0]\n' "$x" >>"$root/straight/timing_gates"; done
printf 'firstlap:\n0 1 2\nnormallap:\n3 4 5\n' >>"$root/straight/timing_gates"
for h in "${homes[@]}" "$root/server_home"; do
    mkdir -p "$h/Rutline/tracks"
    cp -r "$root/straight" "$h/Rutline/tracks/straight"
done
printf '%s\n' video_mode=Windowed xres=480 yres=270 number=11 name=Ann >"${homes[0]}/Rutline/config"
printf '%s\n' video_mode=Windowed xres=480 yres=270 number=22 name=Bob >"${homes[1]}/Rutline/config"

mkdir -p "$root/server"
RL_HOME="$(dirname "$rutline")/" XDG_DATA_HOME=$root/server_home \
    "$server" --track tracks/straight --log "$root/server" --clients 2 --laps 1 \
    --chat "Welcome to the loopback server" >"$root/server/out" 2>"$root/server/err" &
server_pid=$!
port=
for _ in $(seq 600); do
    port=$(sed -n 's/^port \([0-9]*\)$/\1/p' "$root/server/out" 2>/dev/null)
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$port" ] || { cat "$root/server/err" >&2; fail "the race server did not start"; }

for n in 0 1; do
    player $n
    XDG_DATA_HOME=$home "$rutline" --connect "127.0.0.1:$port" >"$root/stdout$n" 2>"$root/stderr$n" &
    game_pid=$!
    marks=0
    wait_for_window
done
# The server holds the line-up until both are in, and the clock until both are ready.
for n in 0 1; do
    player $n
    wait_for_log '\] 1 laps$' 120 || fail "player $((n + 1)) never raced"
    grep -qE '\] Sending bike acknowledgment [0-9]+$' "$home/Rutline/lastlog.txt" ||
        fail "player $((n + 1)) was told of no other rider"
done

for n in 0 1; do
    player $n
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool keydown x
done
for n in 0 1; do
    player $n
    other=$([ $n = 0 ] && echo Bob || echo Ann)
    wait_for_log "\] Rider [0-9]+ \($other\) is under way$" 120 ||
        fail "player $((n + 1)) never saw $other's bike move"
done
for n in 0 1; do
    player $n
    for _ in $(seq $((1200 * ${RL_TEST_PATIENCE:-3}))); do
        [ -s "$home/Rutline/results.txt" ] && break
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    xdotool keyup x
    [ -s "$home/Rutline/results.txt" ] || fail "player $((n + 1)) has no results"
done
# Both riders finished, in the same order with the same times; only the date may differ.
for n in 0 1; do
    tail -n +2 "${homes[n]}/Rutline/results.txt" | tr -d '\r' >"$root/results$n"
done
cmp -s "$root/results0" "$root/results1" || {
    diff "$root/results0" "$root/results1" >&2
    fail "the two players' results differ"
}
grep -qE '^ +11 \| ' "$root/results0" && grep -qE '^ +22 \| ' "$root/results0" ||
    { cat "$root/results0" >&2; fail "the results do not hold both riders"; }

# The second player leaves; the first goes on racing, greeted once for its one connection.
player 1
close_game
for _ in $(seq $((300 * ${RL_TEST_PATIENCE:-3}))); do grep -qx disconnect "$root/server/server.log" && break; sleep 0.1; done
grep -qx disconnect "$root/server/server.log" || fail "the server recorded no disconnect"
player 0
for _ in $(seq 20); do input_mark; done
greetings=$(grep -cE '\] Welcome to the loopback server$' "$home/Rutline/lastlog.txt")
[ "$greetings" = 1 ] || fail "the first player was greeted $greetings times"
close_game
echo "two_player_race: ok"
