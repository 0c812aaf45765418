#!/usr/bin/python3
"""Makes the background picture of the page-look window: a 370 x 477 JPEG with a smooth
diagonal gradient from pale cream in the top left corner to dark green in the bottom right.

Run from the repository root:  /usr/bin/python3 scripts/make_look_background.py
It rewrites src/dialogs/pictures/newhtml_background.jpg (needs python3-pil)."""

from pathlib import Path

from PIL import Image

WIDTH, HEIGHT = 370, 477
CREAM = (250, 246, 214)
DARK_GREEN = (24, 74, 34)


def main() -> None:
    image = Image.new("RGB", (WIDTH, HEIGHT))
    pixels = image.load()
    span = (WIDTH - 1) + (HEIGHT - 1)
    for y in range(HEIGHT):
        for x in range(WIDTH):
            t = (x + y) / span
            pixels[x, y] = tuple(round(a + (b - a) * t) for a, b in zip(CREAM, DARK_GREEN))
    target = Path(__file__).resolve().parent.parent / "src/dialogs/pictures/newhtml_background.jpg"
    image.save(target, "JPEG", quality=90, optimize=True)


if __name__ == "__main__":
    main()
