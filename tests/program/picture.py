#!/usr/bin/env python3
"""Reads and checks the game's screenshots (8-bit RGB PNG, as the game writes them) without any
imaging package.

  picture.py check SHOT.png      a motocross track: sky above, grass and bare dirt on the ground
  picture.py shrink SHOT.png OUT.png FACTOR   a smaller copy (box filter) for the reference
  picture.py compare SHOT.png REF.png FACTOR TOLERANCE [X0 Y0 X1 Y1]   the shrunk shot against a
      reference; the optional box (shot pixels) is left out of the comparison
  picture.py shrink SHOT.png OUT.png FACTOR X0 Y0 X1 Y1   a smaller copy with that box blacked out
  picture.py pixels SHOT REF.png FACTOR DIFF.png [slack=N] [X0,Y0,X1,Y1 ...]
      the shrunk shot against a reference pixel by pixel: at most 0.5% of the pixels may differ
      by more than N (3 unless given) in a channel; the rectangles (reference pixels, X1 and Y1
      excluded) are left out. DIFF.png shows where they differ (a CI artefact).
  picture.py same SHOT1 SHOT2 [ROW]   exit 0 when two captures hold the same pixels (from row
      ROW down, when given)
  picture.py differs SHOT1 SHOT2 FACTOR X0,Y0,X1,Y1   the two differ (by more than 8 in a
      channel) only inside the rectangle, and do differ there

A SHOT may also be a window capture of `xwd` (X Window Dump, 24 or 32 bits a pixel).
"""
import struct
import sys
import zlib


def read_png(path):
    return png_rows(path, 8, 2, 3)


def png_rows(path, depth, colour, bpp):
    """The unfiltered rows of a PNG of that bit depth and colour type, bpp bytes a pixel."""
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('not a PNG: ' + path)
    pos, idat, width, height = 8, b'', 0, 0
    while pos < len(data):
        n = struct.unpack('>I', data[pos:pos + 4])[0]
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + n]
        pos += 12 + n
        if kind == b'IHDR':
            width, height, d, c = struct.unpack('>IIBB', body[:10])
            if (d, c) != (depth, colour):
                raise ValueError('not a %d-bit picture of colour type %d: %s' % (depth, colour, path))
        elif kind == b'IDAT':
            idat += body
    raw = zlib.decompress(idat)
    stride, rows, prev, i = width * bpp, [], bytearray(width * bpp), 0
    for _ in range(height):
        kind, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return width, height, rows


def read_xwd(path):
    """The pixels of an X window dump (ZPixmap, TrueColor), as rows of RGB bytes."""
    data = open(path, 'rb').read()
    fields = struct.unpack('>25I', data[:100])
    header_size, version, fmt = fields[0], fields[1], fields[2]
    width, height, byte_order = fields[4], fields[5], fields[7]
    bits_per_pixel, bytes_per_line = fields[11], fields[12]
    masks = fields[14:17]
    ncolors = fields[19]
    if version != 7 or fmt != 2 or bits_per_pixel not in (24, 32):
        raise ValueError('not a 24/32-bit ZPixmap window dump: ' + path)
    pos = header_size + 12 * ncolors
    step = bits_per_pixel // 8
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    endian = 'little' if byte_order == 0 else 'big'
    rows = []
    for y in range(height):
        line = data[pos + y * bytes_per_line:pos + y * bytes_per_line + width * step]
        out = bytearray(width * 3)
        for x in range(width):
            v = int.from_bytes(line[x * step:x * step + step], endian)
            for c in range(3):
                out[3 * x + c] = (v & masks[c]) >> shifts[c]
        rows.append(out)
    return width, height, rows


def read_picture(path):
    with open(path, 'rb') as f:
        magic = f.read(8)
    return read_png(path) if magic == b'\x89PNG\r\n\x1a\n' else read_xwd(path)


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff)
    raw = b''.join(b'\0' + bytes(r) for r in rows)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def kind_of(r, g, b):
    if b > r + 20 and b > g and b > 120:
        return 'sky'
    if g > r + 8 and g > b + 8:
        return 'grass'
    if r > g + 12 and g > b and r > 70:
        return 'dirt'
    return 'other'


def check(path):
    width, height, rows = read_picture(path)
    counts = {'top': {}, 'bottom': {}}
    for y in range(0, height, 4):
        half = 'top' if y < height // 4 else 'bottom' if y >= height // 2 else None
        if half is None:
            continue
        row = rows[y]
        for x in range(0, width, 4):
            k = kind_of(row[3 * x], row[3 * x + 1], row[3 * x + 2])
            counts[half][k] = counts[half].get(k, 0) + 1
    def share(half, k):
        total = sum(counts[half].values())
        return counts[half].get(k, 0) / total if total else 0
    problems = []
    if share('top', 'sky') < 0.6:
        problems.append('the top quarter is not sky (%.0f%%)' % (100 * share('top', 'sky')))
    if share('bottom', 'grass') < 0.1:
        problems.append('too little grass in the lower half (%.1f%%)' % (100 * share('bottom', 'grass')))
    if share('bottom', 'dirt') < 0.03:
        problems.append('too little bare dirt in the lower half (%.1f%%)' % (100 * share('bottom', 'dirt')))
    for p in problems:
        print('picture: ' + p)
    print('picture: sky %.0f%%, grass %.0f%%, dirt %.0f%%' % (100 * share('top', 'sky'), 100 * share('bottom', 'grass'),
                                                            100 * share('bottom', 'dirt')))
    return 1 if problems else 0


