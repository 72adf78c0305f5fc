#!/usr/bin/env bash
# The whole program and its settings: bad options end it with code 1 before any window opens
# and without writing "@config"; a run writes "@config" at shutdown and the next run reads it
# back, so the file it writes is the same.
# Usage: options.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home

# The program ends at once without an installed track.
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

start_xvfb

# One run from start to an orderly shutdown through the window's close request.
run_once() {
    start_game "$@"
    wait_for_window
    loop_running
    close_game
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
