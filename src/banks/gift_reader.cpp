// GIFT, the multiple-choice subset: "::name::" optional, "[html]"/"[plain]"/"[markdown]"/
// "[moodle]" text formats, "{ =right ~wrong ... }", "//" comment lines, backslash escapes,
// feedback after "#" (dropped), blank lines between questions. Other kinds of question are
// recognised only so that they can be skipped with a note.
#include "banks/bank_parsing.h"
#include "common/utf8.h"
#include "document/code_page.h"

#include <cctype>
#include <cstdint>

namespace tamberlin::banks {

namespace {

// A question's lines joined with LF, with the source line of every byte.
struct Block {
    std::string s;
    std::vector<int> lines;
    int firstLine = 0;

    int lineAt(std::size_t pos) const {
        if (lines.empty()) {
            return firstLine;
        }
        return lines[std::min(pos, lines.size() - 1)];
    }
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The position of the first unescaped occurrence of needle at or after pos, or npos.
std::size_t findUnescaped(std::string_view s, std::string_view needle, std::size_t pos,
                          std::size_t end = std::string_view::npos) {
    end = std::min(end, s.size());
    for (std::size_t i = pos; i < end; ++i) {
        if (s[i] == '\\') {
            ++i;
            continue;
        }
        if (s.compare(i, needle.size(), needle) == 0 && i + needle.size() <= end) {
            return i;
        }
    }
    return std::string_view::npos;
}

enum class TextFormat { Plain, Html };

// Takes a leading "[html]", "[plain]", "[markdown]" or "[moodle]" off text.
TextFormat takeFormat(std::string_view& text, TextFormat inherited) {
    const std::string_view trimmed = TrimSpaces(text);
    for (const auto& [marker, format] :
         {std::pair<std::string_view, TextFormat>{"[html]", TextFormat::Html},
          {"[plain]", TextFormat::Plain},
          {"[markdown]", TextFormat::Plain},
          {"[moodle]", TextFormat::Plain}}) {
        if (trimmed.starts_with(marker)) {
            text = trimmed.substr(marker.size());
            return format;
        }
    }
    return inherited;
}

// Source line breaks (and the spaces around them) become one space.
std::string joinLines(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\n') {
            while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) {
                out.pop_back();
            }
            while (i + 1 < raw.size() && (raw[i + 1] == ' ' || raw[i + 1] == '\t')) {
                ++i;
            }
            out += ' ';
            continue;
        }
        out += raw[i];
    }
    return out;
}

// Backslash escapes: \~ \= \# \{ \} \: \\ stand for the character, \n for a line break; any
// other backslash stays.
std::string unescape(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            const char next = raw[i + 1];
            if (std::string_view("~=#{}:\\").find(next) != std::string_view::npos) {
                out += next;
                ++i;
                continue;
            }
            if (next == 'n') {
                out += '\n';
                ++i;
                continue;
            }
        }
        out += raw[i];
    }
    return out;
}

// An HTML text as plain text: tags dropped (paragraph, line and list-item tags become line
// breaks), the common entities decoded, runs of white space made one space.
std::string htmlToText(std::string_view html) {
    std::string flat;
    for (std::size_t i = 0; i < html.size(); ++i) {
        const char c = html[i];
        if (c == '<') {
            const std::size_t close = html.find('>', i);
            if (close == std::string_view::npos) {
                flat += html.substr(i);
                break;
            }
            std::string name;
            for (std::size_t k = i + 1; k < close; ++k) {
                const char t = html[k];
                if (t == '/' && name.empty()) {
                    continue;
                }
                if (!std::isalnum(static_cast<unsigned char>(t))) {
                    break;
                }
                name += static_cast<char>(std::tolower(static_cast<unsigned char>(t)));
            }
            if (name == "br" || name == "p" || name == "div" || name == "li" || name == "tr") {
                flat += '\n';
            }
            i = close;
            continue;
        }
        if (c == '&') {
            // Entities are short: look for the ";" only nearby, so that a run of "&" stays linear.
            const std::size_t near = html.substr(i, 12).find(';');
            const std::size_t semi = near == std::string_view::npos ? near : i + near;
            if (semi != std::string_view::npos) {
                const std::string_view entity = html.substr(i + 1, semi - i - 1);
                std::int64_t code = -1;
                if (entity == "amp") {
                    code = '&';
                } else if (entity == "lt") {
                    code = '<';
                } else if (entity == "gt") {
                    code = '>';
                } else if (entity == "quot") {
                    code = '"';
                } else if (entity == "apos") {
                    code = '\'';
                } else if (entity == "nbsp") {
                    code = ' ';
                } else if (entity.size() > 1 && entity[0] == '#') {
                    const bool hex = entity[1] == 'x' || entity[1] == 'X';
                    const std::string_view digits = entity.substr(hex ? 2 : 1);
                    code = digits.empty() ? -1 : 0;
                    for (char d : digits) {
                        const int v = std::isdigit(static_cast<unsigned char>(d)) ? d - '0'
                                      : hex && std::isxdigit(static_cast<unsigned char>(d))
                                          ? std::tolower(static_cast<unsigned char>(d)) - 'a' + 10
                                          : -1;
                        if (v < 0 || code > 0x10FFFF) {
                            code = -1;
                            break;
                        }
                        code = code * (hex ? 16 : 10) + v;
                    }
                    // Control characters and surrogates stay as the entity's text.
                    if (code < 0x20 || (code >= 0x7F && code < 0xA0) || code > 0x10FFFF ||
                        (code >= 0xD800 && code <= 0xDFFF)) {
                        code = -1;
                    }
                }
                if (code >= 0) {
                    AppendUtf8(flat, static_cast<char32_t>(code));
                    i = semi;
                    continue;
                }
            }
        }
        flat += c;
    }
    // White space runs to one space; line breaks (with the spaces around them) to one break.
    std::string out;
    bool pendingSpace = false;
    bool pendingBreak = false;
    for (char c : flat) {
        if (c == '\n') {
            pendingBreak = true;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            pendingSpace = true;
            continue;
        }
        if (!out.empty()) {
            if (pendingBreak) {
                out += '\n';
            } else if (pendingSpace) {
                out += ' ';
            }
        }
        pendingSpace = pendingBreak = false;
        out += c;
    }
    return out;
}

