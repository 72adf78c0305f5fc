#!/usr/bin/env bash
# The track editor in the whole program: "--editor --track NAME" on a generated track in the data
# folder; Escape closes the menu and Tab turns to the editor. A left-button stroke held a few
# ticks at the window centre raises the ground there by 8 (Raise, Strength 3) and 's' saves into the home
# folder; Backspace and 's' save the old heights again; '7' and "New Gradient" save one gradient
# to "edinfo"; in Billboards mode a click selects the track billboard, a click away adds a copy
# and 'x' over it removes it; 'p' writes "track.pov". The data folder is never written.
# A capture of the editor view is kept as ${TMPDIR:-/tmp}/editor_view.png for a person to see.
# Usage: editor.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home home
fail_log_lines=60
start_xvfb

# The data folder: the game's generated content (links, so that its fonts draw the panel) and
# the generated track.
data=$root/data
link_content "$data"
make_track "$data/tracks/flat" "Flat Out"
before=$(cd "$data/tracks" && find . -type f -exec md5sum {} + | sort)
mkdir -p "$home/Rutline"
# A locked frame rate feeds each frame the same two ticks at any machine speed: a press held
# over an input mark lasts a few ticks, never the 32 after which a brush applies again.
RL_HOME=$data start_game --editor --track tracks/flat --debug --lock-fps 64
wait_for_window
log=$home/Rutline/lastlog.txt
wait_for_log 'Max loading delay was' 150 || fail "the track did not finish loading"
eval "$(xdotool getwindowgeometry --shell "$window")"
W=$WIDTH H=$HEIGHT
saved=$home/Rutline/tracks/flat

send_keys Escape Tab

# The window centre is the map centre: vertex (128, 128) of the 1.5-unit grid.
xdotool mousemove --window "$window" $((W / 2)) $((H / 2))
xdotool click 2
input_mark
xdotool mousedown 1
input_mark
xdotool mouseup 1
input_mark
editor_save
[ -f "$saved/terrain.hf" ] || fail "'s' saved no terrain.hf into the home folder"
python3 "$here/heights.py" "$saved" 128 128 40 >"$root/raised" || fail "could not read the saved heights"
# At zoom 1 the screen height spans 192 units; Radius 64 pixels is 64 * 192 / H units.
awk -v H="$H" '
    { d = sqrt(($1 - 128) ^ 2 + ($2 - 128) ^ 2) * 1.5; h = $3 + 0 }
    $1 == 128 && $2 == 128 { centre = h }
    h > 8.0002 { high = 1 }
    d > 64 * 192 / H + 1.5 && (h > 0.0002 || h < -0.0002) { outside = 1 }
    END { exit !(centre > 7.9998 && centre < 8.0002 && !high && !outside) }' "$root/raised" ||
    fail "the stroke did not raise the centre by 8 alone: $(awk '$1 == 128 && $2 == 128' "$root/raised")"
capture_window "$root/editor.xwd"
python3 "$here/picture.py" shrink "$root/editor.xwd" "${TMPDIR:-/tmp}/editor_view.png" 1 ||
    fail "could not keep the editor view"

send_keys BackSpace
editor_save
python3 "$here/heights.py" "$saved" 128 128 40 >"$root/undone" || fail "could not read the saved heights"
awk '{ if ($3 > 8 / 65535 || $3 < -8 / 65535) bad = 1 } END { exit bad }' "$root/undone" ||
    fail "Backspace did not bring the old heights back"

# Gradient Placement; "New Gradient" is the panel's 23rd row (rows every 1.5 of 64 units).
# Keys over a panel widget go to the widget: the pointer leaves the panel before the next key.
off_panel() {
    xdotool mousemove --window "$window" $((W - 20)) $((H - 20))
    xdotool click 2
    input_mark
}
unit=$(awk -v h="$H" 'BEGIN { print h / 64 }')
row() { awk -v u="$unit" -v r="$1" 'BEGIN { printf "%d %d", 10.5 * u, (1.5 * r + 0.5) * u }'; }
for _ in 1 2 3; do
    send_keys 7
    click_at $(row 22)
    off_panel
    editor_save
    [ -s "$saved/edinfo" ] && break
done
printf 'add_gradient 192.000000 192.000000 242.000000 192.000000\nadd_point 0 0.000000 0.000000\nadd_point 0 50.000000 0.000000\n' >"$root/edinfo"
cmp -s "$saved/edinfo" "$root/edinfo" || fail "edinfo holds: $(cat "$saved/edinfo")"

# Billboards: the "Billboards" button is row 13. The track billboard stands at (130, 130).
click_at $(row 12)
off_panel
on_map() { awk -v x="$1" -v z="$2" -v W="$W" -v H="$H" 'BEGIN { printf "%d %d", (x - 192) / 192 * H + W / 2 + 0.5, (z - 192) / 192 * H + H / 2 + 0.5 }'; }
click_at $(on_map 130 130)
click_at $(on_map 170 150)
editor_save
[ "$(wc -l <"$saved/billboards")" -eq 2 ] || fail "no copy saved: $(cat "$saved/billboards")"
grep -q '^\[1[67][0-9.]* 0.000000 1[45][0-9.]*\] 2.000000 4.000000 banner.png$' "$saved/billboards" ||
    fail "the copy is not where the click was: $(cat "$saved/billboards")"
xdotool mousemove --window "$window" $(on_map 170 150)
xdotool click 2
input_mark
send_keys x
editor_save
[ "$(cat "$saved/billboards")" = "[130.000000 0.000000 130.000000] 2.000000 4.000000 banner.png" ] ||
    fail "'x' did not remove the copy: $(cat "$saved/billboards")"
send_keys p   # the tick that takes the key writes the file
[ -s "$saved/track.pov" ] || fail "'p' wrote no track.pov"
grep -q '^#declare ground = height_field {$' "$saved/track.pov" || fail "track.pov has no ground"

close_game
after=$(cd "$data/tracks" && find . -type f -exec md5sum {} + | sort)
[ "$before" = "$after" ] || fail "the data folder changed"
echo "editor: ok (the editor view is kept as ${TMPDIR:-/tmp}/editor_view.png)"
