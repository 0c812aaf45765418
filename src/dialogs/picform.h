#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QPixmap;

namespace tamberlin {

// The "Image Viewer": a small tool window that shows a question's picture at its own size. It is
// created once with the main window as its parent and shown without blocking; each showing
// centres it over the main window; a new picture while it is open replaces the old one, resizes
// the window and brings it to the front without moving it. Any mouse button pressed on it, or its
// close box, hides it again.
class TPicForm : public QWidget {
    Q_OBJECT
public:
    // The window's client size before it has a picture.
    static constexpr QSize kDesignClientSize{277, 221};

    explicit TPicForm(QWidget* mainWindow = nullptr);

    // What the main window runs when a mouse button is pressed on its enabled picture: shows a
    // copy of the picture, opening the viewer centred over the main window, or, when it is
    // already open, only replacing its picture and raising it.
    void ShowPicture(const QPixmap& picture);
    void ShowPicture(const QImage& picture);

    void FormShow();
    void FormMouseDown();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The picture, by its layout name (also its object name).
    QLabel* Image1 = nullptr;
    void fitToPicture();
    void centreOverMainWindow();
};

} // namespace tamberlin
