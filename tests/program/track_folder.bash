# Sourced by the whole-program tests of tracks and the editor: a small generated track, the game's
# content linked into a data folder, and a save from the editor.
# Usage: make_track FOLDER [LONG-NAME]
# A flat 257 x 257 ground (depth 7), grey shading, one tile type, a tile map, timing gates with
# one start, a statue, a billboard, a camera, and a "desc" naming it.
make_track() {
    local dir=$1 name=${2:-}
    mkdir -p "$dir"
    { printf '7 1.5 0 8\n:'; head -c $((257 * 257 * 2)) /dev/zero; } >"$dir/terrain.hf"
    { printf 'P6\n257 257\n255\n'; head -c $((257 * 257 * 3)) /dev/zero | tr '\0' '\144'; } >"$dir/shadingx2.ppm"
    printf 'texture dirt.png\naddtile\n' >"$dir/tileinfo"
    head -c $((128 * 128)) /dev/zero >"$dir/tilemap"
    printf 'startinggate:\n[100 0 100] 0\ncheckpoints:\n4 [100 0 150] [4 0 0]\n4 [150 0 150] [4 0 0]\nfirstlap:\n0 1\nnormallap:\n0 1\n' >"$dir/timing_gates"
    printf '[120 0 120] 0 null null null\n' >"$dir/statues"
    printf '[130 0 130] 2 4 banner.png\n' >"$dir/billboards"
    printf 'fov 50\ngate 1\naddcamera 100 10 100\n' >"$dir/cameras"
    [ -n "$name" ] && printf '%s\n' "$name" >"$dir/desc"
    return 0
}

# Usage: link_content FOLDER
# The generated content beside $rutline, linked into FOLDER in one call (it is a thousand files).
link_content() {
    mkdir -p "$1"
    ln -s "$(cd "$(dirname "$rutline")" && pwd)"/* "$1/"
}

# Usage: editor_save
# 's' in the editor; the tick that takes it writes the files, "edinfo" last, so once the game has
# taken the key "edinfo" in $saved must have been replaced. On failure the window is kept as
# editor_unsaved.png in the temporary folder.
editor_save() {
    local was now
    was=$(stat -c %i "$saved/edinfo" 2>/dev/null)
    send_keys s
    now=$(stat -c %i "$saved/edinfo" 2>/dev/null)
    [ -n "$now" ] && [ "$now" != "$was" ] && return 0
    capture_window "$root/unsaved.xwd"
    python3 "$here/picture.py" shrink "$root/unsaved.xwd" "${TMPDIR:-/tmp}/editor_unsaved.png" 1
    fail "'s' saved nothing (the window is kept as ${TMPDIR:-/tmp}/editor_unsaved.png)"
}
