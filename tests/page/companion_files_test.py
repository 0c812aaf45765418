#!/usr/bin/env python3
"""Checks that the committed clock pictures and the example quiz are what their generators
make, and that the copies beside the example quiz are the same files as those in web/."""
import filecmp
import os
import subprocess
import sys
import tempfile

source = sys.argv[1]
web = os.path.join(source, 'web')
examples = os.path.join(source, 'examples')
companions = ['clock.js', 'cfdg.gif'] + ['%dfdg.gif' % d for d in range(10)]
failures = []

with tempfile.TemporaryDirectory() as scratch:
    subprocess.run([sys.executable, '-B', os.path.join(web, 'make_digits.py'), scratch],
                   check=True)
    for name in companions[1:]:
        if not filecmp.cmp(os.path.join(scratch, name), os.path.join(web, name), shallow=False):
            failures.append('web/%s differs from what make_digits.py draws' % name)
with tempfile.TemporaryDirectory() as scratch:
    subprocess.run([sys.executable, '-B', os.path.join(examples, 'make_solar_system.py'),
                    scratch], check=True)
    for name in ['solar_system.qvt', 'saturn.gif']:
        if not filecmp.cmp(os.path.join(scratch, name), os.path.join(examples, name),
                           shallow=False):
            failures.append('examples/%s differs from what make_solar_system.py writes' % name)
for name in companions:
    beside = os.path.join(examples, name)
    if not os.path.exists(beside):
        failures.append('examples/%s is missing' % name)
    elif not filecmp.cmp(beside, os.path.join(web, name), shallow=False):
        failures.append('examples/%s is not the same as web/%s' % (name, name))

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
