#pragma once

#include "document/quiz.h"

#include <cstddef>
#include <string>

namespace tamberlin {

// The quiz file (".qvt"): the quiz block field after field, little-endian, every field at full
// width, no header:
//   0 Title (256), 256 QuestionCount (4), 260 ChoiceCount (4), 264 QuizId (101),
//   365 CgiTarget (256), 621 LoginAddress (256), 877 RedirectAddress (256), 1133 Prefs (1404),
//   2537 QuestionCount question records (1764 each), then Interval (4).
inline constexpr std::size_t kQuizHeaderSize = 2537;
inline constexpr std::size_t kQuestionRecSize = 1764;
inline constexpr std::size_t kMaxQuizFileSize =
    kQuizHeaderSize + kMaxQuestions * kQuestionRecSize + 4;

inline constexpr std::size_t QuizFileSize(int questionCount) {
    return kQuizHeaderSize + (questionCount > 0 ? questionCount : 0) * kQuestionRecSize + 4;
}

// The file's bytes for the quiz block.
std::string SerializeQuiz(const TQuizRec& quiz);

// Fills a reset quiz block from a file's bytes. Fields that the bytes do not reach keep what they
// held (a field cut in the middle takes the bytes that are there). Bytes after Interval are
// ignored. Returns false, leaving the block untouched, when the counts are not those of a quiz:
// QuestionCount 0 with ChoiceCount 0..5, or QuestionCount 1..100 with ChoiceCount 2..5.
bool DeserializeQuiz(std::string_view bytes, TQuizRec& quiz);

// Writes the whole quiz to path. A failed write leaves any file that was there unchanged.
// Throws EInOutError.
void WriteQuizFile(const TQuizRec& quiz, const std::string& path);

// Reads the quiz file at path into a block that has just been reset (Interval keeps its value
// when the file ends before it). The file is opened for reading only. Throws EInOutError, or
// EQuizFormatError for a file whose counts are not a quiz's (the block is then left as it was).
void ReadQuizFile(TQuizRec& quiz, const std::string& path);

// How far a quiz file went: the bytes read from it (at most kMaxQuizFileSize) and the bytes the
// counts it holds call for. A file that is short of them still reads, its missing fields keeping
// their reset values; callers tell the author with QuizFileEndWarning.
struct QuizFileExtent {
    std::size_t fileBytes = 0;
    std::size_t quizBytes = 0;
    bool complete() const { return fileBytes >= quizBytes; }
};

// The same read, also telling how far the file went.
void ReadQuizFile(TQuizRec& quiz, const std::string& path, QuizFileExtent& extent);

// "the file ends after N bytes; questions past it are empty" for a file short of its quiz,
// or an empty text for a complete one.
std::string QuizFileEndWarning(const QuizFileExtent& extent);

} // namespace tamberlin
