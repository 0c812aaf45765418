#!/usr/bin/env python3
"""tamberlin --pdf, read back with poppler (pdftotext, pdfinfo, pdffonts, pdfimages) and qpdf.

    pdf_command_test.py TAMBERLIN_EXE SOURCE_DIR

The quizzes are written here field by field (the example quiz's own writer), not by the program.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

EXE = SOURCE = None


def counted(text, capacity, encoding='cp1252'):
    raw = text.encode(encoding)
    assert len(raw) <= capacity, text
    return bytes([len(raw)]) + raw + bytes(capacity - len(raw))


def quiz_file(path, title, questions, choices, encoding='cp1252', title_face=''):
    """questions: (text, [choices], answer, picture) tuples."""
    data = counted(title, 255, encoding) + struct.pack('<ii', len(questions), choices)
    data += counted('Q-1', 100) + counted('', 255) * 3
    look = bytearray(1404)
    if title_face:
        look[0] = 1
        look[1062:1062 + 101] = counted(title_face, 100)
    data += bytes(look)
    for text, texts, answer, picture in questions:
        data += counted(picture, 250, encoding) + counted(text, 255, encoding)
        for k in range(5):
            data += counted(texts[k] if k < len(texts) else '', 250, encoding)
        data += counted(answer, 1)
    data += struct.pack('<i', 600)
    with open(path, 'wb') as f:
        f.write(data)
    return path


def png(path, width, height, rgb=(40, 90, 160)):
    """A one-colour PNG file, written with zlib alone."""
    def chunk(kind, body):
        return (struct.pack('>I', len(body)) + kind + body +
                struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF))
    row = b'\0' + bytes(rgb) * width
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' +
                chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(row * height)) + chunk(b'IEND', b''))


def run(*args, env=None, cwd=None):
    full = dict(os.environ, TAMBERLIN_CODEPAGE='cp1252', LC_ALL='C.UTF-8')
    full.update(env or {})
    return subprocess.run([EXE, '--pdf', *args], capture_output=True, text=True, env=full,
                          cwd=cwd, timeout=300)


def tool(*args):
    done = subprocess.run(list(args), capture_output=True, text=True, timeout=120)
    if done.returncode != 0:
        raise AssertionError('%s failed: %s' % (args[0], done.stderr))
    return done.stdout


def text_of(pdf, page=None, layout=True):
    pages = ['-f', str(page), '-l', str(page)] if page else []
    return tool('pdftotext', *(['-layout'] if layout else []), *pages, pdf, '-')


def words(text):
    return ' '.join(text.split())


def info(pdf):
    fields = dict(line.split(':', 1) for line in tool('pdfinfo', pdf).splitlines() if ':' in line)
    return {k.strip(): v.strip() for k, v in fields.items()}


def key_of(text):
    """The answer key's question numbers and letters, after its heading."""
    section = text[text.index('Answer key'):]
    return {int(n): letter for n, letter in re.findall(r'(?m)(?:^|\s)(\d+)\s+([A-E-])(?=\s|$)',
                                                       section.split('\n', 2)[2])}


def printed_questions(text):
    """[(question text, [choice texts])] in printed order, for one-line texts."""
    questions = []
    for line in text.splitlines():
        question = re.match(r'^(\d+)\.\s+(.*\S)', line)
        choice = re.match(r'^\s+([A-E])\.\s+(.*\S)', line)
        if question:
            questions.append((question.group(2), []))
        elif choice and questions:
            questions[-1][1].append(choice.group(2))
    return questions


class PdfCommandTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        sys.path.insert(0, os.path.join(SOURCE, 'examples'))
        import make_solar_system
        self.example = make_solar_system
        self.solar = os.path.join(self.dir, 'solar_system.qvt')
        make_solar_system.main.__globals__['sys'].argv = ['x', self.dir]
        make_solar_system.main()

    def tearDown(self):
        self.tmp.cleanup()

    def pdf(self, name):
        return os.path.join(self.dir, name)

    def assertSoundPdf(self, pdf):
        done = subprocess.run(['qpdf', '--check', pdf], capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        fonts = tool('pdffonts', pdf).splitlines()[2:]
        self.assertTrue(fonts)
        for line in fonts:
            # name, type..., emb sub uni object ID: emb is the fifth field from the end.
            self.assertEqual(line.split()[-5], 'yes', line)

    def test_example_quiz_in_order_with_its_key(self):
        done = run(self.solar, '--paper', 'a4')
        self.assertEqual(done.returncode, 0, done.stderr)
        pdf = self.pdf('solar_system.pdf')  # beside the quiz by default
        self.assertEqual(done.stdout, pdf + '\n')
        self.assertEqual(done.stderr, '')
        page = info(pdf)
        self.assertEqual(page['Pages'], '3')
        self.assertTrue(page['Page size'].startswith('595 x 842'), page['Page size'])
        self.assertEqual(page['Title'], 'The Solar System')
        self.assertSoundPdf(pdf)

        text = text_of(pdf)
        flat = words(text)
        at = 0
        expected = ['The Solar System', 'Name:', 'Date:']
        for n, (question, choices, _, _) in enumerate(self.example.QUESTIONS, 1):
            expected.append('%d. %s' % (n, question))
            expected += ['%s. %s' % ('ABCD'[k], choice) for k, choice in enumerate(choices)]
        expected += ['Answer key', 'Page 3 of 3']
        for part in expected:
            found = flat.find(part, at)
            self.assertGreaterEqual(found, 0, 'not in order: %r' % part)
            at = found + len(part)
        self.assertEqual(key_of(text), {n: q[2] for n, q in enumerate(self.example.QUESTIONS, 1)})
        for n, page in ((1, 1), (2, 2), (3, 3)):
            self.assertIn('Page %d of 3' % n, text_of(pdf, page))
        # The example's title face is the page look's "Sans Serif".
        self.assertIn('DejaVuSans-Bold', tool('pdffonts', pdf))

    def test_letter_paper_and_key_placements(self):
        done = run(self.solar, '-o', self.pdf('letter.pdf'), '--paper', 'letter',
                   '--key', 'separate')
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stdout.split(), [self.pdf('letter.pdf'), self.pdf('letter-key.pdf')])
        for name, pages in (('letter.pdf', '2'), ('letter-key.pdf', '1')):
            page = info(self.pdf(name))
            self.assertEqual(page['Pages'], pages)
            self.assertTrue(page['Page size'].startswith('612 x 792'), page['Page size'])
            self.assertSoundPdf(self.pdf(name))
        self.assertNotIn('Answer key', text_of(self.pdf('letter.pdf')))
        self.assertEqual(key_of(text_of(self.pdf('letter-key.pdf')))[3], 'A')

        done = run(self.solar, '-o', self.pdf('none.pdf'), '--key', 'none')
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertNotIn('Answer key', text_of(self.pdf('none.pdf')))
        self.assertFalse(os.path.exists(self.pdf('none-key.pdf')))

    def test_long_quiz_never_splits_a_question(self):
        pictures = [('wide.png', (900, 500)), ('tall.png', (300, 1600)), ('small.png', (50, 40)),
                    ('saturn.gif', (120, 80))]
        for name, size in pictures[:3]:
            png(os.path.join(self.dir, name), *size)
        questions = []
        for n in range(1, 101):
            text = 'Qs%03d ' % n + ('lorem ipsum dolor sit amet ' * 9)[:200] + '\r\nline two'
            texts = [('Q%03d%s ' % (n, letter)) + ('consectetur adipiscing elit ' * 8)[:190] +
                     (' Qe%03d' % n if letter == 'E' else '') for letter in 'ABCDE']
            picture = pictures[n % 5][0] if n % 5 < 4 else ''
            questions.append((text, texts, 'ABCDE'[n % 5], picture))
        quiz = quiz_file(self.pdf('long.qvt'), 'A long quiz', questions, 5)
        done = run(quiz, '--paper', 'letter')
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stderr, '')
        pdf = self.pdf('long.pdf')
        self.assertSoundPdf(pdf)
        pages = int(info(pdf)['Pages'])
        first, last = {}, {}
        for page in range(1, pages + 1):
            text = text_of(pdf, page, layout=False)
            self.assertIn('Page %d of %d' % (page, pages), text)
            for n in re.findall(r'Qs(\d{3})', text):
                first.setdefault(int(n), page)
            for n in re.findall(r'Qe(\d{3})', text):
                last[int(n)] = page
        self.assertEqual(sorted(first), list(range(1, 101)))
        for n in range(1, 101):
            self.assertEqual(first[n], last.get(n), 'question %d is split' % n)
        # Each question's own letter in the key.
        self.assertEqual(key_of(text_of(pdf))[37], 'ABCDE'[37 % 5])
        # Pictures are never shown larger than their own size (96 pixels to the inch) and are
        # kept no finer than paper needs.
        images = tool('pdfimages', '-list', pdf).splitlines()[2:]
        self.assertEqual(len(images), 80)
        for line in images:
            x_ppi, y_ppi = (float(v) for v in line.split()[12:14])
            self.assertGreaterEqual(min(x_ppi, y_ppi), 95, line)
            self.assertLessEqual(min(x_ppi, y_ppi), 310, line)

    def test_forms_have_their_own_order_and_key(self):
        quiz = {q[0]: (q[1], q[1]['ABCD'.index(q[2])]) for q in self.example.QUESTIONS}
        done = run(self.solar, '-o', self.pdf('exam.pdf'), '--forms', '3', '--seed', '42',
                   '--key', 'separate')
        self.assertEqual(done.returncode, 0, done.stderr)
        names = ['exam-A.pdf', 'exam-B.pdf', 'exam-C.pdf', 'exam-key.pdf']
        self.assertEqual(done.stdout.split(), [self.pdf(n) for n in names])
        keys = text_of(self.pdf('exam-key.pdf')).split('Answer key')[1:]
        self.assertEqual(len(keys), 3)
        orders = []
        for form, key_text in zip('ABC', keys):
            self.assertIn('Form %s (seed 42)' % form, key_text)
            text = text_of(self.pdf('exam-%s.pdf' % form))
            self.assertIn('Form %s' % form, text.splitlines()[0])
            printed = printed_questions(text)
            self.assertEqual(sorted(q for q, _ in printed), sorted(quiz))
            key = key_of('Answer key' + key_text)
            for n, (question, choices) in enumerate(printed, 1):
                self.assertEqual(sorted(choices), sorted(quiz[question][0]))
                self.assertEqual(choices['ABCD'.index(key[n])], quiz[question][1],
                                 'form %s question %d' % (form, n))
            orders.append([q for q, _ in printed])
            if form == 'A':
                self.assertEqual(printed, [(q[0], q[1]) for q in self.example.QUESTIONS])
        self.assertEqual(len({tuple(o) for o in orders}), 3)

        # The same seed draws the same forms; another seed others.
        again = os.path.join(self.dir, 'again')
        os.mkdir(again)
        self.assertEqual(run(self.solar, '-o', os.path.join(again, 'exam.pdf'), '--forms', '3',
                             '--seed', '42').returncode, 0)
        other = run(self.solar, '-o', os.path.join(again, 'other.pdf'), '--forms', '3',
                    '--seed', '43')
        for form, order in zip('ABC', orders):
            same = text_of(os.path.join(again, 'exam-%s.pdf' % form))
            self.assertEqual(printed_questions(same),
                             printed_questions(text_of(self.pdf('exam-%s.pdf' % form))))
            self.assertIn('Form %s (seed 42)' % form, same.split('Answer key')[1])
        self.assertEqual(other.returncode, 0)
        self.assertNotEqual(printed_questions(text_of(os.path.join(again, 'other-B.pdf'))),
                            printed_questions(text_of(self.pdf('exam-B.pdf'))))

        # More forms than a two-question quiz has orders: the later forms repeat orders.
        small = quiz_file(self.pdf('two.qvt'), 'Two', [('One?', ['Yes', 'No'], 'A', ''),
                                                       ('Two?', ['Yes', 'No'], 'B', '')], 2)
        done = run(small, '--forms', '26', '--seed', '1', '--key', 'none')
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(len(done.stdout.split()), 26)
        self.assertEqual(printed_questions(text_of(self.pdf('two-Z.pdf')))[0][0] in
                         ('One?', 'Two?'), True)

        # Without a seed one is chosen and said.
        done = run(self.solar, '-o', self.pdf('free.pdf'), '--forms', '2')
        self.assertEqual(done.returncode, 0, done.stderr)
        seed = re.search(r'--seed (\d+)', done.stderr).group(1)
        self.assertIn('Form B (seed %s)' % seed, text_of(self.pdf('free-B.pdf')))

    def test_cyrillic_quiz_comes_out_as_unicode(self):
        questions = [('Какая планета ближе всего к Солнцу?', ['Венера', 'Меркурий', 'Марс'], 'B',
                      ''),
                     ('Сколько планет в Солнечной системе?', ['Семь', 'Восемь', 'Девять'], 'B',
                      '')]
        quiz = quiz_file(self.pdf('planets.qvt'), 'Планеты — тест', questions, 3,
                         encoding='cp1251')
        done = run(quiz, env={'TAMBERLIN_CODEPAGE': 'cp1251'})
        self.assertEqual(done.returncode, 0, done.stderr)
        flat = words(text_of(self.pdf('planets.pdf')))
        for part in ['Планеты — тест', '1. Какая планета ближе всего к Солнцу?', 'B. Меркурий',
                     'C. Девять']:
            self.assertIn(part, flat)
        self.assertSoundPdf(self.pdf('planets.pdf'))

    def test_pictures_found_beside_the_quiz_and_missing_ones_named(self):
        os.mkdir(self.pdf('quiz'))
        os.mkdir(self.pdf('elsewhere'))
        png(self.pdf('quiz/here.png'), 60, 30)
        questions = [('With a picture', ['Yes', 'No'], 'A', 'here.png'),
                     ('Without its picture', ['Yes', 'No'], '', 'gone.gif'),
                     ('Answer out of range', ['Yes', 'No'], 'D', '')]
        quiz = quiz_file(self.pdf('quiz/pics.qvt'), 'Pictures', questions, 2)
        done = run(quiz, '-o', self.pdf('pics.pdf'), cwd=self.pdf('elsewhere'))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn('Question 2: the picture "gone.gif" cannot be printed', done.stderr)
        self.assertIn('Question 2: the quiz gives no right answer', done.stderr)
        self.assertIn('Question 3: the right answer "D" is not one of its choices', done.stderr)
        self.assertNotIn('here.png', done.stderr)
        text = text_of(self.pdf('pics.pdf'))
        self.assertIn('Picture missing: gone.gif', text)
        self.assertEqual(key_of(text), {1: 'A', 2: '-', 3: '-'})
        self.assertEqual(len(tool('pdfimages', '-list', self.pdf('pics.pdf')).splitlines()[2:]),
                         1)

    def test_bad_requests(self):
        for args in (['--forms', '0'], ['--forms', '27'], ['--paper', 'a3'], ['--key', 'maybe'],
                     ['--seed', '-1'], ['--colour'], [self.solar]):
            done = run(self.solar, *args)
            self.assertEqual(done.returncode, 2, args)
            self.assertIn('tamberlin --help lists the options', done.stderr)
        self.assertEqual(run().returncode, 2)
        done = run(self.pdf('missing.qvt'))
        self.assertEqual(done.returncode, 1)
        self.assertIn('cannot read quiz file', done.stderr)
        done = run(self.solar, '-o', self.pdf('no/such/folder/x.pdf'))
        self.assertEqual(done.returncode, 1)
        self.assertIn('cannot write', done.stderr)
        # The quiz file is never overwritten by its paper.
        with open(self.solar, 'rb') as f:
            before = f.read()
        done = run(self.solar, '-o', self.solar)
        self.assertEqual(done.returncode, 2)
        self.assertIn('would replace the quiz file', done.stderr)
        with open(self.solar, 'rb') as f:
            self.assertEqual(f.read(), before)
        # A quiz never set up has nothing to print.
        empty = quiz_file(self.pdf('empty.qvt'), 'Empty', [], 2)
        done = run(empty)
        self.assertEqual(done.returncode, 1)
        self.assertIn('has no questions to print', done.stderr)
        self.assertFalse(os.path.exists(self.pdf('empty.pdf')))


if __name__ == '__main__':
    EXE, SOURCE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1])
