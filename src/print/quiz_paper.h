#pragma once

#include "document/quiz.h"

#include <QImage>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class QPagedPaintDevice;

namespace tamberlin {

// Where the answer key goes: on its own page after the questions, in a second file, or nowhere.
enum class KeyPlacement { End, Separate, None };

// One question as it is printed: texts in Unicode, the choices in the form's order.
struct PaperQuestion {
    int quizNumber = 0;  // its number in the quiz's own order (1 = the first slot)
    QString text;        // line breaks as "\n"
    QString pictureName; // the picture's file name as the quiz names it; empty for none
    QImage picture;      // null when there is none or it cannot be loaded
    QStringList choices;
    int right = -1; // the printed position of the right choice; -1 when the quiz names none
};

// One form of the paper: what its pages show.
struct Paper {
    QString title;
    QString titleFace; // the font family of the title; empty for the body's
    QString form;      // "B"; empty when the quiz is printed as a single form
    std::uint64_t seed = 0;
    std::vector<PaperQuestion> questions;
};

// The papers of one printing and what the teacher should know about them (pictures that cannot
// be loaded, questions without a right answer, damaged counts), one note a line.
struct PaperSet {
    std::vector<Paper> forms;
    QStringList notes;
};

// Loads the picture file at path: the image, or a null image and the reason in *error. The
// program passes its picture loader.
using PaperPictureLoader = std::function<QImage(const QString& path, QString* error)>;

// Prepares formCount forms of the quiz (1 for the quiz's own order). Texts come through the
// system code page. A picture named by a bare file name is looked for beside the quiz file first
// (quizFileName; empty when the quiz has none), then in the current folder, and loaded once with
// loadPicture; a picture that cannot be loaded is printed as a framed note naming it and listed
// in the notes.
PaperSet PreparePapers(const TQuizRec& quiz, const QString& quizFileName, int formCount,
                       std::uint64_t seed, const PaperPictureLoader& loadPicture);

// What to paint of a paper and which pages: wanted(n) (n from 1) false skips page n, as a print
// dialog's page range asks.
struct PaperRendering {
    bool questions = true;
    bool key = true;
    std::function<bool(int page)> wanted;
};

// Paints the paper on device: the title, a line for the name and the date and the numbered
// questions, none split across two pages, then (when asked) the answer key on a page of its
// own; "Page N of M" at the foot of every page. Returns the number of pages.
int RenderPaper(QPagedPaintDevice& device, const std::vector<Paper>& papers,
                const PaperRendering& rendering);

// The number of pages RenderPaper gives on paper of this size, without painting.
int CountPaperPages(const QPageSize& size, const std::vector<Paper>& papers,
                    const PaperRendering& rendering);

// Writes a PDF of the given paper size: paint runs on the writer and the file replaces the
// one at path only when it is complete. Returns the error, empty on success.
QString WritePaperPdf(const QString& path, const QPageSize& size, const QString& title,
                      const std::function<void(QPagedPaintDevice&)>& paint);

// A4, or Letter where the user's locale measures in US units.
QPageSize DefaultPaperSize();

// The margins of every page.
QMarginsF PaperMargins();

} // namespace tamberlin
