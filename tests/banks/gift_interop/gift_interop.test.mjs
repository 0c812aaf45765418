// GIFT as the program reads and writes it, against gift-pegjs, a GIFT parser of its own: the
// platform export in tests/data/banks reads as gift-pegjs reads it, and what --export writes
// parses with gift-pegjs to the quiz's questions. Needs TAMBERLIN_EXE and TAMBERLIN_SOURCE_DIR.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import gift from 'gift-pegjs';
import { writeQuizFile } from '../../page/quiz_file.mjs';

const exe = process.env.TAMBERLIN_EXE;
const sourceDir = process.env.TAMBERLIN_SOURCE_DIR;
const env = { ...process.env, TAMBERLIN_CODEPAGE: 'cp1252' };
const letters = 'ABCDE';

function scratch() {
    return fs.mkdtempSync(path.join(os.tmpdir(), 'tamberlin-gift-'));
}

function plain(text) {
    if (text.format !== 'html') return text.text.trim();
    return text.text.replace(/<[^>]*>/g, '').replace(/&amp;/g, '&').trim();
}

// The quiz as the page's listing (.qdt) holds it: questions without line breaks, the choices
// in use and the answer letters.
// Windows-1252's characters for the bytes 0x80 to 0x9F (the others are Latin-1's).
const cp1252High = '\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d\u017d\u008f\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u009d\u017e\u0178';

function listing(file) {
    const lines = [...fs.readFileSync(file).toString('latin1')].map((c) => {
        const code = c.charCodeAt(0);
        return code >= 0x80 && code < 0xa0 ? cp1252High[code - 0x80] : c;
    }).join('').split('\r\n');
    const count = Number(lines[1]);
    const choices = Number(lines[2]);
    const answers = lines.slice(3, 3 + count);
    const questions = [];
    let at = 3 + count;
    for (let n = 0; n < count; ++n) {
        if (lines[at].startsWith('[IMG]')) ++at;
        questions.push({ text: lines[at], choices: lines.slice(at + 1, at + 1 + choices),
            answer: answers[n] });
        at += 1 + choices;
    }
    return { choices, questions };
}

test('a platform export reads as gift-pegjs reads it', () => {
    const bank = path.join(sourceDir, 'tests', 'data', 'banks', 'platform_export.gift');
    const wanted = gift.parse(fs.readFileSync(bank, 'utf8')).filter((q) => q.type === 'MC' &&
        q.choices.filter((c) => c.isCorrect).length === 1 &&
        q.choices.every((c) => c.weight === null));
    assert.equal(wanted.length, 6);

    const folder = scratch();
    const quiz = path.join(folder, 'bank.qvt');
    execFileSync(exe, ['--import', bank, '-o', quiz], { env, stdio: 'ignore' });
    execFileSync(exe, ['--publish', quiz], { env, stdio: 'ignore' });
    const got = listing(path.join(folder, 'bank.qdt'));
    assert.equal(got.questions.length, wanted.length);
    wanted.forEach((q, n) => {
        const mine = got.questions[n];
        assert.equal(mine.text, plain(q.stem).replace(/\n/g, ''), `question ${n + 1}`);
        const texts = q.choices.map((c) => plain(c.text));
        while (texts.length < got.choices) texts.push('');
        assert.deepEqual(mine.choices, texts, `question ${n + 1}`);
        assert.equal(mine.answer, letters[q.choices.findIndex((c) => c.isCorrect)]);
    });
    fs.rmSync(folder, { recursive: true, force: true });
});

test('what --export writes parses with gift-pegjs to the quiz', () => {
    const texts = ['Which of ~ = # { } : \\ and "quotes" is special?', 'first line\r\nsecond line',
        '[note] starts with a bracket', 'What is 50% of 10?', 'Caf\u00e9 or th\u00e9?',
        '// not a comment', 'ends with a backslash \\'];
    const choices = ['%50% of them', 'a -> b', '=equals', '~tilde', '#hash', '{braces}',
        'colon: here', '[plain] bracket', '\u00c4rger', 'plain'];
    const questions = [];
    for (let i = 0; i < 20; ++i) {
        const count = 2 + (i % 4);
        questions.push({ text: `${texts[i % texts.length]} ${i + 1}`,
            choices: Array.from({ length: count }, (_, k) => `${choices[(i + k) % 10]} ${k}`),
            answer: letters[i % count] });
    }
    const folder = scratch();
    const quizPath = path.join(folder, 'tricky.qvt');
    fs.writeFileSync(quizPath, writeQuizFile({ title: 'Tricky', quizId: 'T', cgiTarget: '',
        loginAddress: '', redirectAddress: '', interval: 60, choiceCount: 5, questions,
        cookieRequired: 0 }));
    const written = execFileSync(exe, ['--export', quizPath, '--format', 'gift'],
        { env, encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
    const parsed = gift.parse(written);
    assert.equal(parsed.length, questions.length);
    parsed.forEach((q, n) => {
        assert.equal(q.type, 'MC');
        assert.equal(q.stem.text, questions[n].text.replace(/\r\n/g, '\n'), `question ${n + 1}`);
        assert.deepEqual(q.choices.map((c) => c.text.text), questions[n].choices);
        assert.equal(q.choices.findIndex((c) => c.isCorrect),
            letters.indexOf(questions[n].answer));
    });
    fs.rmSync(folder, { recursive: true, force: true });
});

// The real banks of ../shared/banks_corpus that gift-pegjs parses: the questions imported are
// the multiple-choice ones with one full-credit answer and 2 to 5 non-empty choices, in order,
// each with the same right answer.
test('the corpus banks import as gift-pegjs reads them', (t) => {
    const corpus = path.join(sourceDir, '..', 'shared', 'banks_corpus');
    if (!fs.existsSync(corpus)) {
        t.skip(`the bank corpus is not at ${corpus}`);
        return;
    }
    let compared = 0;
    for (const name of fs.readdirSync(corpus).filter((n) => /\.gift(\.txt)?$/.test(n))) {
        let parsed;
        try {
            parsed = gift.parse(fs.readFileSync(path.join(corpus, name), 'utf8')
                .replace(/^\uFEFF/, ''));
        } catch {
            continue; // gift-pegjs refuses some real files; the Python corpus test covers them
        }
        const wanted = [];
        for (const q of parsed.filter((q) => q.type === 'MC')) {
            const choices = q.choices.filter((c) => plain(c.text) !== '' || c.isCorrect);
            const right = choices.map((c, k) => (c.isCorrect || c.weight === 100 ? k : -1))
                .filter((k) => k >= 0);
            if (right.length === 1 && choices.length >= 2 && choices.length <= 5) {
                wanted.push(letters[right[0]]);
            }
        }
        const folder = scratch();
        const quiz = path.join(folder, 'bank.qvt');
        const bank = path.join(corpus, name);
        let answers = [];
        try {
            execFileSync(exe, ['--import', bank, '-o', quiz], { env, stdio: 'ignore' });
            const aiken = execFileSync(exe, ['--export', quiz, '--format', 'aiken'],
                { env, encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
            answers = [...aiken.matchAll(/^ANSWER: (.)$/gm)].map((m) => m[1]);
        } catch {
            answers = []; // nothing imported
        }
        assert.deepEqual(answers, wanted, name);
        fs.rmSync(folder, { recursive: true, force: true });
        ++compared;
    }
    assert.ok(compared >= 8, `only ${compared} corpus files compared`);
});
