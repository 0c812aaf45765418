#include "cli/scorm_command.h"
#include "cli/quiz_argument.h"

#include "document/paths.h"
#include "document/quiz.h"
#include "packages/scorm_package.h"

#include <charconv>
#include <memory>
#include <string>
#include <vector>

namespace tamberlin {

const std::string_view kScormUsage =
    "  --scorm QUIZ.qvt [-o FILE.zip] [--scorm-version 1.2|2004] [--pass PERCENT]\n"
    "                         make a package for a learning platform (Moodle, Canvas,\n"
    "                         Blackboard, ...): the published page and listing, the clock\n"
    "                         files, the pictures and a launch page that sends the score to\n"
    "                         the platform's gradebook. FILE.zip is QUIZ.zip unless given; the\n"
    "                         run-time version is 1.2 unless given; PERCENT (0 to 100, 50\n"
    "                         unless given) is the pass mark.\n";

namespace {

int usageError(std::ostream& err, const std::string& message) {
    UsageError(err, message);
    return 2;
}

} // namespace

std::optional<int> RunScormCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (argc < 2 || std::string_view(argv[1]) != "--scorm") {
        return std::nullopt;
    }
    std::string quizPath;
    std::string zipPath;
    ScormOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "-o" || arg == "--scorm-version" || arg == "--pass") {
            if (!hasValue) {
                return usageError(err, std::string(arg) + " needs a value");
            }
            const std::string_view value = argv[++i];
            if (arg == "-o") {
                zipPath = value;
            } else if (arg == "--scorm-version") {
                if (value == "1.2") {
                    options.version = ScormVersion::Scorm12;
                } else if (value == "2004") {
                    options.version = ScormVersion::Scorm2004;
                } else {
                    return usageError(err, "--scorm-version is 1.2 or 2004, not \"" +
                                               std::string(value) + "\"");
                }
            } else {
                int percent = -1;
                const auto [end, ec] =
                    std::from_chars(value.data(), value.data() + value.size(), percent);
                if (ec != std::errc() || end != value.data() + value.size() || percent < 0 ||
                    percent > 100) {
                    return usageError(err, "--pass is a whole percentage from 0 to 100, not \"" +
                                               std::string(value) + "\"");
                }
                options.passPercent = percent;
            }
        } else if (quizPath.empty() && !arg.empty() && !arg.starts_with("-")) {
            quizPath = arg;
        } else {
            return usageError(err, "--scorm does not take \"" + std::string(arg) + "\"");
        }
    }
    if (quizPath.empty()) {
        return usageError(err, "--scorm needs a quiz file");
    }
    if (zipPath.empty()) {
        zipPath = ReplaceExtension(quizPath, ".zip");
    }

    auto document = std::make_unique<QuizDocument>();
    if (!ReadQuizArgument(*document, quizPath, err)) {
        return 1;
    }
    try {
        ExportScormPackage(document->quiz, quizPath, zipPath, options);
    } catch (const TamberlinError& e) {
        err << "tamberlin: " << e.what() << "\n";
        return 1;
    }
    out << zipPath << "\n";
    return 0;
}

} // namespace tamberlin
