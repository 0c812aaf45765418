#pragma once

#include "document/html_prefs.h"

#include <QWidget>

namespace tamberlin::widgets {

// A colour rectangle. A mouse press while it is enabled emits pressed(); the window that owns it
// runs the colour chooser and sets the chosen colour. A disabled rectangle keeps its colour and
// ignores the mouse. An enabled rectangle takes the keyboard focus (Tab); Space presses it as
// the mouse does.
class ColorShape : public QWidget {
    Q_OBJECT
public:
    explicit ColorShape(QWidget* parent = nullptr);

    TColor color() const { return color_; }
    void setColor(TColor color);

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TColor color_ = 0x00FFFFFF;
};

} // namespace tamberlin::widgets
