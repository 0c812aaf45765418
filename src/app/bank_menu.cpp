// The question-bank commands of the main window: Import Questions and Export Questions in the
// File menu, Check Quiz in the Quiz menu. The reading, writing and checking themselves are the
// banks library's; this file asks for the files and shows what came of it.

#include "app/main_window.h"

#include "banks/question_bank.h"
#include "banks/quiz_check.h"
#include "document/code_page.h"
#include "document/errors.h"
#include "document/file_io.h"
#include "document/paths.h"

#include "platform/platform.h"
#include "qtbridge/qt_paths.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QToolButton>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tamberlin {

namespace {

QString utf8(const std::string& text) {
    return QString::fromStdString(text);
}

Platform::FileDialogOptions bankOpenDialog() {
    Platform::FileDialogOptions options;
    options.filter =
        QStringLiteral("Question banks (*.gift;*.txt;*.csv;*.aiken;*.xml)|"
                       "*.gift;*.txt;*.csv;*.aiken;*.xml|"
                       "GIFT files (*.gift)|*.gift|Aiken files (*.txt;*.aiken)|*.txt;*.aiken|"
                       "CSV files (*.csv)|*.csv|Moodle XML files (*.xml)|*.xml|"
                       "All files (*.*)|*.*");
    options.fileMustExist = true;
    options.title = QStringLiteral("Import Questions");
    return options;
}

Platform::FileDialogOptions bankSaveDialog() {
    Platform::FileDialogOptions options;
    options.filter = QStringLiteral("GIFT files (*.gift)|*.gift|Aiken files (*.txt)|*.txt|"
                                    "CSV files (*.csv)|*.csv|Moodle XML files (*.xml)|*.xml");
    options.defaultExtension = QStringLiteral("gift");
    options.title = QStringLiteral("Export Questions");
    return options;
}

// The format an exported file's name asks for: the save dialog's filter offers ".txt" for
// Aiken, so a ".txt" name is written as Aiken.
std::optional<BankFormat> exportFormatOf(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == u"txt" || extension == u"aiken") {
        return BankFormat::Aiken;
    }
    if (extension == u"gift") {
        return BankFormat::Gift;
    }
    if (extension == u"csv") {
        return BankFormat::Csv;
    }
    if (extension == u"xml") {
        return BankFormat::MoodleXml;
    }
    return std::nullopt;
}

// The outcome of an import line by line in the file's order: each question imported (with the
// quiz question it became) and each note, skipped questions with their line and reason.
QStringList outcomeLines(const std::vector<BankQuestion>& questions, int firstSlot,
                         const std::vector<BankNote>& notes) {
    struct Line {
        int line;
        int order;
        QString text;
    };
    std::vector<Line> lines;
    for (std::size_t n = 0; n < questions.size(); ++n) {
        QString text = utf8(CodePage::system().toUtf8(questions[n].text));
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        if (text.size() > 60) {
            text = text.left(57) + QStringLiteral("...");
        }
        lines.push_back({questions[n].line, 0,
                         QStringLiteral("imported as question ") +
                             QString::number(firstSlot + static_cast<int>(n) + 1) +
                             QStringLiteral(": ") + text});
    }
    for (const BankNote& note : notes) {
        lines.push_back({note.line, 1, utf8(note.message)});
    }
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        return a.line != b.line ? a.line < b.line : a.order < b.order;
    });
    QStringList out;
    for (const Line& line : lines) {
        out << (line.line > 0
                    ? QStringLiteral("Line ") + QString::number(line.line) + QStringLiteral(": ")
                    : QString()) +
                   line.text;
    }
    return out;
}

