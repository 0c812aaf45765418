#include "app/main_window.h"

#include "app/help.h"
#include "dialogs/newhtml.h"
#include "dialogs/picform.h"
#include "dialogs/picture_dialog.h"
#include "dialogs/qsetup.h"
#include "dialogs/splash.h"
#include "pictures/picture_loading.h"
#include "platform/platform.h"
#include "qtbridge/qt_paths.h"
#include "qtbridge/qt_text.h"
#include "widgets/controls.h"
#include "widgets/picture_box.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QToolButton>
#include <QValidator>

#include <algorithm>

// The window's pictures live in a static library: referencing them keeps them linked in.
static void InitDesktopResources() {
    Q_INIT_RESOURCE(desktop);
}

namespace tamberlin {

namespace {

constexpr int kClientWidth = 569;
constexpr int kClientHeight = 494;

// The client area: paints the background picture through the window's FormPaint.
class ClientArea : public QWidget {
public:
    ClientArea(QWidget* parent, std::function<void(QWidget*)> paint)
        : QWidget(parent), paint_(std::move(paint)) {}

protected:
    void paintEvent(QPaintEvent*) override { paint_(this); }

private:
    std::function<void(QWidget*)> paint_;
};

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QToolButton* flatButton(QWidget* parent, const char* name, QRect rect) {
    return widgets::FlatToolButton(parent, QString::fromLatin1(name), QString(), rect);
}

QToolButton* pictureButton(QWidget* parent, const char* name, const char* picture, QRect rect) {
    QToolButton* button = flatButton(parent, name, rect);
    button->setIcon(
        QIcon(QStringLiteral(":/app/") + QString::fromLatin1(picture) + QStringLiteral(".png")));
    button->setIconSize(QSize(24, 24));
    return button;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y) {
    QLabel* result = widgets::Caption(parent, QString::fromLatin1(name), text, {x, y});
    result->setTextFormat(Qt::PlainText);
    result->adjustSize();
    return result;
}

QLineEdit* lineBox(QWidget* parent, const char* name, QRect rect) {
    return widgets::LineBox(parent, QString::fromLatin1(name), rect);
}

QFrame* bevel(QWidget* parent, const char* name, QRect rect, QFrame::Shape shape) {
    return widgets::Bevel(parent, QString::fromLatin1(name), rect, shape | QFrame::Sunken);
}

// Turns letters typed into the answer box into capitals. On a Greek or Cyrillic keyboard the
// capitals that look like A to E (Greek Alpha, Beta, Epsilon; Cyrillic A, Ve, Es, Ie) are
// taken as the Latin letters they look like.
class CapitalsValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        for (QChar& c : input) {
            switch (c.unicode()) {
            case 0x0391: // Greek Alpha
            case 0x0410: // Cyrillic A
                c = u'A';
                break;
            case 0x0392: // Greek Beta
            case 0x0412: // Cyrillic Ve
                c = u'B';
                break;
            case 0x0421: // Cyrillic Es
                c = u'C';
                break;
            case 0x0395: // Greek Epsilon
            case 0x0415: // Cyrillic Ie
                c = u'E';
                break;
            default:
                break;
            }
        }
        return Acceptable;
    }
};

} // namespace

QImage DecodeBackgroundPicture(const QByteArray& jpegBytes) {
    return LoadPictureData(jpegBytes, QStringLiteral("jpg")).image;
}

// ---- The questions the session asks -----------------------------------------------------

