#include "cli/command_line.h"

#include "cli/bank_commands.h"
#include "cli/pdf_command.h"
#include "cli/quiz_argument.h"
#include "cli/scorm_command.h"

#include "document/errors.h"
#include "document/file_io.h"
#include "document/quiz.h"
#include "document/quiz_file.h"
#include "generator/publishing.h"
#include "generator/quiz_page.h"
#include "generator/web_files.h"

#include <cstring>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlin {

namespace {

constexpr std::string_view kUsageHead =
    "Usage: tamberlin [QUIZ.qvt]\n"
    "       tamberlin --publish QUIZ.qvt...\n"
    "       tamberlin --copy-web-files FOLDER [--force]\n"
    "       tamberlin --import FILE [--format gift|aiken|csv|moodlexml] -o QUIZ.qvt\n"
    "                 [--title TEXT] [--id ID] [--cgi URL] [--seconds N]\n"
    "                 [--split | --pick N [--seed S]]\n"
    "       tamberlin --export QUIZ.qvt --format gift|aiken|csv|moodlexml [-o FILE]\n"
    "       tamberlin --check QUIZ.qvt...\n"
    "       tamberlin --scorm QUIZ.qvt [-o FILE.zip] [--scorm-version 1.2|2004] [--pass PERCENT]\n"
    "       tamberlin --pdf QUIZ.qvt [-o FILE.pdf] [--paper a4|letter]\n"
    "                 [--key separate|end|none] [--forms N] [--seed S]\n"
    "       tamberlin --help | --version\n"
    "\n"
    "Without options, opens the quiz editor (on QUIZ.qvt when it is given).\n"
    "\n"
    "  --publish QUIZ.qvt...  write each quiz's page (QUIZ.htm) and listing (QUIZ.qdt) beside\n"
    "                         the quiz file, as Create Html does, without a display; prints\n"
    "                         each page's path. The quiz files are not changed.\n"
    "  --copy-web-files FOLDER [--force]\n"
    "                         copy the program's clock.js and clock pictures into FOLDER\n"
    "                         (made when missing); a file there that differs is replaced\n"
    "                         only with --force.\n";
constexpr std::string_view kUsageTail =
    "  --help                 show this text\n"
    "  --version              show the program's version\n"
    "\n"
    "A published page needs clock.js, 0fdg.gif to 9fdg.gif and cfdg.gif in its folder.\n";

const std::string kUsage = std::string(kUsageHead) + std::string(kBankUsage) +
                           std::string(kScormUsage) + std::string(kPdfUsage) +
                           std::string(kUsageTail);

constexpr int kBatchMemoryKept = 64 << 20;

// Publishes one quiz file; returns whether both files were written. document is the state
// every quiz is read into, as a fresh window holds it.
bool publishOne(const QuizDocument& fresh, QuizDocument& document, PublishBatch& batch,
                const std::string& quizPath, std::ostream& out, std::ostream& err) {
    document = fresh;
    if (!ReadQuizReporting(document.quiz, quizPath, err)) {
        return false;
    }
    // The page gets the settings as the preferences window would apply them right after
    // opening the file; the quiz file itself is left as it is.
    const PageInputs inputs = PreparePageInputs(document.quiz);
    const PublishResult published = PublishQuiz(document.quiz, inputs, quizPath, &batch);
    if (published.error) {
        err << "tamberlin: " << published.error->what() << "\n";
        return false;
    }
    out << published.pagePath << "\n";
    return true;
}

int copyWebFiles(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    namespace fs = std::filesystem;
    std::string folderArg;
    bool force = false;
    for (const auto& arg : args) {
        if (arg == "--force") {
            force = true;
        } else if (folderArg.empty() && !arg.empty() && !arg.starts_with("--")) {
            folderArg = arg;
        } else {
            err << "tamberlin: --copy-web-files takes one folder and --force\n" << kUsage;
            return 2;
        }
    }
    if (folderArg.empty()) {
        err << "tamberlin: --copy-web-files needs a folder\n" << kUsage;
        return 2;
    }
    const fs::path source = FindWebFiles();
    if (source.empty()) {
        err << "tamberlin: cannot find clock.js and the clock pictures beside the program or in "
               "its data folder\n";
        return 1;
    }
    const fs::path folder = folderArg;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder)) {
        err << "tamberlin: cannot make the folder \"" << folderArg << "\""
            << (ec ? ": " + ec.message() : std::string()) << "\n";
        return 1;
    }

    // Everything is read and compared first, so a refusal leaves the folder as it was.
    const WebFilePlan plan = PlanWebFiles(source, folder);
    if (!plan.error.empty()) {
        err << "tamberlin: " << plan.error << "\n";
        return 1;
    }
    std::vector<const WebFilePlan::Entry*> copies;
    bool refused = false;
    for (const WebFilePlan::Entry& entry : plan.entries) {
        if (entry.state == WebFilePlan::Entry::Same) {
            continue;
        }
        if (entry.state == WebFilePlan::Entry::Differs && !force) {
            err << "tamberlin: " << entry.target
                << " differs from the program's copy; use --force to replace it\n";
            refused = true;
            continue;
        }
        copies.push_back(&entry);
    }
    if (refused) {
        err << "tamberlin: nothing was copied\n";
        return 1;
    }
    bool allWritten = true;
    for (const WebFilePlan::Entry* copy : copies) {
        if (const int e = WriteWebFile(*copy); e != 0) {
            err << "tamberlin: cannot write " << copy->target << ": " << std::strerror(e) << "\n";
            allWritten = false;
            continue;
        }
        out << copy->target << "\n";
    }
    return allWritten ? 0 : 1;
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
    if (option == "--copy-web-files") {
        return copyWebFiles(std::vector<std::string>(argv + 2, argv + argc), out, err);
    }
    if (const std::optional<int> status = RunBankCommand(argc, argv, out, err)) {
        return status;
    }
    if (const std::optional<int> status = RunScormCommand(argc, argv, out, err)) {
        return status;
    }
    if (option.starts_with("--")) {
        err << "tamberlin: unknown option " << option << "\n" << kUsage;
        return 2;
    }
    return std::nullopt;
}

} // namespace tamberlin
