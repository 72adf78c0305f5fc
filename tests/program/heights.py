#!/usr/bin/env python3
"""Prints the saved heights of a track folder around a vertex, one "x z height" line each.

  heights.py FOLDER X Z RADIUS

The heights come from "terrain.hf" ("N cell min max", then ':' and little-endian 16-bit samples)
or, without samples there, from the 16-bit grey "terrain.png"; a sample v stands for
min + (max - min) * v / 65535.
"""
import sys

from picture import png_rows


def png_grey16(path):
    width, _, lines = png_rows(path, 16, 0, 2)
    return width, [[line[2 * k] << 8 | line[2 * k + 1] for k in range(width)] for line in lines]


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