namespace {

Platform::FileDialogOptions quizFileDialog() {
    Platform::FileDialogOptions options;
    options.filter = QStringLiteral("Tamberlin files (*.qvt)|*.qvt");
    options.defaultExtension = QStringLiteral("qvt");
    options.fileMustExist = false;
    return options;
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// What the session asks and shows, through the platform seam and the window's boxes.
class TForm1::Prompts : public SessionPrompts {
public:
    explicit Prompts(TForm1& form) : form_(form) {}

    Answer confirm(std::string_view text, Buttons buttons) override {
        switch (platform().confirm(fromUtf8(text), buttons == Buttons::YesNo
                                                       ? Platform::Buttons::YesNo
                                                       : Platform::Buttons::YesNoCancel)) {
        case Platform::Answer::Yes:
            return Answer::Yes;
        case Platform::Answer::No:
            return Answer::No;
        case Platform::Answer::Cancel:
            break;
        }
        return Answer::Cancel;
    }
    void showMessage(std::string_view text) override { platform().showMessage(fromUtf8(text)); }
    void showError(std::string_view message) override {
        platform().showError(
            QString::fromLocal8Bit(message.data(), static_cast<qsizetype>(message.size())));
    }
    std::optional<std::string> chooseQuizFileToSave() override {
        return ToLocalPath(platform().getSaveFileName(quizFileDialog()));
    }
    std::optional<std::string> chooseQuizFileToOpen() override {
        return ToLocalPath(platform().getOpenFileName(quizFileDialog()));
    }
    std::optional<std::string> chooseQuestionBank() override {
        return ToLocalPath(platform().getOpenFileName(BankOpenDialog()));
    }
    std::optional<int> choose(std::string_view text,
                              const std::vector<std::string>& options) override {
        QStringList buttons;
        for (const std::string& option : options) {
            buttons << QString::fromStdString(option);
        }
        return platform().choose(fromUtf8(text), buttons);
    }
    QuestionEntry editedQuestion() override { return form_.editedQuestion(); }
    void focusField(EntryField field) override { form_.focusField(field); }
    bool acceptCharactersLost() override { return form_.acceptCharactersLost(); }
    void stateChanged() override { form_.sessionChanged(); }

private:
    TForm1& form_;
};

// ---- TForm1: layout --------------------------------------------------------------------------

TForm1::TForm1(const QString& commandLineFile, QWidget* parent)
    : QMainWindow(parent), prompts_(std::make_unique<Prompts>(*this)),
      session_(std::make_unique<QuizSession>(*prompts_)) {
    InitDesktopResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tamberlin Free"));
    // Fixed single border: a system menu and a minimise box, no maximise box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/app/tamberlin.png")));
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    setFont(font);

    buildControls();
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    FormCreate(commandLineFile);
}

TForm1::~TForm1() = default;

void TForm1::buildControls() {
    auto* client = new ClientArea(this, [this](QWidget* area) { FormPaint(area); });
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    Panel1 = named(new QFrame(client), "Panel1");
    static_cast<QFrame*>(Panel1)->setFrameShape(QFrame::Panel);
    static_cast<QFrame*>(Panel1)->setFrameShadow(QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    Panel1->setGeometry(0, 0, kClientWidth, 41);
    FirstBtn = pictureButton(Panel1, "FirstBtn", "first", {4, 4, 49, 33});
    PrevBtn = pictureButton(Panel1, "PrevBtn", "prev", {56, 4, 49, 33});
    PrevBtn->setToolTip(QStringLiteral("Previous Question"));
    NextBtn = pictureButton(Panel1, "NextBtn", "next", {108, 4, 49, 33});
    NextBtn->setToolTip(QStringLiteral("Next Question"));
    LastBtn = pictureButton(Panel1, "LastBtn", "last", {160, 4, 49, 33});
    PostBtn = pictureButton(Panel1, "PostBtn", "store", {212, 4, 53, 33});
    PostBtn->setToolTip(QStringLiteral("Store Question"));
    ClearBtn = pictureButton(Panel1, "ClearBtn", "clear", {268, 4, 57, 33});
    ClearBtn->setToolTip(QStringLiteral("Clear Question"));
    SpeedButton3 = pictureButton(Panel1, "SpeedButton3", "close", {472, 4, 93, 33});
    SpeedButton3->setText(QStringLiteral("Close"));
    SpeedButton3->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    Bevel2 = bevel(client, "Bevel2", {28, 37, 473, 2}, QFrame::HLine);
    Label9 = named(new QLabel(QStringLiteral("Quiz Title:"), client), "Label9");
    Label9->setGeometry(0, 41, kClientWidth, 33);
    Label9->setAlignment(Qt::AlignCenter);
    // The title is the author's text: markup in it is shown, never rendered.
    Label9->setTextFormat(Qt::PlainText);
    QFont titleFont(QStringLiteral("Sans Serif"));
    titleFont.setStyleHint(QFont::SansSerif);
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    Label9->setFont(titleFont);

    QFont bold = font();
    bold.setBold(true);
    Label7 = label(client, "Label7", QStringLiteral("Question No."), 12, 84);
    Label8 = label(client, "Label8", QString(), 96, 84);
    Label8->setFont(bold);
    Label8->resize(200, Label7->height());
    Memo1 = named(new QPlainTextEdit(client), "Memo1");
    Memo1->setGeometry(12, 104, 425, 113);
    Memo1->setTabChangesFocus(true);
    Label10 = label(client, "Label10", QStringLiteral("Image Filename"), 12, 232);
    qpicaddress = lineBox(client, "qpicaddress", {12, 256, 421, 24});

    Bevel3 = bevel(client, "Bevel3", {444, 104, 113, 113}, QFrame::Box);
    Image1 = named(new widgets::PictureBox(client), "Image1");
    Image1->setGeometry(448, 108, 105, 105);
    Image1->setToolTip(QStringLiteral("Click to enlarge image"));
    Image1->setEnabled(false);
    InsertImgBtn = flatButton(client, "InsertImgBtn", {444, 224, 113, 26});
    InsertImgBtn->setText(QStringLiteral("Insert Image"));
    ClearImgBtn = flatButton(client, "ClearImgBtn", {444, 256, 113, 25});
    ClearImgBtn->setText(QStringLiteral("Clear Image"));
    ClearImgBtn->setEnabled(false);

    Bevel1 = bevel(client, "Bevel1", {12, 292, 545, 2}, QFrame::HLine);
    const char* letterNames[] = {"Label1", "Label2", "Label3", "Label4", "Label5"};
    const char* boxNames[] = {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5"};
    QLabel** letters[] = {&Label1, &Label2, &Label3, &Label4, &Label5};
    QLineEdit** boxes[] = {&Edit1, &Edit2, &Edit3, &Edit4, &Edit5};
    for (int k = 0; k < kMaxChoices; ++k) {
        *letters[k] = label(client, letterNames[k], QString(QChar::fromLatin1(ChoiceLetter(k))), 12,
                            308 + 28 * k);
        (*letters[k])->setFont(bold);
        *boxes[k] = lineBox(client, boxNames[k], {32, 304 + 28 * k, 525, 24});
    }
    Label6 = label(client, "Label6", QStringLiteral("Solution is "), 32, 456);
    Edit6 = lineBox(client, "Edit6", {104, 452, 25, 24});
    Edit6->setMaxLength(1);
    Edit6->setValidator(new CapitalsValidator(Edit6));

    createbtn = flatButton(client, "createbtn", {356, 448, 101, 33});
    createbtn->setText(QStringLiteral("Create HTML"));
    PreviewBtn = flatButton(client, "PreviewBtn", {460, 448, 97, 33});
    PreviewBtn->setText(QStringLiteral(" Preview"));

    // Hidden: the background picture as laid out.
    Image2 = named(new QLabel(client), "Image2");
    Image2->hide();

    // Tab order: Memo1, qpicaddress, Edit1..Edit6 (the flat buttons take no focus).
    QWidget* order[] = {Memo1, qpicaddress, Edit1, Edit2, Edit3, Edit4, Edit5, Edit6};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    // The boxes are watched for keys that would carry a text past its limit.
    for (QWidget* box : order) {
        box->installEventFilter(this);
    }
    // An edit the author makes that changes a box's text marks the question changed, the
    // picture address included (so that a typed address is never dropped without the "Save
    // changes?" question): typing, a paste or a drop with the mouse, the context menu, text
    // committed by an input method. Keys that change no text (Alt, Ctrl, arrows, Escape) and
    // the program's own changes of the boxes do not. Connected before the change handlers, so
    // that their refresh sees the flag.
    for (QLineEdit* box : {qpicaddress, Edit1, Edit2, Edit3, Edit4, Edit5, Edit6}) {
        connect(box, &QLineEdit::textEdited, this, [this, box] {
            if (box->text() != lastText_.value(box)) {
                authorEdited();
            }
        });
    }
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] {
        if (!programSetsMemo_ && memoShownLines() != lastText_.value(Memo1)) {
            memoEditedByAuthor_ = true;
            authorEdited();
        }
    });
    watchText(
        Memo1, [this] { return memoShownLines(); }, &TForm1::Memo1Change);
    watchText(
        qpicaddress, [this] { return qpicaddress->text(); }, &TForm1::Memo1Change);
    for (QLineEdit* box : {Edit1, Edit2, Edit3, Edit4, Edit5}) {
        watchText(
            box, [box] { return box->text(); }, &TForm1::Memo1Change);
    }
    watchText(
        Edit6, [this] { return Edit6->text(); }, &TForm1::Edit6Change);

    connect(FirstBtn, &QToolButton::clicked, this, [this] { FirstBtnClick(); });
    connect(PrevBtn, &QToolButton::clicked, this, [this] { PrevBtnClick(); });
    connect(NextBtn, &QToolButton::clicked, this, [this] { NextBtnClick(); });
    connect(LastBtn, &QToolButton::clicked, this, [this] { LastBtnClick(); });
    connect(PostBtn, &QToolButton::clicked, this, [this] { PostBtnClick(); });
    connect(ClearBtn, &QToolButton::clicked, this, [this] { ClearBtnClick(); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
    connect(createbtn, &QToolButton::clicked, this, [this] { Create1Click(); });
    connect(PreviewBtn, &QToolButton::clicked, this, [this] { Preview1Click(); });
    connect(InsertImgBtn, &QToolButton::clicked, this, [this] { InsertImgBtnClick(); });
    connect(ClearImgBtn, &QToolButton::clicked, this, [this] { ClearImgBtnClick(); });
    connect(Image1, &widgets::PictureBox::pressed, this, [this] { Image1MouseDown(); });
}

void TForm1::buildMenus() {
    auto action = [this](QMenu* menu, const char* name, const QString& caption,
                         void (TForm1::*handler)()) {
        QAction* item = menu->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
        if (handler != nullptr) {
            connect(item, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        }
        return item;
    };
    auto menu = [this](const char* name, const QString& caption) {
        QMenu* result = menuBar()->addMenu(caption);
        result->setObjectName(QString::fromLatin1(name));
        // The menu's own item carries the name too, for finding it among the actions.
        result->menuAction()->setObjectName(QString::fromLatin1(name));
        return result;
    };

    File1 = menu("File1", QStringLiteral("&File"));
    New1 = action(File1, "New1", QStringLiteral("&New"), &TForm1::New1Click);
    Open1 = action(File1, "Open1", QStringLiteral("&Open..."), &TForm1::Open1Click);
    ImportQuestions1 = action(File1, "ImportQuestions1", QStringLiteral("&Import Questions..."),
                              &TForm1::ImportQuestions1Click);
    ExportQuestions1 = action(File1, "ExportQuestions1", QStringLiteral("&Export Questions..."),
                              &TForm1::ExportQuestions1Click);
    Save1 = action(File1, "Save1", QStringLiteral("&Save"), nullptr);
    connect(Save1, &QAction::triggered, this, [this] { Save1Click(); });
    SaveAs1 = action(File1, "SaveAs1", QStringLiteral("Save As..."), nullptr);
    connect(SaveAs1, &QAction::triggered, this, [this] { SaveAs1Click(); });
    File1->addSeparator();
    Print1 = action(File1, "Print1", QStringLiteral("&Print..."), &TForm1::Print1Click);
    Print1->setShortcut(QKeySequence::Print);
    ExportPdf1 =
        action(File1, "ExportPdf1", QStringLiteral("Export P&DF..."), &TForm1::ExportPdf1Click);
    File1->addSeparator();
    Exit1 = action(File1, "Exit1", QStringLiteral("E&xit"), &TForm1::Exit1Click);
    New1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Save1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    SaveAs1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    Script1 = menu("Script1", QStringLiteral("&HTML"));
    HtmlOptions1 = action(Script1, "HtmlOptions1", QStringLiteral("&Html Options"),
                          &TForm1::HtmlOptions1Click);
    Create1 = action(Script1, "Create1", QStringLiteral("&Create Html"), &TForm1::Create1Click);
    Preview1 = action(Script1, "Preview1", QStringLiteral("&Preview Html"), &TForm1::Preview1Click);
    Script1->addSeparator();
    ExportScorm1 = action(Script1, "ExportScorm1",
                          QStringLiteral("Export for &Learning Platform (SCORM)\u2026"),
                          &TForm1::ExportScorm1Click);

    Quiz1 = menu("Quiz1", QStringLiteral("&Quiz"));
    ClearQ = action(Quiz1, "ClearQ", QStringLiteral("&Clear Question"), &TForm1::ClearBtnClick);
    PostQuestion1 = action(Quiz1, "PostQuestion1", QStringLiteral("&Post Question"), nullptr);
    connect(PostQuestion1, &QAction::triggered, this, [this] { PostBtnClick(); });
    Quiz1->addSeparator();
    FirstQuestion1 =
        action(Quiz1, "FirstQuestion1", QStringLiteral("&First Question "), &TForm1::FirstBtnClick);
    PrevQuestion1 =
        action(Quiz1, "PrevQuestion1", QStringLiteral("Pre&vious Question"), &TForm1::PrevBtnClick);
    NextQuestion =
        action(Quiz1, "NextQuestion", QStringLiteral("&Next Question"), &TForm1::NextBtnClick);
    LastQuestion1 =
        action(Quiz1, "LastQuestion1", QStringLiteral("&Last Question"), &TForm1::LastBtnClick);
    Quiz1->addSeparator();
    Setup = action(Quiz1, "Setup", QStringLiteral("&Setup"), nullptr);
    connect(Setup, &QAction::triggered, this, [this] { SetupClick(); });
    CheckQuiz1 =
        action(Quiz1, "CheckQuiz1", QStringLiteral("Chec&k Quiz"), &TForm1::CheckQuiz1Click);
    // Keys that the text boxes leave alone: Ctrl+Return stores, Ctrl+Page Up and Page Down move
    // by one question, with Shift to the first and the last.
    PostQuestion1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    FirstQuestion1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageUp));
    PrevQuestion1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    NextQuestion->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    LastQuestion1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageDown));

    Help1 = menu("Help1", QStringLiteral("H&elp"));
    HelponTamberlin1 = action(Help1, "HelponTamberlin1", QStringLiteral("Help on &Tamberlin"),
                              &TForm1::HelponTamberlin1Click);
    About1 = action(Help1, "About1", QStringLiteral("&About"), &TForm1::About1Click);

    UpdateCommands();
}

void TForm1::watchText(QWidget* box, std::function<QString()> text, void (TForm1::*handler)()) {
    lastText_.insert(box, text());
    auto fire = [this, box, text, handler] {
        const QString now = text();
        const QString before = lastText_.value(box);
        if (now == before) {
            return; // the same text set again: no change
        }
        const int limit = textLimit(box);
        if (limit > 0 && !Updating) {
            const int length = measuredLength(box, now);
            if (length > limit && length > measuredLength(box, before)) {
                // An edit that carried the text past its limit (a paste, a drop) is undone.
                if (auto* line = qobject_cast<QLineEdit*>(box)) {
                    const int cursor = line->cursorPosition() - int(now.size() - before.size());
                    line->setText(before);
                    line->setCursorPosition(std::max(cursor, 0));
                } else {
                    programSetsMemo_ = true;
                    const int cursor =
                        Memo1->textCursor().position() - int(now.size() - before.size());
                    Memo1->setPlainText(before);
                    QTextCursor at = Memo1->textCursor();
                    at.setPosition(std::clamp(cursor, 0, int(before.size())));
                    Memo1->setTextCursor(at);
                    programSetsMemo_ = false;
                }
                tellLimit(box);
                return;
            }
            if (length < limit) {
                limitTold_.remove(box);
            }
        }
        lastText_.insert(box, now);
        (this->*handler)();
    };
    if (auto* memo = qobject_cast<QPlainTextEdit*>(box)) {
        connect(memo, &QPlainTextEdit::textChanged, this, fire);
    } else if (auto* line = qobject_cast<QLineEdit*>(box)) {
        connect(line, &QLineEdit::textChanged, this, fire);
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Only the boxes are watched; a switched-off box takes no keys.
    if (event->type() == QEvent::KeyPress && static_cast<QWidget*>(watched)->isEnabled() &&
        refuseKeyPastLimit(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Which commands work when ----------------------------------------------------------------

void TForm1::UpdateCommands() {
    const QuizSession& s = *session_;
    // A quiz is there once it is set up, opened or started from imported questions.
    const bool quiz = s.editing();
    // Edits in the boxes not yet stored.
    const bool edited = s.questionChanged();
    const int n = s.currentQuestion();
    const bool notFirst = n > 0;
    const bool notLast = s.quiz().QuestionCount != n + 1;

    // New, Open, Import, Exit, Close, Setup, Html Options (within its menu), help and about
    // always work.
    const std::pair<QObject*, bool> table[] = {
        // The file commands and everything that reads the quiz need one.
        {Save1, quiz},
        {SaveAs1, quiz},
        {Script1->menuAction(), quiz},
        {ExportQuestions1, quiz},
        {Print1, quiz},
        {ExportPdf1, quiz},
        {CheckQuiz1, quiz},
        // Publishing takes the questions as stored: not while the boxes hold unstored edits (the
        // menu item's menu is off without a quiz). The first showing of the window holds the
        // button off until the editor's next refresh.
        {Create1, !edited},
        {createbtn, quiz && !edited && !holdCreateButton_},
        // The package holds the published page: it is made whenever the page can be.
        {ExportScorm1, !edited},
        // Preview shows the page Create Html wrote, until the next New or Open.
        {Preview1, s.pagePublished()},
        {PreviewBtn, s.pagePublished()},
        // The editor: Store while there are unstored edits, Clear and pictures on any question.
        {PostBtn, quiz && edited},
        {PostQuestion1, quiz && edited},
        {ClearBtn, quiz},
        {ClearQ, quiz},
        {InsertImgBtn, quiz},
        // Moving: not before the first question nor past the last.
        {FirstBtn, quiz && notFirst},
        {FirstQuestion1, quiz && notFirst},
        {PrevBtn, quiz && notFirst},
        {PrevQuestion1, quiz && notFirst},
        {NextBtn, quiz && notLast},
        {NextQuestion, quiz && notLast},
        {LastBtn, quiz && notLast},
        {LastQuestion1, quiz && notLast},
    };
    for (const auto& [command, on] : table) {
        if (auto* action = qobject_cast<QAction*>(command)) {
            action->setEnabled(on);
        } else {
            static_cast<QWidget*>(command)->setEnabled(on);
        }
    }
    Script1->setEnabled(quiz);
}

void TForm1::RefreshEditButtons() {
    holdCreateButton_ = false;
    UpdateCommands();
}

void TForm1::sessionChanged() {
    // The full path is kept, however long: it is never written to a file. A quiz without a file
    // leaves the caption as it was (New keeps the earlier name until the quiz is saved).
    if (!session_->quizFileName().empty()) {
        setCaptionFromFileName();
    }
    UpdateCommands();
}

void TForm1::setCaptionFromFileName() {
    setWindowTitle(QStringLiteral("Tamberlin - ") + quizFileName());
}

// ---- Start-up, showing, painting, closing ---------------------------------------------------

void TForm1::FormCreate(const QString& commandLineFile) {
    // The session starts with the quiz reset, no file and no changes.
    DisableEditor();
    session_->setStartFolder(ToLocalPath(QDir::currentPath()));

    QFile picture(QStringLiteral(":/app/main_background.jpg"));
    if (picture.open(QIODevice::ReadOnly)) {
        background_ = DecodeBackgroundPicture(picture.readAll());
    }
    Image2->setPixmap(QPixmap::fromImage(background_));

    if (!commandLineFile.isEmpty()) {
        OpenQuizFile(commandLineFile);
    }
}

void TForm1::FormShow() {
    holdCreateButton_ = true;
    UpdateCommands();
    LoadHtmlPreferences();
}

void TForm1::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
    }
    QMainWindow::showEvent(event);
}

void TForm1::FormPaint(QWidget* client) {
    QPainter painter(client);
    painter.fillRect(client->rect(), client->palette().color(QPalette::Button));
    if (!background_.isNull()) {
        painter.drawImage(client->rect(), background_);
    }
}

bool TForm1::FormCloseQuery() {
    return session_->CloseQuery();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::SpeedButton3Click() {
    close();
}

// ---- New and Setup -----------------------------------------------------------------------------

void TForm1::New1Click() {
    // Unstored edits in the boxes count as changes too. Yes shows the save dialog even when the
    // quiz has a file name; cancelling it stops New.
    session_->New([this] {
        DisableEditor();
        return SetupClick();
    });
}

TSplash* TForm1::CreateSplash() {
    if (Splash == nullptr) {
        Splash = new TSplash(this);
    }
    return Splash;
}

void TForm1::CreateDialogs() {
    // The preferences dialog borrows the picture chooser for its background picture, so the
    // chooser object is made first; nothing depends on the order in which they come up.
    if (PictureDialog == nullptr) {
        PictureDialog = new TPictureDialog(this);
    }
    if (NewHtml == nullptr) {
        NewHtml = new TNewHtml(*this, *PictureDialog, this);
    }
    if (qsetup_ == nullptr) {
        qsetup_ = new Tqsetup(*this, this);
    }
    if (PicForm == nullptr) {
        PicForm = new TPicForm(this);
    }
}

bool TForm1::SetupClick() {
    if (!session_->Setup([this] { return runSetupDialog(); })) {
        return false;
    }
    DisableEditor();
    BeginEditing();
    // The author goes on typing the first question: the keyboard is in the question box, and
    // a menu bar armed by the Alt of the dialog's keys is let go.
    activateWindow();
    Memo1->setFocus(Qt::OtherFocusReason);
    menuBar()->setActiveAction(nullptr);
    return true;
}

bool TForm1::runSetupDialog() {
    CreateDialogs();
    return qsetup_->exec() == QDialog::Accepted;
}

// ---- The dialogs' commands --------------------------------------------------------------------

void TForm1::LoadHtmlPreferences() {
    // Before the dialogs exist (a quiz opened from the command line) there is nothing to load;
    // the first showing of the window loads it.
    if (NewHtml != nullptr) {
        NewHtml->LoadFromQuiz();
    }
}

void TForm1::HtmlOptions1Click() {
    CreateDialogs();
    // Apply saves the quiz itself; Cancel and the close box write nothing, so edits not yet
    // saved stay unsaved and the author is still asked about them.
    NewHtml->exec();
}

void TForm1::HelponTamberlin1Click() {
    OpenHelpPage(startFolder(), QCoreApplication::applicationDirPath());
}

void TForm1::About1Click() {
    CreateSplash();
    Splash->exec();
}

void TForm1::InsertImgBtnClick() {
    CreateDialogs();
    const std::optional<QString> address = PictureDialog->choosePicture(quizFileName());
    if (!address) {
        return;
    }
    qpicaddress->setText(*address);
    Image1->setEnabled(true);
    ClearImgBtn->setEnabled(true);
    // A bare name is found beside the quiz file, where the page finds it, else in the current
    // folder, which a Browse has just made the picture's.
    const LoadedPicture loaded =
        LoadPictureForWindow(ResolvePictureAddress(*address, quizFileName()));
    if (!loaded.ok()) {
        // The address and the enabled controls stay; the picture shown before stays too.
        platform().showError(loaded.error);
        return;
    }
    Image1->setPicture(loaded.image);
    session_->markPictureChanged();
    RefreshEditButtons();
}

void TForm1::ClearImgBtnClick() {
    // The buttons keep the state that emptying the address gave them until the next refresh.
    qpicaddress->setText(QString());
    Image1->clearPicture();
    Image1->setEnabled(false);
    ClearImgBtn->setEnabled(false);
    session_->markPictureChanged();
}

void TForm1::Image1MouseDown() {
    if (!Image1->isEnabled()) {
        return;
    }
    CreateDialogs();
    PicForm->ShowPicture(Image1->picture());
}

} // namespace tamberlin
