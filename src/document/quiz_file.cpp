#include "document/quiz_file.h"

#include "document/errors.h"
#include "document/file_io.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tamberlin {

static_assert(std::endian::native == std::endian::little,
              "the quiz block is copied to and from the file as little-endian bytes");

namespace {

// Moves a field to or from the file bytes. Reading takes what is left of the bytes, possibly
// nothing, and leaves the rest of the field as it was.
class FieldReader {
public:
    explicit FieldReader(std::string_view bytes) : bytes_(bytes) {}

    template <typename T>
    void read(T& field) {
        const std::size_t take = std::min(sizeof(T), bytes_.size() - pos_);
        std::memcpy(reinterpret_cast<unsigned char*>(&field), bytes_.data() + pos_, take);
        pos_ += take;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

template <typename T>
void append(std::string& out, const T& field) {
    out.append(reinterpret_cast<const char*>(&field), sizeof(T));
}

bool countsAreAQuiz(std::int32_t questions, std::int32_t choices) {
    if (questions == 0) {
        return choices >= 0 && choices <= kMaxChoices;
    }
    return questions >= 1 && questions <= kMaxQuestions && choices >= kMinChoices &&
           choices <= kMaxChoices;
}

} // namespace

std::string SerializeQuiz(const TQuizRec& quiz) {
    std::string out;
    out.reserve(QuizFileSize(quiz.QuestionCount));
    append(out, quiz.Title);
    append(out, quiz.QuestionCount);
    append(out, quiz.ChoiceCount);
    append(out, quiz.QuizId);
    append(out, quiz.CgiTarget);
    append(out, quiz.LoginAddress);
    append(out, quiz.RedirectAddress);
    append(out, quiz.Prefs);
    const int count = std::min(quiz.QuestionCount, kMaxQuestions);
    for (int i = 0; i < count; ++i) {
        append(out, quiz.Questions[static_cast<std::size_t>(i)]);
    }
    append(out, quiz.Interval);
    return out;
}

bool DeserializeQuiz(std::string_view bytes, TQuizRec& quiz) {
    // Check the counts as the file would leave them before anything is changed.
    std::int32_t counts[2] = {quiz.QuestionCount, quiz.ChoiceCount};
    if (bytes.size() > 256) {
        FieldReader(bytes.substr(256)).read(counts);
    }
    if (!countsAreAQuiz(counts[0], counts[1])) {
        return false;
    }
    FieldReader in(bytes);
    in.read(quiz.Title);
    in.read(quiz.QuestionCount);
    in.read(quiz.ChoiceCount);
    in.read(quiz.QuizId);
    in.read(quiz.CgiTarget);
    in.read(quiz.LoginAddress);
    in.read(quiz.RedirectAddress);
    in.read(quiz.Prefs);
    for (int i = 0; i < quiz.QuestionCount; ++i) {
        in.read(quiz.Questions[static_cast<std::size_t>(i)]);
    }
    in.read(quiz.Interval);
    return true;
}

void WriteQuizFile(const TQuizRec& quiz, const std::string& path) {
    if (const int err = WriteFileAtomically(path, SerializeQuiz(quiz)); err != 0) {
        throw EInOutError::fromErrno(err);
    }
}

void ReadQuizFile(TQuizRec& quiz, const std::string& path) {
    QuizFileExtent extent;
    ReadQuizFile(quiz, path, extent);
}

void ReadQuizFile(TQuizRec& quiz, const std::string& path, QuizFileExtent& extent) {
    std::string bytes;
    if (const int err = ReadFilePrefix(path, kMaxQuizFileSize, bytes); err != 0) {
        throw EInOutError::fromErrno(err);
    }
    if (!DeserializeQuiz(bytes, quiz)) {
        throw EQuizFormatError(path);
    }
    extent.fileBytes = bytes.size();
    extent.quizBytes = QuizFileSize(quiz.QuestionCount);
}

std::string QuizFileEndWarning(const QuizFileExtent& extent) {
    if (extent.complete()) {
        return {};
    }
    return "the file ends after " + std::to_string(extent.fileBytes) +
           " bytes; questions past it are empty";
}

} // namespace tamberlin