// Of a bank with more questions than the quiz has room for, the author picks the first ones or
// a random draw; false when the import is cancelled.
bool chooseWhatFits(ImportResult& imported, int room, const QString& fileName) {
    if (room <= 0 || imported.questions.size() <= static_cast<std::size_t>(room)) {
        return true;
    }
    const QString count = QString::number(room);
    const std::optional<int> choice = platform().choose(
        fileName + QStringLiteral(" holds ") + QString::number(imported.questions.size()) +
            QStringLiteral(" questions, and the quiz has room for ") + count +
            QStringLiteral(" more. Which should come in?"),
        {QStringLiteral("The first ") + count, count + QStringLiteral(" drawn at random")});
    if (!choice) {
        return false;
    }
    if (*choice == 0) {
        KeepFirstQuestions(imported, room);
    } else {
        PickQuestions(imported, room, std::random_device{}());
    }
    return true;
}

// "line 12: ...", one note a line, under a heading.
QString notesText(const QString& heading, const char* unit, const std::vector<BankNote>& notes) {
    QString text = heading;
    for (const BankNote& note : notes) {
        text += u'\n';
        if (note.line > 0) {
            text += QString::fromLatin1(unit) + u' ' + QString::number(note.line) +
                    QStringLiteral(": ");
        }
        text += utf8(note.message);
    }
    return text;
}

bool isBareOrRelative(const std::string& picture) {
    return !picture.empty() && picture.front() != '/' && picture.find("://") == std::string::npos;
}

} // namespace

void TForm1::ImportQuestions1Click() {
    const bool quizOpen = session_->editing();
    // Without a quiz the import starts a new one, so unsaved work is offered for saving first,
    // as before New and Open.
    if (!quizOpen && !session_->OfferToSaveUnsavedWork()) {
        return;
    }
    const std::optional<QString> chosen = platform().getOpenFileName(bankOpenDialog());
    if (!chosen) {
        return;
    }
    const QString fileName = QFileInfo(*chosen).fileName();
    ImportResult imported = ImportQuestionFile(ToLocalPath(*chosen), std::nullopt);
    if (!imported.ok()) {
        platform().showError(fileName + QStringLiteral(": ") + utf8(imported.errorText()));
        return;
    }
    const int room =
        kMaxQuestions - (quizOpen ? std::clamp(quiz().QuestionCount, 0, kMaxQuestions) : 0);
    if (!chooseWhatFits(imported, room, fileName)) {
        return;
    }
    // Pictures that came inside the bank are written beside it, where its other pictures are
    // looked for.
    const std::string embeddedFolder = ToLocalPath(QFileInfo(*chosen).absolutePath()) + "/";
    for (const std::string& error : WriteEmbeddedPictures(imported.questions, embeddedFolder)) {
        imported.notes.push_back({0, error, NoteKind::Changed});
    }

    std::vector<BankNote> notes = imported.notes;
    int firstSlot = 0;
    if (quizOpen) {
        // Tried on a copy first: a quiz that cannot take the questions is not touched, and the
        // author is not asked about the edits in the boxes for nothing.
        auto trial = std::make_unique<TQuizRec>(quiz());
        const AppendResult tried = AppendImported(*trial, imported.questions);
        if (!tried.ok()) {
            platform().showError(fileName + QStringLiteral(": ") + utf8(tried.error));
            return;
        }
        // Edits still in the boxes are settled as before a move.
        if (!session_->SettlePendingEdits()) {
            return;
        }
        const int choicesBefore = quiz().ChoiceCount;
        const AppendResult appended = AppendImported(quiz(), imported.questions);
        notes.insert(notes.end(), appended.notes.begin(), appended.notes.end());
        if (quiz().ChoiceCount > choicesBefore) {
            // More choices than before: their boxes come on (emptied quietly, as the question
            // shown next fills them).
            Updating = true;
            EnableEditor();
            Updating = false;
        }
        firstSlot = appended.firstIndex;
        session_->MoveTo(appended.firstIndex);
        showCurrentQuestion();
    } else {
        session_->StartQuiz();
        Updating = true;
        DisableEditor();
        Updating = false;
        // The new quiz is named after the bank until the author sets it up.
        const QuizText title =
            ConvertForQuiz(QFileInfo(*chosen).completeBaseName().toStdString(), "the title", 255);
        if (title.ok()) {
            quiz().Title = title.bytes;
        }
        AppendImported(quiz(), imported.questions);
        setFileCommandsEnabled(true);
        setHtmlMenuEnabled(true);
        createbtn->setEnabled(true);
        setPreviewEnabled(false);
        setWindowTitle(QStringLiteral("Tamberlin Free"));
        BeginEditing();
    }
    RefreshEditButtons();
    session_->markQuizChanged();

    // Pictures named by a bare or relative name are found beside the page, which is published
    // beside the quiz: say so when the bank lives elsewhere.
    const QString bankFolder = QFileInfo(*chosen).absoluteDir().canonicalPath();
    const QString quizFolder = quizFileName().isEmpty()
                                   ? QString()
                                   : QFileInfo(quizFileName()).absoluteDir().canonicalPath();
    if (bankFolder != quizFolder) {
        for (const BankQuestion& question : imported.questions) {
            if (isBareOrRelative(question.picture)) {
                notes.push_back(
                    {question.line, "the picture \"" + CodePage::system().toUtf8(question.picture) +
                                        "\" is beside the question file: copy it beside the quiz"});
            }
        }
    }
    const auto skipped = std::count_if(notes.begin(), notes.end(), [](const BankNote& note) {
        return note.kind == NoteKind::Skipped || note.kind == NoteKind::LeftOut;
    });
    QString summary = QString::number(imported.questions.size()) +
                      (imported.questions.size() == 1 ? QStringLiteral(" question")
                                                      : QStringLiteral(" questions")) +
                      QStringLiteral(" imported from ") + fileName;
    if (skipped > 0) {
        summary += QStringLiteral("; some of its questions were not (the list gives their lines "
                                  "and why)");
    }
    platform().showList(summary + u'.', outcomeLines(imported.questions, firstSlot, notes));
}

