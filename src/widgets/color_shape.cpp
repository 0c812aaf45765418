#include "widgets/color_shape.h"

#include "qtbridge/colour_bridge.h"

#include <QKeyEvent>
#include <QPainter>

namespace tamberlin::widgets {

ColorShape::ColorShape(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void ColorShape::setColor(TColor color) {
    color_ = color;
    update();
}

void ColorShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(ToQColor(color_));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        // The keyboard's place: a dotted frame inside the rectangle.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void ColorShape::mousePressEvent(QMouseEvent*) {
    // Qt delivers no mouse events to a disabled widget, so only an enabled rectangle gets here.
    emit pressed();
}

void ColorShape::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        emit pressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tamberlin::widgets
