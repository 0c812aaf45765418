// The image viewer: showing centred over the main window, replacing the picture without moving,
// closing by any mouse button or the close box.

#include "dialogs/picform.h"

#include "common/qt_helpers.h"

#include <QLabel>
#include <QPointer>
#include <QtTest>

using tamberlin::TPicForm;
using tamberlin::testing::Child;

namespace {

QImage Filled(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QPoint Centre(const QRect& rect) {
    return QPoint(rect.x() + rect.width() / 2, rect.y() + rect.height() / 2);
}

} // namespace

class PicFormTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        mainWindow = new QWidget;
        mainWindow->setGeometry(100, 80, 569, 494);
        mainWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(mainWindow));
        viewer = new TPicForm(mainWindow);
    }
    void cleanup() { delete mainWindow; }

    void isAToolWindowWithTheCloseBoxOnly() {
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Image Viewer"));
        QVERIFY(viewer->isWindow());
        const Qt::WindowFlags flags = viewer->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QCOMPARE(Child<QLabel>(viewer, "Image1")->toolTip(), QStringLiteral("Click to Close"));
        QVERIFY(!viewer->isVisible());
    }

    void showsThePictureAtItsOwnSizeCentredOverTheMainWindow() {
        viewer->ShowPicture(Filled(120, 80, Qt::red));
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QCOMPARE(viewer->size(), QSize(120, 80));
        QCOMPARE(Child<QLabel>(viewer, "Image1")->geometry(), QRect(0, 0, 120, 80));
        const QPoint offset = Centre(viewer->frameGeometry()) - Centre(mainWindow->frameGeometry());
        QVERIFY2(offset.manhattanLength() <= 2, "the viewer is not centred over the main window");
    }

    void keepsItsOwnCopyOfThePicture() {
        QImage picture = Filled(40, 30, Qt::red);
        viewer->ShowPicture(picture);
        picture.fill(Qt::blue);
        QCOMPARE(Child<QLabel>(viewer, "Image1")->pixmap().toImage().pixelColor(5, 5),
                 QColor(Qt::red));
    }

    void replacesThePictureWithoutMovingWhenOpen() {
        viewer->ShowPicture(Filled(200, 150, Qt::red));
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        const QPoint shownAt = viewer->pos();

        mainWindow->move(300, 200);
        viewer->ShowPicture(Filled(60, 40, Qt::green));
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->pos(), shownAt);
        QCOMPARE(viewer->size(), QSize(60, 40));
        QCOMPARE(Child<QLabel>(viewer, "Image1")->size(), QSize(60, 40));
        QCOMPARE(Child<QLabel>(viewer, "Image1")->pixmap().toImage().pixelColor(1, 1),
                 QColor(Qt::green));

        // Once closed, the next showing centres it again over where the main window is now.
        viewer->hide();
        viewer->ShowPicture(Filled(60, 40, Qt::green));
        const QPoint offset = Centre(viewer->frameGeometry()) - Centre(mainWindow->frameGeometry());
        QVERIFY(offset.manhattanLength() <= 2);
    }

    void anyMouseButtonClosesIt_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("onPicture");
        QTest::newRow("left on the picture") << Qt::LeftButton << true;
        QTest::newRow("right on the picture") << Qt::RightButton << true;
        QTest::newRow("middle on the picture") << Qt::MiddleButton << true;
        QTest::newRow("left on the window") << Qt::LeftButton << false;
        QTest::newRow("right on the window") << Qt::RightButton << false;
    }
    void anyMouseButtonClosesIt() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, onPicture);
        viewer->ShowPicture(Filled(50, 50, Qt::red));
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QTest::mousePress(onPicture ? static_cast<QWidget*>(Child<QLabel>(viewer, "Image1"))
                                    : viewer,
                          button, {}, QPoint(10, 10));
        QVERIFY(!viewer->isVisible());
    }

    void theCloseBoxHidesWithoutDestroying() {
        QPointer<TPicForm> guard(viewer);
        viewer->ShowPicture(Filled(50, 50, Qt::red));
        QVERIFY(viewer->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard.isNull());
        QVERIFY(!viewer->isVisible());
        viewer->ShowPicture(Filled(30, 20, Qt::blue));
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->size(), QSize(30, 20));
    }

    void anEmptyPictureStillOpensAClosableWindow() {
        viewer->ShowPicture(QImage());
        QVERIFY(viewer->isVisible());
        QVERIFY(viewer->width() >= 1 && viewer->height() >= 1);
        QTest::mousePress(viewer, Qt::LeftButton, {}, QPoint(0, 0));
        QVERIFY(!viewer->isVisible());
    }

private:
    QWidget* mainWindow = nullptr;
    TPicForm* viewer = nullptr;
};

QTEST_MAIN(PicFormTest)
#include "picform_test.moc"
