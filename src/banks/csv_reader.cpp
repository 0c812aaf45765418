// CSV as spreadsheets save it (RFC 4180: fields in double quotes may hold the delimiter, line
// breaks and doubled quotes), with a comma or a semicolon between fields, and a header row
// naming the columns question, A, B, C, D, E, answer and picture (C to E and picture
// optional, any order, any case).
#include "banks/bank_parsing.h"

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

// Picks the delimiter from the header row: the one of "," and ";" that occurs more often
// outside quotes (a comma when neither does).
char detectDelimiter(std::string_view text) {
    int commas = 0;
    int semicolons = 0;
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
        }
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

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

bool blankRecord(const Record& record) {
    for (const Field& f : record) {
        if (!TrimSpaces(f.text).empty()) {
            return false;
        }
    }
    return true;
}

} // namespace

RawBank ParseCsv(std::string_view text) {
    RawBank bank;
    CsvScanner scanner(text, detectDelimiter(text));
    std::optional<Record> header = scanner.next();
    while (header && blankRecord(*header)) {
        header = scanner.next();
    }
    if (!header) {
        if (!scanner.error().empty()) {
            bank.fail(scanner.errorLine(), scanner.error());
        } else {
            bank.fail(0, "the file has no header row (question,A,B,C,D,E,answer,picture)");
        }
        return bank;
    }

    // Column of each part: 0 question, 1..5 choices A..E, 6 answer, 7 picture.
    constexpr std::array<std::string_view, 8> kNames = {"question", "a", "b",      "c",
                                                        "d",        "e", "answer", "picture"};
    std::array<int, 8> column;
    column.fill(-1);
    const int headerLine = header->front().line;
    for (std::size_t i = 0; i < header->size(); ++i) {
        const std::string name = lower(TrimSpaces((*header)[i].text));
        bool known = false;
        for (std::size_t k = 0; k < kNames.size(); ++k) {
            if (name == kNames[k]) {
                if (column[k] >= 0) {
                    bank.fail(headerLine, "the header row names the column \"" +
                                              std::string(TrimSpaces((*header)[i].text)) +
                                              "\" twice");
                    return bank;
                }
                column[k] = static_cast<int>(i);
                known = true;
            }
        }
        if (!known && !name.empty()) {
            bank.note(headerLine,
                      "column \"" + std::string(TrimSpaces((*header)[i].text)) + "\" ignored");
        }
    }
    if (column[0] < 0 || column[1] < 0 || column[2] < 0 || column[6] < 0) {
        bank.fail(headerLine, "the header row must name the columns question, A, B and answer "
                              "(question,A,B,C,D,E,answer,picture)");
        return bank;
    }

    while (!bank.full()) {
        std::optional<Record> record = scanner.next();
        if (!record) {
            break;
        }
        if (blankRecord(*record)) {
            continue;
        }
        const int line = record->front().line;
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
        const std::string letter(TrimSpaces(answer.text));
        if (letter.empty()) {
            bank.fail(answer.line, "the answer cell is empty");
            return bank;
        }
        const int index =
            letter.size() == 1 ? std::toupper(static_cast<unsigned char>(letter[0])) - 'A' : -1;
        if (index < 0 || index >= 5) {
            bank.fail(answer.line, "the answer \"" + letter + "\" is not a letter A to E");
            return bank;
        }
        if (index >= used) {
            bank.fail(answer.line, "the answer " + std::string(1, static_cast<char>('A' + index)) +
                                       " names an empty choice");
            return bank;
        }
        q.answer = index;
        const Field picture = cell(7);
        q.picture = {std::string(TrimSpaces(picture.text)), picture.line};
        bank.questions.push_back(std::move(q));
    }
    if (!scanner.error().empty()) {
        bank.fail(scanner.errorLine(), scanner.error());
    }
    return bank;
}

} // namespace tamberlin::banks
