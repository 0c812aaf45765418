#!/usr/bin/env python3
"""tamberlin-results as a whole, against real clients: its own server (serve), the program
started as CGI, and a real lighttpd running it through mod_cgi with the shipped snippet.
Covers bad input, path traversal, forged scores, the teacher's key, load with many clients,
SIGKILL in the middle of a load, an unwritable database, and the code page of the page.

    receiver_system_test.py TAMBERLIN_RESULTS_EXE SOURCE_DIR TAMBERLIN_RESULTS_CGI_EXE

Everything listens on 127.0.0.1 only; every wait is bounded."""
import contextlib
import csv
import http.client
import io
import os
import select
import shutil
import signal
import socket
import sqlite3
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

EXE = os.path.abspath(sys.argv[1])
SOURCE = os.path.abspath(sys.argv[2])
CGI = os.path.abspath(sys.argv[3])
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print('FAIL:', what, flush=True)


# ---- quiz files -------------------------------------------------------------------------

def counted(raw, capacity):
    assert len(raw) <= capacity
    return bytes([len(raw)]) + raw + bytes(capacity - len(raw))


def quiz_file(quiz_id, answers, choices=3, title=b'System quiz', redirect=b'', cgi=b'/results'):
    data = counted(title, 255) + struct.pack('<ii', len(answers), choices)
    data += counted(quiz_id, 100) + counted(cgi, 255) + counted(b'', 255) + counted(redirect, 255)
    data += bytes(1404)
    for n, answer in enumerate(answers):
        data += counted(b'', 250) + counted(b'Question %d?' % (n + 1), 255)
        for k in range(5):
            data += counted(b'choice %d' % k if k < choices else b'', 250)
        data += counted(answer, 1)
    return data + struct.pack('<i', 60)


# ---- the receiver ------------------------------------------------------------------------

class Serve:
    """tamberlin-results serve FOLDER on 127.0.0.1, any free port."""

    def __init__(self, folder, db=None, env=None, extra=()):
        args = [EXE, 'serve', folder, '--bind', '127.0.0.1', '--port', '0', *extra]
        if db:
            args += ['--db', db]
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                     env={**os.environ, **(env or {})})
        self.lines = []
        self.pending = b''
        self.port = None
        self.key = None
        deadline = time.time() + 10
        while time.time() < deadline:
            line = self._line(deadline - time.time())
            if line is None:
                break
            if 'Results for the teacher:' in line:
                self.port = int(line.split('127.0.0.1:')[1].split('/')[0])
                self.key = line.split('key=')[1].strip()
            if line.startswith('Press Ctrl-C'):
                break
        assert self.port, 'serve did not start: %r' % self.lines
        threading.Thread(target=self._drain, daemon=True).start()

    def _line(self, timeout):
        # Reads the pipe's bytes itself: a buffered reader would hide lines from select().
        deadline = time.time() + timeout
        while b'\n' not in self.pending:
            ready, _, _ = select.select([self.proc.stdout], [], [], max(deadline - time.time(), 0))
            if not ready:
                return None
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            if not chunk:
                return None
            self.pending += chunk
        line, self.pending = self.pending.split(b'\n', 1)
        line = line.decode('utf-8', 'replace') + '\n'
        self.lines.append(line)
        return line

    def _drain(self):
        self.lines.append(self.pending.decode('utf-8', 'replace'))
        while chunk := os.read(self.proc.stdout.fileno(), 65536):
            self.lines.append(chunk.decode('utf-8', 'replace'))

    def log(self):
        return ''.join(self.lines)

    def wait_log(self, text, seconds=5):
        """True once the server has printed text (its output comes through a pipe, so it can
        lag behind the HTTP answer)."""
        deadline = time.time() + seconds
        while text not in self.log().lower().replace('-', ''):
            if time.time() > deadline:
                return False
            time.sleep(0.02)
        return True

    def stop(self):
        self.proc.send_signal(signal.SIGINT)
        try:
            return self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            return None

    def kill(self):
        self.proc.kill()
        self.proc.wait(10)


