#!/usr/bin/env python3
"""Draws the quiz clock's pictures: 0fdg.gif .. 9fdg.gif (seven-segment digits) and cfdg.gif
(the colon). Plain Python, no imaging library: the GIF writer and its LZW coder are below.

    python3 web/make_digits.py [FOLDER]      (default: the folder of this script)

The output is the same on every run, so the committed pictures can be checked against it.
"""
import os
import sys

WIDTH, HEIGHT = 16, 26
COLON_WIDTH = 8
THICK = 3
# Palette: background, unlit segment, lit segment, spare.
PALETTE = [(0x00, 0x00, 0x00), (0x3A, 0x08, 0x08), (0xFF, 0x30, 0x20), (0xFF, 0xFF, 0xFF)]

#  aaa
# f   b
#  ggg
# e   c
#  ddd
SEGMENTS = {
    '0': 'abcdef', '1': 'bc', '2': 'abged', '3': 'abgcd', '4': 'fgbc',
    '5': 'afgcd', '6': 'afgedc', '7': 'abc', '8': 'abcdefg', '9': 'abcdfg',
}


def segment_boxes():
    """(x0, y0, x1, y1), end-exclusive, of each segment in a digit cell."""
    left, right = 2, WIDTH - 2
    top, bottom = 1, HEIGHT - 1
    middle = HEIGHT // 2
    t = THICK
    return {
        'a': (left + 1, top, right - 1, top + t),
        'g': (left + 1, middle - t // 2 - 1, right - 1, middle - t // 2 + t - 1),
        'd': (left + 1, bottom - t, right - 1, bottom),
        'f': (left, top + 1, left + t, middle - 1),
        'b': (right - t, top + 1, right, middle - 1),
        'e': (left, middle, left + t, bottom - 1),
        'c': (right - t, middle, right, bottom - 1),
    }


def digit_pixels(digit):
    pixels = [[0] * WIDTH for _ in range(HEIGHT)]
    for name, (x0, y0, x1, y1) in segment_boxes().items():
        colour = 2 if name in SEGMENTS[digit] else 1
        for y in range(y0, y1):
            for x in range(x0, x1):
                pixels[y][x] = colour
    return WIDTH, pixels


def colon_pixels():
    pixels = [[0] * COLON_WIDTH for _ in range(HEIGHT)]
    for cy in (HEIGHT // 3, 2 * HEIGHT // 3):
        for y in range(cy - 1, cy + 2):
            for x in range(COLON_WIDTH // 2 - 1, COLON_WIDTH // 2 + 2):
                pixels[y][x] = 2
    return COLON_WIDTH, pixels


def lzw_encode(indices, min_code_size):
    """GIF's variable-width LZW: codes packed least significant bit first."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    acc = 0
    nbits = 0

    def emit(code, width):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    def fresh_table():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = fresh_table()
    emit(clear, width)
    current = ()
    for index in indices:
        extended = current + (index,)
        if extended in table:
            current = extended
            continue
        emit(table[current], width)
        if next_code < 4096:
            table[extended] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table, next_code, width = fresh_table()
        current = (index,)
    if current:
        emit(table[current], width)
    emit(end, width)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif_bytes(width, pixels, palette=PALETTE):
    """A GIF89a picture of palette indices; the palette holds 2 to 256 colours."""
    height = len(pixels)
    bits = max(1, (len(palette) - 1).bit_length())
    data = bytearray(b'GIF89a')
    data += width.to_bytes(2, 'little') + height.to_bytes(2, 'little')
    data += bytes([0x80 | ((bits - 1) << 4) | (bits - 1), 0, 0])  # global colour table
    for r, g, b in list(palette) + [(0, 0, 0)] * ((1 << bits) - len(palette)):
        data += bytes([r, g, b])
    data += b'\x2C' + (0).to_bytes(2, 'little') * 2
    data += width.to_bytes(2, 'little') + height.to_bytes(2, 'little') + b'\x00'
    min_code_size = max(2, bits)
    data.append(min_code_size)
    coded = lzw_encode([p for row in pixels for p in row], min_code_size)
    for start in range(0, len(coded), 255):
        chunk = coded[start:start + 255]
        data.append(len(chunk))
        data += chunk
    data += b'\x00\x3B'
    return bytes(data)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    pictures = {'%sfdg.gif' % d: digit_pixels(d) for d in '0123456789'}
    pictures['cfdg.gif'] = colon_pixels()
    for name, (width, pixels) in sorted(pictures.items()):
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(gif_bytes(width, pixels))


if __name__ == '__main__':
    main()
