#include "widgets/picture_box.h"

#include <QPainter>

namespace tamberlin::widgets {

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

void PictureBox::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    // Qt delivers no mouse events to a disabled widget; the check keeps the rule in one place.
    if (isEnabled()) {
        emit pressed();
    }
}

} // namespace tamberlin::widgets
