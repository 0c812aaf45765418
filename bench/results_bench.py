#!/usr/bin/env python3
"""Throughput and latency of tamberlin-results, measured with wrk against a static-file
request of the same server in the same run (the cost floor of one HTTP request there):

  serve:    GET a small file   vs  POST /results (checked against a 10-question quiz, stored),
            with 20,000 other files in the served folder
  lighttpd: GET a small file   vs  POST /results through mod_cgi (a process per submission),
            and the cost of one CGI submission on an empty database and after 10,000 stored

    results_bench.py TAMBERLIN_RESULTS_EXE SOURCE_DIR TAMBERLIN_RESULTS_CGI_EXE [SECONDS]

Everything listens on 127.0.0.1. Needs wrk and lighttpd (scripts/deps.sh bench)."""
import os
import re
import shutil
import socket
import sqlite3
import struct
import subprocess
import sys
import tempfile
import time

EXE = os.path.abspath(sys.argv[1])
SOURCE = os.path.abspath(sys.argv[2])
CGI = os.path.abspath(sys.argv[3])
SECONDS = int(sys.argv[4]) if len(sys.argv) > 4 else 10
OTHER_FILES = 20000
STORED_BEFORE_COST = 10000
CLIENTS = 50
ANSWERS = 'ABCDABCDAB'


def counted(raw, capacity):
    return bytes([len(raw)]) + raw + bytes(capacity - len(raw))


def quiz_file():
    data = counted(b'Bench quiz', 255) + struct.pack('<ii', len(ANSWERS), 4)
    data += counted(b'BENCH-1', 100) + counted(b'/results', 255) + counted(b'', 255)
    data += counted(b'http://127.0.0.1/thanks.htm', 255) + bytes(1404)
    for n, answer in enumerate(ANSWERS):
        data += counted(b'', 250) + counted(b'Question %d?' % n, 255)
        data += b''.join(counted(b'choice', 250) for _ in range(5)) + counted(answer.encode(), 1)
    return data + struct.pack('<i', 600)


BODY = '&'.join('q%d=%s' % (n + 1, a) for n, a in enumerate('ABCDABCDAA'))
BODY += '&email=undefined&URL=http%3A%2F%2F127.0.0.1%2Fthanks.htm&ID=BENCH-1&lapsed=3%3A12'
BODY += '&score=90%25'


def wrk(url, seconds, post=False, work=None):
    args = ['wrk', '-t2', '-c%d' % CLIENTS, '-d%ds' % seconds, '--latency', '--timeout', '5s']
    if post:
        script = os.path.join(work, 'post.lua')
        with open(script, 'w') as f:
            f.write('wrk.method = "POST"\nwrk.body = "%s"\n'
                    'wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"\n' % BODY)
        args += ['-s', script]
    out = subprocess.run(args + [url], capture_output=True, text=True, check=True).stdout
    rate = float(re.search(r'Requests/sec:\s+([\d.]+)', out).group(1))
    total = int(re.search(r'(\d+) requests in', out).group(1))
    p99 = re.search(r'99%\s+([\d.]+)(us|ms|s)\b', out)
    p99_ms = float(p99.group(1)) * {'us': 0.001, 'ms': 1, 's': 1000}[p99.group(2)]
    bad = re.search(r'Non-2xx or 3xx responses: (\d+)', out)
    errors = re.search(r'Socket errors: (.*)', out)
    return {'rate': rate, 'total': total, 'p99': p99_ms, 'bad': int(bad.group(1)) if bad else 0,
            'socket_errors': errors.group(1) if errors else ''}


