#!/usr/bin/env python3
"""Draws the title strip's picture-button glyphs and writes them as JPEG files beside this script.

Each glyph is laid out pixel by pixel on black, in dark blue for the normal picture and in bright
blue for the mouse-over picture, and handed to ImageMagick's convert as a PPM to become a JPEG
(full-resolution colour, high quality, no metadata). Run it again after changing a glyph:

    python3 assets/pictures/make-pictures.py
"""

import os
import subprocess
import sys

NORMAL = (15, 85, 140)
MOUSE_OVER = (0, 170, 250)
HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.on = [[False] * width for _ in range(height)]

    def span(self, y, x0, x1):
        """Sets row y from x0 to x1, both included."""
        for x in range(x0, x1 + 1):
            if 0 <= x < self.width and 0 <= y < self.height:
                self.on[y][x] = True

    def box(self, x0, y0, x1, y1):
        for y in range(y0, y1 + 1):
            self.span(y, x0, x1)

    def ppm(self, colour):
        pixels = bytearray()
        for row in self.on:
            for lit in row:
                pixels += bytes(colour if lit else (0, 0, 0))
        return b"P6 %d %d 255\n" % (self.width, self.height) + bytes(pixels)


def settings(width, height):
    """A square outline holding three horizontal lines."""
    c = Canvas(width, height)
    right, bottom = width - 2, height - 2
    c.box(1, 1, right, 1)
    c.box(1, bottom, right, bottom)
    c.box(1, 1, 1, bottom)
    c.box(right, 1, right, bottom)
    top = 1 + (bottom - 1 - 4) // 2  # the three lines centred in the square, two rows apart
    for i in range(3):
        c.span(top + 2 * i, 4, right - 3)
    return c


def fold(width, height):
    """A horizontal bar above an upward-pointing triangle."""
    c = Canvas(width, height)
    middle = (width - 1) // 2
    c.box(2, 2, width - 3, 3)
    apex = height - 2 - 6
    for i in range(6):
        c.span(apex + i, middle - i, middle + i)
    return c


def minimise(width, height):
    """A downward-pointing triangle, its base along the top."""
    c = Canvas(width, height)
    left, right = 5, width - 6
    y = 2
    while left <= right:
        c.span(y, left, right)
        left, right, y = left + 1, right - 1, y + 1
    return c


def close(width, height):
    """A diagonal cross two pixels thick, corner to corner of the inner square."""
    c = Canvas(width, height)
    x0, x1, y0, y1 = 2, width - 4, 2, height - 3
    rows = y1 - y0
    for y in range(y0, y1 + 1):
        x = x0 + round((y - y0) * (x1 - x0) / rows)
        c.span(y, x, x + 1)
        mirrored = x1 - (x - x0)
        c.span(y, mirrored, mirrored + 1)
    return c


# file stem, glyph, normal size, mouse-over size
PICTURES = [
    ("settings", settings, (14, 13), (13, 12)),
    ("fold", fold, (13, 13), (13, 14)),
    ("minimise", minimise, (22, 11), (23, 10)),
    ("close", close, (13, 12), (13, 13)),
]


def write_jpeg(canvas, colour, path):
    subprocess.run(
        ["convert", "ppm:-", "-strip", "-sampling-factor", "1x1", "-quality", "95", "jpg:" + path],
        input=canvas.ppm(colour),
        check=True,
    )


def main():
    for stem, glyph, normal, over in PICTURES:
        write_jpeg(glyph(*normal), NORMAL, os.path.join(HERE, stem + "-normal.jpg"))
        write_jpeg(glyph(*over), MOUSE_OVER, os.path.join(HERE, stem + "-over.jpg"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
