// The question editor of the main window: one question slot shown in the boxes, stored back on
// request, with the length and answer checks run as the author types.

#include "app/main_window.h"

#include "pictures/picture_loading.h"
#include "platform/platform.h"
#include "qtbridge/qt_paths.h"
#include "qtbridge/qt_text.h"
#include "widgets/picture_box.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QToolButton>

namespace tamberlin {

namespace {

// The most the question text and each choice take, in bytes of the code page.
constexpr int kMaxQuestionTextLength =
    static_cast<int>(decltype(TQuestionRec::QuestionText)::capacity);
constexpr int kMaxChoiceTextLength = static_cast<int>(decltype(TQuestionRec::ChoiceA)::capacity);

} // namespace

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
        // Found beside the quiz file first, where the page finds it, then in the current folder.
        const LoadedPicture loaded =
            LoadPictureForWindow(ResolvePictureAddress(qpicaddress->text(), quizFileName()));
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

int TForm1::textLimit(const QObject* box) const {
    if (box == Memo1) {
        return kMaxQuestionTextLength;
    }
    for (int k = 0; k < kMaxChoices; ++k) {
        if (box == choiceBox(k)) {
            return kMaxChoiceTextLength;
        }
    }
    return 0;
}

int TForm1::measuredLength(const QObject* box, const QString& text) const {
    QString stored = text;
    if (box == Memo1) {
        stored.replace(u'\n', QStringLiteral("\r\n"));
    }
    return static_cast<int>(ToCodePage(stored).size());
}

void TForm1::tellLimit(const QObject* box) {
    if (limitTold_.contains(box)) {
        return;
    }
    limitTold_.insert(box);
    platform().showMessage(box == Memo1 ? QStringLiteral("Only 255 characters allowed!")
                                        : QStringLiteral("Only 250 characters allowed"));
}

bool TForm1::refuseKeyPastLimit(QWidget* box, const QKeyEvent* event) {
    const int limit = textLimit(box);
    if (limit == 0 || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0) {
        return false;
    }
    QString typed = event->text();
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (box == Memo1 && lineBreak) {
        typed = QStringLiteral("\n");
    } else if (typed.isEmpty() || !typed.at(0).isPrint()) {
        return false;
    }
    QString current;
    QString selected;
    if (box == Memo1) {
        current = memoShownLines();
        selected = Memo1->textCursor().selectedText();
        selected.replace(QChar::ParagraphSeparator, u'\n');
    } else {
        auto* line = static_cast<QLineEdit*>(box);
        current = line->text();
        selected = line->selectedText();
    }
    const int after =
        measuredLength(box, current) - measuredLength(box, selected) + measuredLength(box, typed);
    if (after <= limit) {
        return false;
    }
    tellLimit(box);
    return true;
}

bool TForm1::acceptCharactersLost() {
    struct Box {
        QWidget* box;
        QString name;
        QString text;
    };
    QList<Box> boxes = {{Memo1, QStringLiteral("The question"), memoShownLines()}};
    for (int k = 0; k < kMaxChoices; ++k) {
        if (session_->choiceInUse(k)) {
            boxes.append({choiceBox(k),
                          QStringLiteral("Choice ") + QChar::fromLatin1(ChoiceLetter(k)),
                          choiceBox(k)->text()});
        }
    }
    QStringList named;
    QString characters;
    QWidget* first = nullptr;
    for (const Box& box : boxes) {
        const QString outside = CharactersOutsideCodePage(box.text);
        if (outside.isEmpty()) {
            continue;
        }
        first = first != nullptr ? first : box.box;
        // Only the first name starts the sentence; a choice keeps its capital letter.
        named << (named.isEmpty() ? box.name
                                  : QString(box.name).replace(0, 1, box.name.at(0).toLower()));
        for (const char32_t c : outside.toUcs4()) {
            const QString one = QString::fromUcs4(&c, 1);
            if (!characters.contains(one)) {
                characters += one;
            }
        }
    }
    if (first == nullptr) {
        return true;
    }
    QStringList listed;
    for (const char32_t c : characters.toUcs4()) {
        listed << QString::fromUcs4(&c, 1);
    }
    const QString who = named.size() == 1
                            ? named.constFirst() + QStringLiteral(" has")
                            : named.mid(0, named.size() - 1).join(QStringLiteral(", ")) +
                                  QStringLiteral(" and ") + named.constLast() +
                                  QStringLiteral(" have");
    const QString text =
        who + QStringLiteral(" characters that can't be stored in the quiz (%1); each "
                             "would be stored as \"?\". Store the question anyway?")
                  .arg(listed.join(QStringLiteral(", ")));
    if (platform().confirm(text, Platform::Buttons::YesNo) == Platform::Answer::Yes) {
        return true;
    }
    first->setFocus();
    return false;
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
