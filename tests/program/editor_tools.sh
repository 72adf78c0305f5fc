#!/usr/bin/env bash
# The track editor's tools in the whole program, one editor session on a generated track with
# two plain tiles and a transition, and one decal; every step ends with 's' and a look at the
# saved files in the home folder:
#   a raised bump is lowered at its peak by a Smooth stroke ('1'), and Backspace saves the bump
#   as first saved again;
#   a new gradient whose last profile point is dragged 10 up in Gradient Edit ('8'), painted
#   along its line in Gradient Linear Paint ('3'), leaves the ground on the profile's ramp;
#   a gate dragged in Timing Gate mode ('9') and "Clear AI Switch Point" change "timing_gates";
#   'x' on a start gate's statue changes nothing, 'd' adds one "statues" line;
#   a Tilemap Edit click changes "tilemap" only within the brush and the ring it repairs;
#   a click in Decals mode adds one "decals" line.
# Usage: editor_tools.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home home
fail_log_lines=60
start_xvfb

data=$root/data
link_content "$data"
track=$data/tracks/tools
make_track "$track" "Tools"
# Dirt and sand, and the dirt tile with sand on its -x corners (the right neighbour's blend).
printf 'texture dirt.png\naddtile\ntexture sand.png\naddtile\ntexture dirt-sand-1010.png\naddtile\n' >"$track/tileinfo"
printf '[150 110] 0 2 1 mark.png\n' >"$track/decals"
mkdir -p "$home/Rutline"
# A locked frame rate feeds each frame the same two ticks at any machine speed: a press held
# over one input mark lasts a few ticks, never the 32 after which a brush applies again.
RL_HOME=$data start_game --editor --track tracks/tools --lock-fps 64
wait_for_window
wait_for_log 'Max loading delay was' 60 || fail "the track did not finish loading"
eval "$(xdotool getwindowgeometry --shell "$window")"
W=$WIDTH H=$HEIGHT
saved=$home/Rutline/tracks/tools

# Screen point of a map point: the view is centred on (192, 192) and spans 192 units at zoom 1.
on_map() { awk -v x="$1" -v z="$2" -v W="$W" -v H="$H" 'BEGIN { printf "%d %d", (x - 192) / 192 * H + W / 2 + 0.5, (z - 192) / 192 * H + H / 2 + 0.5 }'; }
# The pointer to a map point, reported to the game by a middle click (no mode answers it).
point_at() {
    xdotool mousemove --window "$window" $(on_map "$1" "$2")
    xdotool click 2
    input_mark
}
unit=$(awk -v h="$H" 'BEGIN { print h / 64 }')
row() { awk -v u="$unit" -v r="$1" 'BEGIN { printf "%d %d", 10.5 * u, (1.5 * r + 0.5) * u }'; }
# A panel row, then the pointer back over the map so that keys reach the key table. The left
# click goes once a frame has read the pointer over the row.
panel() {
    xdotool mousemove --window "$window" $(row "$1")
    xdotool click 2
    input_mark
    xdotool click 1
    input_mark
    point_at 300 300
}
# With the left button held, the pointer to a map point; the middle click reports the warped
# pointer to the game.
drag_to() {
    xdotool mousemove --window "$window" $(on_map "$1" "$2")
    xdotool click 2
    input_mark
}
# A short press of the left button: held over a few ticks, so the tool applies once.
stroke() {
    xdotool mousedown 1
    input_mark
    xdotool mouseup 1
    input_mark
}
heights() { python3 "$here/heights.py" "$saved" "$@" || fail "could not read the saved heights"; }

send_keys Escape Tab

# ---- Smooth and undo ----
point_at 192 192
stroke
editor_save
heights 128 128 12 >"$root/bump"
peak=$(awk '$1 == 128 && $2 == 128 { print $3 }' "$root/bump")
awk -v p="$peak" 'BEGIN { exit !(p > 7.99 && p < 8.01) }' || fail "the bump's peak is $peak, not 8"
send_keys 1
point_at 192 192
stroke
editor_save
smoothed=$(heights 128 128 0 | awk '{ print $3 }')
awk -v p="$smoothed" 'BEGIN { exit !(p < 7.9 && p > 1) }' || fail "Smooth left the peak at $smoothed"
send_keys BackSpace
editor_save
heights 128 128 12 >"$root/undone"
cmp -s "$root/bump" "$root/undone" || fail "Backspace did not bring the bump back as saved"

# ---- a gradient ramp ----
send_keys 7
panel 22   # "New Gradient": (192, 192) to (242, 192), flat
send_keys 8
point_at 242 192   # the last profile point
xdotool mousedown 1
input_mark
drag_to 242 182
xdotool mouseup 1
input_mark
send_keys 3
point_at 192 192
send_keys l
point_at 242 192
stroke
editor_save
grep -qE '^add_point 0 50\.0+ (9\.[6-9]|10\.[0-3])[0-9]*$' "$saved/edinfo" ||
    fail "the last profile point is not 10 up: $(cat "$saved/edinfo")"
