#!/usr/bin/env python3
"""Imports every real question bank of ../shared/banks_corpus (beside the repository) with
tamberlin --import and checks the outcome against an independent reading of each file:
- Moodle XML through xml.etree and html.unescape: which questions a quiz can hold (one answer
  of fraction 100, 2 to 5 non-empty choices, texts within the quiz's sizes in the code page),
  and the picture bytes decoded with base64, which must be the bytes written beside the quiz
  and come back the same through --export --format moodlexml and a second import;
- CSV through the csv module: one question per row;
- GIFT and Aiken through their documented structure: a GIFT question is a block of lines
  between blank lines (comments and category lines aside), an Aiken question ends at its
  ANSWER line.
Every question must be imported or named in a "skipped" note; no file is refused while one of
its questions can be imported. Exits 77 (skipped) without the corpus."""
import base64
import csv
import html
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
CORPUS = os.path.join(ROOT, '..', 'shared', 'banks_corpus')
EXE = os.environ.get('TAMBERLIN_EXE')
CODE_PAGES = {'pm_questions_ru.gift': 'cp1251', 'ceng220_tr_image_only.xml': 'cp1254'}
failures = []
# What SOURCES.md says of a file: the Russian bank holds 52 multiple-choice questions.
EXPECTED_IMPORTS = {'pm_questions_ru.gift': 52}


def check(condition, message):
    if not condition:
        failures.append(message)


def run_import(path, out_dir, code_page, extra=()):
    quiz = os.path.join(out_dir, 'quiz.qvt')
    env = dict(os.environ, TAMBERLIN_CODEPAGE=code_page)
    done = subprocess.run([EXE, '--import', path, '-o', quiz, *extra], env=env,
                          capture_output=True, text=True, timeout=60)
    # Questions past the 100 a quiz holds are counted with the imported ones: the note names
    # them all.
    match = re.search(r': (\d+) questions with', done.stdout)
    imported = int(match.group(1)) if match else 0
    skipped = [line for line in done.stderr.splitlines()
               if re.search(r": line \d+: (question skipped|skipped )", line)
               and "the file holds no question" not in line]
    left = re.search(r'the (\d+) from this line on are left', done.stderr)
    imported += int(left.group(1)) if left else 0
    return imported, skipped, done


def html_text(raw, alt=False):
    text = re.sub(r'<!--.*?-->', '', raw, flags=re.S)
    text = re.sub(r'<(script|style)\b.*?</\1\s*>', '', text, flags=re.S | re.I)
    if alt:
        text = re.sub(r'<img\b[^>]*?\balt\s*=\s*"([^"]*)"[^>]*>', r' \1 ', text, flags=re.I)
    text = re.sub(r'<(br|p|div|li|tr)\b[^>]*>', '\n', text, flags=re.I)
    text = re.sub(r'</?[A-Za-z!?][^>]*>', '', text)
    text = html.unescape(text).replace('\u00a0', ' ')
    lines = [re.sub(r'[ \t\r]+', ' ', line).strip() for line in text.split('\n')]
    return '\r\n'.join(line for line in lines if line)


def fits(text, code_page, capacity):
    try:
        return len(text.encode(code_page)) <= capacity
    except UnicodeEncodeError:
        return False


def xml_text(element, alt=False):
    if element is None:
        return ''
    raw = element.findtext('text') or ''
    if element.get('format', 'html') in ('plain_text', 'markdown'):
        return raw.strip().replace('\r\n', '\n').replace('\n', '\r\n')
    return html_text(raw, alt)


def picture_bytes(question):
    """The bytes of the picture the question text shows first, if a quiz can show it."""
    text_el = question.find('questiontext')
    raw = text_el.findtext('text') or ''
    files = {f.get('name'): f.text or '' for f in text_el.findall('file')}
    for src in re.findall(r'<img\b[^>]*?src="@@PLUGINFILE@@/([^"?]+)', raw, flags=re.I):
        from urllib.parse import unquote
        name = unquote(src)
        if name in files:
            if not re.search(r'\.(png|jpe?g|gif|bmp|ico)$', name, re.I):
                return None
            return base64.b64decode(''.join(files[name].split()))
    if question.find('image_base64') is not None:
        return base64.b64decode(''.join((question.findtext('image_base64') or '').split()))
    return None


