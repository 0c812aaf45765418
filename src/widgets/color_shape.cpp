#include "widgets/color_shape.h"

#include "qtbridge/colour_bridge.h"

#include <QPainter>

namespace tamberlin::widgets {

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
    emit pressed();
}

} // namespace tamberlin::widgets