def request(port, method, path, body=None, headers=None, conn=None):
    own = conn is None
    if own:
        conn = http.client.HTTPConnection('127.0.0.1', port, timeout=15)
    conn.request(method, path, body=body, headers=headers or {})
    response = conn.getresponse()
    data = response.read()
    if own:
        conn.close()
    return response.status, dict(response.getheaders()), data


FORM = {'Content-Type': 'application/x-www-form-urlencoded'}


def form(fields):
    return urllib.parse.urlencode(fields, encoding='cp1252')


def post(port, fields, conn=None):
    return request(port, 'POST', '/results', form(fields), FORM, conn)


def raw_request(port, text, wait=10):
    """Sends the bytes as they are (no client-side path clean-up) and returns the reply, or
    what came within wait seconds."""
    with socket.create_connection(('127.0.0.1', port), timeout=wait) as s:
        s.sendall(text)
        s.shutdown(socket.SHUT_WR)
        reply = b''
        try:
            while chunk := s.recv(65536):
                reply += chunk
        except TimeoutError:
            pass
    return reply


def rows(db, where='1'):
    with contextlib.closing(sqlite3.connect(db, timeout=10)) as conn:
        return conn.execute('SELECT name, email, posted_score, checked_score, differs, quiz_title '
                            'FROM submissions WHERE ' + where + ' ORDER BY id').fetchall()


def integrity(db):
    with contextlib.closing(sqlite3.connect(db, timeout=10)) as conn:
        return conn.execute('PRAGMA integrity_check').fetchone()[0]


def report_csv(db):
    out = subprocess.run([EXE, 'report', db, '--csv', '-'], capture_output=True, timeout=30,
                         check=True).stdout
    assert out.startswith(b'\xef\xbb\xbf')
    return list(csv.DictReader(io.StringIO(out[3:].decode('utf-8'), newline='')))


def load(port, names, clients, answers=('A', 'B', 'C')):
    """Posts one submission per name from that many clients at once, each keeping its
    connection; returns the names acknowledged (303) and the other answers."""
    acknowledged, other = [], []
    lock = threading.Lock()
    chunks = [names[i::clients] for i in range(clients)]

    def client(mine):
        conn = http.client.HTTPConnection('127.0.0.1', port, timeout=15)
        for name in mine:
            fields = [('q%d' % (n + 1), a) for n, a in enumerate(answers)]
            fields += [('email', name), ('URL', 'http://127.0.0.1/thanks.htm'),
                       ('ID', 'SYS-1'), ('lapsed', '0:42'), ('score', '100%')]
            try:
                status, _, _ = post(port, fields, conn)
            except (OSError, http.client.HTTPException) as e:
                with lock:
                    other.append((name, repr(e)))
                conn.close()
                conn = http.client.HTTPConnection('127.0.0.1', port, timeout=15)
                continue
            with lock:
                (acknowledged if status == 303 else other).append(name if status == 303
                                                                  else (name, status))
        conn.close()

    threads = [threading.Thread(target=client, args=(c,)) for c in chunks]
    for t in threads:
        t.start()
    for t in threads:
        t.join(120)
    return acknowledged, other


def emails(db):
    with contextlib.closing(sqlite3.connect(db, timeout=10)) as conn:
        return [r[0] for r in conn.execute('SELECT email FROM submissions')]


# ---- the tests ---------------------------------------------------------------------------

