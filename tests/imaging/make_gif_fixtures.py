#!/usr/bin/python3
"""Writes the GIF test pictures into tests/data/gif and, for each, the pixels an independent
decoder (Pillow) reads from it, as NAME.expect: "W H\n", 768 palette bytes, then W*H colour
indexes. Run once with Debian's python3-pil; the results are committed.

The pictures are written by a small encoder of our own, so that the cases Pillow's writer
never produces (tiny interlaced images, 2-bit codes, a missing clear code) can be made too."""

import io
import os
import random
import struct
import sys

from PIL import Image

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "gif")

STANDARD16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
              (0, 128, 128), (128, 128, 128), (192, 192, 192), (255, 0, 0), (0, 255, 0),
              (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def starting_table(count):
    """The contents a colour table made for `count` colours starts with."""
    table = [(0, 0, 0)] * 256
    if count == 2:
        table[1] = (255, 255, 255)
    elif count == 16:
        table[:16] = STANDARD16
    elif count == 256:
        table = [(i, i, i) for i in range(256)]
    return table


def lzw(pixels, min_size, clear_when_full=True, leading_clear=True):
    clear, end = 1 << min_size, (1 << min_size) + 1
    out, acc, nacc = bytearray(), 0, 0
    width = min_size + 1
    dec_next = end + 1       # the decoder's next free code, which decides the code width
    first_after_clear = True

    def emit(code):
        nonlocal acc, nacc, width, dec_next, first_after_clear
        acc |= code << nacc
        nacc += width
        while nacc >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nacc -= 8
        if code == clear:
            width, dec_next, first_after_clear = min_size + 1, end + 1, True
            return
        if code == end:
            return
        if first_after_clear:
            first_after_clear = False
            return
        if dec_next < 4096:
            dec_next += 1
            if dec_next == (1 << width) and width < 12:
                width += 1

    def fresh():
        return {(i,): i for i in range(clear)}, end + 1

    table, nxt = fresh()
    if leading_clear:
        emit(clear)
    w = ()
    for p in pixels:
        wk = w + (p,)
        if wk in table:
            w = wk
            continue
        emit(table[w])
        if nxt < 4096:
            table[wk] = nxt
            nxt += 1
        elif clear_when_full:
            emit(clear)
            table, nxt = fresh()
        w = (p,)
    if w:
        emit(table[w])
    emit(end)
    if nacc:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data, size=255):
    out = bytearray()
    for i in range(0, len(data), size):
        chunk = data[i:i + size]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def interlace_order(height):
    rows = []
    for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)):
        rows += range(start, height, step)
    return rows


def table_bytes(colours, count):
    colours = list(colours) + [(0, 0, 0)] * (count - len(colours))
    return b"".join(bytes(c) for c in colours[:count])


def size_code(count):
    return count.bit_length() - 2


class Frame:
    def __init__(self, w, h, pixels, local=None, interlaced=False, min_size=None,
                 transparent=None, **lzw_options):
        self.w, self.h, self.pixels, self.local = w, h, pixels, local
        self.interlaced, self.transparent, self.lzw_options = interlaced, transparent, lzw_options
        self.min_size = min_size

    def encode(self, default_bits):
        out = bytearray()
        if self.transparent is not None:
            out += b"\x21\xf9\x04" + bytes([1]) + b"\x0a\x00" + bytes([self.transparent]) + b"\x00"
        flags = 0
        if self.local:
            flags |= 0x80 | size_code(len(self.local))
        if self.interlaced:
            flags |= 0x40
        out += b"," + struct.pack("<HHHHB", 0, 0, self.w, self.h, flags)
        if self.local:
            out += table_bytes(self.local, len(self.local))
        rows = interlace_order(self.h) if self.interlaced else range(self.h)
        stream = [self.pixels[r * self.w + x] for r in rows for x in range(self.w)]
        min_size = self.min_size or max(2, default_bits)
        out.append(min_size)
        out += sub_blocks(lzw(stream, min_size, **self.lzw_options))
        return bytes(out)


def gif(frames, global_colours=None, global_count=None, version=b"89a", comment=None):
    out = bytearray(b"GIF" + version)
    count = global_count or (len(global_colours) if global_colours else 2)
    flags = size_code(count)
    if global_colours:
        flags |= 0x80
    out += struct.pack("<HHBBB", frames[0].w, frames[0].h, flags, 0, 0)
    if global_colours:
        out += table_bytes(global_colours, count)
    if comment:
        out += b"\x21\xfe" + sub_blocks(comment)
    bits = max(1, (count - 1).bit_length())
    for f in frames:
        if f.local:
            out += f.encode(max(1, (len(f.local) - 1).bit_length()))
        else:
            out += f.encode(bits)
    out += b";"
    return bytes(out)