def moodle_expectation(path, code_page):
    root = ET.parse(path).getroot()
    total, holdable, pictures = 0, 0, []
    for question in root.findall('question'):
        if question.get('type') == 'category':
            continue
        total += 1
        if question.get('type') != 'multichoice':
            continue
        answers = [(float(a.get('fraction', '0')), xml_text(a, alt=True))
                   for a in question.findall('answer')]
        right = [a for a in answers if a[0] >= 99.99]
        choices = [a for a in answers if a[1] or a[0] >= 99.99]
        text = xml_text(question.find('questiontext'))
        picture = picture_bytes(question)
        if (len(right) == 1 and 2 <= len(choices) <= 5 and (text or picture) and
                fits(text, code_page, 255) and all(fits(c[1], code_page, 250) for c in choices)):
            holdable += 1
            pictures.append(picture)
    return total, holdable, pictures


def check_moodle(name, path, scratch):
    code_page = CODE_PAGES.get(name, 'cp1252')
    total, holdable, pictures = moodle_expectation(path, code_page)
    imported, skipped, done = run_import(path, scratch, code_page)
    check(imported == holdable, f'{name}: {imported} imported, {holdable} expected\n{done.stderr}')
    check(imported + len(skipped) == total,
          f'{name}: {imported} imported and {len(skipped)} skipped of {total}\n{done.stderr}')
    if imported == 0:
        return
    written = sorted(f for f in os.listdir(scratch) if f != 'quiz.qvt')
    wanted = sorted(p for p in pictures if p)
    check(sorted(open(os.path.join(scratch, f), 'rb').read() for f in written) == wanted,
          f'{name}: the pictures written beside the quiz are not the embedded ones')
    # Out and in again: the same questions and the same picture bytes.
    exported = os.path.join(scratch, 'again.xml')
    env = dict(os.environ, TAMBERLIN_CODEPAGE=code_page)
    subprocess.run([EXE, '--export', os.path.join(scratch, 'quiz.qvt'), '--format', 'moodlexml',
                    '-o', exported], env=env, check=True, capture_output=True, timeout=60)
    ET.parse(exported)
    second = os.path.join(scratch, 'second')
    os.mkdir(second)
    again, again_skipped, done = run_import(exported, second, code_page)
    check(again == imported and not again_skipped, f'{name}: the round trip lost questions\n{done.stderr}')
    first_listing = listing(os.path.join(scratch, 'quiz.qvt'), code_page)
    second_listing = listing(os.path.join(second, 'quiz.qvt'), code_page)
    check(first_listing == second_listing, f'{name}: the round trip changed the quiz')
    again_pictures = sorted(open(os.path.join(second, f), 'rb').read()
                            for f in os.listdir(second) if f != 'quiz.qvt')
    check(again_pictures == wanted, f'{name}: the round trip changed the picture bytes')


def listing(quiz, code_page):
    """The quiz's questions as --export --format csv gives them (Python's csv reads them)."""
    env = dict(os.environ, TAMBERLIN_CODEPAGE=code_page)
    out = subprocess.run([EXE, '--export', quiz, '--format', 'csv'], env=env, check=True,
                         capture_output=True, timeout=60).stdout.decode('utf-8-sig')
    return [row[:-1] for row in csv.reader(out.splitlines())]


