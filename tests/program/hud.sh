#!/usr/bin/env bash
# The HUD in the whole program. With "draw_time=1" in a 640x480 window, New Race, Start puts the
# player and five robots on the gates of the default track; paused before the gate drops
# ("--hidden-pause") the on-board view shows the pit board ("L1 P1", "+0.0"), "Time - 0:00.0",
# the tachometer with the gear, the lean indicator and the track map as in the reference
# hud_race_640.png (the console's message lines masked, since they tell of the loading). The
# same pause with "--hidden-hud" differs from it only where the HUD draws. A run at 1280x720
# matches its own wide reference, hud_race_1280.png. In a race of robots only, paused before the
# gate drops, Tab twice and the digit 1 show the first track camera with the timing tower and the
# green "Lap 1" board as in hud_track_camera.png; the tower's strip scrolls with the clock, so it
# is masked there and its cells are probed for their colours instead.
# Usage: hud.sh PATH-TO-RUTLINE; with remake=1 in the environment the references are written.
set -uo pipefail
rutline=$1
source "$(dirname "$0")/lib.bash"
find_closer
make_temp_home home
fail_log_lines=60

[ -f "$(dirname "$rutline")/ridgeback/terrain.hf" ] || fail "no generated default track beside $rutline"
start_xvfb

# race_try WIDTH HEIGHT OUT [OPTIONS...]: a fresh home, the race started from the menus and
# paused at once, the window captured into OUT. 1 when the menus lost a key and no race began.
race_try() {
    local width=$1 height=$2 out=$3
    shift 3
    rm -rf "$home"
    mkdir -p "$home/Rutline"
    printf '%s\n' "slot00=${first_slot:-Human}" slot01=Robot slot02=Robot slot03=Robot slot04=Robot slot05=Robot \
        track=ridgeback draw_time=1 video_mode=Windowed "xres=$width" "yres=$height" \
        render_texture=Software >"$home/Rutline/config"
    # The gate drops 13 s after the load: the race stops itself well before, 3 s in, once the
    # bikes have settled on their springs; then the ground composes.
    start_game --hidden-pause --pause-at 384 "$@"
    wait_for_window
    wait_for_log '^\[[0-9:.]+\] GL_EXTENSIONS' || fail "the game did not finish starting"
    input_mark   # the frame loop runs: the menus take keys
    send_keys Return Down Return
    if ! wait_for_log '^\[[0-9:.]+\] Resetting$' 30; then
        close_game
        return 1
    fi
    wait_for_log '^\[[0-9:.]+\] Max loading delay was ' 120 || fail "the race's load did not end"
    wait_paused 384
    [ -z "${after_pause:-}" ] || send_keys $after_pause
    # The message lines fade with the clock, paused or not (the comparison masks them); the tower
    # sets its own row.
    stable_from_row=${stable_from_row:-$((height * 9 / 50 + 1))} capture_stable "$out"
    close_game
}

# On a loaded machine the first menu key is now and then lost while the game starts: a few tries.
race_shot() {
    local attempt
    for attempt in 1 2 3; do
        race_try "$@" && return 0
        echo "hud: the menus lost a key; starting again" >&2
    done
    fail "New Race, Start did not reset the race in three tries"
}

race_shot 640 480 "$root/hud.xwd"
race_shot 640 480 "$root/plain.xwd" --hidden-hud
race_shot 1280 720 "$root/wide.xwd"
# The tower's strip, the top fortieth of the window, scrolls with the clock even while paused;
# the message lines are below it.
first_slot=Robot after_pause="Tab Tab 1" race_shot 640 480 "$root/tower.xwd"

python3 - "$here" "$root" "${remake:-}" <<'PY' || fail "the HUD pictures do not match (kept in ${TMPDIR:-/tmp}/hud_*.xwd)"
import shutil, sys, os
sys.path.insert(0, sys.argv[1])
import picture
here, root, remake = sys.argv[1], sys.argv[2], sys.argv[3]
F = 4   # references are shrunk to a quarter

def load(name):
    return picture.shrink_rows(*picture.read_picture(os.path.join(root, name)), F)

# Boxes as fractions of the window (x0, y0, x1, y1), top left first; h is the height in widths.
def boxes(w, h):
    a = h / w
    return {
        'messages': (0, 1 / 50, 0.8, 9 / 50),          # below the "Time" line
        'readouts': (0, 0, 0.3, 1 / 50 + 0.004),
        'pit board': (0, 1 - 0.27, 0.33 * a, 1),
        'instruments': (1 - 0.27 * a, 1 - 0.27, 1, 1),
        'map': (1 - 0.26 * a, 0, 1, 0.26),
        'lean': (0, 0.3, 1, 0.7),
    }

def inside(box, x, y, w, h):
    return box[0] * w <= x < box[2] * w and box[1] * h <= y < box[3] * h

def mean_diff(a, b, w, h, keep):
    total = n = 0
    for y in range(h):
        ra, rb = a[y], b[y]
        for x in range(w):
            if keep(x, y):
                total += sum(abs(ra[3 * x + c] - rb[3 * x + c]) for c in range(3))
                n += 3
    return total / n if n else 0

