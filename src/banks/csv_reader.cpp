// CSV as spreadsheets save it (RFC 4180: fields in double quotes may hold the delimiter, line
// breaks and doubled quotes), with a comma, a semicolon or a tab between fields. Either a header
// row names the columns by their usual names, in any order and case (question / question text;
// A..E, option A..E, choice 1..5, answer 1..5; answer / correct / correct answer(s); picture /
// image), or there is none and each row is a question, 2 to 5 choices and the right letter.
#include "banks/bank_parsing.h"
#include "common/ascii.h"
#include "common/csv.h"

#include <array>
#include <cctype>
#include <optional>

namespace tamberlin::banks {

namespace {

struct Field {
    std::string text;
    int line = 0;
};

using Record = std::vector<Field>;

// Picks the delimiter from the first row: the one of ",", ";" and tab that occurs most often
// outside quotes (a comma when none does).
char detectDelimiter(std::string_view text) {
    int commas = 0;
    int semicolons = 0;
    int tabs = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '\n') {
            break;
        } else if (!quoted && c == ',') {
            ++commas;
        } else if (!quoted && c == ';') {
            ++semicolons;
        } else if (!quoted && c == '\t') {
            ++tabs;
        }
    }
    if (tabs > commas && tabs > semicolons) {
        return '\t';
    }
    return semicolons > commas ? ';' : ',';
}

class CsvScanner {
public:
    CsvScanner(std::string_view text, char delimiter) : text_(text), delimiter_(delimiter) {}

    // The next record, or nothing at the end of the text or on an error (error() tells).
    std::optional<Record> next() {
        if (pos_ >= text_.size() || !error_.empty()) {
            return std::nullopt;
        }
        Record record;
        while (true) {
            Field field;
            field.line = line_;
            if (pos_ < text_.size() && text_[pos_] == '"') {
                const int openLine = line_;
                ++pos_;
                bool closed = false;
                while (pos_ < text_.size()) {
                    const char c = text_[pos_++];
                    if (c == '"') {
                        if (pos_ < text_.size() && text_[pos_] == '"') {
                            field.text += '"';
                            ++pos_;
                            continue;
                        }
                        closed = true;
                        break;
                    }
                    if (c == '\n') {
                        ++line_;
                    }
                    field.text += c;
                }
                if (!closed) {
                    errorLine_ = openLine;
                    error_ = "a quoted field has no closing quote";
                    return std::nullopt;
                }
                if (pos_ < text_.size() && text_[pos_] != delimiter_ && text_[pos_] != '\n') {
                    errorLine_ = line_;
                    error_ = "text after a quoted field's closing quote";
                    return std::nullopt;
                }
            } else {
                while (pos_ < text_.size() && text_[pos_] != delimiter_ && text_[pos_] != '\n') {
                    field.text += text_[pos_++];
                }
            }
            // A text the export kept from running as a formula comes back as it was written.
            field.text = std::string(CsvUnguarded(field.text));
            record.push_back(std::move(field));
            if (pos_ >= text_.size()) {
                return record;
            }
            const char c = text_[pos_++];
            if (c == '\n') {
                ++line_;
                return record;
            }
        }
    }

    const std::string& error() const { return error_; }
    int errorLine() const { return errorLine_; }

private:
    std::string_view text_;
    char delimiter_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::string error_;
    int errorLine_ = 0;
};

bool blankRecord(const Record& record) {
    for (const Field& f : record) {
        if (!TrimSpaces(f.text).empty()) {
            return false;
        }
    }
    return true;
}

// The part of a header name a column is known by: lower case, letters and digits only, and
// what follows " - " or "(" dropped ("Answer 1 - max 75 characters" is "answer1", "Correct
// answer(s)" is "correctanswer").
std::string columnKey(std::string_view name) {
    name = TrimSpaces(name);
    for (std::string_view cut :
         {std::string_view(" - "), std::string_view(" \xE2\x80\x93 "), std::string_view("(")}) {
        if (const std::size_t at = name.find(cut); at != std::string_view::npos && at > 0) {
            name = name.substr(0, at);
        }
    }
    std::string key;
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            key += AsciiLower(c);
        }
    }
    return key;
}