// A raw piece of a question (name, text or answer) as the text it stands for.
std::string cleanText(std::string_view raw, TextFormat format) {
    std::string text = unescape(joinLines(raw));
    if (format == TextFormat::Html) {
        text = htmlToText(text);
    }
    return ToStoredLineBreaks(TrimSpaces(text));
}

struct Answer {
    bool right = false;
    std::size_t markerPos = 0;
    std::string_view raw; // after the marker
    bool weighted = false;
    bool matching = false;
    bool feedback = false;
};

void skip(RawBank& bank, const Block& block, std::string_view what) {
    bank.note(block.firstLine, "skipped " + std::string(what) +
                                   " (only multiple-choice questions with one "
                                   "right answer are imported)");
}

void parseBlock(const Block& block, RawBank& bank) {
    const std::string_view s = block.s;
    std::size_t pos = 0;
    while (pos < s.size() && isSpace(s[pos])) {
        ++pos;
    }
    if (s.substr(pos).starts_with("$CATEGORY:")) {
        const std::size_t end = s.find('\n', pos);
        bank.note(block.firstLine,
                  "category \"" +
                      std::string(TrimSpaces(s.substr(pos + 10, end == std::string_view::npos
                                                                    ? std::string_view::npos
                                                                    : end - pos - 10))) +
                      "\" ignored (a quiz has no categories)");
        return;
    }
    if (s.substr(pos).starts_with("::")) {
        const std::size_t close = findUnescaped(s, "::", pos + 2);
        if (close == std::string_view::npos) {
            bank.fail(block.lineAt(pos), "the question's name has no closing \"::\"");
            return;
        }
        pos = close + 2;
    }
    const std::size_t open = findUnescaped(s, "{", pos);
    if (open == std::string_view::npos) {
        skip(bank, block, "a description (a text without answers)");
        return;
    }
    const std::size_t close = findUnescaped(s, "}", open + 1);
    if (close == std::string_view::npos) {
        bank.fail(block.lineAt(open), "the answers' \"{\" has no closing \"}\"");
        return;
    }
    const std::string_view after = s.substr(close + 1);
    if (const std::size_t again = findUnescaped(after, "{", 0); again != std::string_view::npos) {
        bank.fail(block.lineAt(close + 1 + again),
                  "a second \"{\" in one question: leave a blank line between questions");
        return;
    }

    std::string_view body = s.substr(open + 1, close - open - 1);
    const std::size_t bodyStart = open + 1;
    if (const std::size_t inner = findUnescaped(body, "{", 0); inner != std::string_view::npos) {
        bank.fail(block.lineAt(bodyStart + inner),
                  "a \"{\" inside the answers: the \"}\" before it is missing");
        return;
    }
    bool feedback = false;
    if (const std::size_t general = findUnescaped(body, "####", 0);
        general != std::string_view::npos) {
        body = body.substr(0, general);
        feedback = true;
    }
    const std::string_view trimmedBody = TrimSpaces(body);
    if (trimmedBody.empty()) {
        skip(bank, block, "an essay question");
        return;
    }
    if (trimmedBody.front() == '#') {
        skip(bank, block, "a numeric question");
        return;
    }
    {
        const std::size_t hash = findUnescaped(trimmedBody, "#", 0);
        std::string word(TrimSpaces(trimmedBody.substr(0, hash)));
        for (char& c : word) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (word == "T" || word == "F" || word == "TRUE" || word == "FALSE") {
            skip(bank, block, "a true/false question");
            return;
        }
    }

    // Split the answers at every unescaped "=" and "~".
    std::vector<Answer> answers;
    std::size_t first = std::string_view::npos;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\\') {
            ++i;
            continue;
        }
        if (body[i] == '=' || body[i] == '~') {
            if (first == std::string_view::npos) {
                first = i;
            }
            if (!answers.empty()) {
                Answer& last = answers.back();
                last.raw = body.substr(last.markerPos + 1, i - last.markerPos - 1);
            }
            answers.push_back({body[i] == '=', i, {}, false, false, false});
        }
    }
    if (answers.empty() || !TrimSpaces(body.substr(0, first)).empty()) {
        skip(bank, block, "a short answer question");
        return;
    }
    answers.back().raw = body.substr(answers.back().markerPos + 1);
    bool anyWrong = false;
    int rightCount = 0;
    bool weighted = false;
    bool matching = false;
    for (Answer& a : answers) {
        std::string_view raw = a.raw;
        const std::string_view lead = TrimSpaces(raw);
        if (lead.size() >= 2 && lead.front() == '%' &&
            lead.find('%', 1) != std::string_view::npos) {
            a.weighted = weighted = true;
        }
        if (const std::size_t hash = findUnescaped(raw, "#", 0); hash != std::string_view::npos) {
            a.raw = raw.substr(0, hash);
            a.feedback = true;
            feedback = true;
        }
        if (findUnescaped(a.raw, "->", 0) != std::string_view::npos) {
            a.matching = matching = true;
        }
        anyWrong = anyWrong || !a.right;
        rightCount += a.right ? 1 : 0;
    }
    if (!anyWrong) {
        skip(bank, block, matching ? "a matching question" : "a short answer question");
        return;
    }
    if (weighted) {
        skip(bank, block, "a multiple-choice question with weighted answers");
        return;
    }
    if (rightCount == 0) {
        skip(bank, block, "a multiple-choice question without a right answer");
        return;
    }
    if (rightCount > 1) {
        skip(bank, block, "a multiple-choice question with several right answers");
        return;
    }

    RawQuestion q;
    q.line = block.firstLine;
    std::string_view before = s.substr(pos, open - pos);
    const TextFormat format = takeFormat(before, TextFormat::Plain);
    std::string text(before);
    if (!TrimSpaces(after).empty()) {
        text = std::string(TrimSpaces(before)) + " _____ " + std::string(TrimSpaces(after));
        bank.note(block.firstLine, "the answers stand inside the question's text; "
                                   "\"_____\" marks their place");
    }
    q.text = {cleanText(text, format), block.lineAt(pos)};
    for (const Answer& a : answers) {
        std::string_view raw = a.raw;
        const TextFormat answerFormat = takeFormat(raw, format);
        if (a.right) {
            q.answer = static_cast<int>(q.choices.size());
        }
        q.choices.push_back({cleanText(raw, answerFormat), block.lineAt(bodyStart + a.markerPos)});
    }
    if (feedback) {
        bank.note(block.firstLine, "feedback ignored (the page shows none)");
    }
    bank.questions.push_back(std::move(q));
}

} // namespace

