#!/usr/bin/env python3
"""Draws the pictures that the main window and the setup dialog carry as Qt resources.

Run with Debian's Python (python3-pil): /usr/bin/python3 scripts/make_window_pictures.py
The pictures are committed; run this again only to change the artwork.
"""
import os
import random

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
APP = os.path.join(HERE, "..", "src", "app", "pictures")
DIALOGS = os.path.join(HERE, "..", "src", "dialogs", "pictures")

# The classic 16-colour palette the button pictures keep to.
BLACK, MAROON, GREEN, OLIVE = (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0)
NAVY, PURPLE, TEAL, GRAY = (0, 0, 128), (128, 0, 128), (0, 128, 128), (128, 128, 128)
SILVER, RED, LIME, YELLOW = (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0)
BLUE, FUCHSIA, AQUA, WHITE = (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)
PALETTE = [BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, GRAY,
           SILVER, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE]


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def main_background(path):
    """570 x 489: a calm blue-grey wash with soft diagonal bands and a paper panel."""
    w, h = 570, 489
    img = Image.new("RGB", (w, h))
    px = img.load()
    top, bottom = (214, 226, 240), (150, 172, 204)
    for y in range(h):
        for x in range(w):
            t = y / (h - 1)
            base = lerp(top, bottom, t)
            band = 6 if ((x + y) // 24) % 2 == 0 else 0
            px[x, y] = tuple(min(255, c + band) for c in base)
    d = ImageDraw.Draw(img)
    # A faint frame where the question and the choices stand.
    d.rectangle([6, 78, 563, 484], outline=(120, 140, 175))
    img.save(path, "JPEG", quality=90)


def setup_background(path):
    """329 x 320: black in the bottom left corner to bright green in the top right corner."""
    w, h = 329, 320
    img = Image.new("RGB", (w, h))
    px = img.load()
    for y in range(h):
        for x in range(w):
            t = (x / (w - 1) + (h - 1 - y) / (h - 1)) / 2
            px[x, y] = (int(40 * t * t), int(255 * t), int(40 * t * t))
    img.save(path, "JPEG", quality=92)


def sixteen_colours(img):
    pal = Image.new("P", (1, 1))
    flat = [c for rgb in PALETTE for c in rgb]
    pal.putpalette(flat + [0] * (768 - len(flat)))
    return img.convert("RGB").quantize(palette=pal, dither=Image.Dither.NONE)


def button(path, draw_fn, size=(24, 24)):
    img = Image.new("RGBA", size, (0, 0, 0, 0))
    draw_fn(ImageDraw.Draw(img))
    # Keep the transparency, but every visible pixel from the 16-colour palette.
    rgb = sixteen_colours(img).convert("RGBA")
    alpha = img.split()[3].point(lambda a: 255 if a > 127 else 0)
    rgb.putalpha(alpha)
    rgb.save(path, "PNG")


def arrow_left(d, x0):
    d.polygon([(x0 + 10, 4), (x0 + 10, 19), (x0 + 2, 11)], fill=NAVY, outline=BLACK)


def arrow_right(d, x0):
    d.polygon([(x0 + 2, 4), (x0 + 2, 19), (x0 + 10, 11)], fill=NAVY, outline=BLACK)


def first(d):
    d.rectangle([4, 4, 6, 19], fill=NAVY, outline=BLACK)
    arrow_left(d, 8)


def prev(d):
    arrow_left(d, 6)


def next_(d):
    arrow_right(d, 8)


def last(d):
    arrow_right(d, 5)
    d.rectangle([17, 4, 19, 19], fill=NAVY, outline=BLACK)


def store(d):
    d.line([(4, 12), (9, 18), (20, 5)], fill=GREEN, width=3)


def clear(d):
    d.rectangle([5, 3, 18, 20], fill=WHITE, outline=BLACK)
    d.line([(7, 7), (15, 7)], fill=GRAY)
    d.line([(7, 10), (15, 10)], fill=GRAY)
    d.line([(4, 4), (19, 19)], fill=RED, width=3)
    d.line([(19, 4), (4, 19)], fill=RED, width=3)


def close(d):
    d.rectangle([6, 3, 17, 20], fill=MAROON, outline=BLACK)
    d.rectangle([9, 5, 14, 20], fill=OLIVE)
    d.point([(12, 12)], fill=YELLOW)


def icon(path):
    img = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rectangle([3, 2, 28, 29], fill=WHITE, outline=BLACK)
    d.rectangle([3, 2, 28, 7], fill=NAVY)
    for i, y in enumerate((11, 17, 23)):
        d.ellipse([6, y, 10, y + 4], fill=GREEN if i == 1 else SILVER, outline=BLACK)
        d.line([(13, y + 2), (25, y + 2)], fill=GRAY, width=2)
    rgb = sixteen_colours(img).convert("RGBA")
    rgb.putalpha(img.split()[3].point(lambda a: 255 if a > 127 else 0))
    rgb.save(path, "PNG")


def main():
    random.seed(5)
    os.makedirs(APP, exist_ok=True)
    os.makedirs(DIALOGS, exist_ok=True)
    main_background(os.path.join(APP, "main_background.jpg"))
    setup_background(os.path.join(DIALOGS, "setup_background.jpg"))
    for name, fn in (("first", first), ("prev", prev), ("next", next_), ("last", last),
                     ("store", store), ("clear", clear), ("close", close)):
        button(os.path.join(APP, name + ".png"), fn)
    icon(os.path.join(APP, "tamberlin.png"))


if __name__ == "__main__":
    main()
