#pragma once

#include "document/html_prefs.h"

#include <QWidget>

namespace tamberlin::widgets {

// A colour rectangle. A mouse press while it is enabled runs the program's one colour chooser
// (through the platform seam) and, with OK, takes the chosen colour. A disabled rectangle keeps
// its colour and ignores the mouse. An enabled rectangle takes the keyboard focus (Tab); Space
// runs the colour chooser as a mouse press does.
class ColorShape : public QWidget {
    Q_OBJECT
public:
    explicit ColorShape(QWidget* parent = nullptr);

    TColor color() const { return color_; }
    void setColor(TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void chooseColor();

    TColor color_ = 0x00FFFFFF;
};

} // namespace tamberlin::widgets
