#include "cli/bank_commands.h"

#include "document/paths.h"

#include "banks/question_bank.h"
#include "banks/quiz_check.h"
#include "document/errors.h"
#include "document/file_io.h"
#include "document/quiz.h"
#include "document/quiz_file.h"

#include <charconv>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tamberlin {

const std::string_view kBankUsage =
    "  --import FILE [--format gift|aiken|csv] -o QUIZ.qvt [--title TEXT] [--id ID]\n"
    "          [--cgi URL] [--seconds N]\n"
    "                         make a quiz file from a question bank: GIFT multiple-choice\n"
    "                         questions, Aiken or CSV (question,A,B,C,D,E,answer,picture); the\n"
    "                         format comes from the name (.gift, .aiken, .csv, .txt) unless\n"
    "                         given. The title is the file's name unless given; N is the time\n"
    "                         allowed in seconds (1 to 999). QUIZ.qvt is replaced.\n"
    "  --export QUIZ.qvt --format gift|aiken|csv [-o FILE]\n"
    "                         write a quiz's questions in a bank format (to standard output\n"
    "                         without -o)\n"
    "  --check QUIZ.qvt...    list what would go wrong on each quiz's page, with advice; exit\n"
    "                         status 0 when there is nothing, 1 when there is\n";

namespace {

void usageError(std::ostream& err, const std::string& message) {
    err << "tamberlin: " << message << "\n(tamberlin --help lists the options)\n";
}

void printNotes(std::ostream& err, const std::string& file, std::string_view unit,
                const std::vector<BankNote>& notes) {
    for (const BankNote& note : notes) {
        err << "tamberlin: " << file << ": ";
        if (note.line > 0) {
            err << unit << " " << note.line << ": ";
        }
        err << note.message << "\n";
    }
}

std::string baseName(const std::string& path) {
    std::string name(PathFileNamePart(path));
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name;
}

std::filesystem::path folderOf(const std::string& path) {
    std::error_code ec;
    auto folder = std::filesystem::absolute(path, ec).parent_path();
    auto canonical = std::filesystem::weakly_canonical(folder, ec);
    return ec ? folder : canonical;
}

// Reads a quiz file for --export, warning when it ends early.
bool readQuiz(QuizDocument& document, const std::string& path, std::ostream& err) {
    document.ClearBlankQuestion();
    document.ResetQuiz();
    QuizFileExtent extent;
    try {
        ReadQuizFile(document.quiz, path, extent);
    } catch (const TamberlinError& e) {
        err << "tamberlin: cannot read quiz file \"" << path << "\": " << e.what() << "\n";
        return false;
    }
    if (!extent.complete()) {
        err << "tamberlin: warning: \"" << path << "\": " << QuizFileEndWarning(extent) << "\n";
    }
    return true;
}

int runImport(const std::vector<std::string_view>& args, std::ostream& out, std::ostream& err) {
    std::string source;
    std::string output;
    std::optional<BankFormat> format;
    std::optional<std::string> title;
    std::string quizId;
    std::string cgi;
    std::int32_t seconds = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--format" || arg == "-o" || arg == "--title" || arg == "--id" ||
            arg == "--cgi" || arg == "--seconds") {
            if (!hasValue) {
                usageError(err, std::string(arg) + " needs a value");
                return 2;
            }
            const std::string value(args[++i]);
            if (arg == "--format") {
                format = BankFormatFromName(value);
                if (!format) {
                    usageError(err, "unknown format \"" + value + "\" (gift, aiken or csv)");
                    return 2;
                }
            } else if (arg == "-o") {
                output = value;
            } else if (arg == "--title") {
                title = value;
            } else if (arg == "--id") {
                quizId = value;
            } else if (arg == "--cgi") {
                cgi = value;
            } else {
                const auto [end, ec] =
                    std::from_chars(value.data(), value.data() + value.size(), seconds);
                if (ec != std::errc() || end != value.data() + value.size() || seconds < 1 ||
                    seconds > 999) {
                    usageError(err, "--seconds takes a number from 1 to 999");
                    return 2;
                }
            }
        } else if (source.empty() && !arg.starts_with("-")) {
            source = std::string(arg);
        } else {
            usageError(err, "unexpected argument " + std::string(arg) + " for --import");
            return 2;
        }
    }
    if (source.empty() || output.empty()) {
        usageError(err, "--import needs a question file and -o QUIZ.qvt");
        return 2;
    }

    auto document = std::make_unique<QuizDocument>();
    document->ClearBlankQuestion();
    document->ResetQuiz();
    TQuizRec& quiz = document->quiz;
    struct Field {
        std::string_view what;
        std::string value;
        std::size_t capacity;
        std::string* bytes;
    };
    std::string titleBytes, idBytes, cgiBytes;
    for (const Field& f : {Field{"the title", title.value_or(baseName(source)), 255, &titleBytes},
                           Field{"the quiz ID", quizId, 100, &idBytes},
                           Field{"the CGI address", cgi, 255, &cgiBytes}}) {
        QuizText text = ConvertForQuiz(f.value, f.what, f.capacity);
        if (!text.ok()) {
            usageError(err, text.error);
            return 2;
        }
        *f.bytes = std::move(text.bytes);
    }

    const ImportResult imported = ImportQuestionFile(source, format);
    printNotes(err, source, "line", imported.notes);
    if (!imported.ok()) {
        err << "tamberlin: " << source << ": " << imported.errorText()
            << "\ntamberlin: nothing was written\n";
        return 1;
    }
    quiz.Title = titleBytes;
    quiz.QuizId = idBytes;
    quiz.CgiTarget = cgiBytes;
    quiz.Interval = seconds;
    const AppendResult appended = AppendImported(quiz, imported.questions);
    if (!appended.ok()) {
        err << "tamberlin: " << source << ": " << appended.error << "\n";
        return 1;
    }
    if (folderOf(source) != folderOf(output)) {
        for (const BankQuestion& q : imported.questions) {
            if (!q.picture.empty() && q.picture.front() != '/' &&
                q.picture.find("://") == std::string::npos) {
                err << "tamberlin: " << source << ": line " << q.line << ": the picture \""
                    << CodePage::system().toUtf8(q.picture)
                    << "\" is beside the question file: copy it beside " << output << "\n";
            }
        }
    }
    try {
        WriteQuizFile(quiz, output);
    } catch (const TamberlinError& e) {
        err << "tamberlin: cannot write quiz file \"" << output << "\": " << e.what() << "\n";
        return 1;
    }
    out << output << ": " << quiz.QuestionCount << " questions with " << quiz.ChoiceCount
        << " choices\n";
    return 0;
}

