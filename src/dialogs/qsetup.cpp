#include "dialogs/qsetup.h"

#include "pictures/picture_loader.h"

#include "dialogs/quiz_host.h"
#include "platform/platform.h"
#include "qtbridge/centring.h"
#include "qtbridge/qt_text.h"
#include "widgets/controls.h"
#include "widgets/number_field.h"

#include <QCheckBox>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

// The dialog's resources live in a static library: referencing them keeps them linked in.
static void InitSetupResources() {
    Q_INIT_RESOURCE(dialogs);
}

namespace tamberlin {

// ---- Tqsetup -----------------------------------------------------------------------------

QImage DecodeSetupBackground(const QByteArray& jpegBytes) {
    return LoadPictureData(jpegBytes, QStringLiteral("jpg")).image;
}

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    return widgets::Caption(parent, QString::fromLatin1(name), text, {x, y});
}

QLabel* makeTwoLineLabel(QWidget* parent, const char* name, const QString& text, QRect rect) {
    // The last word goes on the second line.
    QString lines = text;
    lines[lines.lastIndexOf(u' ')] = u'\n';
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // The desktop's sans-serif font may be wider than the layout's: a line that does not fit
    // widens the label around its centre.
    const QFontMetrics metrics(parent->font());
    int widest = 0;
    for (const QString& line : lines.split(u'\n')) {
        widest = std::max(widest, metrics.horizontalAdvance(line) + 6);
    }
    if (widest > rect.width()) {
        rect.adjust(-(widest - rect.width()) / 2, 0, (widest - rect.width() + 1) / 2, 0);
    }
    rect.setHeight(std::max(rect.height(), 2 * metrics.lineSpacing() + 2));
    label->setGeometry(rect);
    return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, QRect rect) {
    return widgets::LineBox(parent, QString::fromLatin1(name), rect);
}

QToolButton* makeFlatButton(QWidget* parent, const char* name, const QString& text,
                            const QColor& colour, QRect rect) {
    // The button takes no focus; its underlined letter (Alt and the letter) presses it.
    QToolButton* button = widgets::FlatToolButton(parent, QString::fromLatin1(name), text, rect);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, colour);
    button->setPalette(palette);
    return button;
}

} // namespace

