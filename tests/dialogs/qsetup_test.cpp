#include "dialogs/qsetup.h"

#include "common/stand_in_host.h"
#include "dialogs/quiz_host.h"
#include "platform/fake_platform.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace tamberlin;

class SetupDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakePlatform> fake;
    std::unique_ptr<testing::StandInHost> host;
    std::unique_ptr<Tqsetup> dialog;

    template <class W>
    W* child(const char* name) {
        W* widget = dialog->findChild<W*>(QString::fromLatin1(name));
        if (widget == nullptr) {
            qFatal("no control %s", name);
        }
        return widget;
    }
    QAbstractSpinBox* spin(const char* name) { return child<QAbstractSpinBox>(name); }
    void show() {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    }
    void accept() { child<QToolButton>("SpeedButton2")->click(); }

private slots:
    void init() {
        fake = std::make_unique<FakePlatform>();
        setPlatform(fake.get());
        host = std::make_unique<testing::StandInHost>();
        dialog = std::make_unique<Tqsetup>(*host);
    }

    void cleanup() {
        dialog.reset();
        QVERIFY(fake->allAnswered());
        setPlatform(nullptr);
    }

    void freshQuizShowsTheMinimumsAndAcceptStoresThem() {
        show();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Set Up"));
        QCOMPARE(spin("SpinEdit1")->text(), QStringLiteral("1"));
        QCOMPARE(spin("SpinEdit2")->text(), QStringLiteral("2"));
        QCOMPARE(spin("SpinEdit3")->text(), QStringLiteral("1"));
        QVERIFY(!child<QCheckBox>("cookiebox")->isChecked());
        QVERIFY(!child<QLineEdit>("HomeLog")->isEnabled());
        QVERIFY(!child<QLabel>("Label4")->isEnabled());
        QCOMPARE(child<QToolButton>("SpeedButton2")->focusPolicy(), Qt::NoFocus);
        accept();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(host->quiz().QuestionCount, 1);
        QCOMPARE(host->quiz().ChoiceCount, 2);
        QCOMPARE(host->quiz().Interval, 1);
        QCOMPARE(host->saves, 1);
    }

    void showingLoadsTheQuizAndClampsTheCounts() {
        host->quiz().QuestionCount = 250;
        host->quiz().ChoiceCount = 3;
        host->quiz().Interval = 45;
        host->quiz().Title = "Rivers";
        host->quiz().QuizId = "R1";
        host->quiz().CgiTarget = "http://example.test/cgi";
        host->quiz().LoginAddress = "http://example.test/login";
        host->quiz().RedirectAddress = "http://example.test/next";
        host->quiz().Prefs.CookieRequired = 1;
        show();
        QCOMPARE(spin("SpinEdit1")->text(), QStringLiteral("100"));
        QCOMPARE(spin("SpinEdit2")->text(), QStringLiteral("3"));
        QCOMPARE(spin("SpinEdit3")->text(), QStringLiteral("45"));
        QCOMPARE(child<QLineEdit>("Edit1")->text(), QStringLiteral("Rivers"));
        QCOMPARE(child<QLineEdit>("FPT")->text(), QStringLiteral("http://example.test/cgi"));
        QCOMPARE(child<QLineEdit>("redirect")->text(), QStringLiteral("http://example.test/next"));
        QVERIFY(child<QCheckBox>("cookiebox")->isChecked());
        QVERIFY(child<QLineEdit>("HomeLog")->isEnabled());
        QCOMPARE(child<QLineEdit>("HomeLog")->text(), QStringLiteral("http://example.test/login"));
    }

    void cookieNeedsALoginAddress() {
        show();
        auto* cookie = child<QCheckBox>("cookiebox");
        cookie->click();
        QVERIFY(child<QLineEdit>("HomeLog")->isEnabled());
        fake->expectMessage();
        accept();
        QCOMPARE(fake->lastAsked().text,
                 QStringLiteral("You selected  'Cookie Required' , but you have not provided "
                                "a login address"));
        QCOMPARE(fake->lastAsked().caption, QStringLiteral("Tamberlin"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(host->saves, 0);
        QCOMPARE(host->quiz().QuestionCount, 0);

        // A single blank is an address.
        QTest::keyClicks(child<QLineEdit>("HomeLog"), QStringLiteral(" "));
        accept();
        QCOMPARE(host->quiz().LoginAddress.str(), std::string(" "));
        QCOMPARE(host->quiz().Prefs.CookieRequired, 1);
    }

    void uncheckedCookieStoresNoLoginAddress() {
        show();
        child<QCheckBox>("cookiebox")->click();
        QTest::keyClicks(child<QLineEdit>("HomeLog"), QStringLiteral("http://x.test/"));
        child<QCheckBox>("cookiebox")->click();
        QVERIFY(!child<QLineEdit>("HomeLog")->isEnabled());
        QCOMPARE(child<QLineEdit>("HomeLog")->text(), QStringLiteral("http://x.test/"));
        host->quiz().LoginAddress = "old";
        accept();
        QVERIFY(host->quiz().LoginAddress.empty());
        QCOMPARE(host->quiz().Prefs.CookieRequired, 0);
    }

    void intervalKeepsATypedNumberUntilFocusLeaves() {
        show();
        auto* interval = spin("SpinEdit3");
        interval->selectAll();
        QTest::keyClicks(interval, QStringLiteral("5000"));
        QCOMPARE(interval->text(), QStringLiteral("5000"));
        accept();
        QCOMPARE(host->quiz().Interval, 5000);

        dialog->show();
        interval->selectAll();
        QTest::keyClicks(interval, QStringLiteral("5000"));
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(interval, &out);
        QCOMPARE(interval->text(), QStringLiteral("999"));

        // Letters are refused; an empty field reads as the minimum.
        interval->selectAll();
        QTest::keyClick(interval, Qt::Key_Delete);
        QTest::keyClicks(interval, QStringLiteral("ab"));
        QCOMPARE(interval->text(), QString());
        accept();
        QCOMPARE(host->quiz().Interval, 1);
    }

    void countsChangeOnlyWithTheArrows() {
        show();
        auto* questions = spin("SpinEdit1");
        questions->setFocus();
        QTest::keyClicks(questions, QStringLiteral("7"));
        QCOMPARE(questions->text(), QStringLiteral("1"));
        QTest::keyClick(questions, Qt::Key_Up);
        QTest::keyClick(questions, Qt::Key_Up);
        QCOMPARE(questions->text(), QStringLiteral("3"));
        auto* choices = spin("SpinEdit2");
        for (int i = 0; i < 6; ++i) {
            choices->stepBy(1);
        }
        QCOMPARE(choices->text(), QStringLiteral("5"));
        choices->stepBy(-10);
        QCOMPARE(choices->text(), QStringLiteral("2"));
        accept();
        QCOMPARE(host->quiz().QuestionCount, 3);
    }

    void textsAreCutToTheirCapacities() {
        show();
        child<QLineEdit>("quizid")->setText(QString(150, u'i'));
        child<QLineEdit>("Edit1")->setText(QString(300, u't'));
        accept();
        QCOMPARE(host->quiz().QuizId.size(), 100u);
        QCOMPARE(host->quiz().Title.size(), 255u);
    }

    void failedSaveKeepsTheDialogOpen() {
        show();
        host->saveStatus = SaveResult::Failed;
        accept();
        QVERIFY(dialog->isVisible());
        QCOMPARE(host->quiz().ChoiceCount, 2); // the header already holds the new values

        // A Save As the author cancelled writes nothing, and Accept still closes.
        host->saveStatus = SaveResult::Cancelled;
        accept();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }

    void cancelWritesNothing() {
        host->quiz().Title = "Kept";
        show();
        child<QLineEdit>("Edit1")->setText(QStringLiteral("Changed"));
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(dialog->isVisible()); // no key is bound to Cancel
        child<QToolButton>("SpeedButton1")->click();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(host->quiz().Title.str(), std::string("Kept"));
        QCOMPARE(host->saves, 0);
        // The next showing reloads the controls from the quiz.
        show();
        QCOMPARE(child<QLineEdit>("Edit1")->text(), QStringLiteral("Kept"));
    }
};

QTEST_MAIN(SetupDialogTest)
#include "qsetup_test.moc"
