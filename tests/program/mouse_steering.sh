#!/usr/bin/env bash
# Steering with the mouse in the whole game. With every input device asked for
# ("[dinputsticksonly:off]") and Left and Right bound to "mouse-x" in the settings, New Race,
# Start puts the player at the gate; the pointer, moved by xdotool over the window as a hand
# would move it, turns the bars right and then left while the field waits for the gate. The
# demo kept at the close records every rider's steering angle: before the gate drops only the
# player's controls act (the robots' bars stay within a step of straight), so some rider's bars
# must have turned to both sides.
# Usage: mouse_steering.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=60

generated=$(dirname "$rutline")/config
[ -f "$generated" ] || fail "no generated starting config beside $rutline"
start_xvfb
mkdir -p "$home/Rutline"
# Two pixels of motion in one tick steer fully.
grep -vE '^(record|left_key|right_key)=' "$generated" >"$home/Rutline/config"
cat >>"$home/Rutline/config" <<'CFG'
record=Yes
left_key=(0,-0.000061)mouse-x
right_key=(0,0.000061)mouse-x
CFG

KUBL_OPTIONS='[dinputsticksonly:off]' start_game --hidden-hud --hidden-pause
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
grep -qE '^\[[0-9:.]+\] Mouse \(Mouse\)$' "$home/Rutline/lastlog.txt" || fail "no mouse device"
# The pointer waits at the top middle of the window, above the menu's rows; once the race is up
# it drops straight down to the middle, a move that steers neither way.
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" -ge 640 ] || fail "the window is only $WIDTH pixels wide"
xdotool mousemove --window "$window" $((WIDTH / 2)) 2
sleep 3
send_keys Return Down Return
wait_for_log '^\[[0-9:.]+\] Resetting$' 60 || fail "New Race, Start did not reset the race"
wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the race's load did not end"
sleep 1
xdotool mousemove_relative -- 0 $((HEIGHT / 2))

# From the middle of the window, steady motion right for 1.2 s, then left for twice as long (the
# bars come back first): two pixels every 10 ms, in one xdotool run per way so that the motion
# keeps up with the ticks.
steady() {
    local args=() i
    for i in $(seq "$2"); do args+=(mousemove_relative -- "$1" 0 sleep 0.01); done
    xdotool "${args[@]}"
}
steady 2 120
steady -2 240
sleep 1
close_game

demo=$home/Rutline/demos/default.rldemo
[ -s "$demo" ] || fail "no demo was kept"
python3 - "$demo" <<'PY' || fail "no rider's bars turned both ways before the start"
import struct, sys
data = open(sys.argv[1], "rb").read()
lines = data.split(b"\n")
head = lines[0].split()
riders, start = int(head[1]), int(head[4])
at = len(lines[0]) + 1 + len(lines[1]) + 1
for _ in range(riders):   # four lines per rider: textures, number, name, an empty line
    for _ in range(4):
        at = data.index(b"\n", at) + 1
low, high = [255] * riders, [0] * riders
previous = 0
while at + 9 <= len(data):   # packets: length XOR the previous length, tick, type, payload
    xored, _, kind = struct.unpack_from("<IiB", data, at)
    length = xored ^ previous
    previous = length
    payload = data[at + 9:at + 9 + length]
    at += 9 + length
    if kind != 1:
        continue
    for r in range(0, len(payload) - 43, 44):   # ordinal, tick, 39-byte frame
        ordinal, stamp = struct.unpack_from("<Bi", payload, r)
        if ordinal < riders and stamp < start:
            steer = payload[r + 5 + 17]   # the steering angle, -pi/4 .. pi/4 in 0..255
            low[ordinal] = min(low[ordinal], steer)
            high[ordinal] = max(high[ordinal], steer)
print("steering bytes before the start, per rider:", list(zip(low, high)))
centre = 128   # one step is 0.35 degrees
sys.exit(0 if any(l <= centre - 6 and h >= centre + 6 for l, h in zip(low, high)) else 1)
PY
