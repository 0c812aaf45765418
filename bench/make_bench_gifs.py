#!/usr/bin/python3
"""Writes the benchmark's GIF files into the folder given: a 4000x4000 photo-like 256-colour
picture (plain and interlaced), a 4000x4000 two-colour line drawing, a 100-frame 640x480
animation and a 32x32 icon. Uses Debian's python3-pil; the pictures are made, not downloaded."""

import math
import os
import random
import sys

from PIL import Image, ImageDraw, ImageFilter


def photo(size, seed):
    """Smooth colour fields with texture and noise, quantised to 256 colours with dithering,
    which gives the short, varied strings of a real photograph."""
    rng = random.Random(seed)
    small = Image.new("RGB", (64, 64))
    small.putdata([(rng.randrange(256), rng.randrange(256), rng.randrange(256))
                   for _ in range(64 * 64)])
    base = small.resize((size, size), Image.BICUBIC).filter(ImageFilter.GaussianBlur(size / 200))
    noise = Image.effect_noise((size, size), 40).convert("RGB")
    mixed = Image.blend(base, noise, 0.18)
    return mixed.quantize(256, dither=Image.Dither.FLOYDSTEINBERG)


def line_drawing(size, seed):
    rng = random.Random(seed)
    im = Image.new("1", (size, size), 1)
    draw = ImageDraw.Draw(im)
    for _ in range(600):
        draw.line([(rng.randrange(size), rng.randrange(size)),
                   (rng.randrange(size), rng.randrange(size))], fill=0, width=rng.randrange(1, 4))
    for _ in range(150):
        x, y, r = rng.randrange(size), rng.randrange(size), rng.randrange(10, 300)
        draw.ellipse([x - r, y - r, x + r, y + r], outline=0, width=2)
    return im.convert("P")


def animation(w, h, frames):
    """Frames that differ everywhere (a moving plasma), so every frame is a whole image."""
    out = []
    palette_source = None
    for f in range(frames):
        im = Image.new("RGB", (w, h))
        px = []
        for y in range(0, h, 4):
            row = []
            for x in range(0, w, 4):
                v = math.sin(x / 23.0 + f / 5.0) + math.sin(y / 17.0 - f / 7.0) + \
                    math.sin((x + y) / 31.0 + f / 3.0)
                c = int((v + 3) * 42)
                row.append((c, (c * 3 + f * 5) % 256, 255 - c))
            px.append(row)
        small = Image.new("RGB", (w // 4, h // 4))
        small.putdata([p for row in px for p in row])
        im = small.resize((w, h), Image.BILINEAR)
        noise = Image.effect_noise((w, h), 30).convert("RGB")
        im = Image.blend(im, noise, 0.1)
        if palette_source is None:
            palette_source = im.quantize(256)
        out.append(im.quantize(palette=palette_source, dither=Image.Dither.FLOYDSTEINBERG))
    return out


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    p = photo(4000, 1)
    p.save(os.path.join(folder, "photo.gif"), interlace=False, optimize=False)
    p.save(os.path.join(folder, "photo_interlaced.gif"), interlace=True, optimize=False)
    line_drawing(4000, 2).save(os.path.join(folder, "lines.gif"), interlace=False,
                               optimize=False)
    frames = animation(640, 480, 100)
    frames[0].save(os.path.join(folder, "animation.gif"), save_all=True,
                   append_images=frames[1:], interlace=False, optimize=False, duration=40,
                   loop=0, disposal=1)
    photo(32, 3).save(os.path.join(folder, "icon.gif"), interlace=False, optimize=False)


if __name__ == "__main__":
    main()
