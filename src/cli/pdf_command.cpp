#include "cli/pdf_command.h"

#include "cli/quiz_argument.h"
#include "document/paths.h"
#include "document/quiz.h"
#include "pictures/picture_loader.h"
#include "print/paper_forms.h"
#include "print/quiz_paper.h"

#include <QFile>
#include <QGuiApplication>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace tamberlin {

namespace {

struct PdfRequest {
    std::string quizPath;
    std::string output;
    QPageSize paper = DefaultPaperSize();
    KeyPlacement key = KeyPlacement::End;
    int forms = 1;
    std::optional<std::uint64_t> seed;
};

template <class Number>
bool parseNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Reads the options after --pdf; an error message on a bad one.
std::optional<std::string> parse(const std::vector<std::string>& args, PdfRequest& request) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        if (optionsEnded || arg.empty() || arg == "-" || arg[0] != '-') {
            if (!request.quizPath.empty()) {
                return "--pdf takes one quiz file";
            }
            request.quizPath = arg;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-o" || arg == "--output") {
            const auto name = value();
            if (!name || name->empty()) {
                return arg + " needs a file name";
            }
            request.output = *name;
        } else if (arg == "--paper") {
            const auto paper = value();
            if (paper == "a4" || paper == "A4") {
                request.paper = QPageSize(QPageSize::A4);
            } else if (paper == "letter" || paper == "Letter") {
                request.paper = QPageSize(QPageSize::Letter);
            } else {
                return "--paper takes a4 or letter";
            }
        } else if (arg == "--key") {
            const auto key = value();
            if (key == "end") {
                request.key = KeyPlacement::End;
            } else if (key == "separate") {
                request.key = KeyPlacement::Separate;
            } else if (key == "none") {
                request.key = KeyPlacement::None;
            } else {
                return "--key takes separate, end or none";
            }
        } else if (arg == "--forms") {
            const auto forms = value();
            if (!forms || !parseNumber(*forms, request.forms) || request.forms < 1 ||
                request.forms > kMaxForms) {
                return "--forms takes a number from 1 to " + std::to_string(kMaxForms);
            }
        } else if (arg == "--seed") {
            const auto seed = value();
            std::uint64_t number = 0;
            if (!seed || !parseNumber(*seed, number)) {
                return "--seed takes a whole number from 0 to 18446744073709551615";
            }
            request.seed = number;
        } else {
            return "unknown option " + arg + " for --pdf";
        }
    }
    if (request.quizPath.empty()) {
        return "--pdf needs a quiz file";
    }
    return std::nullopt;
}

// FILE.pdf without its ".pdf", to which "-key.pdf" and "-A.pdf" are added.
std::string stemOf(const std::string& path) {
    const QString name = QString::fromStdString(std::string(PathFileNamePart(path)));
    if (name.size() > 4 && name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        return path.substr(0, path.size() - 4);
    }
    return path;
}

QString local(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

int writePapers(const PdfRequest& request, std::ostream& out, std::ostream& err) {
    const std::string& quizPath = request.quizPath;
    auto document = std::make_unique<QuizDocument>();
    if (!ReadQuizArgument(*document, quizPath, err)) {
        return 1;
    }
    if (document->quiz.QuestionCount <= 0) {
        err << "tamberlin: \"" << quizPath << "\" has no questions to print\n";
        return 1;
    }
    std::uint64_t seed = 0;
    if (request.seed) {
        seed = *request.seed;
    } else if (request.forms > 1) {
        std::random_device entropy;
        seed = (std::uint64_t{entropy()} << 32) | entropy();
        err << "tamberlin: the forms are drawn with --seed " << seed
            << "; the same seed draws them again\n";
    }

    const PaperSet set =
        PreparePapers(document->quiz, local(quizPath), request.forms, seed, LoadPictureImage);
    for (const QString& note : set.notes) {
        err << "tamberlin: warning: \"" << quizPath << "\": " << note.toStdString() << "\n";
    }

    // The files to write: each form's paper (with its key at its end when asked), then the keys
    // in a file of their own when asked.
    struct Output {
        std::string path;
        std::vector<Paper> papers;
        PaperRendering rendering;
    };
    const std::string base =
        request.output.empty() ? ReplaceExtension(quizPath, ".pdf") : request.output;
    const std::string stem = stemOf(base);
    std::vector<Output> outputs;
    for (const Paper& paper : set.forms) {
        Output output{
            request.forms > 1 ? stem + "-" + paper.form.toStdString() + ".pdf" : base, {paper}, {}};
        output.rendering.key = request.key == KeyPlacement::End;
        outputs.push_back(std::move(output));
    }
    if (request.key == KeyPlacement::Separate) {
        Output keys{stem + "-key.pdf", set.forms, {}};
        keys.rendering.questions = false;
        outputs.push_back(std::move(keys));
    }
    // A slip of the pen must not turn the quiz itself into paper.
    for (const Output& output : outputs) {
        std::error_code ec;
        if (std::filesystem::equivalent(output.path, quizPath, ec)) {
            err << "tamberlin: the PDF \"" << output.path << "\" would replace the quiz file\n";
            return 2;
        }
    }

    bool allWritten = true;
    for (const Output& output : outputs) {
        const QString error =
            WritePaperPdf(local(output.path), request.paper, set.forms.front().title,
                          [&](QPagedPaintDevice& device) {
                              RenderPaper(device, output.papers, output.rendering);
                          });
        if (!error.isEmpty()) {
            err << "tamberlin: cannot write \"" << output.path << "\": " << error.toStdString()
                << "\n";
            allWritten = false;
            continue;
        }
        out << output.path << "\n";
    }
    return allWritten ? 0 : 1;
}

// Qt's own notes about the offscreen platform (no runtime folder, and the like) are not the
// user's business; its errors still come through.
void quietQtNotes(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "tamberlin: %s\n", qPrintable(message));
    }
}

} // namespace

std::optional<int> RunPdfCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (argc < 2 || std::string_view(argv[1]) != "--pdf") {
        return std::nullopt;
    }
    // Paper sizes and fonts need Qt's GUI side; the offscreen platform gives it without a
    // display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QtMessageHandler previousHandler = qInstallMessageHandler(quietQtNotes);
    struct RestoreHandler {
        QtMessageHandler handler;
        ~RestoreHandler() { qInstallMessageHandler(handler); }
    } restore{previousHandler};
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    PdfRequest request;
    if (const auto error = parse(std::vector<std::string>(argv + 2, argv + argc), request)) {
        UsageError(err, *error);
        return 2;
    }
    return writePapers(request, out, err);
}

} // namespace tamberlin
