#include "app/command_line.h"

#include "app/bank_commands.h"

#include "document/errors.h"
#include "document/quiz.h"
#include "document/quiz_file.h"
#include "generator/page_look.h"
#include "generator/quiz_page.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlin {

namespace {

constexpr std::string_view kUsageHead =
    "Usage: tamberlin [QUIZ.qvt]\n"
    "       tamberlin --publish QUIZ.qvt...\n"
    "       tamberlin --import FILE [--format gift|aiken|csv] -o QUIZ.qvt [--title TEXT]\n"
    "                 [--id ID] [--cgi URL] [--seconds N]\n"
    "       tamberlin --export QUIZ.qvt --format gift|aiken|csv [-o FILE]\n"
    "       tamberlin --check QUIZ.qvt...\n"
    "       tamberlin --help | --version\n"
    "\n"
    "Without options, opens the quiz editor (on QUIZ.qvt when it is given).\n"
    "\n"
    "  --publish QUIZ.qvt...  write each quiz's page (QUIZ.htm) and listing (QUIZ.qdt) beside\n"
    "                         the quiz file, as Create Html does, without a display; prints\n"
    "                         each page's path. The quiz files are not changed.\n";
constexpr std::string_view kUsageTail =
    "  --help                 show this text\n"
    "  --version              show the program's version\n"
    "\n"
    "A published page needs clock.js, 0fdg.gif to 9fdg.gif and cfdg.gif in its folder.\n";

const std::string kUsage =
    std::string(kUsageHead) + std::string(kBankUsage) + std::string(kUsageTail);

// Publishes one quiz file; returns whether both files were written.
bool publishOne(const std::string& quizPath, std::ostream& out, std::ostream& err) {
    auto document = std::make_unique<QuizDocument>();
    document->ClearBlankQuestion();
    document->ResetQuiz();
    QuizFileExtent extent;
    try {
        ReadQuizFile(document->quiz, quizPath, extent);
    } catch (const TamberlinError& e) {
        err << "tamberlin: cannot read quiz file \"" << quizPath << "\": " << e.what() << "\n";
        return false;
    }
    if (!extent.complete()) {
        err << "tamberlin: warning: \"" << quizPath << "\": " << QuizFileEndWarning(extent) << "\n";
    }
    // The page gets the settings as the preferences window would apply them right after
    // opening the file; the quiz file itself is left as it is.
    const PageLook look = DerivePageLook(document->quiz.Prefs);
    document->quiz.Prefs = look.prefs;
    const std::string pagePath = ReplaceExtension(quizPath, ".htm");
    try {
        WriteQuizPage(document->quiz, pagePath, look.inputs);
    } catch (const TamberlinError& e) {
        err << "tamberlin: " << e.what() << "\n";
        return false;
    }
    out << pagePath << "\n";
    return true;
}

int publish(const std::vector<std::string>& quizPaths, std::ostream& out, std::ostream& err) {
    if (quizPaths.empty()) {
        err << "tamberlin: --publish needs at least one quiz file\n" << kUsage;
        return 2;
    }
    bool allWritten = true;
    for (const auto& path : quizPaths) {
        allWritten = publishOne(path, out, err) && allWritten;
    }
    return allWritten ? 0 : 1;
}

} // namespace

std::optional<int> RunHeadlessCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (argc < 2) {
        return std::nullopt;
    }
    const std::string_view option = argv[1];
    if (option == "--version") {
        out << "tamberlin " << TAMBERLIN_VERSION << "\n";
        return 0;
    }
    if (option == "--help" || option == "-h") {
        out << kUsage;
        return 0;
    }
    if (option == "--publish") {
        std::vector<std::string> paths;
        bool optionsEnded = false;
        for (int i = 2; i < argc; ++i) {
            const std::string_view arg = argv[i];
            if (!optionsEnded && arg == "--") {
                optionsEnded = true;
                continue;
            }
            paths.emplace_back(arg);
        }
        return publish(paths, out, err);
    }
    if (const std::optional<int> status = RunBankCommand(argc, argv, out, err)) {
        return status;
    }
    if (option.starts_with("--")) {
        err << "tamberlin: unknown option " << option << "\n" << kUsage;
        return 2;
    }
    return std::nullopt;
}

} // namespace tamberlin
