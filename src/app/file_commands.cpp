// The file commands of the main window: Save, Save As, Open and the open at start-up, and
// publishing: Create Html and Preview. The session runs them; the window shows what came of it.

#include "app/main_window.h"

#include "banks/quiz_check.h"
#include "document/code_page.h"
#include "generator/web_files.h"
#include "platform/platform.h"
#include "platform/shell_open.h"
#include "qtbridge/qt_paths.h"
#include "qtbridge/qt_text.h"

#include "document/paths.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>

namespace tamberlin {

namespace {

QString joined(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names) {
        list << QString::fromStdString(name);
    }
    return list.join(QStringLiteral(", "));
}

} // namespace

TQuizRec& TForm1::quiz() {
    return session_->quiz();
}

QString TForm1::quizFileName() const {
    return FromLocalPath(session_->quizFileName());
}

QString TForm1::htmlFileName() const {
    return FromLocalPath(session_->htmlFileName());
}

QString TForm1::startFolder() const {
    return FromLocalPath(session_->startFolder());
}

SaveResult TForm1::Save1Click() {
    return session_->Save();
}

SaveResult TForm1::SaveAs1Click() {
    return session_->SaveAs();
}

void TForm1::Open1Click() {
    // Unsaved work is offered for saving before another quiz replaces it.
    const OpenResult result = session_->Open();
    if (result.status != OpenResult::Cancelled) {
        showOpenResult(result);
    }
}

bool TForm1::OpenQuizFile(const QString& name) {
    // A relative name (from the command line) is made absolute now, against the folder current at
    // start-up: the file dialogs change the current folder later, and Save, the picture chooser's
    // copy and Create Html must still find this file's folder.
    const QString path = name.isEmpty() ? name : QFileInfo(name).absoluteFilePath();
    const OpenResult result = session_->OpenFile(ToLocalPath(path));
    showOpenResult(result);
    return result.status == OpenResult::Opened;
}

void TForm1::showOpenResult(const OpenResult& result) {
    DisableEditor();
    if (result.status != OpenResult::Opened) {
        // The emptied document belongs to no file: nothing can be saved over the quiz held
        // before, and the session has switched the commands off.
        setWindowTitle(QStringLiteral("Tamberlin Free"));
        ClearImgBtn->setEnabled(false);
        return;
    }
    setCaptionFromFileName();
    // The session cleared both flags before the editor starts, so that the buttons it refreshes
    // show a clean question.
    BeginEditing();
}

// ---- Publishing -------------------------------------------------------------------------------

void TForm1::Create1Click() {
    // The session saves, settles the page look and writes the page; a failure has been shown.
    const SessionPublish published = session_->Publish();
    if (published.status != SessionPublish::Published) {
        return;
    }
    QString message =
        QStringLiteral("The HTML file ") + htmlFileName() + QStringLiteral(" has been created.");
    // The page's clock needs its script and digit pictures beside it: the missing ones are put
    // there; one that differs (the author's own) is left as it is.
    const WebFilesCopied clock =
        CopyMissingWebFiles(std::string(PathFolderPart(session_->htmlFileName())));
    QStringList notes;
    if (!clock.copied.empty()) {
        notes << QStringLiteral("Copied beside the page: %1.").arg(joined(clock.copied));
    }
    if (!clock.kept.empty()) {
        notes << QStringLiteral("Left as they were (they differ from the program's copies): %1.")
                     .arg(joined(clock.kept));
    }
    if (!clock.error.empty()) {
        notes << QStringLiteral("The clock files could not be put beside the page: %1.")
                     .arg(QString::fromStdString(clock.error));
    }
    // An ID the page cuts short mixes the results with other quizzes'. (Check Quiz also looks
    // for other quizzes of the folder that post the same ID.)
    std::vector<QuizProblem> warnings =
        QuizIdProblems(quiz(), session_->quizFileName(), CodePage::system(), IdCheck::TheIdOnly);
    for (QuizProblem& warning : PublishingWarnings(quiz())) {
        warnings.push_back(std::move(warning));
    }
    for (const QuizProblem& warning : warnings) {
        notes << QStringLiteral("Warning: ") + QString::fromStdString(warning.message) +
                     QStringLiteral(". ") + QString::fromStdString(warning.advice);
    }
    if (!notes.isEmpty()) {
        message += QStringLiteral("\n\n") + notes.join(u'\n');
    }
    platform().showMessage(message);
}

void TForm1::Preview1Click() {
    OpenThroughShell(htmlFileName(), startFolder());
}

} // namespace tamberlin
