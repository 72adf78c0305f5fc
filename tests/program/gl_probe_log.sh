#!/usr/bin/env bash
# The whole program: start-up probes the real OpenGL context and logs what the driver said,
# then "Deleting textures" comes at shutdown.
# Usage: gl_probe_log.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
source "$here/track_folder.bash"
find_closer
make_temp_home

# The program ends at once without an installed track.
make_track "$home/Rutline/tracks/plain"

start_xvfb 121 150
start_game
wait_for_window
loop_running
close_game

log=$home/Rutline/lastlog.txt
[ -f "$log" ] || fail "no lastlog.txt in the home folder"
stamp='^\[[0-9]+:[0-9]{2}:[0-9]{2}\.[0-9]{2}\] '
for key in GL_VENDOR GL_RENDERER GL_VERSION GL_EXTENSIONS; do
    grep -qE "${stamp}${key}: [^ ].*\$" "$log" || fail "no $key line"
    grep -qE "${stamp}${key}: NULL\$" "$log" && fail "$key came back empty from a real context"
done
grep -qE "${stamp}GL_VERSION: [0-9]+\.[0-9]+" "$log" || fail "GL_VERSION has no major.minor"
# A compatibility context lists its extensions in one string, multitexturing among them.
if grep -qE "${stamp}GL_EXTENSIONS: .*GL_ARB_multitexture( |\$)" "$log"; then
    grep -qE "${stamp}[0-9]+ texture units\$" "$log" || fail "no texture unit line"
fi
grep -qE "${stamp}Deleting textures\$" "$log" || fail "no Deleting textures line"
echo "gl_probe_log: ok"