int runExport(const std::vector<std::string_view>& args, std::ostream& out, std::ostream& err) {
    std::string quizPath;
    std::string output;
    std::optional<BankFormat> format;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if ((arg == "--format" || arg == "-o") && i + 1 < args.size()) {
            const std::string value(args[++i]);
            if (arg == "-o") {
                output = value;
            } else if (!(format = BankFormatFromName(value))) {
                usageError(err, "unknown format \"" + value + "\" (gift, aiken or csv)");
                return 2;
            }
        } else if (quizPath.empty() && !arg.starts_with("-")) {
            quizPath = std::string(arg);
        } else {
            usageError(err, "unexpected argument " + std::string(arg) + " for --export");
            return 2;
        }
    }
    if (!format && !output.empty()) {
        format = DetectBankFormat(output, "");
    }
    if (quizPath.empty() || !format) {
        usageError(err, "--export needs a quiz file and --format gift, aiken or csv");
        return 2;
    }
    auto document = std::make_unique<QuizDocument>();
    if (!readQuiz(*document, quizPath, err)) {
        return 1;
    }
    const ExportResult exported = ExportQuestions(document->quiz, *format);
    printNotes(err, quizPath, "question", exported.notes);
    if (output.empty()) {
        out << exported.text;
        return 0;
    }
    if (const int e = WriteFileAtomically(output, exported.text); e != 0) {
        err << "tamberlin: cannot write \"" << output << "\": " << SystemErrorText(e) << "\n";
        return 1;
    }
    out << output << "\n";
    return 0;
}

int runCheck(const std::vector<std::string_view>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        usageError(err, "--check needs at least one quiz file");
        return 2;
    }
    bool clean = true;
    for (const std::string_view arg : args) {
        const std::string path(arg);
        std::vector<QuizProblem> problems;
        try {
            problems = CheckQuizFile(path);
        } catch (const TamberlinError& e) {
            err << "tamberlin: cannot read quiz file \"" << path << "\": " << e.what() << "\n";
            clean = false;
            continue;
        }
        if (problems.empty()) {
            out << path << ": no problems found\n";
            continue;
        }
        clean = false;
        for (const QuizProblem& p : problems) {
            out << path << ": ";
            if (p.question > 0) {
                out << "question " << p.question << ": ";
            }
            out << p.message << "\n    " << p.advice << "\n";
        }
    }
    return clean ? 0 : 1;
}

} // namespace

std::optional<int> RunBankCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (argc < 2) {
        return std::nullopt;
    }
    const std::string_view option = argv[1];
    std::vector<std::string_view> args;
    for (int i = 2; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    if (option == "--import") {
        return runImport(args, out, err);
    }
    if (option == "--export") {
        return runExport(args, out, err);
    }
    if (option == "--check") {
        return runCheck(args, out, err);
    }
    return std::nullopt;
}

} // namespace tamberlin