def shrink_rows(width, height, rows, factor):
    w, h = width // factor, height // factor
    small = []
    for y in range(h):
        line = bytearray(w * 3)
        for x in range(w):
            for c in range(3):
                s = 0
                for dy in range(factor):
                    src = rows[y * factor + dy]
                    for dx in range(factor):
                        s += src[3 * (x * factor + dx) + c]
                line[3 * x + c] = s // (factor * factor)
        small.append(line)
    return w, h, small


def black_box(rows, box, factor):
    """Blacks out box (x0, y0, x1, y1 in shot pixels) in rows shrunk by factor."""
    if not box:
        return
    x0, y0, x1, y1 = (v // factor for v in box)
    for y in range(max(y0, 0), min(y1 + 1, len(rows))):
        for x in range(max(x0, 0), min(x1 + 1, len(rows[y]) // 3)):
            rows[y][3 * x:3 * x + 3] = b'\0\0\0'


def shrink(path, out, factor, box=None):
    w, h, small = shrink_rows(*read_picture(path), factor)
    black_box(small, box, factor)
    write_png(out, w, h, small)
    return 0


def compare(path, reference, factor, tolerance, box=None):
    """The picture, shrunk by factor, against a reference: mean difference per channel."""
    w, h, small = shrink_rows(*read_picture(path), factor)
    black_box(small, box, factor)
    rw, rh, ref = read_png(reference)
    ref = [bytearray(r) for r in ref]
    black_box(ref, box, factor)
    if (w, h) != (rw, rh):
        print('size %dx%d, reference %dx%d' % (w, h, rw, rh))
        return 1
    total = sum(abs(a - b) for row, rrow in zip(small, ref) for a, b in zip(row, rrow))
    mean = total / (w * h * 3)
    print('mean difference %.2f per channel (tolerance %.2f)' % (mean, tolerance))
    return 0 if mean <= tolerance else 1


def parse_boxes(args):
    return [tuple(int(v) for v in a.split(',')) for a in args]


def inside(boxes, x, y):
    return any(x0 <= x < x1 and y0 <= y < y1 for x0, y0, x1, y1 in boxes)


def pixels(path, reference, factor, diff_path, boxes, channel_slack=3, share=0.005):
    """Per pixel: a pixel is off when a channel differs by more than channel_slack."""
    w, h, small = shrink_rows(*read_picture(path), factor)
    rw, rh, ref = read_png(reference)
    if (w, h) != (rw, rh):
        print('size %dx%d, reference %dx%d' % (w, h, rw, rh))
        return 1
    off, counted, diff = 0, 0, []
    for y in range(h):
        line, a, b = bytearray(w * 3), small[y], ref[y]
        for x in range(w):
            if inside(boxes, x, y):
                line[3 * x:3 * x + 3] = b'\x00\x00\x60'
                continue
            counted += 1
            worst = max(abs(a[3 * x + c] - b[3 * x + c]) for c in range(3))
            if worst > channel_slack:
                off += 1
            line[3 * x:3 * x + 3] = bytes([min(255, worst * 8)] * 3)
        diff.append(line)
    write_png(diff_path, w, h, diff)
    allowed = int(counted * share)
    print('%d of %d pixels off (at most %d); differences in %s' % (off, counted, allowed, diff_path))
    return 0 if off <= allowed else 1


def same(first, second, from_row=0):
    a, b = read_picture(first), read_picture(second)
    return 0 if a[:2] == b[:2] and a[2][from_row:] == b[2][from_row:] else 1


def differs_only_inside(first, second, factor, box):
    w, h, a = shrink_rows(*read_picture(first), factor)
    _, _, b = shrink_rows(*read_picture(second), factor)
    inner = outer = 0
    for y in range(h):
        for x in range(w):
            worst = max(abs(a[y][3 * x + c] - b[y][3 * x + c]) for c in range(3))
            # Two separate starts of the race: the idling rider sways by a fraction of a pixel.
            if worst > 8:
                if inside([box], x, y):
                    inner += 1
                else:
                    outer += 1
    print('%d pixels differ inside the rectangle, %d outside' % (inner, outer))
    return 0 if inner > 0 and outer <= w * h * 0.005 else 1


if __name__ == '__main__':
    if len(sys.argv) >= 6 and sys.argv[1] == 'pixels':
        rest = sys.argv[6:]
        slack = 3
        if rest and rest[0].startswith('slack='):
            slack = int(rest.pop(0)[6:])
        sys.exit(pixels(sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5], parse_boxes(rest), slack))
    if len(sys.argv) in (4, 5) and sys.argv[1] == 'same':
        sys.exit(same(sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) == 5 else 0))
    if len(sys.argv) == 6 and sys.argv[1] == 'differs':
        sys.exit(differs_only_inside(sys.argv[2], sys.argv[3], int(sys.argv[4]), parse_boxes([sys.argv[5]])[0]))
    if len(sys.argv) == 3 and sys.argv[1] == 'check':
        sys.exit(check(sys.argv[2]))
    if len(sys.argv) in (6, 10) and sys.argv[1] == 'compare':
        box = [int(v) for v in sys.argv[6:10]] or None
        sys.exit(compare(sys.argv[2], sys.argv[3], int(sys.argv[4]), float(sys.argv[5]), box))
    if len(sys.argv) in (5, 9) and sys.argv[1] == 'shrink':
        box = [int(v) for v in sys.argv[5:9]] or None
        sys.exit(shrink(sys.argv[2], sys.argv[3], int(sys.argv[4]), box))
    print(__doc__)
    sys.exit(2)
