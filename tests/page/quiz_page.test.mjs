// The published page in headless Chromium: pages are published by the program itself from quiz
// files written here, served with the clock files by a local HTTP server that also receives
// the form's POST. Needs TAMBERLIN_EXE (the program) and TAMBERLIN_SOURCE_DIR.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { writeQuizFile } from './quiz_file.mjs';

const exe = process.env.TAMBERLIN_EXE;
const sourceDir = process.env.TAMBERLIN_SOURCE_DIR;
const chromiumPath = process.env.TAMBERLIN_CHROMIUM || '/usr/bin/chromium';
const chromiumArgs = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const companions = ['clock.js', 'cfdg.gif', ...Array.from({ length: 10 }, (_, d) => `${d}fdg.gif`)];

let browser;
let server;
let base;
let folder;
const requests = [];   // every request the server saw: { method, url, body }
const waiters = [];    // { match, resolve } for the next matching request

function recordRequest(entry) {
    requests.push(entry);
    for (let i = waiters.length - 1; i >= 0; --i) {
        if (waiters[i].match(entry)) {
            waiters[i].resolve(entry);
            waiters.splice(i, 1);
        }
    }
}

function nextRequest(match, ms = 10000) {
    const seen = requests.find(match);
    if (seen) return Promise.resolve(seen);
    return new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error('no such request arrived')), ms);
        waiters.push({ match, resolve: (e) => { clearTimeout(timer); resolve(e); } });
    });
}

// Publishes the quiz as NAME.htm; its form posts to /cgi-bin/NAME.
function publish(name, quiz) {
    quiz.cgiTarget = `${base}/cgi-bin/${name}`;
    const quizPath = path.join(folder, `${name}.qvt`);
    fs.writeFileSync(quizPath, writeQuizFile(quiz));
    const printed = execFileSync(exe, ['--publish', quizPath], { encoding: 'utf8' });
    assert.equal(printed, path.join(folder, `${name}.htm`) + '\n');
    return `${base}/${name}.htm`;
}

const threeQuestions = [
    { text: 'First?', choices: ['one', 'two', 'three'], answer: 'A' },
    { text: 'Second?', choices: ['one', 'two', 'three'], answer: 'B' },
    { text: 'Third?', choices: ['one', 'two', 'three'], answer: 'C' },
];

function quiz(overrides = {}) {
    return {
        title: 'Browser quiz', quizId: 'BQ-7',
        loginAddress: '', redirectAddress: 'http://example.invalid/thanks', interval: 300,
        choiceCount: 3, questions: threeQuestions, cookieRequired: 0, ...overrides,
    };
}

// A fresh browser context whose page records dialogs (answering them as told), script errors
// and the features of every window the page opens.
// Every test gets at most this long, so that a browser that stops answering fails the test it
// was running instead of holding up the whole run.
const testTime = { timeout: 45000 };

// Closes a page's browser context without waiting on a page that keeps navigating.
async function closeContext(context) {
    await Promise.race([context.close(), new Promise((resolve) => setTimeout(resolve, 5000))]);
}

// Opens the page. waitUntil 'commit' is for pages that leave for the login address while they
// load, whose own load event may never come.
async function openPage(url, { cookies = [], confirm = true, waitUntil = 'load' } = {}) {
    const context = await browser.newContext();
    context.setDefaultTimeout(20000);
    context.setDefaultNavigationTimeout(20000);
    if (cookies.length) {
        await context.addCookies(cookies.map(([name, value]) => ({ name, value, url: base })));
    }
    const page = await context.newPage();
    const dialogs = [];
    const errors = [];
    const popups = [];
    page.on('dialog', (d) => {
        dialogs.push({ type: d.type(), message: d.message() });
        (d.type() === 'confirm' && !confirm ? d.dismiss() : d.accept()).catch(() => {});
    });
    page.on('pageerror', (e) => errors.push(e.message));
    context.on('page', (p) => popups.push(p));
    await page.addInitScript(() => {
        // Keeps what the page showed when the form went off, for after the navigation: the
        // window sees the submit event after the form's own handler has run.
        window.open = ((open) => function (u, n, features) {
            localStorage.setItem('opened', JSON.stringify(
                [...JSON.parse(localStorage.getItem('opened') || '[]'), features]));
            return open.apply(this, arguments);
        })(window.open);
        window.addEventListener('submit', (e) => {
            localStorage.setItem('atSubmit', JSON.stringify({
                score: document.quizform.score.value, sent: !e.defaultPrevented }));
        });
    });
    await page.goto(url, { waitUntil });
    // TAMBERLIN_PAGE_SCREENSHOTS=FOLDER keeps a picture of every page as it opened.
    const shots = process.env.TAMBERLIN_PAGE_SCREENSHOTS;
    if (shots) {
        await page.screenshot({ path: path.join(shots, path.basename(url, '.htm') + '.png') })
            .catch(() => {}); // a page that has already moved on to the login address
    }
    return { context, page, dialogs, errors, popups };
}