// Column parts: 0 question, 1..5 choices, 6 answer, 7 picture; -1 for none.
int columnPart(const std::string& key) {
    if (key == "question" || key == "questiontext" || key == "questions") {
        return 0;
    }
    if (key == "answer" || key == "correct" || key == "correctanswer" || key == "correctanswers" ||
        key == "rightanswer" || key == "key") {
        return 6;
    }
    if (key == "picture" || key == "image") {
        return 7;
    }
    for (std::string_view prefix : {"option", "choice", "answer", "answers", ""}) {
        if (!key.starts_with(prefix) || key.size() != prefix.size() + 1) {
            continue;
        }
        const char tail = key.back();
        if (tail >= 'a' && tail <= 'e') {
            return 1 + (tail - 'a');
        }
        if (tail >= '1' && tail <= '5' && !prefix.empty()) {
            return tail - '0';
        }
    }
    return -1;
}

// The right choice as the answer cell gives it: a letter A to E, a number 1 to 5 or the right
// choice's text. Sets why and returns -1 when it names none.
int answerIndex(std::string_view cell, const RawQuestion& q, std::string& why) {
    const std::string answer(TrimSpaces(cell));
    if (answer.empty()) {
        why = "the answer cell is empty";
        return -1;
    }
    int index = -1;
    const char upper = AsciiUpper(answer[0]);
    if (answer.size() == 1 && upper >= 'A' && upper <= 'E') {
        index = upper - 'A';
    } else if (answer.size() == 1 && answer[0] >= '1' && answer[0] <= '9') {
        index = answer[0] - '1';
    } else {
        for (std::size_t k = 0; k < q.choices.size(); ++k) {
            if (TrimSpaces(q.choices[k].text) == answer) {
                if (index >= 0) {
                    why = "the answer \"" + answer + "\" is the text of two choices";
                    return -1;
                }
                index = static_cast<int>(k);
            }
        }
        if (index < 0) {
            const bool several = answer.find_first_of(",;") != std::string::npos;
            why = several
                      ? "the answer \"" + answer +
                            "\" names several right choices (a quiz question has one)"
                      : "the answer \"" + answer +
                            "\" is neither a letter A to E, a number 1 to 5 nor a choice's text";
            return -1;
        }
        return index;
    }
    if (index < 0 || index >= 5) {
        why = "the answer \"" + answer + "\" is not a letter A to E nor a number 1 to 5";
        return -1;
    }
    if (index >= static_cast<int>(q.choices.size()) ||
        TrimSpaces(q.choices[static_cast<std::size_t>(index)].text).empty()) {
        why = "the answer " + std::string(1, static_cast<char>('A' + index)) +
              " names an empty choice";
        return -1;
    }
    return index;
}

// A row without a header: the question, 2 to 5 choices and the right letter in the last cell.
bool isHeaderlessRow(const Record& record) {
    std::size_t used = record.size();
    while (used > 0 && TrimSpaces(record[used - 1].text).empty()) {
        --used;
    }
    if (used < 4 || used > 7) {
        return false;
    }
    const std::string_view last = TrimSpaces(record[used - 1].text);
    return last.size() == 1 && AsciiUpper(last[0]) >= 'A' && AsciiUpper(last[0]) <= 'E';
}

} // namespace

