// The splash/about window: its picture and link area, the timer's semantics across showings, the
// click that closes it, and the maker's page opened (or failing) through the platform seam.

#include "dialogs/splash.h"
#include "platform/fake_platform.h"
#include "platform/shell_open.h"

#include "common/qt_helpers.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <QtTest>

using tamberlin::FakePlatform;
using tamberlin::TSplash;
using tamberlin::testing::Child;

class SplashTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fake = new FakePlatform;
        tamberlin::setPlatform(fake);
        splash = new TSplash;
    }
    void cleanup() {
        delete splash;
        tamberlin::setPlatform(nullptr);
        QVERIFY2(fake->allAnswered(), "a scripted answer was not used");
        delete fake;
    }

    void showsItsPictureWithTheLinkAreaAboveIt() {
        const QImage picture = tamberlin::LoadSplashPicture();
        QCOMPARE(picture.size(), QSize(350, 246));

        QCOMPARE(splash->size(), QSize(350, 246));
        QCOMPARE(Child<QLabel>(splash, "Image1")->geometry(), QRect(0, 0, 350, 246));
        QCOMPARE(Child<QLabel>(splash, "Image1")->pixmap().size(), QSize(350, 246));
        QCOMPARE(Child<QWidget>(splash, "Shape1")->geometry(), QRect(64, 168, 225, 33));
        QCOMPARE(Child<QWidget>(splash, "Shape1")->cursor().shape(), Qt::PointingHandCursor);
        // Presses inside the link area reach the link, not the picture under it.
        QCOMPARE(splash->childAt(64, 168), Child<QWidget>(splash, "Shape1"));
        QCOMPARE(splash->childAt(288, 200), Child<QWidget>(splash, "Shape1"));
        QCOMPARE(splash->childAt(63, 168), Child<QLabel>(splash, "Image1"));
        QCOMPARE(splash->childAt(64, 201), Child<QLabel>(splash, "Image1"));

        const Qt::WindowFlags flags = splash->windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(Child<QTimer>(splash, "Timer1")->interval(), 4000);
        QVERIFY(!Child<QTimer>(splash, "Timer1")->isActive());
    }

    void theTimerClosesItAndSwitchesItselfOff() {
        Child<QTimer>(splash, "Timer1")->setInterval(150);
        QElapsedTimer clock;
        clock.start();
        const int result = splash->exec();
        QVERIFY(clock.elapsed() >= 140);
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!splash->isVisible());
        QVERIFY(!Child<QTimer>(splash, "Timer1")->isActive());
    }

    void aLeftClickOnThePictureClosesItAtOnce() {
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QTest::mouseClick(Child<QLabel>(splash, "Image1"), Qt::RightButton, {}, QPoint(10, 10));
        QVERIFY2(splash->isVisible(), "only the left button clicks");
        QTest::mouseClick(Child<QLabel>(splash, "Image1"), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!splash->isVisible());
        QVERIFY2(Child<QTimer>(splash, "Timer1")->isActive(), "a click leaves the timer running");
    }

    void anAboutWindowAfterAClickClosesWhenTheEarlierPeriodEnds() {
        const int period = 1000;
        Child<QTimer>(splash, "Timer1")->setInterval(period);
        QElapsedTimer sinceFirstShowing;
        sinceFirstShowing.start();
        QTimer::singleShot(400, splash, [this] {
            QTest::mouseClick(Child<QLabel>(splash, "Image1"), Qt::LeftButton, {}, QPoint(20, 20));
        });
        splash->exec();
        QVERIFY2(Child<QTimer>(splash, "Timer1")->isActive(),
                 "the timer closed the splash, not the click");

        // "About" right away: the running timer is not restarted, so this showing ends when the
        // first period does, well before a full period of its own.
        QElapsedTimer sinceAbout;
        sinceAbout.start();
        splash->exec();
        QVERIFY2(sinceAbout.elapsed() < period - 100, "the about window got a period of its own");
        QVERIFY(sinceFirstShowing.elapsed() >= period - 10);
        QVERIFY(!Child<QTimer>(splash, "Timer1")->isActive());
        QVERIFY(!splash->isVisible());

        // The next showing has its full period again.
        Child<QTimer>(splash, "Timer1")->setInterval(200);
        QElapsedTimer third;
        third.start();
        splash->exec();
        QVERIFY2(third.elapsed() >= 190, qPrintable(QString::number(third.elapsed())));
    }

    void escapeDoesNotCloseIt() {
        splash->show();
        QTest::keyClick(splash, Qt::Key_Escape);
        QVERIFY(splash->isVisible());
    }

    void theTimerFiringWhileHiddenOnlySwitchesItOff() {
        Child<QTimer>(splash, "Timer1")->setInterval(100);
        splash->show();
        QTest::mouseClick(Child<QLabel>(splash, "Image1"), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(!splash->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!Child<QTimer>(splash, "Timer1")->isActive(), 2000);
        QVERIFY(!splash->isVisible());
    }

    void aPressOnTheLinkOpensTheMakersPageAndLeavesTheWindowOpen() {
        Child<QTimer>(splash, "Timer1")->setInterval(60000);
        fake->answerShellOpen(true);
        splash->show();
        QTest::mouseClick(Child<QWidget>(splash, "Shape1"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(splash->isVisible());
        QVERIFY(Child<QTimer>(splash, "Timer1")->isActive());
        QCOMPARE(fake->asked().size(), 1);
        QCOMPARE(fake->lastAsked().kind, FakePlatform::Kind::ShellOpen);
        QCOMPARE(fake->lastAsked().text, QString::fromUtf16(tamberlin::kMakerWebPage));
        QCOMPARE(fake->lastAsked().workingFolder, QString());
    }

    void aLinkThatFailsToOpenShowsTheErrorBox() {
        Child<QTimer>(splash, "Timer1")->setInterval(60000);
        fake->answerShellOpen(false);
        fake->expectErrorBox();
        splash->show();
        QTest::mousePress(Child<QWidget>(splash, "Shape1"), Qt::RightButton, {}, QPoint(100, 20));
        QCOMPARE(fake->asked().size(), 2);
        const FakePlatform::Question& box = fake->lastAsked();
        QCOMPARE(box.kind, FakePlatform::Kind::ErrorBox);
        QCOMPARE(box.caption, QStringLiteral("Error"));
        QCOMPARE(box.text, QStringLiteral("Failed to execute //www.tamberlin.example/"));
        QVERIFY(splash->isVisible());
        QVERIFY(Child<QTimer>(splash, "Timer1")->isActive());
    }

    void theLaunchedNameIsTheFileNamePart_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("name");
        QTest::newRow("web address") << QStringLiteral("https://www.tamberlin.example/")
                                     << QStringLiteral("//www.tamberlin.example/");
        QTest::newRow("web address with a path and port")
            << QStringLiteral("http://host:8080/a/b.htm") << QStringLiteral("//host:8080/a/b.htm");
        QTest::newRow("local path") << QStringLiteral("/home/ann/quiz/tamberlin_help.htm")
                                    << QStringLiteral("tamberlin_help.htm");
        QTest::newRow("path from the root folder")
            << QStringLiteral("//tamberlin_help.htm") << QStringLiteral("tamberlin_help.htm");
        // A path of this system is cut at "/" only: ":" and "\\" belong to the file's name.
        QTest::newRow("colon and backslash in the name")
            << QStringLiteral("/home/ann/10:30\\page.htm") << QStringLiteral("10:30\\page.htm");
        QTest::newRow("bare name") << QStringLiteral("page.htm") << QStringLiteral("page.htm");
    }
    void theLaunchedNameIsTheFileNamePart() {
        QFETCH(QString, target);
        QFETCH(QString, name);
        QCOMPARE(tamberlin::LaunchedName(target), name);
    }

private:
    FakePlatform* fake = nullptr;
    TSplash* splash = nullptr;
};

QTEST_MAIN(SplashTest)
#include "splash_test.moc"
