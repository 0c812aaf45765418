#pragma once

// Question banks: questions brought in from the formats teachers keep them in (GIFT's
// multiple-choice questions, Aiken, CSV, Moodle XML) and written back out to them. Plain C++ on the
// document layer; the window and the command line both call these.

#include "document/code_page.h"
#include "document/quiz.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlin {

enum class BankFormat { Gift, Aiken, Csv, MoodleXml };

// Files larger than this are refused before they are parsed.
inline constexpr std::size_t kMaxBankFileSize = 10 * 1024 * 1024;

// "gift", "aiken", "csv" or "moodlexml" (any case) to the format.
std::optional<BankFormat> BankFormatFromName(std::string_view name);
// The format's name as the command line spells it.
std::string_view BankFormatName(BankFormat format);
// The format a file name calls for: ".gift" GIFT, ".csv" CSV, ".aiken" Aiken, ".xml" Moodle
// XML; for ".txt" (both
// GIFT and Aiken files are saved so) the bytes decide: a "{" outside comment lines makes it
// GIFT, an "ANSWER:" line Aiken. Nothing when neither tells.
std::optional<BankFormat> DetectBankFormat(std::string_view path, std::string_view bytes);
// The format an exported file's name asks for, the one rule for the window and --export -o:
// ".gift" GIFT, ".txt" and ".aiken" Aiken (the save dialog offers ".txt" for Aiken), ".csv"
// CSV, ".xml" Moodle XML, any case; nothing for any other name.
std::optional<BankFormat> ExportFormatFor(std::string_view path);

// What a note is about, so that a list can group them.
enum class NoteKind {
    Skipped, // a question of the file that was not imported (the message says why)
    Changed, // a question imported with something of it changed or left out
    Ignored, // something that is no question: a category, a column, the file's encoding
    LeftOut, // questions past what the quiz holds
};

// Something the reader or writer wants the author to know: a skipped question, a dropped part.
// line is the source line (1-based) for an import, the question number for an export, or 0.
struct BankNote {
    int line = 0;
    std::string message; // UTF-8
    NoteKind kind = NoteKind::Changed;
};

// One imported question, its texts already in the code page and within their fields' sizes.
struct BankQuestion {
    int line = 0;                     // where the question starts in the source
    std::string text;                 // code page bytes; line breaks as CR LF
    std::vector<std::string> choices; // 2 to 5, code page bytes; empty ones are kept
    int answer = 0;                   // index of the right choice
    std::string picture;              // code page bytes, as the source names it, or empty
    // The picture's bytes when the bank carries them (Moodle XML): WriteEmbeddedPictures puts
    // them beside the quiz file under the name picture.
    std::string pictureData;
};

struct ImportResult {
    std::vector<BankQuestion> questions;
    std::vector<BankNote> notes;
    // Set when the import failed; then questions is empty and nothing may be written.
    std::string error; // UTF-8, without the line number
    int errorLine = 0; // 0 when the failure concerns the whole file

    bool ok() const { return error.empty(); }
    // "line 12: ..." or the error alone.
    std::string errorText() const;
    // The largest choice count a question needs (0 without questions).
    int choiceCount() const;
};

// Parses a bank. sourceFolder is where pictures named by a bare or relative name are looked
// for ("" for the current folder). Every question of the file is either imported or named in a
// Skipped note with its line and the reason: a text the code page cannot hold or longer than
// its field, fewer than 2 or more than 5 choices, not exactly one right answer, a missing
// picture, another kind of question. All questions are returned, even past the 100 a quiz
// holds (see KeepFirstQuestions, PickQuestions, SplitQuestions). The import fails only when
// the input is over 10 MB, cannot be parsed at all or holds no question that can be imported;
// then the error gives the first reasons and what to do. Bytes that are not UTF-8 are read in
// the code page, with a note.
ImportResult ImportQuestions(std::string_view bytes, BankFormat format,
                             const std::string& sourceFolder,
                             const CodePage& codePage = CodePage::system());

// Reads the file at path (a regular file of at most 10 MB) and imports it; the format comes
// from format or, when it is not given, from DetectBankFormat. Pictures are looked for beside
// the file.
ImportResult ImportQuestionFile(const std::string& path, std::optional<BankFormat> format,
                                const CodePage& codePage = CodePage::system());

// A UTF-8 text for a quiz field of the given capacity: its code page bytes, or an error (UTF-8,
// naming the text as what) when a character has no place in the code page or the text is longer
// than the field. Nothing is cut or replaced.
struct QuizText {
    std::string bytes;
    std::string error;
    bool ok() const { return error.empty(); }
};
QuizText ConvertForQuiz(std::string_view utf8, std::string_view what, std::size_t capacity,
                        const CodePage& codePage = CodePage::system());

struct AppendResult {
    std::string error;  // UTF-8; set when nothing was appended
    int firstIndex = 0; // slot of the first appended question
    std::vector<BankNote> notes;
    bool ok() const { return error.empty(); }
};

// Appends the questions after the quiz's last question: each slot's strings are emptied and
// filled, QuestionCount grows, and ChoiceCount becomes the largest of its value and what the
// questions need (at least 2). Fails, changing nothing, when the quiz would pass 100 questions.
AppendResult AppendImported(TQuizRec& quiz, const std::vector<BankQuestion>& questions);

// A quiz ID made from a bank's file name, for an import that names none: its ASCII letters and
// digits, "-" and "_", every other run of characters one "_", at most 100 bytes ("Unit 3.gift"
// gives "Unit_3"); "quiz" when nothing is left. The page posts the ID only up to its first
// space, so an ID with a space or an empty one would collide with other quizzes' results.
std::string QuizIdFromFileName(std::string_view fileName);

// Keeps the first count questions and notes (LeftOut) how many were left.
void KeepFirstQuestions(ImportResult& result, int count = kMaxQuestions);
// Keeps count questions drawn at random (the same seed draws the same ones), in the file's
// order, and notes how many were left.
void PickQuestions(ImportResult& result, int count, std::uint32_t seed);
// The questions in parts of at most count, in order.
std::vector<std::vector<BankQuestion>> SplitQuestions(const std::vector<BankQuestion>& questions,
                                                      int count = kMaxQuestions);

// Writes the pictures that came inside the bank (pictureData) into folder (ending in "/"),
// under each question's picture name; a name already taken by other bytes gets a number
// ("name-2.png") and the question is changed to match. Returns the errors (UTF-8), empty when
// every picture was written.
std::vector<std::string> WriteEmbeddedPictures(std::vector<BankQuestion>& questions,
                                               const std::string& folder,
                                               const CodePage& codePage = CodePage::system());

struct ExportResult {
    std::string text;            // UTF-8, the file's bytes
    std::vector<BankNote> notes; // what the format could not hold, by question number
};

// Writes the quiz's questions (the first ChoiceCount choices of each, without the empty ones at
// the end) in the format, so that importing the text gives back the same questions, choices,
// answers and, for CSV and Moodle XML, pictures; every change a round trip would make is a
// note. pictureFolder is where Moodle XML looks for the pictures it embeds (the quiz file's
// folder, ending in "/").
ExportResult ExportQuestions(const TQuizRec& quiz, BankFormat format,
                             const CodePage& codePage = CodePage::system(),
                             const std::string& pictureFolder = "");

} // namespace tamberlin
