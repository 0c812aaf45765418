#include "cli/quiz_argument.h"

#include "common/tamberlin_error.h"
#include "document/quiz_file.h"

namespace tamberlin {

void UsageError(std::ostream& err, const std::string& message) {
    err << "tamberlin: " << message << "\n(tamberlin --help lists the options)\n";
}

bool ReadQuizArgument(QuizDocument& document, const std::string& path, std::ostream& err) {
    document.ClearBlankQuestion();
    document.ResetQuiz();
    return ReadQuizReporting(document.quiz, path, err);
}

bool ReadQuizReporting(TQuizRec& quiz, const std::string& path, std::ostream& err) {
    QuizFileExtent extent;
    try {
        ReadQuizFile(quiz, path, extent);
    } catch (const TamberlinError& e) {
        err << "tamberlin: cannot read quiz file \"" << path << "\": " << e.what() << "\n";
        return false;
    }
    if (!extent.complete()) {
        err << "tamberlin: warning: \"" << path << "\": " << QuizFileEndWarning(extent) << "\n";
    }
    return true;
}

} // namespace tamberlin
