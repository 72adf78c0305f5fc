#!/usr/bin/env bash
# The console in the whole program. With "--track" on a small generated track, the race paused:
# Esc closes the menu, "t" opens the console and the lines are typed. "/togglefps" logs "FPS
# display ON" and the FPS readout appears at the top left once the console is closed; Up and
# Enter run it again ("FPS display OFF"). "/readsetup ../../x" says "Error reading setup" and
# the file out there changes nothing; "/writesetup mine" writes "setups/mine" with the 57 setup
# lines and "/readsetup mine" says "Setup updated". "/camangle 90 10", "/addkey" and
# "/writekeys fly" write one keyframe line to "keycam/fly"; "/savetrackinfo" writes the track's
# info with the digest of its files; offline a chat line says "Not connected to server" and a
# second within 2 s "No one likes a spammer".
# Usage: console.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home home
fail_log_lines=40
start_xvfb

game=$home/Rutline
gate_shape=$(cd "$(dirname "$rutline")" && pwd)/startgate.shp
[ -f "$gate_shape" ] || fail "no generated start gate shape beside $rutline"
log=$game/lastlog.txt
make_track "$game/tracks/flat" "Flat Out"
# No message lines on the HUD, so the top left shows the readouts alone.
printf '%s\n' video_mode=Windowed xres=640 yres=480 render_texture=Software message_lines=0 >"$game/config"
# What a climbing setup name would reach: it must not be read.
printf 'name=Escaped\n' >"$home/x"

start_game --track tracks/flat --hidden-pause
wait_for_window
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 60 || fail "the track did not load"

# A line typed into the console and Enter, each key once the game has taken the one before (a
# busy machine may lag the window's events behind xdotool); then its answer in the log.
say() {
    type_text "$1"
    send_keys Return
}
expect_log() {
    wait_for_log "^\[[0-9:.]+\] $1\$" 10 || fail "no '$1' in the log"
}

send_keys Escape Pause
capture_window "$root/before.xwd"
send_keys t
say /togglefps
expect_log 'FPS display ON'
send_keys Escape
# The readout's number changes from frame to frame: one capture, not a stable one.
capture_window "$root/after.xwd"
python3 "$here/picture.py" differs "$root/before.xwd" "$root/after.xwd" 1 0,0,200,16 ||
    fail "the FPS readout did not appear at the top left alone"

send_keys t Up Return
expect_log 'FPS display OFF'

say '/readsetup ../../x'
expect_log 'Error reading setup'
say '/writesetup mine'
expect_log 'Setup written'
[ "$(wc -l <"$game/setups/mine")" -eq 57 ] || fail "setups/mine does not hold 57 lines"
grep -qx 'name=Escaped' "$game/setups/mine" && fail "the setup was read from outside the setups folder"
say '/readsetup mine'
expect_log 'Setup updated'

say '/camangle 90 10'
expect_log 'Camera aimed'
say /addkey
expect_log 'Keyframe added'
say '/writekeys fly'
expect_log 'Camera keys saved'
grep -qxE -- '-?[0-9]+\.[0-9]{4} -?[0-9]+\.[0-9]{4} -?[0-9]+\.[0-9]{4} 0\.0616 0\.7044 -0\.0616 0\.7044 [0-9]+\.[0-9]{2} -?[0-9]+' \
    "$game/keycam/fly" || { cat "$game/keycam/fly" >&2; fail "keycam/fly is not the keyframe of yaw 90, pitch 10"; }
[ "$(wc -l <"$game/keycam/fly")" -eq 1 ] || fail "keycam/fly does not hold one line"

say /savetrackinfo
expect_log 'Track info saved to tracks/flat.trackinfo'
# The loader's digest: the track's ground, gate and statue files, then the shape of the start
# gate statues that the gates put up (from the game's data folder).
digest=$(cd "$game/tracks/flat" && python3 -c '
import hashlib, sys
h = hashlib.new("ripemd160")
for name in ("terrain.hf", "tilemap", "tileinfo", "timing_gates", "statues", sys.argv[1]):
    h.update(open(name, "rb").read())
print(h.hexdigest())' "$gate_shape")
want=$(printf 'dir=tracks/flat\nlongname=Flat Out\nfirstlap=2\nnormallap=2\ngatecount=1\nhash=%s' "$digest")
[ "$(cat "$game/tracks/flat.trackinfo")" = "$want" ] ||
    { cat "$game/tracks/flat.trackinfo" >&2; fail "the track info is not the track's"; }

say hi
expect_log 'Not connected to server'
say yo   # within 2 s of the first
expect_log 'No one likes a spammer'
close_game
echo "console: ok"
