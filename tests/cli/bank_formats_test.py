#!/usr/bin/env python3
"""The CSV the program writes and reads, against Python's own csv module: the example quiz
exported as CSV reads back with csv as the questions its generator script holds, and a file
written by csv the way a spreadsheet saves it (semicolons, a byte-order mark, quoted fields
with line breaks, quotes and semicolons) comes back unchanged through --import and --export;
texts that would run as formulas are written as text and read back as they were.
Usage: bank_formats_test.py SOURCE_DIR TAMBERLIN_EXE"""
import csv
import io
import os
import subprocess
import sys
import tempfile

source, exe = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(source, 'examples'))
import make_solar_system  # noqa: E402

failures = []
env = dict(os.environ, TAMBERLIN_CODEPAGE='cp1252')


def run(*args):
    done = subprocess.run([exe, *args], capture_output=True, env=env, timeout=60)
    if done.returncode != 0:
        failures.append('%s: exit %d: %s' % (' '.join(args), done.returncode,
                                             done.stderr.decode(errors='replace')))
    return done.stdout


# 1. The example quiz as CSV, read by csv.
text = run('--export', os.path.join(source, 'examples', 'solar_system.qvt'), '--format', 'csv')
rows = list(csv.reader(io.StringIO(text.decode('utf-8-sig'), newline='')))
if rows[0] != ['question', 'A', 'B', 'C', 'D', 'answer', 'picture']:
    failures.append('header row: %r' % rows[0])
want = [[q, *choices, answer, picture] for q, choices, answer, picture in
        make_solar_system.QUESTIONS]
if rows[1:] != want:
    failures.append('example rows differ:\n%r\n%r' % (rows[1:], want))

# 2. A spreadsheet's file, written by csv, through --import and --export.
sheet = [
    ['question', 'A', 'B', 'C', 'D', 'E', 'answer', 'picture'],
    ['Which is larger; the Sun or the Moon?', 'The Sun', 'The Moon', '', '', '', 'A', ''],
    ['A "quoted" question\r\nover two lines', 'one; two', 'three', 'four', 'five',
     'six, seven', 'E', ''],
    ['Prix : 5 € — déjà vu?', 'oui', 'non', 'peut-être', '', '', 'C', ''],
]
with tempfile.TemporaryDirectory() as folder:
    bank = os.path.join(folder, 'sheet.csv')
    with open(bank, 'w', encoding='utf-8-sig', newline='') as f:
        csv.writer(f, delimiter=';', lineterminator='\r\n').writerows(sheet)
    quiz = os.path.join(folder, 'sheet.qvt')
    run('--import', bank, '-o', quiz)
    back = run('--export', quiz, '--format', 'csv')
    rows = list(csv.reader(io.StringIO(back.decode('utf-8-sig'), newline='')))
    if rows != sheet:
        failures.append('spreadsheet rows differ:\n%r\n%r' % (rows, sheet))

# 3. Texts a spreadsheet would run as formulas: csv reads them with the apostrophe in front that
# keeps them text, and importing that CSV gives the texts back as they were.
risky = [
    ['question', 'A', 'B', 'C', 'answer', 'picture'],
    ['-5 + 2 = ?', '-3', '=1+2', '@SUM(A1)', 'A', ''],
    ['+1 or not?', 'plain', "'quoted already", 'x=y', 'B', ''],
]
with tempfile.TemporaryDirectory() as folder:
    bank = os.path.join(folder, 'risky.csv')
    with open(bank, 'w', encoding='utf-8', newline='') as f:
        csv.writer(f, lineterminator='\r\n').writerows(risky)
    quiz = os.path.join(folder, 'risky.qvt')
    run('--import', bank, '-o', quiz)
    out = run('--export', quiz, '--format', 'csv')
    rows = list(csv.reader(io.StringIO(out.decode('utf-8-sig'), newline='')))
    guarded = [risky[0]] + [[("'" + c if c[:1] in ('=', '+', '-', '@') else c) for c in row]
                            for row in risky[1:]]
    if rows != guarded:
        failures.append('formula cells differ:\n%r\n%r' % (rows, guarded))
    again = os.path.join(folder, 'again.csv')
    with open(again, 'wb') as f:
        f.write(out)
    run('--import', again, '-o', os.path.join(folder, 'again.qvt'))
    twice = run('--export', os.path.join(folder, 'again.qvt'), '--format', 'csv')
    if twice != out:
        failures.append('the guarded CSV did not come back through --import unchanged')

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