RawBank ParseCsv(std::string_view text) {
    RawBank bank;
    CsvScanner scanner(text, detectDelimiter(text));
    std::optional<Record> first = scanner.next();
    while (first && blankRecord(*first)) {
        first = scanner.next();
    }
    if (!first) {
        if (!scanner.error().empty()) {
            bank.fail(scanner.errorLine(), scanner.error());
        } else {
            bank.fail(0, "the file holds no rows");
        }
        return bank;
    }

    std::array<int, 8> column;
    column.fill(-1);
    const int headerLine = first->front().line;
    std::vector<std::string> ignored;
    for (std::size_t i = 0; i < first->size(); ++i) {
        const std::string name(TrimSpaces((*first)[i].text));
        const int part = columnPart(columnKey(name));
        if (part < 0 || column[static_cast<std::size_t>(part)] >= 0) {
            if (!name.empty()) {
                ignored.push_back("\"" + name + "\"");
            }
            continue;
        }
        column[static_cast<std::size_t>(part)] = static_cast<int>(i);
    }
    const bool headed = column[0] >= 0 && column[1] >= 0 && column[2] >= 0 && column[6] >= 0;
    std::optional<Record> pending;
    if (!headed) {
        if (!isHeaderlessRow(*first)) {
            bank.fail(headerLine,
                      "the first row is neither a header naming the question, the choices and "
                      "the answer (question,A,B,C,D,answer) nor a question with 2 to 5 choices "
                      "and the right letter (What is 2+2?,3,4,5,B)");
            return bank;
        }
        pending = std::move(first);
    } else if (!ignored.empty()) {
        std::string list;
        for (const std::string& name : ignored) {
            list += (list.empty() ? "" : ", ") + name;
        }
        bank.note(headerLine, (ignored.size() == 1 ? "column " : "columns ") + list + " ignored",
                  NoteKind::Ignored);
    }

    while (true) {
        std::optional<Record> record = pending ? std::move(pending) : scanner.next();
        pending.reset();
        if (!record) {
            break;
        }
        if (blankRecord(*record)) {
            continue;
        }
        const int line = record->front().line;
        if (!headed) {
            // Question, choices, letter: the last cell in use is the letter.
            std::size_t used = record->size();
            while (used > 0 && TrimSpaces((*record)[used - 1].text).empty()) {
                --used;
            }
            column.fill(-1);
            column[0] = 0;
            for (std::size_t k = 1; k + 1 < used && k <= 6; ++k) {
                column[k] = static_cast<int>(k);
            }
            column[6] = used > 0 ? static_cast<int>(used - 1) : -1;
            if (used < 3) {
                bank.skip(line, "the row holds no question with choices and an answer");
                continue;
            }
            if (used > 7) {
                bank.skip(line, "a question holds at most 5 choices; this row has " +
                                    std::to_string(used - 2));
                continue;
            }
        }
        auto cell = [&](int part) -> Field {
            const int c = column[static_cast<std::size_t>(part)];
            if (c < 0 || c >= static_cast<int>(record->size())) {
                return {"", line};
            }
            return (*record)[static_cast<std::size_t>(c)];
        };
        RawQuestion q;
        q.line = line;
        const Field question = cell(0);
        q.text = {ToStoredLineBreaks(question.text), question.line};
        int used = 0;
        for (int k = 0; k < 5; ++k) {
            if (!cell(1 + k).text.empty()) {
                used = k + 1;
            }
        }
        for (int k = 0; k < used; ++k) {
            const Field choice = cell(1 + k);
            q.choices.push_back({ToStoredLineBreaks(choice.text), choice.line});
        }
        const Field answer = cell(6);
        std::string why;
        const int index = answerIndex(answer.text, q, why);
        if (index < 0) {
            bank.skip(answer.line, why);
            continue;
        }
        q.answer = index;
        const Field picture = cell(7);
        q.picture = {std::string(TrimSpaces(picture.text)), picture.line};
        bank.questions.push_back(std::move(q));
    }
    if (!scanner.error().empty()) {
        // The rest of the file cannot be told apart into rows: name what was not read.
        bank.note(scanner.errorLine(), scanner.error() + ": the file is not read past this line",
                  NoteKind::Skipped);
    }
    return bank;
}

} // namespace tamberlin::banks
