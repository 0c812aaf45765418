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
    std::string pictureData; // the picture's bytes when the bank carries them
};

struct RawBank {
    std::vector<RawQuestion> questions;
    std::vector<BankNote> notes;
    std::string error;
    int errorLine = 0;

    bool ok() const { return error.empty(); }
    // Notes past the first 1000 are only counted, so that a file of skipped questions stays
    // cheap; the last note says how many were left out.
    void note(int line, std::string message, NoteKind kind = NoteKind::Changed) {
        if (notes.size() < kMaxNotes) {
            notes.push_back({line, std::move(message), kind});
        } else {
            ++notesLeftOut;
        }
    }
    // A question of the file that is not imported.
    void skip(int line, std::string reason) {
        note(line, "question skipped: " + std::move(reason), NoteKind::Skipped);
    }
    static constexpr std::size_t kMaxNotes = 1000;
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
// Moodle XML takes the file's bytes as they are (the XML declaration names the encoding).
RawBank ParseMoodleXml(std::string_view bytes);

// HTML to plain text: tags dropped (paragraph, line and list-item tags become line breaks),
// every named and numeric character reference decoded, comments and the contents of script
// and style dropped, a "<" that starts no tag kept, white space runs made one space. With
// altTexts, an image stands for its alt text.
std::string HtmlToText(std::string_view html, bool altTexts = false);

// Small text helpers.
std::string_view TrimSpaces(std::string_view text);
// LF to CR LF (a text's line breaks as the quiz stores them).
std::string ToStoredLineBreaks(std::string_view text);

} // namespace tamberlin::banks
