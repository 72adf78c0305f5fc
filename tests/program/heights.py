#!/usr/bin/env python3
"""Prints the saved heights of a track folder around a vertex, one "x z height" line each.

  heights.py FOLDER X Z RADIUS

The heights come from "terrain.hf" ("N cell min max", then ':' and little-endian 16-bit samples)
or, without samples there, from the 16-bit grey "terrain.png"; a sample v stands for
min + (max - min) * v / 65535.
"""
import struct
import sys
import zlib


def png_grey16(path):
    data = open(path, 'rb').read()
    pos, idat, width, height = 8, b'', 0, 0
    while pos < len(data):
        n = struct.unpack('>I', data[pos:pos + 4])[0]
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + n]
        pos += 12 + n
        if kind == b'IHDR':
            width, height, depth, colour = struct.unpack('>IIBB', body[:10])
            if depth != 16 or colour != 0:
                raise ValueError('not 16-bit grey: ' + path)
        elif kind == b'IDAT':
            idat += body
    raw = zlib.decompress(idat)
    stride, rows, prev, i = width * 2, [], bytearray(width * 2), 0
    for _ in range(height):
        kind, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - 2] if x >= 2 else 0
            b = prev[x]
            c = prev[x - 2] if x >= 2 else 0
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
        rows.append([line[2 * k] << 8 | line[2 * k + 1] for k in range(width)])
        prev = line
    return width, rows


def main():
    folder, cx, cz, r = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    data = open(folder + '/terrain.hf', 'rb').read()
    head, _, samples = data.partition(b':')
    depth, cell, lo, hi = head.split()[:4]
    dim = (1 << (int(depth) + 1)) + 1
    lo, hi = float(lo), float(hi)
    if samples:
        def sample(x, z):
            k = 2 * (z * dim + x)
            return samples[k] | samples[k + 1] << 8
    else:
        width, rows = png_grey16(folder + '/terrain.png')
        def sample(x, z):
            return rows[min(z, len(rows) - 1)][min(x, width - 1)]
    for z in range(max(0, cz - r), min(dim, cz + r + 1)):
        for x in range(max(0, cx - r), min(dim, cx + r + 1)):
            print(x, z, '%.6f' % (lo + (hi - lo) * sample(x, z) / 65535.0))


main()