def test_serve(work):
    site = os.path.join(work, 'site')
    os.makedirs(os.path.join(site, 'pics'))
    with open(os.path.join(site, 'quiz.qvt'), 'wb') as f:
        f.write(quiz_file(b'SYS-1', [b'A', b'B', b'C'], redirect=b'http://127.0.0.1/thanks.htm'))
    for name, data in [('quiz.htm', b'<HTML>page</HTML>'), ('quiz.qdt', b'listing'),
                       ('pics/p.gif', b'GIF89a'), ('clock.js', b'//'), ('.secret', b'dot')]:
        with open(os.path.join(site, name), 'wb') as f:
            f.write(data)
    with open(os.path.join(work, 'outside.txt'), 'wb') as f:
        f.write(b'OUTSIDE-SECRET')
    os.symlink(os.path.join(work, 'outside.txt'), os.path.join(site, 'link.txt'))
    db = os.path.join(site, 'results.sqlite')
    server = Serve(site)
    port = server.port

    # The files beside the pages, with their types; nothing else.
    for path, ctype in [('/quiz.htm', 'text/html; charset=windows-1252'),
                        ('/pics/p.gif', 'image/gif'), ('/clock.js', 'text/javascript')]:
        status, headers, _ = request(port, 'GET', path)
        check(status == 200 and headers.get('Content-Type') == ctype,
              'GET %s: %s %s' % (path, status, headers.get('Content-Type')))
    status, headers, body = request(port, 'HEAD', '/quiz.htm')
    check(status == 200 and headers.get('Content-Length') == '17' and body == b'',
          'HEAD /quiz.htm: %s %r' % (status, headers))
    for target in [b'/../outside.txt', b'/%2e%2e/outside.txt', b'/%2E%2E%2Foutside.txt',
                   b'/pics/..%2f..%2foutside.txt', b'/..%5c..%5coutside.txt',
                   b'http://127.0.0.1/../outside.txt', b'//etc/passwd', b'/etc/passwd',
                   b'/' + work.encode() + b'/outside.txt', b'/link.txt', b'/quiz.qvt',
                   b'/QUIZ.QVT', b'/quiz.qdt', b'/quiz.qvt%00.htm', b'/.secret',
                   b'/results.sqlite', b'/', b'/pics/']:
        reply = raw_request(port, b'GET ' + target + b' HTTP/1.1\r\nHost: x\r\n'
                            b'Connection: close\r\n\r\n')
        status = reply.split(b' ', 2)[1] if reply.startswith(b'HTTP/') else b'none'
        check(status != b'200' and b'OUTSIDE-SECRET' not in reply and b'root:' not in reply
              and b'listing' not in reply and b'SQLite' not in reply,
              'GET %r was answered %r' % (target, reply[:80]))

    # Bad input: a clear answer and nothing stored.
    good = [('q1', 'A'), ('q2', 'B'), ('q3', 'C'), ('email', 'e'), ('ID', 'SYS-1'),
            ('URL', 'http://127.0.0.1/thanks.htm'), ('lapsed', '0:10'), ('score', '100%')]
    cases = [
        ('GET', None, {}, 405), ('PUT', form(good), FORM, 405),
        ('POST', form(good), {'Content-Type': 'text/plain'}, 415),
        ('POST', form(good), {'Content-Type': 'multipart/form-data; boundary=x'}, 415),
        ('POST', 'a=' + 'x' * 70000, FORM, 413),
        ('POST', 'ID=SYS-1&name=%E', FORM, 400), ('POST', 'ID=SYS-1&q1=%zz', FORM, 400),
        ('POST', 'q1=A&score=100%25', FORM, 400),
        ('POST', 'ID=SYS-1&email=' + 'e' * 300, FORM, 400),
    ]
    for method, body, headers, expected in cases:
        status, headers_back, _ = request(port, method, '/results', body, headers)
        check(status == expected, '%s %r...: %d, not %d' % (method, (body or '')[:30], status,
                                                             expected))
        if expected == 405:
            check(headers_back.get('Allow') == 'POST', '405 without Allow: POST')
    # A body that stops short of its Content-Length: the connection ends, nothing is stored.
    raw_request(port, b'POST /results HTTP/1.1\r\nHost: x\r\nContent-Type: '
                b'application/x-www-form-urlencoded\r\nContent-Length: 200\r\n\r\nID=SYS-1&q1=A',
                wait=1)
    time.sleep(0.2)
    check(rows(db) == [], 'bad input was stored: %r' % rows(db))

    # Redirect only to the quiz's own address; a forged score is stored with the checked one.
    status, headers, _ = post(port, good)
    check(status == 303 and headers.get('Location') == 'http://127.0.0.1/thanks.htm',
          'the right answer: %d %r' % (status, headers.get('Location')))
    forged = [('q1', 'C'), ('q2', 'B'), ('q3', 'Z'), ('email', 'forger'), ('ID', 'SYS-1'),
              ('URL', 'http://evil.example/'), ('lapsed', '0:05'), ('score', '100%'),
              ('extra', 'ignored')]
    status, headers, body = post(port, forged)
    check(status == 200 and 'Location' not in headers and b'33%' in body,
          'a URL the quiz does not name: %d %r' % (status, headers.get('Location')))
    status, _, _ = post(port, [('ID', 'NO-SUCH-QUIZ'), ('q1', 'A'), ('email', 'stray'),
                               ('score', '40%')])
    check(status == 200, 'an unknown quiz is thanked, not refused: %d' % status)
    table = {r['email']: r for r in report_csv(db)}
    check(table.get('forger', {}).get('checked_score') == '33%' and
          table['forger']['posted_score'] == '100%' and table['forger']['score_check'] == 'differs'
          and table['forger']['q3'] == 'Z', 'forged row: %r' % table.get('forger'))
    check(table.get('e', {}).get('score_check') == 'ok', 'honest row: %r' % table.get('e'))
    check(table.get('stray', {}).get('score_check') == 'unknown quiz' and
          table['stray']['checked_score'] == '', 'unknown quiz row: %r' % table.get('stray'))

    # A changed quiz file is read again.
    with open(os.path.join(site, 'quiz.qvt'), 'wb') as f:
        f.write(quiz_file(b'SYS-1', [b'C', b'B', b'Z', b'A'], redirect=b'http://127.0.0.1/t'))
    post(port, forged[:3] + [('q4', 'A'), ('email', 'after-change'), ('ID', 'SYS-1'),
                             ('score', '75%')])
    check(rows(db, "email='after-change'")[0][3] == 75, 'changed quiz not read again')
    with open(os.path.join(site, 'quiz.qvt'), 'wb') as f:
        f.write(quiz_file(b'SYS-1', [b'A', b'B', b'C'], redirect=b'http://127.0.0.1/thanks.htm'))

    # The teacher's page needs the key.
    wrong = '0' * len(server.key) if server.key != '0' * len(server.key) else '1' * len(server.key)
    for path, expected in [('/teacher', 403), ('/teacher?key=' + wrong, 403),
                           ('/teacher?key=' + server.key[:-1], 403),
                           ('/teacher/results.csv?key=' + wrong, 403),
                           ('/teacher?key=' + server.key, 200),
                           ('/teacher/results.csv?key=' + server.key, 200)]:
        status, headers, body = request(port, 'GET', path)
        check(status == expected and (expected == 403 or b'forger' in body),
              '%s: %d' % (path.split('key=')[0], status))
    check(len(server.key) >= 32, 'the key is shorter than 128 bits')

    # Load: 50 clients, 1000 submissions, each stored exactly once.
    before = len(emails(db))
    names = ['load-%04d' % i for i in range(1000)]
    acknowledged, other = load(port, names, 50)
    stored = emails(db)
    check(len(acknowledged) == 1000 and not other, 'load: %d acknowledged, other %r'
          % (len(acknowledged), other[:3]))
    check(len(stored) == before + 1000 and sorted(set(stored) & set(names)) == sorted(names),
          'load: %d rows for 1000 submissions' % (len(stored) - before))
    check(integrity(db) == 'ok', 'integrity after load')

    # The database file made read-only under the running server: 500 and a clear log line;
    # then writable again: stored again.
    os.chmod(db, 0o444)
    status, _, body = post(port, good[:4] + [('ID', 'SYS-1'), ('email', 'while-read-only')])
    os.chmod(db, 0o644)
    check(status == 500 and server.wait_log('results not stored') and server.wait_log('readonly'),
          'read-only database: %d, log %r' % (status, server.log()[-300:]))
    status, _, _ = post(port, good)
    check(status == 303, 'writable again: %d' % status)
    check(rows(db, "email='while-read-only'") == [], 'a refused submission was stored')

    check(server.stop() == 0 and server.wait_log('stopped.'), 'SIGINT: no clean stop')

    # A database whose folder is missing: pages are still served, submissions get 500.
    server = Serve(site, db=os.path.join(work, 'missing', 'results.sqlite'))
    status, _, _ = request(server.port, 'GET', '/quiz.htm')
    check(status == 200, 'pages without a database: %d' % status)
    status, _, _ = post(server.port, good)
    check(status == 500 and server.wait_log('missing/results.sqlite'),
          'missing database folder: %d, log %r' % (status, server.log()[-300:]))
    server.stop()