top=$(awk '/^add_point/ { h = $4 } END { print h }' "$saved/edinfo")
x0=$(awk '/^add_gradient/ { print $2 }' "$saved/edinfo")
heights 145 128 17 | awk -v top="$top" -v x0="$x0" '
    $2 == 128 && $1 >= 128 && $1 <= 161 { a = $1 * 1.5 - x0; if (a < 0) a = 0; want = a / 50 * top; d = $3 - want
        if (d > 0.01 || d < -0.01) { bad = bad " " $1 ":" $3 "/" want } }
    END { if (bad) { print bad; exit 1 } }' >"$root/ramp" || fail "off the ramp at$(cat "$root/ramp")"

# ---- a gate and its switch point ----
send_keys 9
point_at 100 150   # gate 0's position
xdotool mousedown 1
input_mark
drag_to 110 160
xdotool mouseup 1
input_mark
panel 24   # "Clear AI Switch Point" (under the switch-point line)
editor_save
awk '
    /^checkpoints:/ { section = "gates"; next } /^firstlap:/ { section = "first"; next }
    /^normallap:/ { section = "normal"; next } /^startinggate:/ { section = "start"; next }
    section == "gates" { gates[++n] = $0 }
    section == "first" || section == "normal" { for (i = 1; i <= NF; ++i) laps = laps " " $i }
    END {
        if (n != 2 || gates[2] != "4.000000 [150.000000 0.000000 150.000000] [4.000000 0.000000 0.000000]") exit 1
        if (gates[1] !~ /^4\.000000 \[1(09\.[6-9]|10\.[0-3])[0-9]* 0\.000000 1(59\.[6-9]|60\.[0-3])[0-9]*\] \[4\.000000 0\.000000 0\.000000\]$/) exit 1
        if (laps != " 100000 1 100000 1") exit 1
    }' "$saved/timing_gates" || fail "timing_gates holds: $(cat "$saved/timing_gates")"
cp "$saved/timing_gates" "$root/gates"

# ---- statues ----
panel 13   # "Statues"
point_at 100 97   # the start gate's statue
send_keys x
point_at 120 120   # the track's own statue
stroke
point_at 126 120
send_keys d
editor_save
cmp -s "$saved/timing_gates" "$root/gates" || fail "'x' changed timing_gates: $(cat "$saved/timing_gates")"
# The click on the track's statue takes it by its centre and may move it by the pointer's rounding.
near120='1(19\.[6-9]|20\.[0-3])[0-9]*'
[ "$(wc -l <"$saved/statues")" -eq 2 ] &&
    sed -n 1p "$saved/statues" | grep -qE "^\[$near120 0\.000000 $near120\] 0\.000000 null null null\$" &&
    sed -n 2p "$saved/statues" | grep -qE "^\[12[56]\.[0-9]+ 0\.000000 $near120\] 0\.000000 null null null\$" ||
    fail "statues holds: $(cat "$saved/statues")"

# ---- tiles ----
panel 14   # "Tilemap Edit"; the Tile slider starts on sand (1)
point_at 240 240
stroke
editor_save
# Map cell (u, w) has its centre at ((2u + 1) * 1.5, (2w + 1) * 1.5); the brush is 64 pixels.
python3 - "$saved/tilemap" "$H" <<'EOF' || fail "the tile stroke changed the wrong cells"
import math, sys
cells = open(sys.argv[1], 'rb').read()
radius = 64 * 192 / float(sys.argv[2])
painted = ring = 0
for w in range(128):
    for u in range(128):
        v = cells[w * 128 + u]
        d = math.hypot((2 * u + 1) * 1.5 - 240, (2 * w + 1) * 1.5 - 240)
        if d <= radius - 0.5:
            assert v == 1, (u, w, v)
            painted += 1
        elif v == 2:
            ring += 1
            assert d <= radius + 3 * 1.5 * math.sqrt(2) + 0.5, (u, w, d)
        else:
            assert v == 0 or d <= radius + 0.5, (u, w, v, d)
assert painted > 60 and ring > 3, (painted, ring)
EOF

# ---- decals ----
panel 15   # "Decals"
point_at 170 110
stroke
editor_save
[ "$(wc -l <"$saved/decals")" -eq 2 ] && grep -q '^\[150.000000 110.000000\] 0.000000 2.000000 1.000000 mark.png$' "$saved/decals" &&
    grep -qE '^\[1(69|70)\.[0-9]+ 1(09|10)\.[0-9]+\] .* 2\.000000 1\.000000 mark\.png$' "$saved/decals" ||
    fail "decals holds: $(cat "$saved/decals")"

close_game
echo "editor_tools: ok"
