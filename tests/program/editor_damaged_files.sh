#!/usr/bin/env bash
# The track editor in the whole program over a track whose files were damaged by hand: a
# "timing_gates" with a lap of no switch point (which the race refuses), a "statues" file with a
# "nan" record among good ones, and an "edinfo" whose profile lies a billion units out.
# Gradient Edit mode draws that profile and the game goes on; 's' saves every file into the home
# folder but "timing_gates", which stays as it was (the log says so), and "statues" keeps every
# record after the damaged one; SIGTERM then ends the game with exit code 0.
# Usage: editor_damaged_files.sh PATH-TO-RUTLINE
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
make_temp_home home
# The fault this test looks for froze the frame loop, where SIGTERM is not heard: the cleanup
# of a failed run ends the game for good.
cleanup() {
    [ -n "${game_pid:-}" ] && kill -KILL "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$root"
}
fail_log_lines=60
start_xvfb

data=$root/data
link_content "$data"
track=$data/tracks/flat
make_track "$track" "Flat Out"
printf 'startinggate:\n[100 0 100] 0\ncheckpoints:\n4 [100 0 150] [4 0 0]\n4 [150 0 150] [4 0 0]\nfirstlap:\n100000 100001\nnormallap:\n0 1\n' \
    >"$track/timing_gates"
{
    printf '[120.000000 0.000000 120.000000] 0.000000 null null null\n'
    printf '[nan 0 120] 0 null null null\n'
    for x in 130 140 150; do printf '[%d.000000 0.000000 120.000000] 0.000000 null null null\n' "$x"; done
} >"$track/statues"
printf 'add_gradient 10 10 200 10\nadd_point 1 1000000000 5\nadd_point 1 1000000010 5\n' >"$track/edinfo"
before=$(cd "$data/tracks" && find . -type f -exec md5sum {} + | sort)
mkdir -p "$home/Rutline"
RL_HOME=$data start_game --editor --track tracks/flat --debug
wait_for_window
log=$home/Rutline/lastlog.txt
wait_for_log 'Max loading delay was' 150 || fail "the track did not finish loading"
grep -q "timing_gates could not be read whole" "$log" || fail "the refused timing_gates was not logged"
saved=$home/Rutline/tracks/flat

# Escape closes the menu, Tab turns to the editor, '8' is Gradient Edit with the read gradient
# selected: its profile graph is drawn in every frame from here on.
send_keys Escape Tab 8
editor_save
[ ! -e "$saved/timing_gates" ] || fail "the save wrote over the refused timing_gates: $(cat "$saved/timing_gates")"
grep -q "Kept 'timing_gates' as it was" "$log" || fail "the save did not say it kept timing_gates"
[ "$(grep -vc nan "$track/statues")" -eq 4 ] || fail "the fixture changed"
grep -v nan "$track/statues" | cmp -s - "$saved/statues" ||
    fail "statues after the damaged record were lost: $(cat "$saved/statues")"

kill -TERM "$game_pid"
for _ in $(seq 150); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "rutline still runs 15 s after SIGTERM"
wait "$game_pid"
code=$?
game_pid=
[ "$code" -eq 0 ] || { cat "$root/stderr" >&2; fail "exit code $code after SIGTERM"; }
after=$(cd "$data/tracks" && find . -type f -exec md5sum {} + | sort)
[ "$before" = "$after" ] || fail "the data folder changed"
echo "editor_damaged_files: ok"