def test_sigkill(work):
    site = os.path.join(work, 'killed')
    os.makedirs(site)
    with open(os.path.join(site, 'quiz.qvt'), 'wb') as f:
        f.write(quiz_file(b'SYS-1', [b'A', b'B', b'C'], redirect=b'http://127.0.0.1/thanks.htm'))
    db = os.path.join(site, 'results.sqlite')
    server = Serve(site)
    names = ['kill-%05d' % i for i in range(20000)]
    result = {}
    loader = threading.Thread(target=lambda: result.update(
        zip(('acknowledged', 'other'), load(server.port, names, 50))))
    loader.start()
    deadline = time.time() + 30
    while time.time() < deadline and len(emails(db)) < 300:
        time.sleep(0.05)
    server.kill()
    loader.join(120)
    acknowledged = result.get('acknowledged', [])
    server = Serve(site)
    stored = set(emails(db))
    lost = [n for n in acknowledged if n not in stored]
    print('# SIGKILL after %d acknowledged submissions; %d rows found after the restart'
          % (len(acknowledged), len(stored)))
    check(len(acknowledged) >= 100 and not lost,
          'SIGKILL: %d acknowledged, %d lost' % (len(acknowledged), len(lost)))
    check(len(stored) == len(emails(db)) and len(stored) < len(names),
          'SIGKILL: duplicates or the load was not cut')
    check(integrity(db) == 'ok', 'integrity after SIGKILL')
    status, _, _ = post(server.port, [('ID', 'SYS-1'), ('q1', 'A'), ('email', 'after-restart'),
                                      ('URL', 'http://127.0.0.1/thanks.htm')])
    check(status == 303, 'after restart: %d' % status)
    server.stop()