def colours(rng, n):
    return [(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(n)]


def noise(rng, w, h, n, run=1):
    out = []
    while len(out) < w * h:
        out += [rng.randrange(n)] * rng.randrange(1, run + 1)
    return out[:w * h]


def expected(data, global_count, local_count):
    """Pillow's reading of the first image: its indexes and its palette, completed with the
    starting contents the rest of a 256-entry table holds."""
    im = Image.open(io.BytesIO(data))
    im.seek(0)
    im.load()
    indexes = bytes(im.getdata())
    pal = im.getpalette() or []
    if local_count:
        table = starting_table(global_count)
        used = local_count
    else:
        table = starting_table(2)
        used = global_count
    table = list(table)
    for i in range(min(used, len(pal) // 3)):
        table[i] = tuple(pal[i * 3:i * 3 + 3])
    return f"{im.width} {im.height}\n".encode() + b"".join(bytes(c) for c in table) + indexes


def quantized_gradient(w, h):
    picture = Image.new("RGB", (w, h))
    picture.putdata([(x * 255 // (w - 1), y * 255 // (h - 1), 255 - x * 255 // (w - 1))
                     for y in range(h) for x in range(w)])
    out = io.BytesIO()
    picture.quantize(256).save(out, "GIF")
    return out.getvalue()


def main():
    rng = random.Random(4)
    os.makedirs(OUT, exist_ok=True)
    cases = {}
    # 1, 2, 4 and 8 bits a pixel, global table.
    for bits in (1, 2, 4, 8):
        n = 1 << bits
        w, h = 37, 23
        cases[f"bits{bits}"] = (gif([Frame(w, h, noise(rng, w, h, n, 3))], colours(rng, n)), n, 0)
    # A local table over a global one; the local table is smaller, so its unfilled entries
    # keep the starting contents of the global table's count (16: the standard colours).
    w, h = 20, 10
    cases["local16"] = (gif([Frame(w, h, noise(rng, w, h, 4), local=colours(rng, 4))],
                            colours(rng, 16)), 16, 4)
    # A global table of 4 colours: entries 4 to 255 keep black.
    cases["global4"] = (gif([Frame(9, 7, noise(rng, 9, 7, 4))], colours(rng, 4)), 4, 0)
    # Interlaced, heights 1 to 9 and a large one.
    for h in list(range(1, 10)) + [301]:
        w = 13 if h < 300 else 211
        cases[f"interlaced{h}"] = (gif([Frame(w, h, noise(rng, w, h, 16, 2), interlaced=True)],
                                       colours(rng, 16)), 16, 0)
    # A table that fills to 4096 codes several times, each time followed by a clear code.
    w, h = 300, 200
    cases["fulltable8"] = (gif([Frame(w, h, noise(rng, w, h, 256))], colours(rng, 256)), 256, 0)
    w, h = 400, 300
    cases["fulltable2"] = (gif([Frame(w, h, noise(rng, w, h, 4, 9), min_size=2)],
                               colours(rng, 4)), 4, 0)
    # No clear code at the start of the data.
    cases["noleadingclear"] = (gif([Frame(16, 8, noise(rng, 16, 8, 4, 4),
                                          leading_clear=False)], colours(rng, 4)), 4, 0)
    # An animation: the first frame is the picture; later frames have tables of their own.
    frames = [Frame(24, 18, noise(rng, 24, 18, 8, 2))]
    frames += [Frame(10 + i, 5 + i, noise(rng, 10 + i, 5 + i, 8), local=colours(rng, 8),
                     interlaced=i % 2 == 1) for i in range(4)]
    cases["animated"] = (gif(frames, colours(rng, 8), comment=b"made for the tests"), 8, 0)
    # Transparency: the transparent index shows in its palette colour.
    cases["transparent"] = (gif([Frame(12, 12, noise(rng, 12, 12, 4), transparent=2)],
                                colours(rng, 4)), 4, 0)
    # Quantized colour gradients as Pillow writes them (256-colour global table, interlaced).
    for w, h in ((64, 64), (301, 203)):
        cases[f"quantized{w}"] = (quantized_gradient(w, h), 256, 0)
    for name, (data, global_count, local_count) in cases.items():
        with open(os.path.join(OUT, name + ".gif"), "wb") as f:
            f.write(data)
        with open(os.path.join(OUT, name + ".expect"), "wb") as f:
            f.write(expected(data, global_count, local_count))
    # Files that must fail: a full table without a clear code, and an animation whose last
    # frame is damaged.
    w, h = 300, 200
    with open(os.path.join(OUT, "overflow.gif"), "wb") as f:
        f.write(gif([Frame(w, h, noise(rng, w, h, 256), clear_when_full=False)],
                    colours(rng, 256)))
    frames = [Frame(8, 8, noise(rng, 8, 8, 4)), Frame(8, 8, noise(rng, 8, 8, 4))]
    data = bytearray(gif(frames, colours(rng, 4)))
    data[-3] = 0xFF  # the last data byte of the second frame: a code above the next free one
    with open(os.path.join(OUT, "badframe.gif"), "wb") as f:
        f.write(bytes(data))


if __name__ == "__main__":
    sys.exit(main())
