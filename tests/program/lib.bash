# Sourced by the whole-program tests, after they set rutline to the program under test: the
# temporary home, the X server, starting rutline and closing it through its window.
here=$(cd "$(dirname "$0")" && pwd)

# llvmpipe draws the same frame the same way only with a fixed vector width; the references were
# drawn with this one.
export LP_NATIVE_VECTOR_WIDTH=128
# No error box waits for a click that never comes: the reason is on standard error and in the
# log. (The test build sets this for every test; a script run by hand sets it here.)
export RL_NO_MESSAGE_BOX=1
# A sanitized build reports the system libraries' leaks at exit (as the test build's settings do).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

# The x11_close helper: X11_CLOSE, beside these scripts, or in the test build beside rutline.
find_closer() {
    closer=${X11_CLOSE:-$here/x11_close}
    [ -x "$closer" ] || closer=$(cd "$(dirname "$rutline")/.." && pwd)/tests/x11_close
}

# Ends the test with the reason and the game's log; only its last fail_log_lines lines when set.
fail() {
    echo "FAIL: $*" >&2
    if [ -f "$home/Rutline/lastlog.txt" ]; then
        if [ -n "${fail_log_lines:-}" ]; then
            tail -n "$fail_log_lines" "$home/Rutline/lastlog.txt" >&2
        else
            cat "$home/Rutline/lastlog.txt" >&2
        fi
    fi
    exit 1
}

# root is a new temporary folder, removed on exit with a running rutline and our own Xvfb; home
# is root itself, or root/SUBFOLDER (which the caller creates) when one is named.
make_temp_home() {
    root=$(mktemp -d)
    home=$root${1:+/$1}
    xvfb_pid=
    game_pid=
    trap cleanup EXIT
}

