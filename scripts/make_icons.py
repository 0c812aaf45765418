#!/usr/bin/env python3
"""Draws the program's icon for the desktop's icon theme: PNG pictures of 16 to 256 pixels and
an SVG, all from one drawing (a quiz sheet with a title bar and three choices, the middle one
picked), so every size shows the same picture.

Run with Debian's Python (python3-pil): /usr/bin/python3 scripts/make_icons.py [FOLDER]
It writes FOLDER/<N>x<N>/tamberlin.png and FOLDER/scalable/tamberlin.svg, by default into
packaging/icons/. The pictures are committed; run this again only to change the artwork.
"""
import os
import sys

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_FOLDER = os.path.join(HERE, "..", "packaging", "icons")
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
# Each picture is drawn this many times larger and then reduced, which smooths its edges.
OVERSAMPLE = 4

BORDER = (31, 42, 68)
NAVY = (0, 0, 128)
WHITE = (255, 255, 255)
SILVER = (192, 192, 192)
GREEN = (0, 150, 0)
GRAY = (128, 128, 128)

# The drawing on a 256 x 256 grid, painted in order: (kind, box, corner radius, colour).
ROWS = (112, 160, 208)
SHAPES = [
    ("round", (28, 16, 228, 240), 16, BORDER),
    ("round", (36, 24, 220, 232), 10, WHITE),
    ("round", (36, 24, 220, 72), 10, NAVY),
    ("rect", (36, 50, 220, 72), 0, NAVY),
    ("rect", (36, 72, 220, 78), 0, BORDER),
]
for i, y in enumerate(ROWS):
    SHAPES.append(("circle", (56, y - 16, 88, y + 16), 16, BORDER))
    SHAPES.append(("circle", (62, y - 10, 82, y + 10), 10, GREEN if i == 1 else SILVER))
    SHAPES.append(("round", (100, y - 6, 200, y + 6), 6, GRAY))


def hex_colour(rgb):
    return "#%02x%02x%02x" % rgb


def svg():
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
             'viewBox="0 0 256 256">',
             '  <title>Tamberlin</title>']
    for kind, (x0, y0, x1, y1), radius, colour in SHAPES:
        if kind == "circle":
            lines.append('  <circle cx="%g" cy="%g" r="%g" fill="%s"/>'
                         % ((x0 + x1) / 2, (y0 + y1) / 2, radius, hex_colour(colour)))
        else:
            corner = ' rx="%d"' % radius if radius else ""
            lines.append('  <rect x="%d" y="%d" width="%d" height="%d"%s fill="%s"/>'
                         % (x0, y0, x1 - x0, y1 - y0, corner, hex_colour(colour)))
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def png(size):
    big = size * OVERSAMPLE
    scale = big / 256
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    for kind, box, radius, colour in SHAPES:
        # Pillow's boxes include their last pixel; the drawing's boxes end before it.
        x0, y0, x1, y1 = (int(round(v * scale)) for v in box)
        fill = colour + (255,)
        if kind == "circle":
            d.ellipse([x0, y0, x1 - 1, y1 - 1], fill=fill)
        elif radius:
            d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], radius=int(round(radius * scale)),
                                fill=fill)
        else:
            d.rectangle([x0, y0, x1 - 1, y1 - 1], fill=fill)
    return img.reduce(OVERSAMPLE)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_FOLDER
    for size in SIZES:
        sub = os.path.join(folder, "%dx%d" % (size, size))
        os.makedirs(sub, exist_ok=True)
        png(size).save(os.path.join(sub, "tamberlin.png"), "PNG", optimize=True)
    sub = os.path.join(folder, "scalable")
    os.makedirs(sub, exist_ok=True)
    with open(os.path.join(sub, "tamberlin.svg"), "w", encoding="utf-8", newline="\n") as f:
        f.write(svg())


if __name__ == "__main__":
    main()