async function choose(page, answers) {
    for (const [n, letter] of answers) {
        await page.click(`input[name=q${n}][value=${letter}]`);
    }
}

async function pressCheckScore(page) {
    await page.click('input[type=submit]');
}

// The score box as it was when the form was sent, and the features of the windows opened.
async function atSubmit(page) {
    return page.evaluate(() => ({
        ...JSON.parse(localStorage.getItem('atSubmit') || '{}'),
        opened: JSON.parse(localStorage.getItem('opened') || '[]'),
    }));
}

function postFields(body) {
    return [...new URLSearchParams(body).entries()];
}

before(async () => {
    folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tamberlin-page-'));
    for (const name of companions) {
        fs.copyFileSync(path.join(sourceDir, 'web', name), path.join(folder, name));
    }
    server = http.createServer((req, res) => {
        let body = '';
        req.on('data', (chunk) => { body += chunk; });
        req.on('end', () => {
            recordRequest({ method: req.method, url: req.url, body });
            if (req.method === 'POST') {
                res.writeHead(200, { 'Content-Type': 'text/html' });
                res.end('<html><body>received</body></html>');
                return;
            }
            const file = path.join(folder, decodeURIComponent(req.url.split('?')[0]));
            if (file.startsWith(folder) && fs.existsSync(file) && fs.statSync(file).isFile()) {
                const type = file.endsWith('.gif') ? 'image/gif'
                    : file.endsWith('.js') ? 'text/javascript' : 'text/html; charset=windows-1252';
                res.writeHead(200, { 'Content-Type': type });
                res.end(fs.readFileSync(file));
            } else {
                res.writeHead(404);
                res.end('not here');
            }
        });
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    base = `http://127.0.0.1:${server.address().port}`;
    browser = await chromium.launch({ executablePath: chromiumPath, args: chromiumArgs });
});

after(async () => {
    if (browser) await browser.close();
    if (server) await new Promise((resolve) => server.close(resolve));
    if (folder) fs.rmSync(folder, { recursive: true, force: true });
});

describe('scoring', () => {
    test('an unanswered question is refused and nothing is posted', testTime, async () => {
        const url = publish('refuse', quiz());
        const { context, page, dialogs, errors } = await openPage(url);
        await choose(page, [[1, 'A'], [3, 'C']]);
        await pressCheckScore(page);
        await page.waitForTimeout(500);
        assert.deepEqual(dialogs, [{ type: 'alert', message: 'Please answer ALL questions' }]);
        assert.equal(requests.filter((r) => r.url === '/cgi-bin/refuse').length, 0);
        assert.equal(await page.inputValue('input[name=score]'), 'N/A');
        assert.deepEqual(errors, []);
        await closeContext(context);
    });

    test('two right of three: 67%, the error window and the posted fields', testTime, async () => {
        const url = publish('twothirds', quiz());
        const { context, page, dialogs, errors, popups } = await openPage(url);
        await page.waitForTimeout(1200); // let the clock run a little
        await choose(page, [[1, 'A'], [2, 'B'], [3, 'A']]);
        const posted = nextRequest((r) => r.method === 'POST' && r.url === '/cgi-bin/twothirds');
        await pressCheckScore(page);
        const post = await posted;

        assert.deepEqual(dialogs, [{ type: 'alert', message: 'Your Score is: 67%' }]);
        assert.deepEqual(await atSubmit(page), { score: '67%', sent: true,
            opened: ['top=0,left=0,width=180,height=165,scrollbars=1'] });
        assert.equal(popups.length, 1);
        const listed = await popups[0].evaluate(() => document.body.innerText);
        assert.match(listed, /Your Error\(s\)\.\.\./);
        assert.match(listed, /Question: 3/);
        assert.doesNotMatch(listed, /Question: [12]/);
        assert.match(listed, /Have another try\.\.\./);

        const fields = postFields(post.body);
        assert.deepEqual(fields.map(([k]) => k),
            ['q1', 'q2', 'q3', 'email', 'URL', 'ID', 'lapsed', 'score']);
        const values = Object.fromEntries(fields);
        assert.equal(values.q1, 'A');
        assert.equal(values.q2, 'B');
        assert.equal(values.q3, 'A');
        assert.equal(values.URL, 'http://example.invalid/thanks');
        assert.equal(values.ID, 'BQ-7');
        assert.equal(values.score, '67%');
        assert.match(values.lapsed, /^\d+:[0-5]\d$/);
        assert.deepEqual(errors, []);
        await closeContext(context);
    });

    test('all right: 100% and no error window', testTime, async () => {
        const url = publish('allright', quiz());
        const { context, page, dialogs, errors, popups } = await openPage(url);
        await choose(page, [[1, 'A'], [2, 'B'], [3, 'C']]);
        const posted = nextRequest((r) => r.method === 'POST' && r.url === '/cgi-bin/allright');
        await pressCheckScore(page);
        await posted;
        assert.deepEqual(dialogs, [{ type: 'alert', message: 'Your Score is: 100%' }]);
        assert.deepEqual(await atSubmit(page), { score: '100%', sent: true, opened: [] });
        assert.equal(popups.length, 0);
        assert.deepEqual(errors, []);
        await closeContext(context);
    });

    test('ten questions with seven right open a window 205 pixels high', testTime, async () => {
        const questions = Array.from({ length: 10 },
            (_, i) => ({ text: `Q${i + 1}`, choices: ['x', 'y'], answer: 'A' }));
        const url = publish('ten', quiz({ questions, choiceCount: 2 }));
        const { context, page, popups } = await openPage(url);
        await choose(page, questions.map((_, i) => [i + 1, [2, 5, 9].includes(i + 1) ? 'B' : 'A']));
        const posted = nextRequest((r) => r.method === 'POST' && r.url === '/cgi-bin/ten');
        await pressCheckScore(page);
        await posted;
        assert.deepEqual((await atSubmit(page)).opened,
            ['top=0,left=0,width=180,height=205,scrollbars=1']);
        const listed = await popups[0].evaluate(() => document.body.innerText);
        assert.deepEqual(listed.match(/Question: \d+/g), ['Question: 2', 'Question: 5', 'Question: 9']);
        await closeContext(context);
    });
});

describe('login and saved progress', () => {
    test('without a username cookie the taker is sent to log in', testTime, async () => {
        const url = publish('login', quiz({ cookieRequired: 1, loginAddress: `${base}/login` }));
        const arrived = nextRequest((r) => r.method === 'GET' && r.url === '/login');
        const { context, page, dialogs } = await openPage(url, { waitUntil: 'commit' });
        await arrived;
        assert.deepEqual(dialogs[0], { type: 'alert', message: 'Please log in' });
        await page.waitForURL(`${base}/login`);
        await closeContext(context);
    });

    test('a login address with a quote and a backslash still works', testTime, async () => {
        const url = publish('oddlogin',
            quiz({ cookieRequired: 1, loginAddress: `${base}/log"in\\here` }));
        const arrived = nextRequest((r) => r.method === 'GET' && r.url.startsWith('/log%22in'));
        const { context, dialogs, errors } = await openPage(url, { waitUntil: 'commit' });
        const request = await arrived;
        assert.equal(request.url, '/log%22in/here');
        assert.deepEqual(dialogs[0], { type: 'alert', message: 'Please log in' });
        assert.deepEqual(errors, []);
        await closeContext(context);
    });

    test('saved progress is offered and restores the ticks', testTime, async () => {
        const url = publish('saved', quiz({ cookieRequired: 1, loginAddress: `${base}/login` }));
        const { context, page, dialogs, errors } = await openPage(url, {
            cookies: [['username', 'ann'], ['email', 'ann%40example.org'], ['QuizID', 'BQ-7'],
                ['save', 'true'], ['quizuser', 'ann'], ['q1', 'C'], ['q2', 'B'], ['q3', 'A']],
        });
        await page.waitForFunction(() => document.readyState === 'complete');
        assert.deepEqual(dialogs, [{ type: 'confirm',
            message: 'Saved quiz found. OK to continue, Cancel to restart.' }]);
        assert.equal(await page.inputValue('input[name=name]'), 'ann');
        for (const [n, letter] of [[1, 'C'], [2, 'B'], [3, 'A']]) {
            assert.equal(await page.isChecked(`input[name=q${n}][value=${letter}]`), true);
        }
        // The restored answers count without another click.
        const posted = nextRequest((r) => r.method === 'POST' && r.url === '/cgi-bin/saved');
        await pressCheckScore(page);
        const post = await posted;
        const values = Object.fromEntries(postFields(post.body));
        assert.deepEqual(Object.keys(values),
            ['q1', 'q2', 'q3', 'name', 'email', 'URL', 'ID', 'lapsed', 'score']);
        assert.equal(values.email, 'ann@example.org');
        assert.equal(values.score, '33%');
        assert.deepEqual(errors, []);
        await closeContext(context);
    });

    test('cancelling the saved quiz restores nothing', testTime, async () => {
        const url = publish('cancelled', quiz({ cookieRequired: 1, loginAddress: `${base}/login` }));
        const { context, page, dialogs } = await openPage(url, {
            confirm: false,
            cookies: [['username', 'bob'], ['QuizID', 'BQ-7'], ['save', 'true'],
                ['quizuser', 'bob'], ['q1', 'A'], ['q2', 'A'], ['q3', 'A']],
        });
        await page.waitForFunction(() => document.readyState === 'complete');
        assert.equal(dialogs.length, 1);
        assert.equal(await page.isChecked('input[name=q1][value=A]'), false);
        await closeContext(context);
    });
});

describe('clock', () => {
    test('counts down from the allowed time on the digit pictures', testTime, async () => {
        const url = publish('clock', quiz({ interval: 125 }));
        const { context, page, errors } = await openPage(url);
        const digits = () => page.evaluate(() => ['min', 'minu', 'gap', 'sec', 'secu']
            .map((n) => document.images[n].getAttribute('src')).join(' '));
        assert.equal(await digits(), '0fdg.gif 2fdg.gif cfdg.gif 0fdg.gif 5fdg.gif');
        await page.waitForFunction(() => document.images.secu.getAttribute('src') !== '5fdg.gif',
            null, { timeout: 4000 });
        assert.match(await digits(), /^0fdg\.gif 2fdg\.gif cfdg\.gif 0fdg\.gif [0-4]fdg\.gif$/);
        assert.match(await page.evaluate(() => lapsedtimestr), /^0:0[1-4]$/);
        assert.deepEqual(errors, []);
        await closeContext(context);
    });

    test('tells the taker once when the time is up', testTime, async () => {
        const url = publish('timeup', quiz({ interval: 2 }));
        const { context, page, dialogs } = await openPage(url);
        await page.waitForTimeout(3500);
        const timeUp = dialogs.filter((d) => d.message.startsWith('Time is up!'));
        assert.equal(timeUp.length, 1);
        assert.equal(await page.evaluate(() => document.images.secu.getAttribute('src')), '0fdg.gif');
        await closeContext(context);
    });

    test('missing clock pictures do not stop the quiz', testTime, async () => {
        const url = publish('nopictures', quiz());
        const { context, page, dialogs, errors } = await openPage(url);
        await page.route('**/*.gif', (route) => route.fulfill({ status: 404, body: '' }));
        await page.reload();
        await choose(page, [[1, 'A'], [2, 'B'], [3, 'C']]);
        const posted = nextRequest((r) => r.method === 'POST' && r.url === '/cgi-bin/nopictures');
        await pressCheckScore(page);
        await posted;
        assert.deepEqual(dialogs.at(-1), { type: 'alert', message: 'Your Score is: 100%' });
        assert.deepEqual(errors, []);
        await closeContext(context);
    });
});

describe('a question bank', () => {
    test('the example bank of 100 questions, imported and published, scores 100%', testTime,
        async () => {
            const bank = path.join(sourceDir, 'examples', 'bank.gift');
            const quizPath = path.join(folder, 'bank.qvt');
            execFileSync(exe, ['--import', bank, '-o', quizPath, '--cgi', `${base}/cgi-bin/bank`,
                '--seconds', '600'], { stdio: ['ignore', 'ignore', 'ignore'] });
            execFileSync(exe, ['--publish', quizPath], { encoding: 'utf8' });
            // The right letters, read from the bank itself: the "=" line among each
            // question's choice lines.
            const right = [];
            for (const block of fs.readFileSync(bank, 'utf8').split(/\n(?=::)/).slice(1)) {
                const choices = block.split('\n').filter((l) => /^\t[=~]/.test(l));
                right.push(String.fromCharCode(65 + choices.findIndex((l) => l[1] === '=')));
            }
            assert.equal(right.length, 100);
            const { context, page, dialogs, errors } = await openPage(`${base}/bank.htm`);
            await choose(page, right.map((letter, i) => [i + 1, letter]));
            const posted = nextRequest((r) => r.method === 'POST' && r.url === '/cgi-bin/bank');
            await pressCheckScore(page);
            const post = await posted;
            assert.deepEqual(dialogs, [{ type: 'alert', message: 'Your Score is: 100%' }]);
            const values = Object.fromEntries(postFields(post.body));
            assert.equal(values.q100, right[99]);
            assert.equal(values.score, '100%');
            assert.deepEqual(errors, []);
            await closeContext(context);
        });
});
