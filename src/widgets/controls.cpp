#include "widgets/controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolButton>

namespace tamberlin::widgets {

namespace {

template <class W>
W* Placed(W* widget, const QString& name, const QRect& place) {
    widget->setObjectName(name);
    widget->setGeometry(place);
    return widget;
}

} // namespace

QToolButton* FlatToolButton(QWidget* parent, const QString& name, const QString& text,
                            const QRect& place) {
    auto* button = Placed(new QToolButton(parent), name, place);
    button->setText(text);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QPushButton* FlatPushButton(QWidget* parent, const QString& name, const QString& text,
                            const QRect& place) {
    auto* button = Placed(new QPushButton(text, parent), name, place);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

namespace {

// Paints its caption with one letter underlined; text() keeps the caption as given.
class KeyedPushButton : public QPushButton {
public:
    KeyedPushButton(const QString& text, qsizetype underlined, QWidget* parent)
        : QPushButton(text, parent) {
        marked_ = text;
        marked_.insert(underlined, u'&');
        setShortcut(QKeySequence::mnemonic(marked_));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text = marked_;
        painter.drawControl(QStyle::CE_PushButton, option);
    }

private:
    QString marked_;
};

} // namespace

QPushButton* FlatPushButtonWithKey(QWidget* parent, const QString& name, const QString& text,
                                   const QRect& place, qsizetype underlined) {
    auto* button = Placed(new KeyedPushButton(text, underlined, parent), name, place);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QLabel* Caption(QWidget* parent, const QString& name, const QString& text, const QPoint& at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(at);
    label->adjustSize();
    return label;
}

QLineEdit* LineBox(QWidget* parent, const QString& name, const QRect& place) {
    return Placed(new QLineEdit(parent), name, place);
}

QCheckBox* BareCheckBox(QWidget* parent, const QString& name, const QPoint& at) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    box->move(at);
    box->adjustSize();
    return box;
}

QFrame* Bevel(QWidget* parent, const QString& name, const QRect& place, int frameStyle) {
    auto* frame = Placed(new QFrame(parent), name, place);
    frame->setFrameStyle(frameStyle);
    return frame;
}

} // namespace tamberlin::widgets
