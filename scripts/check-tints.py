#!/usr/bin/env python3
"""Checks a picture of the demo text for the shading of its indentation cells.

Usage: check-tints.py PICTURE (a PNG as the screenshot tool writes it, or a binary PPM)

Indented lines begin with empty cells shaded alternately, the first in (239, 255, 255)
and the next in (223, 255, 255). The check looks for a row whose left edge is the first
shade and which runs, after a cell's width, straight into the second.
"""
import struct
import sys
import zlib

EVEN_TINT = (239, 255, 255)  # packed 16777199
ODD_TINT = (223, 255, 255)  # packed 16777183
SMALLEST_CELL = 8  # pixels; an indentation cell is four spaces wide


def read_ppm(data):
    fields, at = [], 2
    while len(fields) < 3:
        while data[at : at + 1].isspace():
            at += 1
        start = at
        while not data[at : at + 1].isspace():
            at += 1
        fields.append(int(data[start:at]))
    width, height, most = fields
    body = data[at + 1 :]
    size = 1 if most < 256 else 2  # two-byte samples are big-endian: keep the high byte
    samples = body[:: size][: width * height * 3]
    return width, height, [
        [tuple(samples[(y * width + x) * 3 : (y * width + x) * 3 + 3]) for x in range(width)]
        for y in range(height)
    ]


def unfilter(kind, row, prior, step):
    out = bytearray(row)
    for i in range(len(out)):
        left = out[i - step] if i >= step else 0
        up = prior[i]
        corner = prior[i - step] if i >= step else 0
        if kind == 1:
            out[i] = (out[i] + left) & 0xFF
        elif kind == 2:
            out[i] = (out[i] + up) & 0xFF
        elif kind == 3:
            out[i] = (out[i] + (left + up) // 2) & 0xFF
        elif kind == 4:
            guess = left + up - corner
            pa, pb, pc = abs(guess - left), abs(guess - up), abs(guess - corner)
            best = left if pa <= pb and pa <= pc else up if pb <= pc else corner
            out[i] = (out[i] + best) & 0xFF
    return out


def read_png(data):
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at : at + 8])
        chunk = data[at + 8 : at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", chunk)
        elif kind == b"IDAT":
            idat += chunk
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        sys.exit(f"unexpected PNG layout: depth {depth}, colour type {colour}")
    step = 3 if colour == 2 else 4
    raw, stride, prior, pixels = zlib.decompress(idat), width * step, bytearray(width * step), []
    for y in range(height):
        start = y * (stride + 1)
        row = unfilter(raw[start], raw[start + 1 : start + 1 + stride], prior, step)
        pixels.append([tuple(row[x * step : x * step + 3]) for x in range(width)])
        prior = row
    return width, height, pixels


def runs(row):
    """The row as (colour, length) runs from its left edge."""
    found = []
    for pixel in row:
        if found and found[-1][0] == pixel:
            found[-1][1] += 1
        else:
            found.append([pixel, 1])
    return found


def main():
    data = open(sys.argv[1], "rb").read()
    width, height, pixels = read_png(data) if data[:8] == b"\x89PNG\r\n\x1a\n" else read_ppm(data)
    for y, row in enumerate(pixels):
        head = runs(row)[:2]
        if (
            len(head) == 2
            and head[0][0] == EVEN_TINT
            and head[1][0] == ODD_TINT
            and head[0][1] >= SMALLEST_CELL
            and head[1][1] >= SMALLEST_CELL
        ):
            print(f"tints found on row {y}: {head[0][1]} px then {head[1][1]} px")
            return 0
    firsts = sorted({row[0] for row in pixels})
    print(f"no row of {width}x{height} starts with both tints; left-edge colours: {firsts}")
    return 1


if __name__ == "__main__":
    sys.exit(main())
