// A quiz taken in headless Chromium against the results receiver: once from the receiver's
// own server (serve), once from a real lighttpd running it as CGI with the shipped snippet.
// Check Score posts, the browser lands on the quiz's redirect page, and the report shows the
// row with the answers and the checked score. Needs TAMBERLIN_EXE, TAMBERLIN_RESULTS_EXE and
// TAMBERLIN_SOURCE_DIR; uses the page tests' npm packages.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { writeQuizFile } from '../page/quiz_file.mjs';

// playwright-core is installed once, for the page tests.
const { chromium } = createRequire(new URL('../page/package.json', import.meta.url))('playwright-core');

const exe = process.env.TAMBERLIN_EXE;
const receiver = process.env.TAMBERLIN_RESULTS_EXE;
const receiverCgi = process.env.TAMBERLIN_RESULTS_CGI_EXE;
const sourceDir = process.env.TAMBERLIN_SOURCE_DIR;
const chromiumArgs = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const companions = ['clock.js', 'cfdg.gif', ...Array.from({ length: 10 }, (_, d) => `${d}fdg.gif`)];
const testTime = { timeout: 60000 };
const children = [];
let browser;
let work;

// Text in a code page as the latin1 string that quiz_file.mjs writes byte for byte.
function inCodePage(text, label) {
    const decoder = new TextDecoder(label);
    const table = new Map();
    for (let b = 255; b >= 0; --b) table.set(decoder.decode(Uint8Array.of(b)), b);
    return [...text].map((c) => String.fromCharCode(table.get(c))).join('');
}

function makeFolder(name) {
    const folder = path.join(work, name);
    fs.mkdirSync(folder);
    for (const file of companions) {
        fs.copyFileSync(path.join(sourceDir, 'web', file), path.join(folder, file));
    }
    fs.writeFileSync(path.join(folder, 'thanks.htm'), '<html><body>Thanks!</body></html>');
    return folder;
}

function publish(folder, name, quiz) {
    const quizPath = path.join(folder, `${name}.qvt`);
    fs.writeFileSync(quizPath, writeQuizFile(quiz));
    execFileSync(exe, ['--publish', quizPath], { encoding: 'utf8' });
}

function quiz(base, overrides = {}) {
    return {
        title: 'Receiver quiz', quizId: 'RQ-1', cgiTarget: '/results', loginAddress: '',
        redirectAddress: `${base}/thanks.htm`, interval: 300, choiceCount: 3, cookieRequired: 0,
        questions: [
            { text: 'First?', choices: ['one', 'two', 'three'], answer: 'A' },
            { text: 'Second?', choices: ['one', 'two', 'three'], answer: 'B' },
            { text: 'Third?', choices: ['one', 'two', 'three'], answer: 'C' },
        ],
        ...overrides,
    };
}

// Starts `tamberlin-results serve` on a free port and reads the addresses it prints.
function startServe(folder, env = {}, extra = []) {
    const child = spawn(receiver, ['serve', folder, '--bind', '127.0.0.1', '--port', '0', ...extra],
        { env: { ...process.env, ...env }, stdio: ['ignore', 'pipe', 'inherit'] });
    children.push(child);
    return new Promise((resolve, reject) => {
        let out = '';
        const timer = setTimeout(() => reject(new Error(`serve did not start: ${out}`)), 10000);
        child.stdout.on('data', (chunk) => {
            out += chunk;
            const teacher = out.match(/Results for the teacher: (http:\/\/127\.0\.0\.1:(\d+)\/\S+)/);
            if (teacher && out.includes('Press Ctrl-C')) {
                clearTimeout(timer);
                resolve({ child, base: `http://127.0.0.1:${teacher[2]}`, teacher: teacher[1] });
            }
        });
        child.on('exit', () => reject(new Error(`serve ended: ${out}`)));
    });
}

function freePort() {
    return new Promise((resolve) => {
        const s = net.createServer().listen(0, '127.0.0.1', () => {
            const { port } = s.address();
            s.close(() => resolve(port));
        });
    });
}

async function waitForPort(port) {
    for (let i = 0; i < 100; ++i) {
        const open = await new Promise((resolve) => {
            const s = net.connect(port, '127.0.0.1', () => { s.end(); resolve(true); });
            s.on('error', () => resolve(false));
        });
        if (open) return;
        await new Promise((r) => setTimeout(r, 100));
    }
    throw new Error(`nothing listens on ${port}`);
}

