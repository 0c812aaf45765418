#include "cli/bank_commands.h"
#include "cli/quiz_argument.h"

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
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tamberlin {

const std::string_view kBankUsage =
    "  --import FILE [--format gift|aiken|csv|moodlexml] -o QUIZ.qvt [--title TEXT] [--id ID]\n"
    "          [--cgi URL] [--seconds N] [--split | --pick N [--seed S]]\n"
    "                         make a quiz file from a question bank: GIFT multiple-choice\n"
    "                         questions, Aiken, CSV (question,A,B,C,D,answer and the usual\n"
    "                         spreadsheet layouts) or Moodle XML (with its pictures, written\n"
    "                         beside QUIZ.qvt); the format comes from the name (.gift, .aiken,\n"
    "                         .csv, .xml, .txt) unless given. The title is the file's name\n"
    "                         unless given; N is the time allowed in seconds (1 to 999).\n"
    "                         QUIZ.qvt is replaced. Questions the quiz cannot hold are skipped\n"
    "                         with a note; of more than 100 the first 100 are kept.\n"
    "  --split                with --import: write QUIZ-1.qvt, QUIZ-2.qvt, ... of at most 100\n"
    "                         questions each\n"
    "  --pick N               with --import: keep N questions (1 to 100) drawn at random\n"
    "  --seed S               with --pick: draw with the seed S (0 to 4294967295) so that the\n"
    "                         same questions come again\n"
    "  --export QUIZ.qvt --format gift|aiken|csv|moodlexml [-o FILE]\n"
    "                         write a quiz's questions in a bank format (to standard output\n"
    "                         without -o); Moodle XML carries the question pictures\n"
    "  --check QUIZ.qvt...    list what would go wrong on each quiz's page, with advice; exit\n"
    "                         status 0 when there is nothing, 1 when there is\n";

namespace {

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

// Which questions of a bank of more than 100 go into the quiz.
struct Selection {
    bool split = false;
    std::optional<int> pick;
    std::optional<std::uint32_t> seed;
};

// Reads --split, --pick N or --seed S at args[i] (moving i past a value). Nothing when args[i]
// is none of them; otherwise 0, or the exit status of a usage error.
std::optional<int> takeSelectionOption(const std::vector<std::string_view>& args, std::size_t& i,
                                       Selection& selection, std::ostream& err) {
    const std::string_view arg = args[i];
    if (arg == "--split") {
        selection.split = true;
        return 0;
    }
    if (arg != "--pick" && arg != "--seed") {
        return std::nullopt;
    }
    if (i + 1 >= args.size()) {
        UsageError(err, std::string(arg) + " needs a value");
        return 2;
    }
    const std::string_view value = args[++i];
    std::uint32_t number = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    const bool whole = ec == std::errc() && end == value.data() + value.size();
    if (arg == "--pick") {
        if (!whole || number < 1 || number > static_cast<std::uint32_t>(kMaxQuestions)) {
            UsageError(err, "--pick takes a number of questions from 1 to 100");
            return 2;
        }
        selection.pick = static_cast<int>(number);
    } else {
        if (!whole) {
            UsageError(err, "--seed takes a number from 0 to 4294967295");
            return 2;
        }
        selection.seed = number;
    }
    return 0;
}

// The questions of each quiz to write: one part of the first 100 (or of those picked), or the
// parts of a split.
std::vector<std::vector<BankQuestion>> selectQuestions(ImportResult& imported,
                                                       const Selection& selection) {
    if (selection.split) {
        return SplitQuestions(imported.questions);
    }
    if (selection.pick) {
        const std::uint32_t seed = selection.seed.value_or(std::random_device{}());
        PickQuestions(imported, *selection.pick, seed);
        if (!selection.seed && imported.notes.back().kind == NoteKind::LeftOut) {
            imported.notes.back().message +=
                ": --seed " + std::to_string(seed) + " draws them again";
        }
    } else if (imported.questions.size() > static_cast<std::size_t>(kMaxQuestions)) {
        KeepFirstQuestions(imported);
        imported.notes.back().message +=
            " (a quiz holds 100 questions: --split makes several quizzes, --pick draws some)";
    }
    return {imported.questions};
}

// The quiz block's fields an import sets, in the code page.
struct QuizSettings {
    std::string title;
    std::string id;
    std::string cgi;
    std::int32_t seconds = 0;
};

// Writes one quiz file of the questions, and beside it the pictures that came in the bank.
int writeImportedQuiz(const std::string& source, const std::string& output,
                      std::vector<BankQuestion> questions, const QuizSettings& settings,
                      std::ostream& out, std::ostream& err) {
    auto document = std::make_unique<QuizDocument>();
    document->ClearBlankQuestion();
    document->ResetQuiz();
    TQuizRec& quiz = document->quiz;
    quiz.Title = settings.title;
    quiz.QuizId = settings.id;
    quiz.CgiTarget = settings.cgi;
    quiz.Interval = settings.seconds;
    const std::string outputFolder(PathFolderPart(output));
    for (const std::string& error : WriteEmbeddedPictures(questions, outputFolder)) {
        err << "tamberlin: " << error << "\n";
        return 1;
    }
    const AppendResult appended = AppendImported(quiz, questions);
    if (!appended.ok()) {
        err << "tamberlin: " << source << ": " << appended.error << "\n";
        return 1;
    }
    if (folderOf(source) != folderOf(output)) {
        for (const BankQuestion& q : questions) {
            if (q.pictureData.empty() && !q.picture.empty() && q.picture.front() != '/' &&
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

int runImport(const std::vector<std::string_view>& args, std::ostream& out, std::ostream& err) {
    std::string source;
    std::string output;
    std::optional<BankFormat> format;
    std::optional<std::string> title;
    std::optional<std::string> quizId;
    std::string cgi;
    std::int32_t seconds = 0;
    Selection selection;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (const std::optional<int> taken = takeSelectionOption(args, i, selection, err)) {
            if (*taken != 0) {
                return *taken;
            }
        } else if (arg == "--format" || arg == "-o" || arg == "--title" || arg == "--id" ||
                   arg == "--cgi" || arg == "--seconds") {
            if (!hasValue) {
                UsageError(err, std::string(arg) + " needs a value");
                return 2;
            }
            const std::string value(args[++i]);
            if (arg == "--format") {
                format = BankFormatFromName(value);
                if (!format) {
                    UsageError(err,
                               "unknown format \"" + value + "\" (gift, aiken, csv or moodlexml)");
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
                    UsageError(err, "--seconds takes a number from 1 to 999");
                    return 2;
                }
            }
        } else if (source.empty() && !arg.starts_with("-")) {
            source = std::string(arg);
        } else {
            UsageError(err, "unexpected argument " + std::string(arg) + " for --import");
            return 2;
        }
    }
    if (source.empty() || output.empty()) {
        UsageError(err, "--import needs a question file and -o QUIZ.qvt");
        return 2;
    }
    if (selection.seed && !selection.pick) {
        UsageError(err, "--seed goes with --pick");
        return 2;
    }
    if (selection.split && selection.pick) {
        UsageError(err, "--split and --pick do not go together");
        return 2;
    }
    struct Field {
        std::string_view what;
        std::string value;
        std::size_t capacity;
        std::string* bytes;
    };
    std::string titleBytes, idBytes, cgiBytes;
    for (const Field& f :
         {Field{"the title", title.value_or(baseName(source)), decltype(TQuizRec::Title)::capacity,
                &titleBytes},
          Field{"the quiz ID", quizId.value_or(QuizIdFromFileName(source)),
                decltype(TQuizRec::QuizId)::capacity, &idBytes},
          Field{"the CGI address", cgi, decltype(TQuizRec::CgiTarget)::capacity, &cgiBytes}}) {
        QuizText text = ConvertForQuiz(f.value, f.what, f.capacity);
        if (!text.ok()) {
            UsageError(err, text.error);
            return 2;
        }
        *f.bytes = std::move(text.bytes);
    }

    ImportResult imported = ImportQuestionFile(source, format);
    if (!imported.ok()) {
        printNotes(err, source, "line", imported.notes);
        err << "tamberlin: " << source << ": " << imported.errorText()
            << "\ntamberlin: nothing was written\n";
        return 1;
    }
    std::vector<std::vector<BankQuestion>> parts = selectQuestions(imported, selection);
    printNotes(err, source, "line", imported.notes);
    if (parts.size() > 1) {
        // QUIZ.qvt stands for the parts QUIZ-1.qvt, QUIZ-2.qvt, ...
        const std::string name(PathFileNamePart(output));
        const std::size_t dot = name.rfind('.');
        const std::string stem =
            output.substr(0, output.size() - name.size()) +
            (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot));
        const std::string extension =
            dot == std::string::npos || dot == 0 ? ".qvt" : name.substr(dot);
        for (std::size_t n = 0; n < parts.size(); ++n) {
            const std::string part = stem + "-" + std::to_string(n + 1) + extension;
            QuizSettings settings{titleBytes, idBytes, cgiBytes, seconds};
            if (settings.title.size() + 4 <= decltype(TQuizRec::Title)::capacity) {
                settings.title += " " + std::to_string(n + 1);
            }
            if (const int status = writeImportedQuiz(source, part, parts[n], settings, out, err);
                status != 0) {
                return status;
            }
        }
        return 0;
    }
    return writeImportedQuiz(source, output, parts.front(),
                             QuizSettings{titleBytes, idBytes, cgiBytes, seconds}, out, err);
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
                UsageError(err, "unknown format \"" + value + "\" (gift, aiken, csv or moodlexml)");
                return 2;
            }
        } else if (quizPath.empty() && !arg.starts_with("-")) {
            quizPath = std::string(arg);
        } else {
            UsageError(err, "unexpected argument " + std::string(arg) + " for --export");
            return 2;
        }
    }
    if (!format && !output.empty()) {
        format = ExportFormatFor(output);
    }
    if (quizPath.empty() || !format) {
        UsageError(err, "--export needs a quiz file and --format gift, aiken, csv or moodlexml");
        return 2;
    }
    auto document = std::make_unique<QuizDocument>();
    if (!ReadQuizArgument(*document, quizPath, err)) {
        return 1;
    }
    const ExportResult exported = ExportQuestions(document->quiz, *format, CodePage::system(),
                                                  std::string(PathFolderPart(quizPath)));
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
        UsageError(err, "--check needs at least one quiz file");
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
