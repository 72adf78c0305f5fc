#!/usr/bin/env bash
# The setup and settings pages in the whole program, in a 640x480 window: Bike Setup, Suspension
# and Gearing, Advanced Stability Setup, Customize Controls (also while it waits for a key),
# Graphics/Sound Setup after start-up, after "Use Normal Settings" and after "Use High Detail
# Settings", and Advanced Graphics Setup match their references (the driver's strings left out).
# A click 10 px left of the "Stability" bar sets 0; Return on "Throttle" and the key q bind it;
# the settings written at shutdown hold both. A second run, full screen at 1280x720, shows Bike
# Setup, Suspension and Gearing and Graphics/Sound Setup as their wide references, then switches
# to "Windowed" and gets a 640x480 window.
# Usage: settings_pages.sh PATH-TO-RUTLINE [--remake]   (--remake writes the references instead)
set -uo pipefail
rutline=$1
remake=
[ "${2:-}" = "--remake" ] && remake=1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=40

start_xvfb
mkdir -p "$home/Rutline"
config=$home/Rutline/config
printf 'video_mode=Windowed\nxres=640\nyres=480\n' >"$config"
start_game
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
loop_running
shot=$root/shot.xwd

# The main menu's rows: Bike Setup is the sixth, Graphics/Sound Setup the seventh, Customize
# Controls the eighth.
send_keys Down Down Down Down Down Return
capture_window "$shot"
compare_with_reference "$shot" settings_bike_setup
send_keys Down Return
capture_window "$shot"
compare_with_reference "$shot" settings_suspension
send_keys Return Down Down Return
capture_window "$shot"
compare_with_reference "$shot" settings_stability
send_keys Return

# "Stability" on Bike Setup: the row from y 197 to 212, its bar from x 316 (15 px a layout
# unit; the bar starts 21.12 units in).
click_at 306 204

send_keys Escape Escape Down Down Down Down Down Down Down Return Down Return
capture_window "$shot"
compare_with_reference "$shot" settings_controls_watch
# The binding takes the key a quarter second of game time after it: the page changes then.
cp "$shot" "$root/watch.xwd"
send_keys q
capture_stable "$shot" "$root/watch.xwd"
compare_with_reference "$shot" settings_controls

# Graphics/Sound Setup; its last lines show the driver's own strings.
mask="0 378 639 479"
send_keys Escape Escape Down Down Down Down Down Down Return
capture_window "$shot"
compare_with_reference "$shot" settings_graphics
send_keys Down Down Down Down Return
capture_window "$shot"
compare_with_reference "$shot" settings_graphics_normal
send_keys Down Return
capture_window "$shot"
compare_with_reference "$shot" settings_graphics_custom
mask=
send_keys Up Up Up Up Return
capture_window "$shot"
compare_with_reference "$shot" settings_advanced_graphics
close_game

for line in stability=0.000000 roll_limit_angle=90.000000 restricted_lock=45.000000 ground_detail=90.000000; do
    grep -qx "$line" "$config" || fail "the settings lack $line"
done
# Keys are saved under the window system's own lower-case names.
grep -qx 'throttle_key=(k)q' "$config" || fail "the throttle is not bound to q: $(grep throttle_key "$config")"

# Full screen, then "Windowed" and "Switch To Selected Mode Now": the window of the settings.
printf 'video_mode=Default Fullscreen\nxres=640\nyres=480\n' >"$config"
start_game
wait_for_window
wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the second run did not finish starting"
loop_running
# Full screen on the 1280x720 display: Bike Setup, Suspension and Gearing and Graphics/Sound
# Setup at that size, every text inside its box.
send_keys Down Down Down Down Down Return
capture_window "$shot"
compare_with_reference "$shot" settings_bike_setup_1280
send_keys Down Return
capture_window "$shot"
compare_with_reference "$shot" settings_suspension_1280
send_keys Return Escape Escape Down Down Down Down Down Down Return
mask="0 567 1279 719"
capture_window "$shot"
compare_with_reference "$shot" settings_graphics_1280
mask=
send_keys Down Down Down Down Down Down Right Down Return
# The window system resizes the window after the game has asked.
for _ in $(seq 300); do
    geometry=$(xdotool getwindowgeometry "$window")
    echo "$geometry" | grep -q 'Geometry: 640x480' && break
    sleep 0.1
done
echo "$geometry" | grep -q 'Geometry: 640x480' || fail "the window did not become 640x480: $geometry"
close_game
grep -qx 'video_mode=Windowed' "$config" || fail "the chosen mode was not kept"
echo "settings_pages: ok"
