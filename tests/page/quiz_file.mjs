// Writes a quiz file (".qvt") for the page tests: counted strings (a length byte and a fixed
// field), little-endian 32-bit integers, the 1404-byte page-look block, 1764 bytes a question.

function counted(text, capacity) {
    const bytes = Buffer.alloc(capacity + 1);
    const raw = Buffer.from(text, 'latin1');
    if (raw.length > capacity) throw new Error(`too long for ${capacity}: ${text}`);
    bytes[0] = raw.length;
    raw.copy(bytes, 1);
    return bytes;
}

function int32(value) {
    const bytes = Buffer.alloc(4);
    bytes.writeInt32LE(value);
    return bytes;
}

function pageLook(cookieRequired) {
    const block = Buffer.alloc(1404);
    block[5] = cookieRequired;
    for (const offset of [1388, 1392, 1396]) block.writeInt32LE(3, offset);
    return block;
}

export function writeQuizFile(quiz) {
    const parts = [
        counted(quiz.title, 255), int32(quiz.questions.length), int32(quiz.choiceCount),
        counted(quiz.quizId, 100), counted(quiz.cgiTarget, 255), counted(quiz.loginAddress, 255),
        counted(quiz.redirectAddress, 255), pageLook(quiz.cookieRequired),
    ];
    for (const q of quiz.questions) {
        parts.push(counted(q.picture || '', 250), counted(q.text, 255));
        for (let k = 0; k < 5; ++k) parts.push(counted(q.choices[k] || '', 250));
        parts.push(counted(q.answer, 1));
    }
    parts.push(int32(quiz.interval));
    return Buffer.concat(parts);
}
