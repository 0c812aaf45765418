#include "dialogs/qsetup.h"

#include "imaging/picture_loader.h"

#include "dialogs/quiz_host.h"
#include "platform/platform.h"
#include "platform/qt_text.h"

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

// ---- NumberField -------------------------------------------------------------------------

NumberField::NumberField(int minimum, int maximum, bool typingAllowed, QWidget* parent)
    : QSpinBox(parent) {
    setRange(minimum, maximum);
    setValue(minimum);
    setKeyboardTracking(true);
    // A read-only text still steps with the arrow buttons and the arrow keys.
    lineEdit()->setReadOnly(!typingAllowed);
}

int NumberField::valueFromText(const QString& text) const {
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok);
    if (!ok) {
        return minimum();
    }
    return static_cast<int>(std::clamp<qlonglong>(number, INT32_MIN, INT32_MAX));
}

int NumberField::number() const {
    return valueFromText(text());
}

QValidator::State NumberField::validate(QString& input, int&) const {
    // Digits, signs and the decimal separator may be typed; anything else is refused. Whatever
    // passes reads as a number (or the minimum), so it is never held back as incomplete.
    for (const QChar c : input) {
        if (!c.isDigit() && c != u'+' && c != u'-' && c != u'.' && c != u',') {
            return QValidator::Invalid;
        }
    }
    return QValidator::Acceptable;
}

void NumberField::fixup(QString&) const {}

// ---- Tqsetup -----------------------------------------------------------------------------

QImage DecodeSetupBackground(const QByteArray& jpegBytes) {
    return LoadPictureData(jpegBytes, QStringLiteral("jpg")).image;
}

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->adjustSize();
    return label;
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
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(rect);
    return edit;
}

QToolButton* makeFlatButton(QWidget* parent, const char* name, const QString& text,
                            const QColor& colour, QRect rect) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    // The "&" marks the letter only: no key is bound to Accept or Cancel.
    button->setShortcut(QKeySequence());
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(rect);
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
    SpinEdit1 = new NumberField(1, 100, false, this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setGeometry(16, 82, 53, 26);
    makeTwoLineLabel(this, "Label6", QStringLiteral("Number of Choices"), {104, 40, 81, 37});
    SpinEdit2 = new NumberField(2, 5, false, this);
    SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
    SpinEdit2->setGeometry(116, 82, 53, 26);
    makeTwoLineLabel(this, "Label8", QStringLiteral("Interval (secs)"), {200, 40, 57, 33});
    SpinEdit3 = new NumberField(1, 999, true, this);
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
    Label4->setEnabled(false);
    HomeLog->setEnabled(false);
    SpeedButton1 = makeFlatButton(this, "SpeedButton1", QStringLiteral("&Cancel"),
                                  QColor(128, 0, 0), {8, 312, 77, 33});
    SpeedButton2 = makeFlatButton(this, "SpeedButton2", QStringLiteral("&Accept"),
                                  QColor(0, 0, 128), {300, 312, 77, 33});

    // Tab order: SpinEdit1, SpinEdit2, Edit1, quizid, FPT, HomeLog, cookiebox, redirect,
    // SpinEdit3.
    QWidget* order[] = {SpinEdit1, SpinEdit2, Edit1,    quizid,   FPT,
                        HomeLog,   cookiebox, redirect, SpinEdit3};
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
    quiz.QuestionCount = SpinEdit1->number();
    quiz.ChoiceCount = SpinEdit2->number();
    quiz.Interval = SpinEdit3->number();
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
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            move(screen->availableGeometry().center() - rect().center());
        }
    }
    QDialog::showEvent(event);
}

void Tqsetup::keyPressEvent(QKeyEvent* event) {
    // Neither Escape nor Enter is bound to Cancel or Accept.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
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
