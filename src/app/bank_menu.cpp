// The question-bank commands of the main window: Import Questions and Export Questions in the
// File menu, Check Quiz in the Quiz menu. The session imports; the reading, writing and checking
// themselves are the banks library's; this file asks for the files and shows what came of it.

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
#include <string>
#include <vector>

namespace tamberlin {

namespace {

QString utf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

Platform::FileDialogOptions BankOpenDialog() {
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

namespace {

Platform::FileDialogOptions bankSaveDialog() {
    Platform::FileDialogOptions options;
    options.filter = QStringLiteral("GIFT files (*.gift)|*.gift|Aiken files (*.txt)|*.txt|"
                                    "CSV files (*.csv)|*.csv|Moodle XML files (*.xml)|*.xml");
    options.defaultExtension = QStringLiteral("gift");
    options.title = QStringLiteral("Export Questions");
    return options;
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

} // namespace

void TForm1::ImportQuestions1Click() {
    const SessionImport result = session_->Import();
    if (result.status != SessionImport::Cancelled) {
        showImportResult(result);
    }
}

void TForm1::showImportResult(const SessionImport& result) {
    const QString fileName = QFileInfo(FromLocalPath(result.path)).fileName();
    if (result.status == SessionImport::Failed) {
        platform().showError(fileName + QStringLiteral(": ") + utf8(result.error));
        return;
    }
    if (result.startedQuiz) {
        DisableEditor();
        setWindowTitle(QStringLiteral("Tamberlin Free"));
        BeginEditing();
    } else {
        if (result.choicesGrew) {
            // More choices than before: their boxes come on (emptied quietly, as the question
            // shown next fills them).
            const UpdatingGuard updating(*this);
            EnableEditor();
        }
        showCurrentQuestion();
    }
    const auto skipped =
        std::count_if(result.notes.begin(), result.notes.end(), [](const BankNote& note) {
            return note.kind == NoteKind::Skipped || note.kind == NoteKind::LeftOut;
        });
    QString summary =
        QString::number(result.imported.size()) +
        (result.imported.size() == 1 ? QStringLiteral(" question") : QStringLiteral(" questions")) +
        QStringLiteral(" imported from ") + fileName;
    if (skipped > 0) {
        summary += QStringLiteral("; some of its questions were not (the list gives their lines "
                                  "and why)");
    }
    platform().showList(summary + u'.',
                        outcomeLines(result.imported, result.firstSlot, result.notes));
}

void TForm1::ExportQuestions1Click() {
    const std::optional<QString> chosen = platform().getSaveFileName(bankSaveDialog());
    if (!chosen) {
        return;
    }
    const std::optional<BankFormat> format = ExportFormatFor(ToLocalPath(*chosen));
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
