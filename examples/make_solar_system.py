#!/usr/bin/env python3
"""Writes the example quiz solar_system.qvt and its question picture saturn.gif into the
folder of this script (or the folder given), and copies the page's clock files from web/
beside them, so that the quiz can be published and taken at once.

    python3 examples/make_solar_system.py [FOLDER]

The quiz file is laid out field by field as the program reads it: counted strings (a length
byte and a fixed field), little-endian 32-bit integers, the 1404-byte page-look block at
offset 1133 and one 1764-byte record per question. Running it again gives the same bytes.
"""
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
WEB = os.path.join(HERE, '..', 'web')
sys.path.insert(0, WEB)
import make_digits  # noqa: E402  (the GIF writer)


def counted(text, capacity):
    raw = text.encode('cp1252')
    assert len(raw) <= capacity, text
    return bytes([len(raw)]) + raw + bytes(capacity - len(raw))


def i32(value):
    return struct.pack('<i', value)


def colour(red, green, blue):
    """A colour as the quiz file keeps it: 0x00BBGGRR."""
    return struct.pack('<I', red | (green << 8) | (blue << 16))


def font_tag(face, size, rgb):
    faces = {'Serif': ' FACE="serif"', 'Sans Serif': ' FACE="sans-serif"',
             'Monospace': ' FACE="monospace"'}
    return '<FONT%s SIZE="%d" COLOR="#%02X%02X%02X">\r\n' % ((faces.get(face, ''), size) + rgb)


TITLE_FONT = ('Sans Serif', 6, (0x1A, 0x23, 0x7E))
QUESTION_FONT = ('Serif', 4, (0x20, 0x20, 0x20))
TEXT_COLOUR = (0x10, 0x10, 0x30)
BACKGROUND_COLOUR = (0xF4, 0xF1, 0xE6)


def page_look():
    block = bytes([1, 1, 0, 1, 0, 0, 1])  # title font, question font, choice font, text colour,
    #                                       fixed background, cookie required, background colour
    block += counted('Tamberlin examples', 200)
    block += counted(font_tag(*TITLE_FONT), 200)
    block += counted(font_tag(*QUESTION_FONT), 200)
    block += counted('', 200)
    block += counted('', 250)  # background picture
    block += counted(TITLE_FONT[0], 100)
    block += counted(QUESTION_FONT[0], 100)
    block += counted('', 100)
    block += bytes(3)
    block += colour(*TEXT_COLOUR) + colour(*BACKGROUND_COLOUR)
    block += colour(*TITLE_FONT[2]) + colour(*QUESTION_FONT[2]) + colour(0, 0, 0)
    block += i32(TITLE_FONT[1]) + i32(QUESTION_FONT[1]) + i32(3)
    block += bytes([0]) + bytes(3)  # alignment left, filler
    assert len(block) == 1404
    return block


QUESTIONS = [
    ('Which planet is closest to the Sun?', ['Venus', 'Mercury', 'Mars', 'Earth'], 'B', ''),
    ('Which planet is the largest in the Solar System?',
     ['Saturn', 'Neptune', 'Jupiter', 'Uranus'], 'C', ''),
    ('The planet in the picture is famous for its bright rings. Which planet is it?',
     ['Saturn', 'Mars', 'Mercury', 'Venus'], 'A', 'saturn.gif'),
    ('How long does light from the Sun take to reach the Earth, roughly?',
     ['8 seconds', '8 minutes', '8 hours', '8 days'], 'B', ''),
    ('Which planet is known as the "Red Planet"?', ['Jupiter', 'Venus', 'Mercury', 'Mars'],
     'D', ''),
    ('Which of these is a dwarf planet?', ['Pluto', 'Neptune', 'Titan', 'Io'], 'A', ''),
    ('What is the hottest planet, with a surface of about 460 °C?',
     ['Mercury', 'Venus', 'Mars', 'Jupiter'], 'B', ''),
    ('Between which two planets does the main asteroid belt lie?',
     ['Earth and Mars', 'Jupiter and Saturn', 'Mars and Jupiter', 'Venus and Earth'], 'C', ''),
    ('How many planets go round the Sun?', ['7', '8', '9', '10'], 'B', ''),
    ('Which planet spins on its side, with an axis tilted by about 98°?',
     ['Uranus', 'Saturn', 'Neptune', 'Earth'], 'A', ''),
]


def question_record(text, choices, answer, picture):
    record = counted(picture, 250) + counted(text, 255)
    for k in range(5):
        record += counted(choices[k] if k < len(choices) else '', 250)
    record += counted(answer, 1)
    assert len(record) == 1764
    return record


def quiz_bytes():
    data = counted('The Solar System', 255)
    data += i32(len(QUESTIONS)) + i32(4)
    data += counted('SOLAR-01', 100)
    data += counted('/results', 255)  # the results receiver: tamberlin-results serve examples
    data += counted('', 255)  # login address: no login needed
    data += counted('', 255)  # no redirect: the receiver thanks the taker itself
    data += page_look()
    assert len(data) == 2537
    for question in QUESTIONS:
        data += question_record(*question)
    data += i32(600)  # ten minutes
    return data


def saturn_picture():
    """A small picture of a ringed planet on a dark sky, 120 x 80 pixels."""
    width, height = 120, 80
    palette = [(0x0B, 0x0E, 0x2A), (0xE8, 0xC9, 0x8A), (0xC9, 0xA2, 0x5E), (0xB8, 0xB0, 0x98),
               (0xFF, 0xFF, 0xFF), (0x8C, 0x6D, 0x3A)]
    cx, cy, radius = width / 2, height / 2, 22
    pixels = [[0] * width for _ in range(height)]
    for (sx, sy) in [(7, 9), (23, 61), (101, 12), (110, 70), (40, 5), (88, 74), (14, 40)]:
        pixels[sy][sx] = 4
    for y in range(height):
        for x in range(width):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            # The ring: an ellipse band, hidden behind the planet's upper half.
            ring = (dx / 52) ** 2 + (dy / 11) ** 2
            in_ring = 0.62 <= ring <= 1.0
            in_planet = dx * dx + dy * dy <= radius * radius
            if in_planet and not (in_ring and dy > 0):
                band = int((dy + radius) / 6) % 2
                pixels[y][x] = 1 if band == 0 else 2
                if dx * dx + dy * dy > (radius - 2) ** 2:
                    pixels[y][x] = 5
            elif in_ring:
                pixels[y][x] = 3
    return make_digits.gif_bytes(width, pixels, palette)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else HERE
    with open(os.path.join(folder, 'solar_system.qvt'), 'wb') as f:
        f.write(quiz_bytes())
    with open(os.path.join(folder, 'saturn.gif'), 'wb') as f:
        f.write(saturn_picture())
    for name in ['clock.js', 'cfdg.gif'] + ['%dfdg.gif' % d for d in range(10)]:
        source = os.path.join(WEB, name)
        target = os.path.join(folder, name)
        if os.path.abspath(source) != os.path.abspath(target):
            shutil.copyfile(source, target)


if __name__ == '__main__':
    main()
