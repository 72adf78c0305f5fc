# Sourced by the whole-program tests that drive the menus, after lib.bash: where the selected row
# of a menu page is, and waiting for the main menu to be up before keys go to it (the first frames
# after the log's last start-up line still show the busy indicator, which drops keys).

# The centre y of the selected row in a capture FILE: its box is filled white (the others are
# dark with light text), so a fifth of the window's width or more is bright on its lines, which
# no other picture of the menus has. Empty when no row is selected.
selected_y() {
    python3 - "$here" "$1" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
import picture
width, height, rows = picture.read_picture(sys.argv[2])
bright = [sum(1 for x in range(width) if min(r[3 * x], r[3 * x + 1], r[3 * x + 2]) > 215) for r in rows]
ys = [y for y in range(height) if bright[y] >= width // 5]
if len(ys) >= 3:
    print((min(ys) + max(ys)) // 2)
PY
}

# Captures the window into FILE until a row is selected within SLACK px of WANT (any row when
# WANT is empty), up to 60 captures; 1 when it never was. got is the last row seen.
wait_for_selected() {
    local file=$1 want=${2:-} slack=${3:-12}
    for _ in $(seq 60); do
        capture_window "$file"
        got=$(selected_y "$file")
        if [ -n "$got" ]; then
            [ -z "$want" ] && return 0
            [ "$got" -ge $((want - slack)) ] && [ "$got" -le $((want + slack)) ] && return 0
        fi
    done
    return 1
}
