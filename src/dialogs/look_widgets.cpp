#include "dialogs/look_widgets.h"

#include "platform/platform.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace tamberlin::look {

namespace {

qsizetype LastAddressSeparator(const QString& address) {
    const qsizetype slash = address.lastIndexOf(u'/');
    const qsizetype backslash = address.lastIndexOf(u'\\');
    const qsizetype colon = address.lastIndexOf(u':');
    return std::max({slash, backslash, colon});
}

QColor ToQColor(TColor color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

} // namespace

QString FileNamePart(const QString& address) {
    return address.mid(LastAddressSeparator(address) + 1);
}

QString PathFileNamePart(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString PathFolderPart(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString JoinFolderAndName(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(u'/')) {
        return folder + name;
    }
    return folder + u'/' + name;
}

void CentreOnScreen(QWidget* window) {
    if (const QScreen* screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

// ---------------------------------------------------------------------------------------------

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& image) {
    image_ = image;
    update();
}

QRect PictureBox::pictureRect() const {
    if (image_.isNull()) {
        return {};
    }
    QSize size = image_.size();
    if (size.width() > width() || size.height() > height()) {
        size = size.scaled(this->size(), Qt::KeepAspectRatio);
        size = size.expandedTo(QSize(1, 1));
    }
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (image_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(pictureRect(), image_);
}

// ---------------------------------------------------------------------------------------------

ColorShape::ColorShape(QWidget* parent) : QWidget(parent) {}

void ColorShape::setColor(TColor color) {
    color_ = color;
    update();
}

void ColorShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(ToQColor(color_));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColorShape::mousePressEvent(QMouseEvent*) {
    // Qt delivers no mouse events to a disabled widget, so only an enabled rectangle gets here.
    if (const auto chosen = platform().chooseColor()) {
        setColor(*chosen);
    }
}

// ---------------------------------------------------------------------------------------------

NumberField::NumberField(int minimum, int maximum, QWidget* parent)
    : QAbstractSpinBox(parent), minimum_(minimum), maximum_(maximum) {
    setValue(minimum);
}

int NumberField::clamp(int value) const {
    return std::clamp(value, minimum_, maximum_);
}

int NumberField::value() const {
    bool ok = false;
    const int number = text().trimmed().toInt(&ok);
    return ok ? number : minimum_;
}

void NumberField::setValue(int value) {
    lineEdit()->setText(QString::number(clamp(value)));
}

void NumberField::stepBy(int steps) {
    setValue(value() + steps);
}

QAbstractSpinBox::StepEnabled NumberField::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() < maximum_) {
        enabled |= StepUpEnabled;
    }
    if (value() > minimum_) {
        enabled |= StepDownEnabled;
    }
    return enabled;
}

QValidator::State NumberField::validate(QString& input, int&) const {
    const QString decimalPoint = locale().decimalPoint();
    for (const QChar c : input) {
        if (!c.isDigit() && c != u'+' && c != u'-' && c != u'.' && !decimalPoint.contains(c)) {
            return QValidator::Invalid;
        }
    }
    return QValidator::Acceptable;
}

void NumberField::focusOutEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusOutEvent(event);
    // A typed number outside the range is brought into it now; a text that is not a number is
    // left as it is (it reads as the minimum).
    bool ok = false;
    const int number = text().trimmed().toInt(&ok);
    if (ok && number != clamp(number)) {
        setValue(number);
    }
}

// ---------------------------------------------------------------------------------------------

EntryBox::EntryBox(const QStringList& entries, QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    addItems(entries);
    selectEntry(-1);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!handlingEnter_) {
            selected_ = index;
        }
    });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { selected_ = -1; });
    // Keys reach the text either through the box or straight at the text field.
    lineEdit()->installEventFilter(this);
}

void EntryBox::passEnter(QKeyEvent* event, QObject* to) {
    const bool outer = handlingEnter_;
    handlingEnter_ = true;
    if (to == this) {
        QComboBox::keyPressEvent(event);
    } else {
        lineEdit()->event(event);
    }
    handlingEnter_ = outer;
}

namespace {
bool IsEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}
} // namespace

void EntryBox::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event)) {
        passEnter(event, this);
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool EntryBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::KeyPress &&
        IsEnter(static_cast<QKeyEvent*>(event)) && !handlingEnter_) {
        passEnter(static_cast<QKeyEvent*>(event), watched);
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

void EntryBox::selectEntry(int index) {
    if (index >= 0 && index < count()) {
        setCurrentIndex(index);
        selected_ = index;
    } else {
        setCurrentIndex(-1);
        setEditText(QString());
        selected_ = -1;
    }
}

void EntryBox::setBoxText(const QString& text) {
    const int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        selectEntry(index);
        return;
    }
    setCurrentIndex(-1);
    setEditText(text);
    selected_ = -1;
}

} // namespace tamberlin::look
