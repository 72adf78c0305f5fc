#!/usr/bin/env bash
# The whole program against a hostile race server of the test's own on the loopback: 159 riders
# and 2147483647 laps, clock datagrams with server ticks 300,000,000 and 2^30 - 1 and an echo of
# 0x80000000, a chat line of terminal escapes and bytes 1-255, eight seconds of riders posed on
# the player's own bike and jumping up and down the field, then a restart into 4294967295 laps
# and time limit. The game says what it refused, writes the server's text escaped to its log
# and standard output, keeps racing with the ping readout on, and closes with exit code 0.
# Usage: hostile_server.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=80

race_server=${RL_RACE_SERVER:-$(cd "$(dirname "$rutline")/.." && pwd)/tests/rl_race_server}
server=$(dirname "$race_server")/rl_hostile_server
[ -x "$server" ] || fail "no hostile server at $server"
[ -f "$(dirname "$rutline")/ridgeback/terrain.hf" ] || fail "no generated default track beside $rutline"
start_xvfb

server_pid=
stop_server() { [ -n "$server_pid" ] && { kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; }; }
trap 'stop_server; cleanup' EXIT

mkdir -p "$root/server"
RL_HOME="$(dirname "$rutline")/" XDG_DATA_HOME=$root/server_home ASAN_OPTIONS=detect_leaks=0 \
    "$server" --track ridgeback --log "$root/server" >"$root/server/out" 2>"$root/server/err" &
server_pid=$!
port=
for _ in $(seq 600); do
    port=$(sed -n 's/^port \([0-9]*\)$/\1/p' "$root/server/out" 2>/dev/null)
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$port" ] || { cat "$root/server/err" >&2; fail "the hostile server did not start"; }

mkdir -p "$home/Rutline"
printf '%s\n' video_mode=Windowed xres=640 yres=480 draw_ping=1 draw_time=1 >"$home/Rutline/config"
start_game --connect "127.0.0.1:$port"
wait_for_window
log=$home/Rutline/lastlog.txt
wait_for_log "\] Server's laps 2147483647 taken as 1000$" 120 || fail "the laps were not bounded"
wait_for_log '\] 1000 laps$' 240 || fail "no race format line: the client never raced"
wait_for_log '\] Server tick 300000000 is ahead of its clock: not taken$' 60 || fail "the wild server tick was taken"
wait_for_log '\] \\x1b\[2J\\x1b\[31mboo\\x0dforged\\x0a\\x01\\x02' 60 || fail "the server's chat was not written escaped"
wait_for_log '\] Bike frames jump at [0-9]+ ft/s: taken as a teleport$' 60 || fail "the jumping riders were not taken as teleports"
wait_for_log "\] Server's time limit 4294967295 taken as 11059200$" 120 || fail "the time limit was not bounded"
wait_for_log '\] hostile server done$' 120 || fail "the game did not race on to the server's last step"
expect_in_order "$log" "Server's laps 2147483647 taken as 1000" "1000 laps" \
    "Server tick 300000000 is ahead of its clock: not taken" "Server's time limit 4294967295 taken as 11059200" \
    "hostile server done"

# Nothing the server sent reaches the log or the terminal raw: no escape, carriage return or bell.
for f in "$log" "$root/stdout"; do
    if LC_ALL=C grep -q "$(printf '\033\\[2J')\|$(printf '\r')\|$(printf '\a')" "$f"; then
        fail "raw control characters from the server in $(basename "$f")"
    fi
done
grep -q 'ODE fault' "$log" && fail "ODE met a fault in the race"
close_game
grep -qx "client left" "$root/server/server.log" || sleep 1
echo "hostile server: ok"
