#include "dialogs/picform.h"

#include "qtbridge/centring.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>

namespace tamberlin {

TPicForm::TPicForm(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("PicForm"));
    setWindowTitle(QStringLiteral("Image Viewer"));
    // Closing only hides the window: it lives as long as the main window.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setToolTip(QStringLiteral("Click to Close"));
    Image1->move(0, 0);
    Image1->installEventFilter(this);
    resize(kDesignClientSize);
}

void TPicForm::ShowPicture(const QPixmap& picture) {
    // QPixmap shares its pixels until one side changes them, so this is a copy of its own: the
    // main window may load another picture without touching the one shown here.
    Image1->setPixmap(picture);
    if (isVisible()) {
        fitToPicture();
        raise();
        activateWindow();
        return;
    }
    show();
}

void TPicForm::ShowPicture(const QImage& picture) {
    ShowPicture(QPixmap::fromImage(picture));
}

void TPicForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TPicForm::FormShow() {
    fitToPicture();
    centreOverMainWindow();
}

void TPicForm::FormMouseDown() {
    hide();
}

void TPicForm::mousePressEvent(QMouseEvent* event) {
    event->accept();
    FormMouseDown();
}

bool TPicForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonPress) {
        FormMouseDown();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TPicForm::fitToPicture() {
    const QSize size = Image1->pixmap().isNull() ? QSize(0, 0) : Image1->pixmap().size();
    Image1->resize(size);
    // A window needs at least one pixel of client area; an empty picture leaves just the frame.
    setFixedSize(size.expandedTo(QSize(1, 1)));
}

void TPicForm::centreOverMainWindow() {
    // Centre the frame over the main window's frame (over the screen without a main window).
    QRect over;
    if (const QWidget* mainWindow = parentWidget()) {
        over = mainWindow->window()->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        over = screen->availableGeometry();
    } else {
        return;
    }
    CentreOn(this, over);
}

} // namespace tamberlin
