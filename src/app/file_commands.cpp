// The file commands of the main window: Save, Save As, Open and the open at start-up, around
// the quiz file reader and writer; and publishing: Create Html and Preview.

#include "app/main_window.h"

#include "dialogs/launch.h"
#include "document/errors.h"
#include "document/quiz_file.h"
#include "generator/quiz_page.h"
#include "platform/platform.h"
#include "platform/qt_text.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>

namespace tamberlin {

namespace {

Platform::FileDialogOptions quizFileDialog() {
    Platform::FileDialogOptions options;
    options.filter = QStringLiteral("Tamberlin files (*.qvt)|*.qvt");
    options.defaultExtension = QStringLiteral("qvt");
    options.fileMustExist = false;
    return options;
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

void TForm1::showErrorOf(const std::exception& error) {
    platform().showError(QString::fromLocal8Bit(error.what()));
}

bool TForm1::writeQuiz(const QString& path) {
    try {
        WriteQuizFile(quiz(), localPath(path));
    } catch (const std::exception& error) {
        lastSaveFailed_ = true;
        showErrorOf(error);
        return false;
    }
    return true;
}

bool TForm1::Save1Click() {
    if (QuizFileName.isEmpty()) {
        return SaveAs1Click();
    }
    lastSaveFailed_ = false;
    if (!writeQuiz(QuizFileName)) {
        return false;
    }
    QuizChanged = false;
    return true;
}

bool TForm1::SaveAs1Click() {
    lastSaveFailed_ = false;
    const std::optional<QString> chosen = platform().getSaveFileName(quizFileDialog());
    if (!chosen) {
        return false;
    }
    if (!writeQuiz(*chosen)) {
        return false;
    }
    // The full path is kept, however long: it is never written to a file.
    QuizFileName = *chosen;
    setCaptionFromFileName();
    QuizChanged = false;
    return true;
}

void TForm1::Open1Click() {
    // Unsaved work is offered for saving before another quiz replaces it.
    if ((QuizChanged || QuestionChanged) && !askToSaveChanges(&TForm1::Save1Click)) {
        return;
    }
    const std::optional<QString> chosen = platform().getOpenFileName(quizFileDialog());
    if (!chosen) {
        return;
    }
    OpenQuizFile(*chosen);
}

bool TForm1::OpenQuizFile(const QString& name) {
    // A relative name (from the command line) is made absolute now, against the folder current at
    // start-up: the file dialogs change the current folder later, and Save, the picture chooser's
    // copy and Create Html must still find this file's folder.
    const QString path = name.isEmpty() ? name : QFileInfo(name).absoluteFilePath();
    document_.ResetQuiz();
    DisableEditor();
    try {
        ReadQuizFile(quiz(), localPath(path));
    } catch (const std::exception& error) {
        showErrorOf(error);
        enterNoQuizState();
        return false;
    }
    setFileCommandsEnabled(true);
    setHtmlMenuEnabled(true);
    createbtn->setEnabled(true);
    setPreviewEnabled(false);
    QuizFileName = path;
    setCaptionFromFileName();
    // The quiz just opened has no unsaved or unstored changes; cleared before the editor starts,
    // so that the buttons it refreshes show a clean question.
    QuizChanged = false;
    QuestionChanged = false;
    BeginEditing();
    return true;
}

void TForm1::enterNoQuizState() {
    // The emptied document belongs to no file: nothing can be saved over the quiz held before.
    QuizFileName.clear();
    HtmlFileName.clear();
    setWindowTitle(QStringLiteral("Tamberlin Free"));
    setFileCommandsEnabled(false);
    setHtmlMenuEnabled(false);
    createbtn->setEnabled(false);
    setPreviewEnabled(false);
    QuizChanged = false;
    QuestionChanged = false;
    // The editor's own commands have nothing to work on.
    for (QToolButton* button : {FirstBtn, PrevBtn, NextBtn, LastBtn, PostBtn, ClearBtn}) {
        button->setEnabled(false);
    }
    for (QAction* item :
         {ClearQ, PostQuestion1, FirstQuestion1, PrevQuestion1, NextQuestion, LastQuestion1}) {
        item->setEnabled(false);
    }
    InsertImgBtn->setEnabled(false);
    ClearImgBtn->setEnabled(false);
}

// ---- Publishing -------------------------------------------------------------------------------

void TForm1::Create1Click() {
    CreateDialogs();
    // The page is named after the quiz file, so the quiz needs one; a failed save ends the
    // command, a cancelled one is asked again by Apply's save.
    if (QuizFileName.isEmpty() && !SaveAs1Click() && lastSaveFailed_) {
        return;
    }
    // Apply stores the page look, saves the quiz and rebuilds the BODY attributes; when the quiz
    // could not be saved no page is written.
    if (!NewHtml->ApplyBtnClick() || QuizFileName.isEmpty()) {
        return;
    }
    const PublishResult published =
        PublishQuiz(quiz(),
                    PageInputs{NewHtml->BodyAttributes(), NewHtml->titleFontChecked(),
                               NewHtml->questionFontChecked(), NewHtml->choiceFontChecked()},
                    localPath(QuizFileName));
    HtmlFileName = QFile::decodeName(QByteArray::fromStdString(published.pagePath));
    scriptmemo->setPlainText(FromCodePage(published.page));
    if (published.error) {
        showErrorOf(*published.error);
        return;
    }
    platform().showMessage(QStringLiteral("The HTML file ") + HtmlFileName +
                           QStringLiteral(" has been created."));
    PageCreated(HtmlFileName);
}

void TForm1::Preview1Click() {
    OpenThroughShell(HtmlFileName, StartFolder);
}

} // namespace tamberlin
