#pragma once

// What the three readers share: they turn UTF-8 text with LF line ends into raw questions with
// line numbers, and ImportQuestions checks those against the quiz's limits and code page.

#include "banks/question_bank.h"

#include <string>
#include <string_view>
#include <vector>

namespace tamberlin::banks {

// A UTF-8 text and the source line it comes from. Line breaks inside it are CR LF.
struct RawText {
    std::string text;
    int line = 0;
};

struct RawQuestion {
    int line = 0;
    RawText text;
    std::vector<RawText> choices;
    int answer = -1; // -1 when the source marks none
    RawText picture;
};

struct RawBank {
    std::vector<RawQuestion> questions;
    std::vector<BankNote> notes;
    std::string error;
    int errorLine = 0;

    bool ok() const { return error.empty(); }
    // Past the 100 a quiz holds the import fails anyway: the readers stop one question later.
    bool full() const { return questions.size() > static_cast<std::size_t>(kMaxQuestions); }
    // Notes past the first 100 are only counted, so that a file of skipped questions stays
    // cheap; the last note says how many were left out.
    void note(int line, std::string message) {
        if (notes.size() < kMaxNotes) {
            notes.push_back({line, std::move(message)});
        } else {
            ++notesLeftOut;
        }
    }
    static constexpr std::size_t kMaxNotes = 100;
    std::size_t notesLeftOut = 0;
    void fail(int line, std::string message) {
        if (error.empty()) {
            errorLine = line;
            error = std::move(message);
        }
    }
};

// Each takes the whole file as UTF-8 without a byte-order mark, line ends already LF only.
RawBank ParseGift(std::string_view text);
RawBank ParseAiken(std::string_view text);
RawBank ParseCsv(std::string_view text);

// Small text helpers.
std::string_view TrimSpaces(std::string_view text);
// LF to CR LF (a text's line breaks as the quiz stores them).
std::string ToStoredLineBreaks(std::string_view text);

} // namespace tamberlin::banks