// Takes the quiz: the answers given, Check Score, every alert accepted; resolves when the
// browser has followed the receiver's answer to the redirect page.
async function takeQuiz(url, answers, cookies = []) {
    const context = await browser.newContext();
    context.setDefaultTimeout(20000);
    if (cookies.length) {
        await context.addCookies(cookies.map(([name, value]) => ({ name, value, url })));
    }
    const page = await context.newPage();
    const dialogs = [];
    page.on('dialog', (d) => { dialogs.push(d.message()); d.accept().catch(() => {}); });
    await page.goto(url);
    for (const [n, letter] of answers) await page.click(`input[name=q${n}][value=${letter}]`);
    await Promise.all([
        page.waitForURL(/\/thanks\.htm$/, { timeout: 20000 }),
        page.click('input[type=submit]'),
    ]);
    const landed = { url: page.url(), text: await page.innerText('body'), dialogs };
    await Promise.race([context.close(), new Promise((r) => setTimeout(r, 5000))]);
    return landed;
}

function reportRows(db) {
    const out = execFileSync(receiver, ['report', db, '--csv', '-'], { encoding: 'utf8' });
    const [header, ...lines] = out.replace(/^\uFEFF/, '').trimEnd().split('\r\n');
    const names = header.split(',');
    return lines.map((line) => Object.fromEntries(line.split(',').map((v, i) => [names[i], v])));
}

before(async () => {
    work = fs.mkdtempSync(path.join(os.tmpdir(), 'tamberlin-results-browser-'));
    browser = await chromium.launch({
        executablePath: process.env.TAMBERLIN_CHROMIUM || '/usr/bin/chromium', args: chromiumArgs,
    });
});

after(async () => {
    if (browser) await browser.close();
    for (const child of children) child.kill('SIGTERM');
    if (work) fs.rmSync(work, { recursive: true, force: true });
});

test('serve: the taker lands on the redirect page, the teacher sees the checked row', testTime,
    async () => {
        const folder = makeFolder('serve');
        const { base, teacher } = await startServe(folder, { TAMBERLIN_CODEPAGE: 'cp1252' });
        // With a login address the page posts the taker's name, read from the login cookie.
        publish(folder, 'quiz', quiz(base, { loginAddress: `${base}/login.htm`, cookieRequired: 1 }));
        const landed = await takeQuiz(`${base}/quiz.htm`, [[1, 'A'], [2, 'B'], [3, 'A']],
            [['username', 'Jos%E9'], ['email', 'jose%40example.org']]);
        assert.equal(landed.url, `${base}/thanks.htm`);
        assert.deepEqual(landed.dialogs, ['Your Score is: 67%']);

        const rows = reportRows(path.join(folder, 'results.sqlite'));
        assert.equal(rows.length, 1);
        assert.equal(rows[0].name, 'José');
        assert.equal(rows[0].email, 'jose@example.org');
        assert.equal(rows[0].quiz_id, 'RQ-1');
        assert.deepEqual([rows[0].q1, rows[0].q2, rows[0].q3], ['A', 'B', 'A']);
        assert.deepEqual([rows[0].posted_score, rows[0].checked_score, rows[0].score_check],
            ['67%', '67%', 'ok']);
        assert.match(rows[0].lapsed, /^\d+:[0-5]\d$/);

        // The teacher's page: the row, the question table and the histogram.
        const context = await browser.newContext({ viewport: { width: 1000, height: 760 } });
        const page = await context.newPage();
        const response = await page.goto(teacher);
        assert.equal(response.status(), 200);
        const text = await page.innerText('body');
        assert.match(text, /Receiver quiz/);
        assert.match(text, /José/);
        assert.equal(await page.locator('svg.histogram rect').count(), 10);
        const shot = process.env.TAMBERLIN_RESULTS_SCREENSHOT;
        if (shot) await page.screenshot({ path: shot, fullPage: true });
        await context.close();
    });

