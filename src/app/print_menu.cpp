// The paper commands of the main window: Print and Export PDF in the File menu. The paper itself
// (forms, layout, key) is the print library's; this file asks for the printer or the file and
// tells the author what came of it.

#include "app/main_window.h"

#include "pictures/picture_loader.h"
#include "platform/platform.h"
#include "print/quiz_paper.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>

#include <optional>

namespace tamberlin {

namespace {

// The quiz printed from the window: its own order, the answer key on a page of its own at the
// end.
PaperRendering questionsAndKey() {
    PaperRendering rendering;
    rendering.questions = true;
    rendering.key = true;
    return rendering;
}

// The wait cursor while the pictures load and the pages are laid out, put back on every way out.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString notesText(const QStringList& notes) {
    return notes.join(u'\n');
}

} // namespace

void TForm1::Print1Click() {
    // What is in the boxes is what the author expects on paper: unstored edits are offered
    // for storing first, as before a move.
    if (!session_->SettlePendingEdits()) {
        return;
    }
    const PaperSet papers = [this] {
        const WaitCursor waiting;
        return PreparePapers(quiz(), quizFileName(), 1, 0, LoadPictureImage);
    }();
    if (!papers.notes.isEmpty() &&
        platform().confirm(notesText(papers.notes) + QStringLiteral("\n\nPrint anyway?"),
                           Platform::Buttons::YesNo) != Platform::Answer::Yes) {
        return;
    }
    Platform::PrintJob job;
    job.documentName = papers.forms.front().title.isEmpty()
                           ? QFileInfo(quizFileName()).completeBaseName()
                           : papers.forms.front().title;
    job.pageCount = CountPaperPages(DefaultPaperSize(), papers.forms, questionsAndKey());
    job.margins = PaperMargins();
    job.paint = [&papers](QPagedPaintDevice& device, const std::function<bool(int)>& wanted) {
        const WaitCursor waiting;
        PaperRendering rendering = questionsAndKey();
        rendering.wanted = wanted;
        RenderPaper(device, papers.forms, rendering);
        return QString();
    };
    const Platform::PrintOutcome outcome = platform().print(job);
    if (outcome.status == Platform::PrintOutcome::Failed) {
        platform().showError(QStringLiteral("The quiz could not be printed: ") + outcome.error);
    }
}

void TForm1::ExportPdf1Click() {
    if (!session_->SettlePendingEdits()) {
        return;
    }
    Platform::FileDialogOptions options;
    options.filter = QStringLiteral("PDF files (*.pdf)|*.pdf");
    options.defaultExtension = QStringLiteral("pdf");
    if (!quizFileName().isEmpty()) {
        options.initialFolder = QFileInfo(quizFileName()).absolutePath();
    }
    const std::optional<QString> chosen = platform().getSaveFileName(options);
    if (!chosen) {
        return;
    }
    std::optional<WaitCursor> waiting(std::in_place);
    const PaperSet papers = PreparePapers(quiz(), quizFileName(), 1, 0, LoadPictureImage);
    const QString error = WritePaperPdf(*chosen, DefaultPaperSize(), papers.forms.front().title,
                                        [&papers](QPagedPaintDevice& device) {
                                            RenderPaper(device, papers.forms, questionsAndKey());
                                        });
    waiting.reset();
    if (!error.isEmpty()) {
        platform().showError(QStringLiteral("Cannot write ") + *chosen + QStringLiteral(": ") +
                             error);
        return;
    }
    QString text = QStringLiteral("The quiz and its answer key were written to ") + *chosen + u'.';
    if (!papers.notes.isEmpty()) {
        text += QStringLiteral("\n\n") + notesText(papers.notes);
    }
    platform().showMessage(text);
}

} // namespace tamberlin
