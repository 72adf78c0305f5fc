#!/usr/bin/env bash
# The whole program and its settings: bad options end it with code 1 before any window opens
# and without writing "@config"; a run writes "@config" at shutdown and the next run reads it
# back, so the file it writes is the same.
# Usage: options.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
closer=${X11_CLOSE:-$(dirname "$0")/x11_close}
[ -x "$closer" ] || closer=$(cd "$(dirname "$rutline")/.." && pwd)/tests/x11_close
home=$(mktemp -d)
fail() { echo "FAIL: $*" >&2; [ -f "$home/Rutline/lastlog.txt" ] && cat "$home/Rutline/lastlog.txt" >&2; exit 1; }

xvfb_pid=
cleanup() {
    [ -n "${game_pid:-}" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$home"
}
trap cleanup EXIT

# The program ends at once without an installed track.
source "$(dirname "$0")/track_folder.bash"
make_track "$home/Rutline/tracks/plain"

# Bad options: message, exit code, no settings file.
check_bad() {
    local want=$1; shift
    XDG_DATA_HOME=$home "$rutline" "$@" >"$home/stdout" 2>"$home/stderr"
    local code=$?
    [ "$code" -eq 1 ] || fail "$* gave exit code $code"
    grep -qxF "$want" "$home/stderr" || { cat "$home/stderr" >&2; fail "$* did not say: $want"; }
    [ ! -e "$home/Rutline/config" ] || fail "$* wrote the settings file"
}
check_bad "bad option '--bogus'" --bogus
check_bad "Bad arg for --erode" --erode x
check_bad "Bad arg for --erode" --erode
check_bad "Too many files!" one.rldemo two.rldemo

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 120); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=:$n
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        break
    done
fi

# One run from start to an orderly shutdown through the window's close request.
run_once() {
    XDG_DATA_HOME=$home "$rutline" "$@" >"$home/stdout" 2>"$home/stderr" &
    game_pid=$!
    timeout 30 xdotool search --sync --name '^Rutline$' >/dev/null || fail "no window named Rutline"
    sleep 1
    "$closer" Rutline || fail "could not send the close request"
    for _ in $(seq 150); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$game_pid" 2>/dev/null && fail "rutline still runs 15 s after the close request"
    wait "$game_pid"
    local code=$?
    game_pid=
    [ "$code" -eq 0 ] || { cat "$home/stderr" >&2; fail "exit code $code"; }
}

mkdir -p "$home/Rutline"
printf 'laps=7\nskill=Expert\nname=Sam Berm\nthrottle_key=(k)q\nstep_key=(-1,1)joy0-x\nmessage_lines=5000\n' \
    >"$home/Rutline/config"
run_once --width 800
config=$home/Rutline/config
[ -f "$config" ] || fail "no settings file after the first run"
for line in 'laps=7.000000' 'skill=Expert' 'name=Sam Berm' 'throttle_key=(k)q' \
            'step_key=(-1.000000,1.000000)joy0-x' 'message_lines=1000' 'xres=800'; do
    grep -qxF "$line" "$config" || { cat "$config" >&2; fail "the settings file lacks: $line"; }
done
[ ! -e "$home/Rutline/config.tmp" ] || fail "the temporary settings file was left behind"
cp "$config" "$home/first"
run_once
cmp -s "$home/first" "$config" || { diff "$home/first" "$config" >&2; fail "the second run changed the settings file"; }
echo "options: ok"