RawBank ParseGift(std::string_view text) {
    RawBank bank;
    Block block;
    int depth = 0;
    int lineNumber = 0;
    std::size_t start = 0;
    auto finish = [&] {
        if (!TrimSpaces(block.s).empty()) {
            parseBlock(block, bank);
        }
        block = Block{};
        depth = 0;
    };
    while (start <= text.size() && bank.ok() && !bank.full()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        ++lineNumber;
        const std::string_view trimmed = TrimSpaces(line);
        if (trimmed.starts_with("//")) {
            // A comment line.
        } else if (trimmed.empty() && depth == 0) {
            finish();
        } else {
            if (block.s.empty()) {
                block.firstLine = lineNumber;
            } else {
                block.s += '\n';
                block.lines.push_back(lineNumber);
            }
            block.s += line;
            block.lines.insert(block.lines.end(), line.size(), lineNumber);
            for (std::size_t i = 0; i < line.size(); ++i) {
                if (line[i] == '\\') {
                    ++i;
                } else if (line[i] == '{') {
                    ++depth;
                } else if (line[i] == '}' && depth > 0) {
                    --depth;
                }
            }
        }
        if (end == text.size()) {
            break;
        }
        start = end + 1;
    }
    if (bank.ok()) {
        finish();
    }
    return bank;
}

} // namespace tamberlin::banks
