#!/usr/bin/env bash
# An online race in the whole program: "rutline --connect 127.0.0.1:PORT" against the loopback
# race server on the default track logs the connection lines and the race format line, loads
# the track, shows the remote riders (the window is kept as online_race.xwd in the temporary
# folder), prints the server's chat and, on closing, sends the disconnect packet the server
# records; exit code 0. On the way a chat line typed into the console reaches the server cut to
# the input line, and "/sendfile" delivers a file. Then once more with "--fake-loss 30", which
# still reaches the race.
# Usage: online_race.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=60

server=${RL_RACE_SERVER:-$(cd "$(dirname "$rutline")/.." && pwd)/tests/rl_race_server}
[ -x "$server" ] || fail "no race server at $server"
[ -f "$(dirname "$rutline")/ridgeback/terrain.hf" ] || fail "no generated default track beside $rutline"
start_xvfb

# Two servers, one per run, load the track side by side while the first run starts.
server_pids=()
stop_servers() { local p; for p in "${server_pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; }
trap 'stop_servers; cleanup' EXIT

# start_server LOG-FOLDER: the server on a free port, in the background.
start_server() {
    mkdir -p "$1"
    RL_HOME="$(dirname "$rutline")/" XDG_DATA_HOME=$root/server_home ASAN_OPTIONS=detect_leaks=0 \
        "$server" --track ridgeback --log "$1" --chat "Welcome to the loopback server" >"$1/out" 2>"$1/err" &
    server_pids+=($!)
}

# server_port LOG-FOLDER: waits for that server's "port N" line; port is set from it.
server_port() {
    port=
    for _ in $(seq 600); do
        port=$(sed -n 's/^port \([0-9]*\)$/\1/p' "$1/out" 2>/dev/null)
        [ -n "$port" ] && return 0
        sleep 0.1
    done
    cat "$1/err" >&2
    fail "the race server of $1 did not start"
}

# online_run LOG-FOLDER [OPTIONS...]: the game connected to that server until it races.
online_run() {
    local folder=$1
    shift
    rm -rf "$home"
    mkdir -p "$home/Rutline"
    printf '%s\n' video_mode=Windowed xres=640 yres=480 >"$home/Rutline/config"
    server_port "$folder"
    start_game --connect "127.0.0.1:$port" "$@"
    wait_for_window
    wait_for_log '\] [0-9]+ laps$' 60 || fail "no race format line: the client never raced"
}

start_server "$root/server1"
start_server "$root/server2"

online_run "$root/server1"
log=$home/Rutline/lastlog.txt
expect_in_order "$log" "Contacting server" "Sending client info" "Sending track acknowledgment" \
    "Sending bike acknowledgment 1" "Sending bike acknowledgment 5" "Max loading delay was .*" "3 laps"
wait_for_log '\] Welcome to the loopback server$' 20 || fail "the server's chat was not printed"
capture_window "$root/online.xwd"
cp "$root/online.xwd" "${TMPDIR:-/tmp}/online_race.xwd"

# The console online: "t" opens it; a chat line of 130 characters reaches the server as the
# input line's first 119, and "/sendfile" sends "outgoing/lap.bin" byte for byte, ending with
# its name.
mkdir -p "$home/Rutline/outgoing"
head -c 3000 /dev/urandom >"$home/Rutline/outgoing/lap.bin"
chat=$(printf 'Chat%03d...' $(seq 13))
# Each character once the game has taken the one before (a busy X server, sent a string, now
# and then swaps two keys); then the server's log tells.
send_keys t
type_text "$chat"
send_keys Return
for _ in $(seq 300); do grep -q '^chat Chat' "$root/server1/server.log" && break; sleep 0.1; done
type_text "/sendfile lap.bin"
send_keys Return
for _ in $(seq 600); do grep -q '^file ' "$root/server1/server.log" && break; sleep 0.1; done
grep -qxF "chat ${chat:0:119}" "$root/server1/server.log" ||
    { grep '^chat' "$root/server1/server.log" >&2; fail "the chat line did not reach the server as typed"; }
grep -qx 'file lap.bin 3000' "$root/server1/server.log" ||
    { grep '^file' "$root/server1/server.log" >&2; fail "the server got no lap.bin of 3000 bytes"; }
cmp -s "$home/Rutline/outgoing/lap.bin" "$root/server1/lap.bin" || fail "the file the server got is not lap.bin"
send_keys Escape
close_game
grep -qx disconnect "$root/server1/server.log" || fail "the server recorded no disconnect packet"

online_run "$root/server2" --fake-loss 30
close_game
echo "online race: ok"
