#!/usr/bin/env bash
# The whole program: start-up probes the real OpenGL context and logs what the driver said,
# then "Deleting textures" comes at shutdown.
# Usage: gl_probe_log.sh PATH-TO-RUTLINE (x11_close is found beside the test build).
set -uo pipefail
rutline=$1
closer=${X11_CLOSE:-$(dirname "$0")/x11_close}
[ -x "$closer" ] || closer=$(cd "$(dirname "$rutline")/.." && pwd)/tests/x11_close
fail() { echo "FAIL: $*" >&2; [ -f "$home/Rutline/lastlog.txt" ] && cat "$home/Rutline/lastlog.txt" >&2; exit 1; }

home=$(mktemp -d)
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

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 121 150); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=:$n
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        break
    done
fi

XDG_DATA_HOME=$home "$rutline" >"$home/stdout" 2>"$home/stderr" &
game_pid=$!
timeout 30 xdotool search --sync --name '^Rutline$' >/dev/null || fail "no window named Rutline"
sleep 1
"$closer" Rutline || fail "could not send the close request"
for _ in $(seq 150); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "rutline still runs 15 s after the close request"
wait "$game_pid"
code=$?
game_pid=
[ "$code" -eq 0 ] || { cat "$home/stderr" >&2; fail "exit code $code"; }

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
