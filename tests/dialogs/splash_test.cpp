// The splash/about window: its picture and link area, the timer's semantics across showings, the
// click that closes it, and the maker's page opened (or failing) through the platform seam.

#include "dialogs/splash.h"
#include "platform/fake_platform.h"
#include "platform/shell_open.h"

#include "common/qt_helpers.h"

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

    // The timer's period ending, without waiting for it: its timeout signal, as the timer
    // itself emits it.
    static void fire(QTimer* timer) { QVERIFY(QMetaObject::invokeMethod(timer, "timeout")); }
    QTimer* timer() { return Child<QTimer>(splash, "Timer1"); }

    void theTimerClosesItAndSwitchesItselfOff() {
        bool runningWhileShown = false;
        QTimer::singleShot(0, splash, [this, &runningWhileShown] {
            runningWhileShown = timer()->isActive() && splash->isVisible();
            fire(timer());
        });
        const int result = splash->exec();
        QVERIFY2(runningWhileShown, "the showing starts the timer");
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!splash->isVisible());
        QVERIFY(!timer()->isActive());
    }

    void anAboutWindowAfterAClickClosesWhenTheEarlierPeriodEnds() {
        timer()->setInterval(60000);
        QTimer::singleShot(0, splash, [this] {
            QTest::mouseClick(Child<QLabel>(splash, "Image1"), Qt::LeftButton, {}, QPoint(20, 20));
        });
        splash->exec();
        QVERIFY2(timer()->isActive(), "the click closed the splash, not the timer");
        const int leftAfterTheClick = timer()->remainingTime();

        // "About" right away: the running timer is not restarted, so the end of the first
        // period closes this showing.
        int leftWhileAbout = -1;
        QTimer::singleShot(0, splash, [this, &leftWhileAbout] {
            leftWhileAbout = timer()->remainingTime();
            fire(timer());
        });
        splash->exec();
        QVERIFY2(leftWhileAbout >= 0 && leftWhileAbout <= leftAfterTheClick,
                 "the about window got a period of its own");
        QVERIFY(!timer()->isActive());
        QVERIFY(!splash->isVisible());

        // The next showing starts a period of its own again.
        bool restarted = false;
        QTimer::singleShot(0, splash, [this, &restarted] {
            restarted = timer()->isActive();
            fire(timer());
        });
        splash->exec();
        QVERIFY(restarted);
        QVERIFY(!splash->isVisible());
    }

    void escapeDoesNotCloseIt() {
        splash->show();
        QTest::keyClick(splash, Qt::Key_Escape);
        QVERIFY(splash->isVisible());
    }

    void theTimerFiringWhileHiddenOnlySwitchesItOff() {
        splash->show();
        QTest::mouseClick(Child<QLabel>(splash, "Image1"), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(!splash->isVisible());
        QVERIFY(timer()->isActive());
        fire(timer());
        QVERIFY(!timer()->isActive());
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