test('serve --roster: log in at /login, take the quiz, the teacher sees the verified name',
    testTime, async () => {
        const folder = makeFolder('roster');
        const roster = path.join(work, 'class.csv');
        fs.writeFileSync(roster, 'name,e-mail,code\r\nAnn Lee,ann@example.org,K7K7K7\r\n'
            + 'Bo Chen,,Q2Q2Q2\r\n');
        const { base, teacher } = await startServe(folder, { TAMBERLIN_CODEPAGE: 'cp1252' },
            ['--roster', roster]);
        publish(folder, 'quiz', quiz(base, { loginAddress: '/login', cookieRequired: 1 }));
        const context = await browser.newContext();
        context.setDefaultTimeout(20000);
        const page = await context.newPage();
        const dialogs = [];
        page.on('dialog', (d) => { dialogs.push(d.message()); d.accept().catch(() => {}); });
        await page.goto(`${base}/quiz.htm`);
        await page.waitForURL(`${base}/login`);
        assert.deepEqual(dialogs, ['Please log in']);
        // A wrong code and a stranger are refused with a message, and nothing is set.
        await page.fill('#name', 'Ann Lee');
        await page.fill('#code', 'AAAAAA');
        await page.click('button[type=submit]');
        assert.match(await page.innerText('[role=alert]'), /code is not the one/);
        await page.fill('#name', 'Mallory');
        await page.fill('#code', 'K7K7K7');
        await page.click('button[type=submit]');
        assert.match(await page.innerText('[role=alert]'), /not on the class list/);
        assert.equal((await context.cookies()).length, 0);
        // The right code, typed in lower case: back to the quiz with the name in its field.
        await page.fill('#name', 'ann lee');
        await page.fill('#code', 'k7k7k7');
        await page.click('button[type=submit]');
        await page.waitForURL(`${base}/quiz.htm`);
        await page.waitForFunction(() => document.quizform.name.value !== '');
        assert.equal(await page.inputValue('input[name=name]'), 'Ann Lee');
        for (const [n, letter] of [[1, 'A'], [2, 'B'], [3, 'C']]) {
            await page.click(`input[name=q${n}][value=${letter}]`);
        }
        await Promise.all([page.waitForURL(/\/thanks\.htm$/), page.click('input[type=submit]')]);
        await context.close();

        const rows = reportRows(path.join(folder, 'results.sqlite'));
        assert.deepEqual([rows[0].name, rows[0].email, rows[0].checked_score],
            ['Ann Lee', 'ann@example.org', '100%']);
        const teacherPage = await browser.newPage();
        await teacherPage.goto(teacher);
        const text = await teacherPage.innerText('body');
        assert.match(text, /Ann Lee ✓ verified/);
        assert.match(text, /Not submitted yet \(1\): Bo Chen/);
        await teacherPage.close();
    });

test('serve under cp1251: a Cyrillic quiz and name arrive as UTF-8', testTime, async () => {
    const folder = makeFolder('cyrillic');
    const { base } = await startServe(folder, { TAMBERLIN_CODEPAGE: 'cp1251' });
    publish(folder, 'quiz', quiz(base, {
        title: inCodePage('Проверка', 'windows-1251'), quizId: inCodePage('Тест-1', 'windows-1251'),
        loginAddress: `${base}/login.htm`, cookieRequired: 1,
    }));
    // escape('Иван') as the login site would have written it.
    await takeQuiz(`${base}/quiz.htm`, [[1, 'A'], [2, 'B'], [3, 'C']],
        [['username', '%u0418%u0432%u0430%u043D'], ['email', 'x']]);
    const rows = reportRows(path.join(folder, 'results.sqlite'));
    assert.deepEqual([rows[0].name, rows[0].quiz_id, rows[0].checked_score], ['Иван', 'Тест-1', '100%']);
});

test('lighttpd with the shipped snippet runs the receiver as CGI', testTime, async (t) => {
    const lighttpd = ['/usr/sbin/lighttpd', '/usr/bin/lighttpd'].find((p) => fs.existsSync(p));
    if (!lighttpd) {
        t.skip('lighttpd is not installed (scripts/deps.sh test installs it)');
        return;
    }
    const root = makeFolder('www');
    const db = path.join(work, 'cgi-results.sqlite');
    const settings = { tamberlin_results: receiverCgi, tamberlin_results_db: db, tamberlin_quiz_dir: root };
    const snippet = fs.readFileSync(path.join(sourceDir, 'deploy', 'lighttpd-tamberlin-results.conf'),
        'utf8').replace(/^var\.(\w+) = .*$/gm, (line, name) =>
        (name in settings ? `var.${name} = "${settings[name]}"` : line));
    fs.writeFileSync(path.join(work, 'snippet.conf'), snippet);
    const port = await freePort();
    fs.writeFileSync(path.join(work, 'lighttpd.conf'), [
        `server.document-root = "${root}"`, 'server.bind = "127.0.0.1"', `server.port = ${port}`,
        `server.errorlog = "${work}/lighttpd-error.log"`,
        'mimetype.assign = (".htm" => "text/html", ".gif" => "image/gif", ".js" => "text/javascript")',
        `include "${work}/snippet.conf"`, ''].join('\n'));
    const child = spawn(lighttpd, ['-D', '-f', path.join(work, 'lighttpd.conf')], { stdio: 'inherit' });
    children.push(child);
    await waitForPort(port);
    const base = `http://127.0.0.1:${port}`;
    publish(root, 'quiz', quiz(base));
    const landed = await takeQuiz(`${base}/quiz.htm`, [[1, 'B'], [2, 'B'], [3, 'C']]);
    assert.equal(landed.text.trim(), 'Thanks!');
    const rows = reportRows(db);
    assert.equal(rows.length, 1);
    assert.deepEqual([rows[0].q1, rows[0].q2, rows[0].q3, rows[0].checked_score], ['B', 'B', 'C', '67%']);
});
