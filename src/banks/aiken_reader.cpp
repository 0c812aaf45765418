// Aiken: the question on its own line (or lines), then one line per choice starting with its
// capital letter and "." or ")" ("A. Paris", "B) London"), then "ANSWER: X". Blank lines may
// stand between questions. A question that breaks these rules is skipped with a note, and
// reading goes on after its ANSWER line or the next blank line.
#include "banks/bank_parsing.h"
#include "common/ascii.h"

#include <cctype>

namespace tamberlin::banks {

namespace {

// "A. text", "A) text", "A)text" or a bare "A." for the letter expected; the text is set on a
// match. "A.text" stays text (it may be an abbreviation such as "A.D.").
bool isChoiceLine(std::string_view line, char letter, std::string_view& text) {
    if (line.size() < 2 || line[0] != letter || (line[1] != '.' && line[1] != ')')) {
        return false;
    }
    if (line[1] == '.' && line.size() > 2 && line[2] != ' ' && line[2] != '\t') {
        return false;
    }
    text = TrimSpaces(line.substr(2));
    return true;
}

// "ANSWER: X" in any case; letter is what follows the colon, trimmed.
bool isAnswerLine(std::string_view line, std::string_view& letter) {
    if (line.size() < 7) {
        return false;
    }
    std::string head(line.substr(0, 7));
    for (char& c : head) {
        c = AsciiUpper(c);
    }
    if (head != "ANSWER:") {
        return false;
    }
    letter = TrimSpaces(line.substr(7));
    return true;
}

} // namespace

RawBank ParseAiken(std::string_view text) {
    RawBank bank;
    enum class State { Between, Question, Choices } state = State::Between;
    RawQuestion q;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = TrimSpaces(text.substr(start, end - start));
        ++lineNumber;
        const char expected = static_cast<char>('A' + q.choices.size());
        std::string_view choiceText;
        std::string_view letter;
        if (line.empty()) {
            // Blank lines separate questions and are allowed around the choices.
        } else if (state == State::Between) {
            if (isAnswerLine(line, letter)) {
                bank.skip(lineNumber, "an ANSWER line without a question before it");
            } else {
                q = RawQuestion{};
                q.line = lineNumber;
                q.text = {std::string(line), lineNumber};
                state = State::Question;
            }
        } else if (isChoiceLine(line, expected, choiceText)) {
            q.choices.push_back({std::string(choiceText), lineNumber});
            state = State::Choices;
        } else if (state == State::Question) {
            if (isAnswerLine(line, letter)) {
                bank.skip(lineNumber, "an ANSWER line before any choice (\"A. ...\")");
                q = RawQuestion{};
                state = State::Between;
            } else {
                q.text.text += "\r\n";
                q.text.text += line;
            }
        } else if (isAnswerLine(line, letter)) {
            const int index =
                letter.size() == 1 && std::isalpha(static_cast<unsigned char>(letter[0]))
                    ? AsciiUpper(letter[0]) - 'A'
                    : -1;
            if (index < 0) {
                bank.skip(lineNumber, "the ANSWER line must give one letter (\"ANSWER: B\")");
            } else if (index >= static_cast<int>(q.choices.size())) {
                bank.skip(lineNumber, "the answer " +
                                          std::string(1, static_cast<char>('A' + index)) +
                                          " is not one of the question's choices");
            } else {
                q.answer = index;
                bank.questions.push_back(std::move(q));
            }
            q = RawQuestion{};
            state = State::Between;
        } else {
            // The question ends without its ANSWER line; this line starts the next one.
            bank.skip(q.line, std::string("expected choice ") + expected + " (\"" + expected +
                                  ". ...\") or the ANSWER line at line " +
                                  std::to_string(lineNumber));
            q = RawQuestion{};
            q.line = lineNumber;
            q.text = {std::string(line), lineNumber};
            state = State::Question;
        }
        if (end == text.size()) {
            break;
        }
        start = end + 1;
    }
    if (state == State::Question || state == State::Choices) {
        bank.skip(q.line, state == State::Question
                              ? "the question has no choices (\"A. ...\") and no ANSWER line"
                              : "the question has no ANSWER line");
    }
    return bank;
}

} // namespace tamberlin::banks