cleanup() {
    [ -n "${game_pid:-}" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$root"
}

# Without a DISPLAY, starts Xvfb on the first free display in FIRST..LAST (90..120).
start_xvfb() {
    [ -z "${DISPLAY:-}" ] || return 0
    local n
    for n in $(seq "${1:-90}" "${2:-120}"); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=:$n
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        break
    done
}

# Starts rutline in the background on the temporary home with ARGS; its output goes to
# root/stdout and root/stderr. Settings for it alone may precede the call (RL_HOME=... start_game).
start_game() {
    XDG_DATA_HOME=$home "$rutline" "$@" >"$root/stdout" 2>"$root/stderr" &
    game_pid=$!
    marks=0
}

# Waits until the game has handled every input sent to it so far and read the pointer since:
# SIGUSR1 asks the game for the log line "Input mark N", which it writes after the tick that
# takes the last of that input. Keys sent after it come in a later frame than the ones before.
# ground_composing is 1 when the line said the ground around the eye was still being made.
input_mark() {
    marks=$((marks + 1))
    kill -USR1 "$game_pid" 2>/dev/null || fail "rutline ended before input mark $marks"
    wait_for_log "^\[[0-9:.]+\] Input mark $marks(, ground composing)?\$" 100 ||
        fail "the game did not answer input mark $marks"
    ground_composing=0
    grep -qE "^\[[0-9:.]+\] Input mark $marks, ground composing\$" "$home/Rutline/lastlog.txt" &&
        ground_composing=1
}

# Waits until the frame loop has run frames with ticks in them (after the start-up's load).
loop_running() {
    input_mark
    input_mark
}

# Waits until a frame drawn after every input sent so far, with the ground around the eye
# composed, is on the window: marks until one finds the ground made, then one more for the
# frame drawn after it. A view that keeps moving may keep the composer busy: after 300 marks
# the frame is taken as it is.
frame_drawn() {
    local n=0
    input_mark
    while [ "$ground_composing" = 1 ] && [ $((n += 1)) -le 300 ]; do input_mark; done
    input_mark
}

# Waits for the race to stop itself at TICK ("--pause-at"), up to SECONDS (default 300).
wait_paused() {
    wait_for_log "^\[[0-9:.]+\] Paused at tick $1( \(the race is at tick [0-9]+\))?\$" "${2:-300}" ||
        fail "the race did not pause at tick $1"
}

# Lets the paused race run on, with what keys are held now, to its next "--pause-at" TICK; up to
# SECONDS (default 300).
ride_to() {
    xdotool key Pause
    wait_paused "$1" "${2:-300}"
}

# Waits up to 30 s times RL_TEST_PATIENCE for the game's window; window is its X id.
wait_for_window() {
    window=$(timeout $((30 * ${RL_TEST_PATIENCE:-3})) xdotool search --sync --name '^Rutline$' | head -n 1)
    [ -n "$window" ] || fail "no window named Rutline"
}

# Closes the window as a window manager's close button does; rutline must end within 15 s
# (times RL_TEST_PATIENCE) with exit code 0.
close_game() {
    local tenths=$((150 * ${RL_TEST_PATIENCE:-3}))
    "$closer" Rutline || fail "could not send the close request"
    for _ in $(seq "$tenths"); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$game_pid" 2>/dev/null && fail "rutline still runs $((tenths / 10)) s after the close request"
    wait "$game_pid"
    local code=$?
    game_pid=
    [ "$code" -eq 0 ] || { cat "$root/stderr" >&2; fail "exit code $code"; }
}

# Each PATTERN must match a whole stamped line of LOG, each later in the log than the one before.
expect_in_order() {
    local log=$1 line=0 pattern found
    shift
    for pattern in "$@"; do
        found=$(grep -n -E "^\[[0-9]+:[0-9]{2}:[0-9]{2}\.[0-9]{2}\] $pattern\$" "$log" |
                awk -F: -v after="$line" '$1 > after { print $1; exit }')
        [ -n "$found" ] || fail "missing or out of order: $pattern"
        line=$found
    done
}

# Waits up to SECONDS (default 30) times RL_TEST_PATIENCE (default 3, for a busy machine) for a
# line of the game's log matching the extended regular expression PATTERN; 1 when it never came
# or the game ended first.
wait_for_log() {
    local pattern=$1 tenths=$((${2:-30} * 10 * ${RL_TEST_PATIENCE:-3})) log=$home/Rutline/lastlog.txt
    for _ in $(seq "$tenths"); do
        grep -qE "$pattern" "$log" 2>/dev/null && return 0
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    grep -qE "$pattern" "$log" 2>/dev/null
}

# Presses KEYS (xdotool key names) in the focused game window, each once the game has taken the
# one before: a page change swallows the rest of its frame's keys. Send keys only after the log
# line that ends a load; a loading screen drops pending input.
send_keys() {
    local k
    xdotool windowfocus --sync "$window" 2>/dev/null
    for k in "$@"; do
        xdotool key "$k"
        input_mark
    done
}

# Types TEXT into the game window one character at a time, each once the game has taken the one
# before.
type_text() {
    local i
    xdotool windowfocus --sync "$window" 2>/dev/null
    for ((i = 0; i < ${#1}; ++i)); do
        xdotool type -- "${1:i:1}"
        input_mark
    done
}

# Moves the pointer to X Y of the game window, lets a frame see it, then clicks the left button:
# what a person's hand does.
click_at() {
    xdotool mousemove --window "$window" "$1" "$2"
    sleep 0.5
    xdotool click 1
    sleep "${key_gap:-0.3}"
}

# Writes what the game window shows into FILE as an X window dump. A menu page takes the
# screenshot key for itself, so the window is read from outside.
capture_window() {
    [ -z "${game_pid:-}" ] || frame_drawn
    local try
    # The game may replace its window while starting (a new mode or context): on a vanished
    # window, find the one named Rutline again.
    for try in 1 2 3 4 5; do
        xwd -silent -id "$window" -out "$1" 2>/dev/null && return 0
        [ -z "${game_pid:-}" ] || kill -0 "$game_pid" 2>/dev/null ||
            fail "the game ended before the window could be captured"
        sleep 1
        window=$(timeout 10 xdotool search --sync --name '^Rutline$' | tail -n 1)
    done
    xwd -silent -id "$window" -out "$1" || fail "could not capture the window into $1"
}

# Compares the capture SHOT, shrunk by a quarter, with the reference NAME.png beside these
# scripts; with remake set, writes the reference instead. A failed comparison keeps the shot.
# With mask set to "X0 Y0 X1 Y1" (window pixels) that box counts in neither picture.
compare_with_reference() {
    local shot=$1 name=$2 tolerance=${3:-4} keep=${TMPDIR:-/tmp}/$2_failed.xwd
    if [ -n "${remake:-}" ]; then
        python3 "$here/picture.py" shrink "$shot" "$here/$name.png" 4 ${mask:-} || fail "could not write $name.png"
        return 0
    fi
    python3 "$here/picture.py" compare "$shot" "$here/$name.png" 4 "$tolerance" ${mask:-} || {
        cp "$shot" "$keep"
        fail "$name differs from its reference (the window is kept as $keep)"; }
}

# The references were drawn by Mesa's llvmpipe: another renderer draws other pixels, which would
# be no fault of the game.
expect_llvmpipe() {
    grep -qE '^\[[0-9:.]+\] GL_RENDERER: .*llvmpipe' "$home/Rutline/lastlog.txt" ||
        fail "the references need Mesa's llvmpipe; the log names another GL_RENDERER"
}

# Captures the window into FILE once two captures in a row hold the same pixels (a frame still
# settling, a texture still composing, is not taken), and, when a second file is named, once
# they differ from that one (the picture from before the keys: a slow first frame leaves it up).
# With stable_from_row set, rows above it (a strip that moves with the clock) may change.
# Up to 30 tries.
capture_stable() {
    local file=$1 before=${2:-} previous=$root/capture_previous.xwd i
    capture_window "$previous"
    for i in $(seq 30); do
        capture_window "$file"
        if python3 "$here/picture.py" same "$file" "$previous" ${stable_from_row:-} >/dev/null; then
            [ -z "$before" ] && return 0
            python3 "$here/picture.py" same "$file" "$before" >/dev/null || return 0
        fi
        cp "$file" "$previous"
    done
    fail "the window never showed the same new picture twice in a row (for $(basename "$file"))"
}

# Compares the capture SHOT, shrunk by a quarter, pixel by pixel with the reference NAME.png beside
# these scripts, leaving out the rectangles given (X0,Y0,X1,Y1 in reference pixels); with remake
# set, writes the reference instead. The difference picture stays in the temporary folder.
compare_pixels_with_reference() {
    local shot=$1 name=$2 keep=${TMPDIR:-/tmp}/$2_failed.xwd
    shift 2
    if [ -n "${remake:-}" ]; then
        python3 "$here/picture.py" shrink "$shot" "$here/$name.png" 4 || fail "could not write $name.png"
        return 0
    fi
    python3 "$here/picture.py" pixels "$shot" "$here/$name.png" 4 "${TMPDIR:-/tmp}/${name}_diff.png" "$@" || {
        cp "$shot" "$keep"
        fail "$name differs from its reference (the window is kept as $keep)"; }
}
