#!/usr/bin/python3
"""Draws the splash/about picture: 350 x 246 pixels, baseline JPEG.

It shows the program's name, its version (taken from the top CMakeLists.txt) and, inside the
link area at 64,168 (225 x 33 pixels) that opens the maker's web page, the maker's name.

Usage: scripts/make_splash.py [OUTPUT]   (default: src/dialogs/pictures/splash.jpg)
Needs Debian's python3-pil and fonts-dejavu-core.
"""
import pathlib
import re
import sys

from PIL import Image, ImageDraw, ImageFont

WIDTH, HEIGHT = 350, 246
LINK = (64, 168, 225, 33)  # left, top, width, height of the link area
MAKER = "The Tamberlin Project"
FONT_DIR = pathlib.Path("/usr/share/fonts/truetype/dejavu")

here = pathlib.Path(__file__).resolve().parent.parent


def version():
    text = (here / "CMakeLists.txt").read_text()
    match = re.search(r"project\(\s*Tamberlin\s+VERSION\s+([0-9.]+)", text)
    if not match:
        sys.exit("no project version in CMakeLists.txt")
    return match.group(1)


def font(name, size):
    return ImageFont.truetype(str(FONT_DIR / name), size)


def centred(draw, y, text, fnt, fill, left=0, width=WIDTH):
    box = draw.textbbox((0, 0), text, font=fnt)
    x = left + (width - (box[2] - box[0])) // 2 - box[0]
    draw.text((x, y), text, font=fnt, fill=fill)


def main():
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else here / "src/dialogs/pictures/splash.jpg"
    img = Image.new("RGB", (WIDTH, HEIGHT))
    draw = ImageDraw.Draw(img)
    # A vertical blue-to-teal gradient.
    top, bottom = (24, 52, 110), (20, 128, 140)
    for y in range(HEIGHT):
        t = y / (HEIGHT - 1)
        colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        draw.line([(0, y), (WIDTH, y)], fill=colour)
    # A frame, and a row of answer-letter boxes as a small emblem.
    draw.rectangle([3, 3, WIDTH - 4, HEIGHT - 4], outline=(235, 200, 90), width=2)
    letters = "ABCDE"
    for i, letter in enumerate(letters):
        x = 100 + i * 31
        checked = letter == "C"
        draw.rounded_rectangle([x, 18, x + 25, 43], radius=5,
                               fill=(235, 200, 90) if checked else (255, 255, 255),
                               outline=(255, 255, 255))
        centred(draw, 20, letter, font("DejaVuSans-Bold.ttf", 17),
                (24, 52, 110), left=x, width=26)

    centred(draw, 52, "Tamberlin", font("DejaVuSerif-Bold.ttf", 44), (255, 255, 255))
    centred(draw, 108, "Multiple-choice quizzes for the web", font("DejaVuSans.ttf", 13),
            (225, 235, 245))
    centred(draw, 134, "Version " + version(), font("DejaVuSans-Bold.ttf", 14), (235, 200, 90))

    # The link area: the maker's name, underlined like a link.
    left, ltop, lwidth, lheight = LINK
    draw.rectangle([left, ltop, left + lwidth - 1, ltop + lheight - 1], fill=(16, 40, 88))
    maker_font = font("DejaVuSans-Bold.ttf", 15)
    box = draw.textbbox((0, 0), MAKER, font=maker_font)
    text_w, text_h = box[2] - box[0], box[3] - box[1]
    tx = left + (lwidth - text_w) // 2 - box[0]
    ty = ltop + (lheight - text_h) // 2 - box[1] - 1
    draw.text((tx, ty), MAKER, font=maker_font, fill=(255, 255, 255))
    underline_y = ty + box[3] + 2
    draw.line([(tx + box[0], underline_y), (tx + box[2], underline_y)], fill=(235, 200, 90))

    centred(draw, 218, "Click to continue", font("DejaVuSans.ttf", 10), (200, 220, 230))

    out.parent.mkdir(parents=True, exist_ok=True)
    img.save(out, "JPEG", quality=90, progressive=False, subsampling=2)


if __name__ == "__main__":
    main()
