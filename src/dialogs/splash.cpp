#include "dialogs/splash.h"

#include "pictures/picture_loading.h"
#include "platform/shell_open.h"
#include "qtbridge/centring.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

// Resources of a static library are registered explicitly; this must run outside any namespace.
static void RegisterSplashResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(dialogs);
        return true;
    }();
    (void)registered;
}

namespace tamberlin {

QImage LoadSplashPicture() {
    // The picture is a baseline JPEG in the resources, decoded through libjpeg like every other.
    return LoadResourcePicture(QStringLiteral(":/splash/splash.jpg"));
}

TSplash::TSplash(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    RegisterSplashResources();
    setObjectName(QStringLiteral("Splash"));
    setModal(true);
    setFixedSize(kPictureSize);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(QRect(QPoint(0, 0), kPictureSize));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (const QImage picture = LoadSplashPicture(); !picture.isNull()) {
        Image1->setPixmap(QPixmap::fromImage(picture));
    }
    Image1->installEventFilter(this);

    // The link area lies above the picture and draws nothing; it takes the presses inside it.
    Shape1 = new QWidget(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(kLinkArea);
    Shape1->setCursor(Qt::PointingHandCursor);
    Shape1->installEventFilter(this);
    Shape1->raise();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerInterval);
    // Precise: a coarse timer may fire up to 5% early.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &TSplash::Timer1Timer);

    // Placed before the first showing too, so a window manager maps it where it belongs.
    CentreOnScreen(this);
}

void TSplash::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TSplash::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TSplash::FormShow() {
    CentreOnScreen(this);
    // A timer still running from an earlier showing keeps its period.
    if (!Timer1->isActive()) {
        Timer1->start();
    }
}

void TSplash::Timer1Timer() {
    Timer1->stop();
    if (isVisible()) {
        reject();
    }
}

void TSplash::Image1Click() {
    // The timer keeps running: a showing soon after ends when its period does.
    if (isVisible()) {
        reject();
    }
}

void TSplash::Shape1MouseDown() {
    OpenThroughShell(QString::fromUtf16(kMakerWebPage));
}

bool TSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Shape1 && event->type() == QEvent::MouseButtonPress) {
        Shape1MouseDown();
        return true;
    }
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (watched == Image1 && (press || release)) {
        // A click is the left button pressed and released over the picture.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            return true;
        }
        if (press) {
            leftPressedOnPicture_ = true;
            return true;
        }
        const bool click =
            leftPressedOnPicture_ && Image1->rect().contains(mouse->position().toPoint());
        leftPressedOnPicture_ = false;
        if (click) {
            Image1Click();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tamberlin
