#!/usr/bin/env bash
# The world as the player sees it, against references: on the practice track in a 640x480
# window, the race stopped 4 s in ("--pause-at"), before the gate drops, the on-board view shows sky,
# ground, statues, billboards, the starter, the front of the bike and the low sun's flare; Tab
# gives the chase view of the rider on the bike. With "lens_flare=No" the on-board frame matches
# its own reference and differs from the first only around the flare. A 1280x720 window checks
# the wide projection. The idling rider still sways by a fraction of a pixel between runs: the
# on-board frames allow channels 8 apart. On the default track, the first run's own settings (the
# generated "config" beside the program) in a wide window show on board at the gate the gloves on
# the grips at either side with the bars between them, and straight ahead with no look down the
# open sky, its clouds running on over the sky box's edges without a seam.
# Usage: scene_views.sh PATH-TO-RUTLINE [--remake]   (--remake writes the references instead)
set -uo pipefail
rutline=$1
remake=
[ "${2:-}" = "--remake" ] && remake=1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=40

[ -f "$(dirname "$rutline")/ridgeback-practice/terrain.hf" ] || fail "no generated practice track beside $rutline"
first_run_config=$(dirname "$rutline")/config
[ -f "$first_run_config" ] || fail "no generated starting config beside $rutline"
start_xvfb
mkdir -p "$home/Rutline"

# Starts the practice race (or the track named by track) with the settings given (one per
# argument), waits for its load, closes the start-up menu and pauses the race before the gate
# drops (5 s of race time).
race_paused() {
    printf '%s\n' video_mode=Windowed "$@" >"$home/Rutline/config"
    rm -f "$home/Rutline/lastlog.txt"
    # The bike settles on its springs for the first seconds of the race: the race stops itself
    # at 4 s (the gate drops at 5 s), the same pose on every run at any frame rate.
    start_game --track "${track:-ridgeback-practice}" --hidden-hud --hidden-pause --pause-at 512
    wait_for_window
    wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the race's load did not end"
    expect_llvmpipe
    capture_window "$root/title.xwd"
    send_keys Escape
    wait_paused 512
}

shot=$root/shot.xwd
race_paused xres=640 yres=480
capture_stable "$shot" "$root/title.xwd"
compare_pixels_with_reference "$shot" scene_onboard slack=8
cp "$shot" "$root/flare.xwd"
send_keys Tab
capture_stable "$shot" "$root/flare.xwd"
compare_pixels_with_reference "$shot" scene_chase
close_game

race_paused xres=640 yres=480 lens_flare=No
capture_stable "$shot" "$root/title.xwd"
compare_pixels_with_reference "$shot" scene_onboard_no_flare slack=8
close_game
# The flare lies along the line from the sun, straight ahead and low, through the middle.
if [ -z "$remake" ]; then
    python3 "$here/picture.py" differs "$root/flare.xwd" "$shot" 4 50,10,110,100 ||
        fail "the frames with and without the flare differ elsewhere than around it"
fi

race_paused xres=1280 yres=720
capture_stable "$shot" "$root/title.xwd"
compare_pixels_with_reference "$shot" scene_onboard_wide slack=8
close_game

mapfile -t first_run <"$first_run_config"
track=ridgeback race_paused "${first_run[@]}" xres=1280 yres=720
capture_stable "$shot" "$root/title.xwd"
compare_pixels_with_reference "$shot" scene_onboard_first_run slack=8
close_game

track=ridgeback race_paused xres=1280 yres=720
capture_stable "$shot" "$root/title.xwd"
compare_pixels_with_reference "$shot" scene_onboard_sky slack=8
close_game
echo "scene_views: ok"
