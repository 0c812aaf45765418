#!/usr/bin/env python3
"""Checks that the committed icons are what scripts/make_icons.py draws: the same pixels in
every PNG size, the same SVG text."""
import os
import subprocess
import sys
import tempfile

from PIL import Image

source = sys.argv[1]
committed = os.path.join(source, 'packaging', 'icons')
failures = []
with tempfile.TemporaryDirectory() as scratch:
    subprocess.run([sys.executable, '-B', os.path.join(source, 'scripts', 'make_icons.py'),
                    scratch], check=True)
    made = sorted(os.path.relpath(os.path.join(d, f), scratch)
                  for d, _, files in os.walk(scratch) for f in files)
    there = sorted(os.path.relpath(os.path.join(d, f), committed)
                   for d, _, files in os.walk(committed) for f in files)
    if made != there:
        failures.append('the icon files are %s, the script makes %s' % (there, made))
    for name in made:
        a, b = os.path.join(scratch, name), os.path.join(committed, name)
        if not os.path.exists(b):
            continue
        if name.endswith('.png'):
            with Image.open(a) as x, Image.open(b) as y:
                same = (x.mode, x.size, x.tobytes()) == (y.mode, y.size, y.tobytes())
        else:
            with open(a, 'rb') as x, open(b, 'rb') as y:
                same = x.read() == y.read()
        if not same:
            failures.append('packaging/icons/%s differs from what make_icons.py draws' % name)
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