def csv_expectation(path):
    with open(path, newline='', encoding='utf-8-sig') as f:
        sample = f.read()
    delimiter = ';' if sample.split('\n')[0].count(';') > sample.split('\n')[0].count(',') else ','
    rows = [r for r in csv.reader(sample.splitlines(keepends=True), delimiter=delimiter)
            if any(cell.strip() for cell in r)]
    header = [c.strip().lower() for c in rows[0]]
    headed = 'question' in ''.join(header)
    body = rows[1:] if headed else rows
    holdable = 0
    for row in body:
        if headed:
            q_col = next(i for i, h in enumerate(header) if h.startswith('question'))
            a_col = next(i for i, h in enumerate(header) if 'correct' in h or h == 'answer')
            choice_cols = [i for i, h in enumerate(header) if re.fullmatch(r'[a-e]|answer ?\d|option [a-e]', h)]
        else:
            used = [c for c in row if c.strip()]
            q_col, a_col, choice_cols = 0, len(used) - 1, list(range(1, len(used) - 1))
        choices = [row[i] for i in choice_cols if i < len(row)]
        while choices and not choices[-1]:
            choices.pop()
        answer = row[a_col].strip() if a_col < len(row) else ''
        index = ('ABCDE'.index(answer.upper()) if len(answer) == 1 and answer.upper() in 'ABCDE'
                 else int(answer) - 1 if answer.isdigit() else -1)
        text = row[q_col].replace('\r\n', '\n').replace('\n', '\r\n')
        if (0 <= index < len(choices) and choices[index].strip() and 2 <= len(choices) <= 5 and
                text.strip() and fits(text, 'cp1252', 255) and
                all(fits(c.replace('\n', '\r\n'), 'cp1252', 250) for c in choices)):
            holdable += 1
    return len(body), holdable


def gift_count(path):
    with open(path, encoding='utf-8-sig') as f:
        lines = f.read().replace('\r\n', '\n').split('\n')
    blocks, current = 0, []
    for line in lines + ['']:
        stripped = line.strip()
        if stripped.startswith('//'):
            continue
        if stripped.startswith('$CATEGORY:'):
            blocks += 1 if current else 0
            current = []
            continue
        joined = re.sub(r'\\.', '', '\n'.join(current))
        if not stripped and joined.count('{') <= joined.count('}'):
            blocks += 1 if current else 0
            current = []
        elif not stripped:
            continue
        else:
            current.append(stripped)
    return blocks


def aiken_count(path):
    with open(path, encoding='utf-8-sig') as f:
        return sum(1 for line in f if re.match(r'\s*ANSWER\s*:', line, re.I))


def main():
    if not EXE:
        print('TAMBERLIN_EXE is not set')
        return 1
    if not os.path.isdir(CORPUS):
        print(f'Skipping: the bank corpus is not at {os.path.normpath(CORPUS)} '
              '(a copy of shared/ beside the repository)')
        return 77
    names = sorted(os.listdir(CORPUS))
    names += ['moodlexml/' + n for n in sorted(os.listdir(os.path.join(CORPUS, 'moodlexml')))]
    for name in names:
        path = os.path.join(CORPUS, name)
        base = os.path.basename(name)
        if not os.path.isfile(path) or base == 'SOURCES.md':
            continue
        with tempfile.TemporaryDirectory() as scratch:
            code_page = CODE_PAGES.get(base, 'cp1252')
            if base.endswith('.xml'):
                check_moodle(base, path, scratch)
                continue
            imported, skipped, done = run_import(path, scratch, code_page)
            if base.endswith('.csv'):
                total, holdable = csv_expectation(path)
                check(imported == holdable, f'{base}: {imported} imported, {holdable} expected\n{done.stderr}')
            elif base.endswith('.gift') or 'gift' in base:
                total = gift_count(path)
            else:
                total = aiken_count(path)
            # Every block is accounted for at least once (a block may hold two questions when
            # the blank line between them is missing; an Aiken question without its ANSWER line
            # is skipped too).
            accounted = imported + len(skipped)
            ok = accounted >= total if not base.endswith('.csv') else accounted == total
            if base in EXPECTED_IMPORTS:
                check(imported == EXPECTED_IMPORTS[base],
                      f'{base}: {imported} imported, {EXPECTED_IMPORTS[base]} expected')
            check(ok, f'{base}: {imported} imported and {len(skipped)} skipped of {total}\n{done.stderr}')
            print(f'{base}: {imported} imported, {len(skipped)} skipped')
    for failure in failures:
        print('FAIL', failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