def run_cgi(body, env, length=None):
    environment = {'PATH': os.environ.get('PATH', ''), 'GATEWAY_INTERFACE': 'CGI/1.1',
                   'REQUEST_METHOD': 'POST', 'CONTENT_TYPE': 'application/x-www-form-urlencoded',
                   'CONTENT_LENGTH': str(len(body) if length is None else length), **env}
    done = subprocess.run([CGI], input=body, env=environment, capture_output=True, timeout=30)
    return done.stdout, done.stderr.decode('utf-8', 'replace')


def test_cgi(work):
    folder = os.path.join(work, 'cgi')
    os.makedirs(folder)
    with open(os.path.join(folder, 'quiz.qvt'), 'wb') as f:
        f.write(quiz_file(b'SYS-1', [b'A', b'B', b'C'], redirect=b'http://127.0.0.1/thanks.htm'))
    db = os.path.join(folder, 'results.sqlite')
    env = {'TAMBERLIN_RESULTS_DB': db, 'TAMBERLIN_QUIZ_DIR': folder}
    body = b'q1=A&q2=C&q3=C&email=cgi&URL=http%3A%2F%2F127.0.0.1%2Fthanks.htm&ID=SYS-1&score=67%25'
    out, _ = run_cgi(body, env)
    check(out.startswith(b'Status: 303 See Other\r\nLocation: http://127.0.0.1/thanks.htm\r\n'),
          'CGI success: %r' % out[:80])
    for what, args, expected in [
            ('short body', (body[:20], env, len(body)), b'Status: 400'),
            ('large body', (b'x' * 10, env, 70000), b'Status: 413'),
            ('no length', (body, env, ''), b'Status: 411'),
            ('no database setting', (body, {'TAMBERLIN_QUIZ_DIR': folder}), b'Status: 500'),
            ('missing folder', (body, {'TAMBERLIN_RESULTS_DB': folder + '/no/r.sqlite'}),
             b'Status: 500')]:
        out, err = run_cgi(*args)
        check(out.startswith(expected) and err.strip(), 'CGI %s: %r %r' % (what, out[:40], err))
    out, _ = run_cgi(body, {**env, 'REQUEST_METHOD': 'GET'})
    check(out.startswith(b'Status: 405') and b'Allow: POST' in out, 'CGI GET: %r' % out[:60])
    os.chmod(db, 0o444)
    out, err = run_cgi(body, env)
    os.chmod(db, 0o644)
    check(out.startswith(b'Status: 500') and 'readonly' in err.lower().replace('-', ''),
          'CGI read-only database: %r %r' % (out[:40], err))
    check(len(emails(db)) == 1, 'CGI stored %d rows, not 1' % len(emails(db)))


