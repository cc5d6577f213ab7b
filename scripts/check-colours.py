#!/usr/bin/env python3
"""Checks a picture of the window drawn in a dark scheme: a visible cursor, no pale tint.

Usage: check-colours.py PICTURE (a PNG or a binary PPM, as check-tints.py reads them)

The picture must be mostly dark, hold neither of the light scheme's tints (239, 255, 255)
and (223, 255, 255), and show the cursor: a column with a run of bright pixels as tall as a
line (taller than any glyph's stem), each with a dark pixel to its right (the cursor may
touch the ink of the character before it).
"""
import importlib.util
import os
import sys

found = importlib.util.spec_from_file_location(
    "tints", os.path.join(os.path.dirname(os.path.abspath(__file__)), "check-tints.py"))
tints = importlib.util.module_from_spec(found)
found.loader.exec_module(tints)  # for its picture readers

PALE_TINTS = {(239, 255, 255), (223, 255, 255)}
SHORTEST_BAR = 13  # a line of the 9-point font is 14 pixels; stems reach 10


def luminance(pixel):
    return (299 * pixel[0] + 587 * pixel[1] + 114 * pixel[2]) // 1000


def cursor_column(width, height, pixels):
    """The first column holding a bright vertical run with dark pixels to its right."""
    for x in range(1, width - 1):
        run = 0
        for y in range(height):
            here, right = pixels[y][x], pixels[y][x + 1]
            bar = luminance(here) > 160 and luminance(right) < 80
            run = run + 1 if bar else 0
            if run >= SHORTEST_BAR:
                return x
    return None


def main():
    data = open(sys.argv[1], "rb").read()
    width, height, pixels = (tints.read_png(data) if data[:8] == b"\x89PNG\r\n\x1a\n"
                             else tints.read_ppm(data))
    every = [pixel for row in pixels for pixel in row]
    pale = sum(1 for pixel in every if pixel in PALE_TINTS)
    dark = sum(1 for pixel in every if luminance(pixel) < 80)
    column = cursor_column(width, height, pixels)
    print(f"{width}x{height}: {dark} dark pixels, {pale} pale-tinted, cursor column {column}")
    return 0 if pale == 0 and 2 * dark > len(every) and column is not None else 1


if __name__ == "__main__":
    sys.exit(main())
