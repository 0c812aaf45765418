// GIFT, the multiple-choice subset: "::name::" optional, "[html]"/"[plain]"/"[markdown]"/
// "[moodle]" text formats (untagged text is HTML, as the learning platform renders it),
// "{ =right ~wrong ... }", "//" comment lines, backslash escapes, feedback after "#" (dropped),
// blank lines between questions. Other kinds of question are recognised only so that they can
// be skipped with a note.
#include "banks/bank_parsing.h"
#include "common/ascii.h"
#include "document/code_page.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>

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
          {"[markdown]", TextFormat::Html},
          {"[moodle]", TextFormat::Html}}) {
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

// A raw piece of a question (name, text or answer) as the text it stands for.
std::string cleanText(std::string_view raw, TextFormat format) {
    std::string text = unescape(joinLines(raw));
    if (format == TextFormat::Html) {
        text = HtmlToText(text);
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

void skip(RawBank& bank, int line, std::string_view what) {
    bank.note(line,
              "skipped " + std::string(what) +
                  " (only multiple-choice questions with one right answer are imported)",
              NoteKind::Skipped);
}

// The weight of an answer written "%50%" (nothing without one); raw loses the weight.
std::optional<double> takeWeight(std::string_view& raw) {
    const std::string_view lead = TrimSpaces(raw);
    if (lead.size() < 2 || lead.front() != '%') {
        return std::nullopt;
    }
    const std::size_t close = lead.find('%', 1);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string number(lead.substr(1, close - 1));
    char* end = nullptr;
    const double weight = std::strtod(number.c_str(), &end);
    if (number.empty() || end != number.c_str() + number.size()) {
        return std::nullopt;
    }
    raw = lead.substr(close + 1);
    return weight;
}

// "1:MC:=a~b" (an embedded answer, as cloze questions write them).
bool isClozeBody(std::string_view body) {
    body = TrimSpaces(body);
    std::size_t i = 0;
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) {
        ++i;
    }
    if (i == 0 || i >= body.size() || body[i] != ':') {
        return false;
    }
    std::size_t k = i + 1;
    while (k < body.size() &&
           (std::isalpha(static_cast<unsigned char>(body[k])) || body[k] == '_')) {
        ++k;
    }
    return k > i + 1 && k < body.size() && body[k] == ':';
}

void parseBlock(const Block& block, RawBank& bank) {
    const std::string_view s = block.s;
    std::size_t pos = 0;
    while (pos < s.size() && isSpace(s[pos])) {
        ++pos;
    }
    // A category is its line; a question may follow right under it.
    while (s.substr(pos).starts_with("$CATEGORY:")) {
        const std::size_t lineEnd = std::min(s.find('\n', pos), s.size());
        bank.note(block.lineAt(pos),
                  "category \"" + std::string(TrimSpaces(s.substr(pos + 10, lineEnd - pos - 10))) +
                      "\" ignored (a quiz has no categories)",
                  NoteKind::Ignored);
        pos = lineEnd;
        while (pos < s.size() && isSpace(s[pos])) {
            ++pos;
        }
    }
    if (pos >= s.size()) {
        return;
    }
    const int firstLine = block.lineAt(pos);
    if (s.substr(pos).starts_with("::")) {
        const std::size_t close = findUnescaped(s, "::", pos + 2);
        if (close == std::string_view::npos) {
            bank.skip(block.lineAt(pos), "the question's name has no closing \"::\"");
            return;
        }
        pos = close + 2;
    }
    const std::size_t open = findUnescaped(s, "{", pos);
    if (open == std::string_view::npos) {
        skip(bank, firstLine, "a description (a text without answers)");
        return;
    }
    const std::size_t close = findUnescaped(s, "}", open + 1);
    if (close == std::string_view::npos) {
        bank.skip(block.lineAt(open), "the answers' \"{\" opened here has no closing \"}\"");
        return;
    }
    const std::string_view after = s.substr(close + 1);
    std::string_view body = s.substr(open + 1, close - open - 1);
    const std::size_t bodyStart = open + 1;
    if (const std::size_t inner = findUnescaped(body, "{", 0); inner != std::string_view::npos) {
        bank.skip(block.lineAt(bodyStart + inner),
                  "a \"{\" inside the answers: the \"}\" before it is missing");
        return;
    }
    if (findUnescaped(after, "{", 0) != std::string_view::npos || isClozeBody(body)) {
        skip(bank, firstLine, "a cloze question (answers in several places of the text)");
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
        skip(bank, firstLine, "an essay question");
        return;
    }
    if (trimmedBody.front() == '#') {
        skip(bank, firstLine, "a numeric question");
        return;
    }
    {
        const std::size_t hash = findUnescaped(trimmedBody, "#", 0);
        std::string word(TrimSpaces(trimmedBody.substr(0, hash)));
        for (char& c : word) {
            c = AsciiUpper(c);
        }
        if (word == "T" || word == "F" || word == "TRUE" || word == "FALSE") {
            skip(bank, firstLine, "a true/false question");
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
        skip(bank, firstLine, "a short answer question");
        return;
    }
    answers.back().raw = body.substr(answers.back().markerPos + 1);
    bool matching = false;
    bool partialCredit = false;
    int emptyDropped = 0;
    std::vector<Answer> kept;
    for (Answer& a : answers) {
        std::string_view raw = a.raw;
        if (const std::size_t hash = findUnescaped(raw, "#", 0); hash != std::string_view::npos) {
            raw = raw.substr(0, hash);
            a.feedback = true;
            feedback = true;
        }
        if (const std::optional<double> weight = takeWeight(raw)) {
            a.weighted = true;
            if (*weight >= 100.0) {
                a.right = true;
            } else {
                partialCredit = partialCredit || (!a.right && *weight != 0.0);
                a.right = false;
            }
        }
        a.raw = raw;
        if (findUnescaped(a.raw, "->", 0) != std::string_view::npos) {
            a.matching = matching = true;
        }
        // "~" right before "=" (or a doubled marker) leaves an empty answer, which other GIFT
        // readers drop too.
        if (TrimSpaces(a.raw).empty() && !a.right) {
            ++emptyDropped;
            continue;
        }
        kept.push_back(a);
    }
    answers = std::move(kept);
    // Answers all marked "=" make a short answer question, whatever their weights.
    bool anyWrong = false;
    int rightCount = 0;
    for (const Answer& a : answers) {
        anyWrong = anyWrong || body[a.markerPos] == '~';
        rightCount += a.right ? 1 : 0;
    }
    if (!anyWrong) {
        skip(bank, firstLine, matching ? "a matching question" : "a short answer question");
        return;
    }
    if (rightCount == 0) {
        skip(bank, firstLine,
             partialCredit ? "a multiple-choice question with weighted answers and none worth "
                             "full credit"
                           : "a multiple-choice question without a right answer");
        return;
    }
    if (rightCount > 1) {
        skip(bank, firstLine, "a multiple-choice question with several right answers");
        return;
    }

    RawQuestion q;
    q.line = firstLine;
    std::string_view before = s.substr(pos, open - pos);
    const TextFormat format = takeFormat(before, TextFormat::Html);
    std::string text(before);
    if (!TrimSpaces(after).empty()) {
        text = std::string(TrimSpaces(before)) + " _____ " + std::string(TrimSpaces(after));
        bank.note(firstLine, "the answers stand inside the question's text; "
                             "\"_____\" marks their place");
    }
    q.text = {cleanText(text, format), block.lineAt(pos)};
    for (const Answer& a : answers) {
        std::string_view raw = a.raw;
        const TextFormat answerFormat = takeFormat(raw, format);
        std::string choice = cleanText(raw, answerFormat);
        // An answer that is empty once its markup is gone ("~&nbsp;") is left out too.
        if (choice.empty() && !a.right) {
            ++emptyDropped;
            continue;
        }
        if (a.right) {
            q.answer = static_cast<int>(q.choices.size());
        }
        q.choices.push_back({std::move(choice), block.lineAt(bodyStart + a.markerPos)});
    }
    if (emptyDropped > 0) {
        bank.note(firstLine, emptyDropped == 1
                                 ? "an empty answer left out"
                                 : std::to_string(emptyDropped) + " empty answers left out");
    }
    if (partialCredit) {
        bank.note(firstLine, "partial credit dropped: only the full-credit answer counts as right");
    }
    if (feedback) {
        bank.note(firstLine, "feedback ignored (the page shows none)");
    }
    bank.questions.push_back(std::move(q));
}

// Whether the answers' "{" left open before pos are closed further on: the next unescaped brace
// after pos is a "}".
bool closesLater(std::string_view text, std::size_t pos) {
    for (std::size_t i = pos; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '{') {
            return false;
        } else if (text[i] == '}') {
            return true;
        }
    }
    return false;
}

} // namespace

RawBank ParseGift(std::string_view text) {
    RawBank bank;
    Block block;
    int lineNumber = 0;
    int depth = 0;         // unclosed "{" in the block
    bool answered = false; // the block holds a closed "{...}"
    std::size_t start = 0;
    auto finish = [&] {
        if (!TrimSpaces(block.s).empty()) {
            parseBlock(block, bank);
        }
        block = Block{};
        depth = 0;
        answered = false;
    };
    // Questions end at a blank line. A blank line inside the answers is kept when a "}" closes
    // them later; an unclosed "{" costs only its own question. A category line, and a "::name::"
    // after a question's answers, start a new block even without a blank line.
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        ++lineNumber;
        const std::string_view trimmed = TrimSpaces(line);
        if (trimmed.starts_with("//")) {
            // A comment line.
        } else if (trimmed.empty()) {
            if (depth == 0 || !closesLater(text, end)) {
                finish();
            }
        } else {
            if (trimmed.starts_with("$CATEGORY:") ||
                (depth == 0 && answered && trimmed.starts_with("::"))) {
                finish();
            }
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
                    answered = answered || depth == 0;
                }
            }
            if (trimmed.starts_with("$CATEGORY:")) {
                finish();
            }
        }
        if (end == text.size()) {
            break;
        }
        start = end + 1;
    }
    finish();
    return bank;
}

} // namespace tamberlin::banks