Tqsetup::Tqsetup(QuizHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    InitSetupResources();
    setObjectName(QStringLiteral("qsetup"));
    setWindowTitle(QStringLiteral("Set Up"));
    // Outer size 395 x 381 with the frame; the client area is what the controls need.
    resize(387, 354);

    QFile picture(QStringLiteral(":/setup/background.jpg"));
    if (picture.open(QIODevice::ReadOnly)) {
        background_ = DecodeSetupBackground(picture.readAll());
    }

    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(10);
    font.setBold(true);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0, 64, 0));
    palette.setColor(QPalette::WindowText, QColor(255, 255, 128));
    palette.setColor(QPalette::Text, QColor(0, 0, 128));
    setPalette(palette);

    makeLabel(this, "Label1", QStringLiteral("Quiz Title"), 8, 12);
    Edit1 = makeEdit(this, "Edit1", {80, 4, 297, 24});
    makeTwoLineLabel(this, "Label9", QStringLiteral("Number of Questions"), {8, 40, 72, 32});
    SpinEdit1 = new widgets::NumberField(1, 100, this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setGeometry(16, 82, 53, 26);
    makeTwoLineLabel(this, "Label6", QStringLiteral("Number of Choices"), {104, 40, 81, 37});
    SpinEdit2 = new widgets::NumberField(2, 5, this);
    SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
    SpinEdit2->setGeometry(116, 82, 53, 26);
    makeTwoLineLabel(this, "Label8", QStringLiteral("Interval (secs)"), {200, 40, 57, 33});
    SpinEdit3 = new widgets::NumberField(1, 999, this);
    SpinEdit3->setObjectName(QStringLiteral("SpinEdit3"));
    SpinEdit3->setGeometry(200, 82, 57, 26);
    makeLabel(this, "Label2", QStringLiteral("Quiz ID"), 308, 40);
    quizid = makeEdit(this, "quizid", {288, 82, 89, 24});
    makeLabel(this, "Label3", QStringLiteral("CGI Target Address"), 8, 120);
    FPT = makeEdit(this, "FPT", {8, 140, 369, 24});
    makeLabel(this, "Label7", QStringLiteral("Redirect Address"), 8, 176);
    redirect = makeEdit(this, "redirect", {8, 196, 369, 24});
    cookiebox = new QCheckBox(this);
    cookiebox->setObjectName(QStringLiteral("cookiebox"));
    cookiebox->setGeometry(8, 237, 18, 18);
    makeLabel(this, "Label5", QStringLiteral("Cookie Required"), 32, 236);
    Label4 = makeLabel(this, "Label4", QStringLiteral("Home/Log In Address"), 8, 256);
    HomeLog = makeEdit(this, "HomeLog", {8, 276, 369, 24});
    HomeLog->setToolTip(QStringLiteral("Where takers without a login are sent. With "
                                       "tamberlin-results serve, tick Cookie Required and put "
                                       "/login here."));
    Label4->setEnabled(false);
    HomeLog->setEnabled(false);
    SpeedButton1 = makeFlatButton(this, "SpeedButton1", QStringLiteral("&Cancel"),
                                  QColor(128, 0, 0), {8, 312, 77, 33});
    SpeedButton2 = makeFlatButton(this, "SpeedButton2", QStringLiteral("&Accept"),
                                  QColor(0, 0, 128), {300, 312, 77, 33});

    // Tab order: as the controls stand, from the top left, row by row; the title box has the
    // focus first. Accept and Cancel are reached with their underlined letters, Return and
    // Escape.
    QWidget* order[] = {Edit1, SpinEdit1, SpinEdit2, SpinEdit3, quizid,
                        FPT,   redirect,  cookiebox, HomeLog};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    connect(cookiebox, &QCheckBox::toggled, this, [this] { cookieboxClick(); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
}

void Tqsetup::cookieboxClick() {
    const bool on = cookiebox->isChecked();
    Label4->setEnabled(on);
    HomeLog->setEnabled(on);
}

void Tqsetup::FormShow() {
    const TQuizRec& quiz = host_.quiz();
    Edit1->setText(FromCodePage(quiz.Title));
    SpinEdit1->setValue(quiz.QuestionCount);
    SpinEdit2->setValue(quiz.ChoiceCount);
    SpinEdit3->setValue(quiz.Interval);
    quizid->setText(FromCodePage(quiz.QuizId));
    FPT->setText(FromCodePage(quiz.CgiTarget));
    HomeLog->setText(FromCodePage(quiz.LoginAddress));
    redirect->setText(FromCodePage(quiz.RedirectAddress));
    cookiebox->setChecked(quiz.Prefs.CookieRequired != 0);
    cookieboxClick();
}

void Tqsetup::SpeedButton2Click() {
    if (cookiebox->isChecked() && HomeLog->text().isEmpty()) {
        platform().showMessage(QStringLiteral("You selected  'Cookie Required' , but you have "
                                              "not provided a login address"));
        return;
    }
    TQuizRec& quiz = host_.quiz();
    // A typed count is brought into its range here too: the quiz holds at most 100 questions
    // of 2 to 5 choices, whether or not the field lost the focus first.
    const int questions =
        std::clamp(SpinEdit1->value(), SpinEdit1->minimum(), SpinEdit1->maximum());
    const int choices = std::clamp(SpinEdit2->value(), SpinEdit2->minimum(), SpinEdit2->maximum());
    // Questions past a lowered count are no longer part of the quiz: when any holds something
    // the author is asked first, and No goes back to the dialog with nothing changed.
    if (const std::string prompt = DroppedQuestionsPrompt(quiz, questions);
        !prompt.empty() && platform().confirm(QString::fromStdString(prompt),
                                              Platform::Buttons::YesNo) != Platform::Answer::Yes) {
        SpinEdit1->setFocus();
        return;
    }
    quiz.QuestionCount = questions;
    quiz.ChoiceCount = choices;
    quiz.Interval = SpinEdit3->value();
    StoreText(quiz.Title, Edit1->text());
    StoreText(quiz.QuizId, quizid->text());
    StoreText(quiz.CgiTarget, FPT->text());
    StoreText(quiz.RedirectAddress, redirect->text());
    if (cookiebox->isChecked()) {
        StoreText(quiz.LoginAddress, HomeLog->text());
    } else {
        quiz.LoginAddress.clear();
    }
    quiz.Prefs.CookieRequired = cookiebox->isChecked() ? 1 : 0;

    // A save that failed keeps the dialog open (the error has been shown) so that the author
    // can Accept again or Cancel; a Save As the author cancelled still closes.
    if (host_.Save1Click().status == SaveResult::Failed) {
        return;
    }
    accept();
}

void Tqsetup::SpeedButton1Click() {
    reject();
}

void Tqsetup::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
        CentreOnScreen(this);
        // The author starts at the title, the first box of the keyboard order.
        Edit1->setFocus(Qt::OtherFocusReason);
    }
    QDialog::showEvent(event);
}

void Tqsetup::keyPressEvent(QKeyEvent* event) {
    // Return accepts and Escape cancels, as the two buttons do; the buttons take no focus.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->accept();
            SpeedButton2Click();
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            SpeedButton1Click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void Tqsetup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 64, 0));
    if (!background_.isNull()) {
        painter.drawImage(rect(), background_);
    }
}

} // namespace tamberlin
