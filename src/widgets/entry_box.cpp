#include "widgets/entry_box.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace tamberlin::widgets {

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

} // namespace tamberlin::widgets