failed = []
for shot, ref in (('hud.xwd', 'hud_race_640.png'), ('wide.xwd', 'hud_race_1280.png')):
    w, h, rows = load(shot)
    b = boxes(w, h)
    for y in range(h):   # the message lines tell of the loading: blanked in both
        for x in range(w):
            if inside(b['messages'], x, y, w, h):
                rows[y][3 * x:3 * x + 3] = b'\0\0\0'
    path = os.path.join(here, ref)
    if remake:
        picture.write_png(path, w, h, rows)
        continue
    rw, rh, want = picture.read_png(path)
    if (rw, rh) != (w, h):
        failed.append('%s: size %dx%d, reference %dx%d' % (shot, w, h, rw, rh))
        continue
    whole = mean_diff(rows, want, w, h, lambda x, y: True)
    print('%s: mean difference %.2f per channel' % (shot, whole))
    if whole > 6:
        failed.append('%s differs from %s (%.2f)' % (shot, ref, whole))
    for name, most in (('readouts', 2), ('pit board', 10), ('instruments', 10), ('map', 10)):
        d = mean_diff(rows, want, w, h, lambda x, y: inside(b[name], x, y, w, h))
        print('%s: %s differs by %.2f' % (shot, name, d))
        if d > most:
            failed.append('%s: the %s differs from the reference (%.2f)' % (shot, name, d))

# The track camera: the tower's strip (the top fortieth of the window) is masked for the
# comparison; below it the lap board and the scene must match.
w, h, rows = load('tower.xwd')
full_w, full_h, full = picture.read_picture(os.path.join(root, 'tower.xwd'))
strip = full_h // 40 + 2
b = boxes(w, h)
for y in range(h):
    if y * F < strip:
        rows[y] = bytearray(len(rows[y]))
    for x in range(w):
        if inside(b['messages'], x, y, w, h):
            rows[y][3 * x:3 * x + 3] = b'\0\0\0'
path = os.path.join(here, 'hud_track_camera.png')
if remake:
    picture.write_png(path, w, h, rows)
else:
    rw, rh, want = picture.read_png(path)
    if (rw, rh) != (w, h):
        failed.append('tower.xwd: size %dx%d, reference %dx%d' % (w, h, rw, rh))
    else:
        whole = mean_diff(rows, want, w, h, lambda x, y: True)
        print('tower.xwd: mean difference %.2f per channel' % whole)
        if whole > 6:
            failed.append('tower.xwd differs from hud_track_camera.png (%.2f)' % whole)
# The strip's cells: black place cells, white number and name cells, at full size.
row = full[full_h // 80]
def shade(r, g, b):
    return 'black' if max(r, g, b) < 40 else 'white' if min(r, g, b) > 215 else 'other'
kinds = [shade(row[3 * x], row[3 * x + 1], row[3 * x + 2]) for x in range(full_w)]
for kind in ('black', 'white'):
    share = kinds.count(kind) / full_w
    print('tower strip: %.2f %s' % (share, kind))
    if share < 0.1:
        failed.append('the timing tower strip has too little %s (%.2f)' % (kind, share))
# The lap board at the top right is green with dark text.
bx0, bx1 = int(full_w - 4.5 * full_h / 40), int(full_w - 0.5 * full_h / 40)
by = int(1.5 * full_h / 40)
board = [full[y][3 * x:3 * x + 3] for y in range(by - 3, by + 4) for x in range(bx0, bx1)]
green = sum(1 for p in board if p[1] > 120 and p[1] > p[0] + 60 and p[1] > p[2] + 60) / len(board)
print('lap board: %.2f green' % green)
if green < 0.5:
    failed.append('no green lap board at the top right (%.2f green)' % green)

# Without the HUD the view is the same outside the HUD's places, and plainly different in them.
w, h, hud = load('hud.xwd')
_, _, plain = load('plain.xwd')
b = boxes(w, h)
hud_places = [b[k] for k in ('messages', 'readouts', 'pit board', 'instruments', 'map', 'lean')]
outside = mean_diff(hud, plain, w, h, lambda x, y: not any(inside(k, x, y, w, h) for k in hud_places))
print('--hidden-hud: %.2f outside the HUD' % outside)
if outside > 3:
    failed.append('--hidden-hud changes the view outside the HUD (%.2f)' % outside)
# Thin lines and small text change less of their box than the boards do.
for name, least in (('pit board', 30), ('instruments', 20), ('map', 2), ('readouts', 1.5)):
    d = mean_diff(hud, plain, w, h, lambda x, y: inside(b[name], x, y, w, h))
    print('--hidden-hud: the %s place differs by %.2f' % (name, d))
    if d < least:
        failed.append('--hidden-hud: nothing drawn in the %s place (%.2f)' % (name, d))

for f in failed:
    print('FAIL: ' + f)
if failed:
    for name in ('hud.xwd', 'plain.xwd', 'wide.xwd', 'tower.xwd'):
        shutil.copy(os.path.join(root, name), os.path.join(os.environ.get('TMPDIR', '/tmp'), 'hud_' + name))
sys.exit(1 if failed else 0)
PY
echo "hud: ok"
