#include "app/command_line.h"

#include "document/errors.h"
#include "document/quiz.h"
#include "document/quiz_file.h"
#include "generator/page_look.h"
#include "generator/quiz_page.h"

#include <malloc.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlin {

namespace {

constexpr std::string_view kUsage =
    "Usage: tamberlin [QUIZ.qvt]\n"
    "       tamberlin --publish QUIZ.qvt...\n"
    "       tamberlin --help | --version\n"
    "\n"
    "Without options, opens the quiz editor (on QUIZ.qvt when it is given).\n"
    "\n"
    "  --publish QUIZ.qvt...  write each quiz's page (QUIZ.htm) and listing (QUIZ.qdt) beside\n"
    "                         the quiz file, as Create Html does, without a display; prints\n"
    "                         each page's path. The quiz files are not changed.\n"
    "  --help                 show this text\n"
    "  --version              show the program's version\n"
    "\n"
    "A published page needs clock.js, 0fdg.gif to 9fdg.gif and cfdg.gif in its folder.\n";

constexpr int kBatchMemoryKept = 64 << 20;

// Publishes one quiz file; returns whether both files were written. document is the state
// every quiz is read into, as a fresh window holds it.
bool publishOne(const QuizDocument& fresh, QuizDocument& document, PublishBatch& batch,
                const std::string& quizPath, std::ostream& out, std::ostream& err) {
    document = fresh;
    try {
        ReadQuizFile(document.quiz, quizPath);
    } catch (const TamberlinError& e) {
        err << "tamberlin: cannot read quiz file \"" << quizPath << "\": " << e.what() << "\n";
        return false;
    }
    // The page gets the settings as the preferences window would apply them right after
    // opening the file; the quiz file itself is left as it is.
    const PageLook look = DerivePageLook(document.quiz.Prefs);
    document.quiz.Prefs = look.prefs;
    const PublishResult published = PublishQuiz(document.quiz, look.inputs, quizPath, &batch);
    if (published.error) {
        err << "tamberlin: " << published.error->what() << "\n";
        return false;
    }
    out << published.pagePath << "\n";
    return true;
}

int publish(const std::vector<std::string>& quizPaths, std::ostream& out, std::ostream& err) {
    if (quizPaths.empty()) {
        err << "tamberlin: --publish needs at least one quiz file\n" << kUsage;
        return 2;
    }
    // Every quiz needs buffers of about the same sizes (the file, the page, the listing): the
    // memory freed after one is kept for the next instead of going back to the system and
    // being cleared again page by page.
    ::mallopt(M_MMAP_THRESHOLD, kBatchMemoryKept);
    ::mallopt(M_TRIM_THRESHOLD, kBatchMemoryKept);
    // Each quiz is read into the same block, reset to what a fresh window holds.
    auto fresh = std::make_unique<QuizDocument>();
    fresh->ClearBlankQuestion();
    fresh->ResetQuiz();
    auto document = std::make_unique<QuizDocument>();
    PublishBatch batch;
    bool allWritten = true;
    for (const auto& path : quizPaths) {
        allWritten = publishOne(*fresh, *document, batch, path, out, err) && allWritten;
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
    if (option.starts_with("--")) {
        err << "tamberlin: unknown option " << option << "\n" << kUsage;
        return 2;
    }
    return std::nullopt;
}

} // namespace tamberlin
