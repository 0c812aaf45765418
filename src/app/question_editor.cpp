// The question editor of the main window: one question slot shown in the boxes, stored back on
// request, with the length and answer checks run as the author types.

#include "app/main_window.h"

#include "pictures/picture_loading.h"
#include "platform/platform.h"
#include "qtbridge/qt_text.h"
#include "widgets/picture_box.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QToolButton>

namespace tamberlin {

QLineEdit* TForm1::choiceBox(int k) const {
    QLineEdit* boxes[] = {Edit1, Edit2, Edit3, Edit4, Edit5};
    return boxes[k];
}

QLabel* TForm1::choiceLabel(int k) const {
    QLabel* labels[] = {Label1, Label2, Label3, Label4, Label5};
    return labels[k];
}

void TForm1::setBoxColour(QWidget* box, bool white) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, white ? QColor(Qt::white) : palette.color(QPalette::Button));
    box->setPalette(palette);
}

// The document's raw text keeps every character (a plain-text copy would turn a non-breaking
// space into a blank); its line and paragraph separators are the line breaks.
QString TForm1::memoShownLines() const {
    QString text = Memo1->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

// The question box shows line breaks; the quiz block holds them as CR LF pairs.
QString TForm1::memoText() const {
    if (!memoEditedByAuthor_) {
        return memoSetText_;
    }
    QString text = memoShownLines();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

void TForm1::setMemoText(const QString& text) {
    memoSetText_ = text;
    memoEditedByAuthor_ = false;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (memoShownLines() != shown) {
        programSetsMemo_ = true;
        Memo1->setPlainText(shown);
        programSetsMemo_ = false;
    }
}

void TForm1::EnableEditor() {
    setMemoText(QString());
    Memo1->setEnabled(true);
    setBoxColour(Memo1, true);
    setBoxColour(qpicaddress, true);
    qpicaddress->setEnabled(true);
    Image1->clearPicture();
    for (int k = 0; k < kMaxChoices; ++k) {
        if (session_->choiceInUse(k)) {
            choiceBox(k)->clear();
            setBoxColour(choiceBox(k), true);
            choiceBox(k)->setEnabled(true);
        }
    }
    Edit6->clear();
    setBoxColour(Edit6, true);
    Edit6->setEnabled(true);
    for (int k = 0; k < kMaxChoices; ++k) {
        if (session_->choiceInUse(k)) {
            choiceLabel(k)->setEnabled(true);
        }
    }
    for (QLabel* label : {Label6, Label7, Label8, Label9}) {
        label->setEnabled(true);
    }
}

void TForm1::DisableEditor() {
    const UpdatingGuard updating(*this);
    qpicaddress->clear();
    qpicaddress->setEnabled(false);
    Image1->clearPicture();
    QLineEdit* boxes[] = {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6};
    for (QLineEdit* box : boxes) {
        box->clear();
    }
    for (QLineEdit* box : boxes) {
        setBoxColour(box, false);
    }
    for (QLineEdit* box : boxes) {
        box->setEnabled(false);
    }
    setMemoText(QString());
    Memo1->setEnabled(false);
    setBoxColour(Memo1, false);
    for (QLabel* label : {Label1, Label2, Label3, Label4, Label5, Label6, Label7}) {
        label->setEnabled(false);
    }
    Label8->clear();
    Label9->setText(QStringLiteral("Quiz Title:"));
    Label9->setEnabled(false);
}

void TForm1::BeginEditing() {
    EnableEditor();
    ShowQuestion(0);
    try {
        LoadHtmlPreferences();
    } catch (...) {
        // The preferences dialog's loading errors are ignored here.
    }
}

void TForm1::ShowQuestion(int n) {
    const UpdatingGuard updating(*this);
    const TQuizRec& block = quiz();
    const TQuestionRec& question = session_->slot(n);
    Label9->setText(QStringLiteral("Quiz Title: ") + FromCodePage(block.Title));
    Label8->setText(QString::number(n + 1) + QStringLiteral(" of ") +
                    QString::number(block.QuestionCount));
    // The question's texts and the navigation come first, so that an error about its picture
    // is shown over the question it concerns.
    qpicaddress->setText(FromCodePage(question.PicAddress));
    setMemoText(FromCodePage(question.QuestionText));
    for (int k = 0; k < kMaxChoices; ++k) {
        choiceBox(k)->setText(FromCodePage(question.choice(k)));
    }
    Edit6->setText(FromCodePage(question.Answer));
    RefreshEditButtons();
    if (!qpicaddress->text().isEmpty()) {
        const LoadedPicture loaded = LoadPictureForWindow(qpicaddress->text());
        if (loaded.ok()) {
            Image1->setPicture(loaded.image);
            Image1->setEnabled(true);
        } else {
            // Only the picture is missing; Clear Image stays available to remove the address.
            Image1->clearPicture();
            Image1->setEnabled(false);
            platform().showError(loaded.error);
        }
        ClearImgBtn->setEnabled(true);
    } else {
        Image1->clearPicture();
        Image1->setEnabled(false);
        ClearImgBtn->setEnabled(false);
    }
}

void TForm1::Memo1KeyDown() {
    session_->markQuestionChanged();
}

void TForm1::authorEdited() {
    session_->markQuestionChanged();
    RefreshEditButtons();
}

QuestionEntry TForm1::editedQuestion() const {
    QuestionEntry entry;
    entry.questionText = ToCodePage(memoText());
    entry.picAddress = ToCodePage(qpicaddress->text());
    for (int k = 0; k < kMaxChoices; ++k) {
        entry.choices[static_cast<std::size_t>(k)] = ToCodePage(choiceBox(k)->text());
    }
    entry.answer = ToCodePage(Edit6->text());
    return entry;
}

void TForm1::focusField(EntryField field) {
    if (field == EntryField::Answer) {
        Edit6->setFocus();
    } else if (field != EntryField::None) {
        choiceBox(static_cast<int>(field) - static_cast<int>(EntryField::ChoiceA))->setFocus();
    }
}

void TForm1::Memo1Change() {
    session_->CheckLengths();
    RefreshEditButtons();
}

void TForm1::Edit6Change() {
    if (!Updating) {
        // Raised before the message, so that emptying the box checks nothing again.
        const UpdatingGuard updating(*this);
        if (!session_->CheckAnswer(ToCodePage(Edit6->text()))) {
            Edit6->clear();
        }
    }
    RefreshEditButtons();
}

void TForm1::PostBtnClick() {
    // The session checks every field before it copies any; a store that stops changes nothing
    // in the slot.
    if (session_->Store().stored) {
        RefreshEditButtons();
    }
}

void TForm1::ClearBtnClick() {
    // Only Yes clears: No, Escape and the close box all leave the boxes as they are.
    session_->Clear([this] {
        const UpdatingGuard updating(*this);
        Image1->clearPicture();
        qpicaddress->clear();
        ClearImgBtn->setEnabled(false);
        setMemoText(QString());
        for (QLineEdit* box : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6}) {
            box->clear();
        }
    });
}

void TForm1::showCurrentQuestion() {
    ShowQuestion(session_->currentQuestion());
}

void TForm1::FirstBtnClick() {
    if (session_->First()) {
        showCurrentQuestion();
    }
}

void TForm1::PrevBtnClick() {
    if (session_->Previous()) {
        showCurrentQuestion();
    }
}

void TForm1::NextBtnClick() {
    if (session_->Next()) {
        showCurrentQuestion();
    }
}

void TForm1::LastBtnClick() {
    if (session_->Last()) {
        showCurrentQuestion();
    }
}

} // namespace tamberlin