def rows(db):
    with sqlite3.connect(db, timeout=30) as conn:
        return conn.execute('SELECT count(*) FROM submissions').fetchone()[0]


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def wait_for(port):
    for _ in range(100):
        try:
            socket.create_connection(('127.0.0.1', port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.1)
    raise RuntimeError('nothing listens on %d' % port)


def line(name, result, floor=None):
    ratio = ' %6.2fx of the floor' % (result['rate'] / floor['rate']) if floor else ''
    extra = ''
    if result['bad'] or result['socket_errors']:
        extra = '  (non-2xx/3xx: %d; socket errors: %s)' % (result['bad'], result['socket_errors'])
    print('%-40s %9.0f req/s   p99 %7.2f ms%s%s' % (name, result['rate'], result['p99'], ratio,
                                                      extra), flush=True)


def cgi_cost(db, site, times=100):
    """Milliseconds per submission of the CGI program started one after another, as a web
    server starts it."""
    env = {'PATH': os.environ.get('PATH', ''), 'GATEWAY_INTERFACE': 'CGI/1.1',
           'REQUEST_METHOD': 'POST', 'CONTENT_TYPE': 'application/x-www-form-urlencoded',
           'CONTENT_LENGTH': str(len(BODY)), 'TAMBERLIN_RESULTS_DB': db,
           'TAMBERLIN_QUIZ_DIR': site}
    started = time.perf_counter()
    for _ in range(times):
        subprocess.run([CGI], input=BODY.encode(), env=env, stdout=subprocess.DEVNULL, check=True)
    return (time.perf_counter() - started) * 1000 / times


def fill(db, count):
    """Copies the first stored submission until the database holds count of them."""
    with sqlite3.connect(db, timeout=30) as conn:
        have = conn.execute('SELECT count(*) FROM submissions').fetchone()[0]
        columns = [r[1] for r in conn.execute('PRAGMA table_info(submissions)') if r[1] != 'id']
        names = ', '.join(columns)
        for _ in range(max(count - have, 0)):
            conn.execute('INSERT INTO submissions (%s) SELECT %s FROM submissions LIMIT 1'
                         % (names, names))
    with sqlite3.connect(db) as conn:
        conn.execute('PRAGMA wal_checkpoint(TRUNCATE)')
        return conn.execute('SELECT count(*) FROM submissions').fetchone()[0]


def main():
    if not shutil.which('wrk'):
        sys.exit('wrk is missing: bash scripts/deps.sh bench')
    work = tempfile.mkdtemp(prefix='tamberlin-results-bench-')
    try:
        site = os.path.join(work, 'site')
        os.makedirs(site)
        with open(os.path.join(site, 'bench.qvt'), 'wb') as f:
            f.write(quiz_file())
        shutil.copy(os.path.join(SOURCE, 'web', '0fdg.gif'), site)
        for n in range(OTHER_FILES):
            with open(os.path.join(site, 'other-%05d.txt' % n), 'w') as f:
                f.write('x')
        print('%d clients, %d s a run, %d CPUs; body %d bytes; %d other files in the folder'
              % (CLIENTS, SECONDS, os.cpu_count(), len(BODY), OTHER_FILES))
        print('load average before: %.2f %.2f %.2f' % os.getloadavg())

        # The receiver's own server.
        db = os.path.join(work, 'serve.sqlite')
        port = free_port()
        serve = subprocess.Popen([EXE, 'serve', site, '--bind', '127.0.0.1', '--port', str(port),
                                  '--db', db], stdout=subprocess.DEVNULL)
        try:
            wait_for(port)
            base = 'http://127.0.0.1:%d' % port
            wrk(base + '/0fdg.gif', 2)  # warm up
            floor = wrk(base + '/0fdg.gif', SECONDS)
            line('serve: GET /0fdg.gif (floor)', floor)
            before = rows(db)
            result = wrk(base + '/results', SECONDS, post=True, work=work)
            line('serve: POST /results (stored)', result, floor)
            stored = rows(db) - before
            print('  %d submissions answered, %d stored' % (result['total'], stored))
            if stored < result['total'] - result['bad']:
                print('  FEWER STORED THAN ANSWERED')
        finally:
            serve.terminate()
            serve.wait(30)

        # lighttpd running the receiver as CGI with the shipped snippet.
        lighttpd = shutil.which('lighttpd') or '/usr/sbin/lighttpd'
        if not os.path.exists(lighttpd):
            print('lighttpd is missing: no CGI figures')
            return
        cgi_db = os.path.join(work, 'cgi.sqlite')
        settings = {'tamberlin_results': CGI, 'tamberlin_results_db': cgi_db,
                    'tamberlin_quiz_dir': site}
        with open(os.path.join(SOURCE, 'deploy', 'lighttpd-tamberlin-results.conf')) as f:
            snippet = [re.sub(r'^var\.(\w+) = .*$', lambda m: 'var.%s = "%s"' % (
                m.group(1), settings[m.group(1)]) if m.group(1) in settings else m.group(0), l)
                for l in f.read().splitlines()]
        with open(os.path.join(work, 'snippet.conf'), 'w') as f:
            f.write('\n'.join(snippet) + '\n')
        port = free_port()
        with open(os.path.join(work, 'lighttpd.conf'), 'w') as f:
            f.write('server.document-root = "%s"\nserver.bind = "127.0.0.1"\nserver.port = %d\n'
                    'server.errorlog = "%s/error.log"\nmimetype.assign = (".gif" => "image/gif")\n'
                    'include "%s/snippet.conf"\n' % (site, port, work, work))
        server = subprocess.Popen([lighttpd, '-D', '-f', os.path.join(work, 'lighttpd.conf')])
        try:
            wait_for(port)
            base = 'http://127.0.0.1:%d' % port
            wrk(base + '/0fdg.gif', 2)
            floor = wrk(base + '/0fdg.gif', SECONDS)
            line('lighttpd: GET /0fdg.gif (floor)', floor)
            result = wrk(base + '/results', SECONDS, post=True, work=work)
            line('lighttpd: POST /results through CGI', result, floor)
            print('  %d submissions answered, %d stored' % (result['total'], rows(cgi_db)))
        finally:
            server.terminate()
            server.wait(30)
        cost_db = os.path.join(work, 'cost.sqlite')
        first = cgi_cost(cost_db, site)
        stored = fill(cost_db, STORED_BEFORE_COST)
        later = cgi_cost(cost_db, site)
        print('CGI, one submission after another: %.2f ms each on an empty database, %.2f ms '
              'after %d stored (ratio %.2f)' % (first, later, stored, later / first))
        print('load average after: %.2f %.2f %.2f' % os.getloadavg())
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()