void TForm1::ExportQuestions1Click() {
    const std::optional<QString> chosen = platform().getSaveFileName(bankSaveDialog());
    if (!chosen) {
        return;
    }
    const std::optional<BankFormat> format = exportFormatOf(*chosen);
    if (!format) {
        platform().showError(
            QStringLiteral("Cannot tell the format of ") + QFileInfo(*chosen).fileName() +
            QStringLiteral(": name it .gift, .txt (Aiken), .csv or .xml (Moodle XML)"));
        return;
    }
    // The questions as stored: edits still in the boxes are not part of them.
    // Moodle XML carries the pictures, found beside the quiz file as the page finds them.
    const std::string quizFile = ToLocalPath(quizFileName());
    const ExportResult exported =
        ExportQuestions(quiz(), *format, CodePage::system(),
                        quizFile.empty() ? std::string() : std::string(PathFolderPart(quizFile)));
    if (const int error = WriteFileAtomically(ToLocalPath(*chosen), exported.text); error != 0) {
        platform().showError(QStringLiteral("Cannot write ") + *chosen + QStringLiteral(": ") +
                             utf8(SystemErrorText(error)));
        return;
    }
    const int count = quiz().QuestionCount;
    QString text = QString::number(count) +
                   (count == 1 ? QStringLiteral(" question") : QStringLiteral(" questions")) +
                   QStringLiteral(" written to ") + *chosen + u'.';
    if (!exported.notes.empty()) {
        text = notesText(text, "question", exported.notes);
    }
    platform().showMessage(text);
}

void TForm1::CheckQuiz1Click() {
    // The quiz as stored, checked against the folder its page is published in.
    const std::vector<QuizProblem> problems = CheckQuiz(quiz(), session_->quizFileName());
    if (problems.empty()) {
        platform().showMessage(QStringLiteral("No problems found."));
        return;
    }
    QString text;
    for (const QuizProblem& problem : problems) {
        if (!text.isEmpty()) {
            text += QStringLiteral("\n\n");
        }
        if (problem.question > 0) {
            text += QStringLiteral("Question ") + QString::number(problem.question) +
                    QStringLiteral(": ");
        }
        text += utf8(problem.message) + u'\n' + utf8(problem.advice);
    }
    platform().showMessage(text);
}

} // namespace tamberlin