def test_lighttpd(work):
    lighttpd = shutil.which('lighttpd') or '/usr/sbin/lighttpd'
    if not os.path.exists(lighttpd):
        print('SKIP: lighttpd is not installed (scripts/deps.sh test installs it)')
        return
    root = os.path.join(work, 'www')
    os.makedirs(root)
    with open(os.path.join(root, 'quiz.qvt'), 'wb') as f:
        f.write(quiz_file(b'SYS-1', [b'A', b'B', b'C'], redirect=b'http://127.0.0.1/thanks.htm'))
    db = os.path.join(work, 'lighttpd-results.sqlite')
    with open(os.path.join(SOURCE, 'deploy', 'lighttpd-tamberlin-results.conf')) as f:
        snippet = f.read()
    settings = {'tamberlin_results': CGI, 'tamberlin_results_db': db, 'tamberlin_quiz_dir': root,
                'tamberlin_codepage': '1251', 'tamberlin_page_charset': 'windows-1251'}
    for name in ('quiz.qdt', 'bank.gift', 'results.sqlite', 'a.htm'):
        with open(os.path.join(root, name), 'wb') as f:
            f.write(b'SECRET')
    lines = []
    for line in snippet.splitlines():
        name = line.split('=')[0].strip()[len('var.'):] if line.startswith('var.') else None
        lines.append('var.%s = "%s"' % (name, settings[name]) if name in settings else line)
    with open(os.path.join(work, 'snippet.conf'), 'w') as f:
        f.write('\n'.join(lines) + '\n')
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        port = s.getsockname()[1]
    with open(os.path.join(work, 'lighttpd.conf'), 'w') as f:
        f.write('server.document-root = "%s"\nserver.bind = "127.0.0.1"\nserver.port = %d\n'
                'server.errorlog = "%s/lighttpd-error.log"\nserver.max-worker = 0\n'
                'mimetype.assign = (".htm" => "text/html")\ninclude "%s/snippet.conf"\n'
                % (root, port, work, work))
    proc = subprocess.Popen([lighttpd, '-D', '-f', os.path.join(work, 'lighttpd.conf')])
    try:
        deadline = time.time() + 10
        while time.time() < deadline:
            try:
                socket.create_connection(('127.0.0.1', port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.1)
        for name in ('quiz.qvt', 'quiz.qdt', 'bank.gift', 'results.sqlite', 'QUIZ.QVT'):
            for tail in ('', '/', '/x', '.', '/x.htm'):
                status, _, _ = request(port, 'GET', '/' + name + tail)
                check(status in (403, 404), 'lighttpd served /%s%s: %d' % (name, tail, status))
        _, headers, _ = request(port, 'GET', '/a.htm')
        check(headers.get('Content-Type') == 'text/html; charset=windows-1251',
              'lighttpd page type: %r' % headers.get('Content-Type'))
        body = urllib.parse.urlencode([('q1', 'A'), ('name', 'Иван Петров'), ('ID', 'SYS-1'),
                                       ('score', '33%')], encoding='cp1251')
        request(port, 'POST', '/results', body, FORM)
        check(rows(db, "name IS NOT NULL") == [('Иван Петров', '', '33%', 33, 0, 'System quiz')],
              'lighttpd code page: %r' % rows(db, "name IS NOT NULL"))
        names = ['cgi-%03d' % i for i in range(200)]
        acknowledged, other = load(port, names, 20)
        stored = emails(db)
        with open(os.path.join(work, 'lighttpd-error.log'), errors='replace') as f:
            errors = f.read()[-600:]
        stored = [e for e in stored if e]
        check(len(acknowledged) == 200 and not other and sorted(stored) == sorted(names),
              'lighttpd CGI: %d acknowledged, %d stored, other %r, log %s'
              % (len(acknowledged), len(stored), other[:3], errors))
        check(integrity(db) == 'ok', 'integrity after the CGI load')
    finally:
        proc.terminate()
        proc.wait(10)


def test_code_page(work):
    site = os.path.join(work, 'cyrillic')
    os.makedirs(site)
    with open(os.path.join(site, 'quiz.qvt'), 'wb') as f:
        f.write(quiz_file('Тест-1'.encode('cp1251'), [b'A'], title='Проверка'.encode('cp1251')))
    with open(os.path.join(site, 'quiz.htm'), 'wb') as f:
        f.write(b'<HTML></HTML>')
    server = Serve(site, env={'TAMBERLIN_CODEPAGE': 'cp1251'})
    _, headers, _ = request(server.port, 'GET', '/quiz.htm')
    check(headers.get('Content-Type') == 'text/html; charset=windows-1251',
          'cp1251 page type: %r' % headers.get('Content-Type'))
    body = urllib.parse.urlencode([('q1', 'A'), ('email', 'Иван Петров'), ('ID', 'Тест-1'),
                                   ('score', '100%')], encoding='cp1251')
    request(server.port, 'POST', '/results', body, FORM)
    server.stop()
    check(rows(os.path.join(site, 'results.sqlite')) ==
          [(None, 'Иван Петров', '100%', 100, 0, 'Проверка')],
          'cp1251: %r' % rows(os.path.join(site, 'results.sqlite')))


def tables_in_file(db):
    """The tables the database file holds on its own, without its write-ahead log."""
    copy = db + '.copy'
    shutil.copyfile(db, copy)
    try:
        with contextlib.closing(sqlite3.connect(copy)) as conn:
            return conn.execute('SELECT count(*) FROM submissions').fetchone()[0]
    except sqlite3.Error:
        return None
    finally:
        os.remove(copy)


def test_faults(work):
    site = os.path.join(work, 'faults')
    os.makedirs(site)
    with open(os.path.join(site, 'quiz.qvt'), 'wb') as f:
        f.write(quiz_file(b'SYS-1', [b'A', b'B', b'C'], redirect=b'http://127.0.0.1/thanks.htm'))
    # Two quizzes whose pages both post "Unit" (the unquoted ID ends at the space).
    for name, quiz_id in (('unit3.qvt', b'Unit 3'), ('unit4.qvt', b'Unit 4')):
        with open(os.path.join(site, name), 'wb') as f:
            f.write(quiz_file(quiz_id, [b'A', b'B']))
    for name in ('bank.gift', 'notes.txt', 'quiz.htm', 'GRADES.DAT'):
        with open(os.path.join(site, name), 'wb') as f:
            f.write(b'::Q1:: answers {=right ~wrong}')
    db = os.path.join(site, 'results.sqlite')
    server = Serve(site)
    port = server.port
    check('unit3.qvt' in server.log() and 'same ID' in server.log(),
          'colliding IDs not named at start: %r' % server.log()[-400:])
    good = [('q1', 'A'), ('q2', 'B'), ('q3', 'C'), ('email', 'undefined'), ('ID', 'SYS-1'),
            ('score', '100%')]
    # 12 and 6: only page files, whatever the case.
    for path in ('/bank.gift', '/notes.txt', '/GRADES.DAT', '/RESULTS.SQLITE',
                 '/results.sqlite-WAL', '/Results.Sqlite-SHM', '/results.sqlite.key',
                 '/quiz.qvt.'):
        status, _, _ = request(port, 'GET', path)
        check(status == 404, 'served %s: %d' % (path, status))
    # 3: an ID that names two quizzes is stored unchecked, never scored as 0%.
    status, _, _ = post(port, [('q1', 'A'), ('q2', 'B'), ('name', 'x'), ('ID', 'Unit'),
                               ('score', '100%')])
    check(status == 200, 'ambiguous ID: %d' % status)
    table = {r['name']: r for r in report_csv(db)}
    check(table.get('x', {}).get('score_check') == 'ambiguous quiz ID' and
          table['x']['checked_score'] == '', 'ambiguous row: %r' % table.get('x'))
    # 9: what takers send reaches the console with its control characters shown.
    post(port, good[:3] + [('name', 'Evil\r\nForged line \x1b[31mred'), ('ID', 'SYS-1')])
    check(server.wait_log('evil\\x0d\\x0aforged line \\x1b[31mred'),
          'raw control characters on the console: %r' % server.log()[-200:])
    # Item 4 of the login: "undefined" is no e-mail address.
    post(port, good)
    check(rows(db, "posted_score='100%' AND name IS NULL")[0][1] == '',
          'undefined e-mail stored: %r' % rows(db))
    # 2: log files removed under the running server: nothing acknowledged that is not kept.
    os.remove(db + '-wal')
    os.remove(db + '-shm')
    status, _, _ = post(port, good[:3] + [('email', 'after-removal'), ('ID', 'SYS-1')])
    check(status == 200 and rows(db, "email='after-removal'"),
          'after removing the log: %d, rows %r' % (status, rows(db, "email='after-removal'")))
    # 10: a 500 tells the taker nothing about the server's files.
    os.chmod(db, 0o444)
    status, _, body = post(port, good)
    os.chmod(db, 0o644)
    check(status == 500 and site.encode() not in body and b'sqlite' not in body.lower(),
          '500 names the database: %r' % body)
    # 7: one address holding many idle connections leaves room for the rest of the class.
    hogs = []
    try:
        for _ in range(300):
            s = socket.socket()
            s.settimeout(2)
            s.bind(('127.0.0.2', 0))
            try:
                s.connect(('127.0.0.1', port))
            except OSError:
                s.close()
                break
            hogs.append(s)
        time.sleep(0.5)
        readable, _, _ = select.select(hogs, [], [], 2)
        closed = sum(1 for s in readable if s.recv(1) == b'')
        status, _, _ = post(port, good)
        check(status == 200 and closed >= 50,
              'one address held %d connections (%d closed); the class got %d'
              % (len(hogs), closed, status))
    finally:
        for s in hogs:
            s.close()
    # 1: a clean stop leaves every result in the database file itself.
    stored = len(emails(db))
    check(server.stop() == 0, 'no clean stop')
    check(not os.path.exists(db + '-wal') and tables_in_file(db) == stored,
          'after a stop the file alone holds %r of %d' % (tables_in_file(db), stored))

    # 8: SIGTERM under load answers every submission that it stored.
    server = Serve(site)
    before = set(emails(db))
    names = ['term-%05d' % i for i in range(20000)]
    result = {}
    loader = threading.Thread(target=lambda: result.update(
        zip(('acknowledged', 'other'), load(server.port, names, 50))))
    loader.start()
    deadline = time.time() + 30
    while time.time() < deadline and len(emails(db)) < len(before) + 300:
        time.sleep(0.05)
    server.proc.send_signal(signal.SIGTERM)
    server.proc.wait(30)
    loader.join(120)
    acknowledged = set(result.get('acknowledged', []))
    unanswered = [n for n in set(emails(db)) - before if n not in acknowledged]
    print('# SIGTERM after %d acknowledged submissions' % len(acknowledged))
    check(len(acknowledged) >= 100 and not unanswered,
          'SIGTERM: %d stored without an answer' % len(unanswered))


def main():
    work = tempfile.mkdtemp(prefix='tamberlin-receiver-')
    try:
        for test in (test_serve, test_faults, test_sigkill, test_cgi, test_lighttpd,
                     test_code_page):
            started = time.time()
            count = len(failures)
            try:
                test(work)
            except Exception as e:  # a crash of the test is a failure, not a hang
                import traceback
                traceback.print_exc()
                failures.append('%s raised %r' % (test.__name__, e))
                print('FAIL:', failures[-1], flush=True)
            print('%s %s (%.1f s)' % ('ok' if len(failures) == count else 'not ok',
                                      test.__name__, time.time() - started), flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
