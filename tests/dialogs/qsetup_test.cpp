#include "dialogs/qsetup.h"

#include "common/qt_helpers.h"
#include "common/stand_in_host.h"
#include "dialogs/quiz_host.h"
#include "platform/fake_platform.h"

#include <QAbstractSpinBox>
#include <QApplication>
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

    // The counts take typed digits like any number field: a number outside the range is kept
    // until the field loses the focus, and Accept stores no count outside it.
    void countsTakeTypedDigitsAndTheArrows() {
        show();
        auto* questions = spin("SpinEdit1");
        questions->setFocus();
        questions->selectAll();
        QTest::keyClicks(questions, QStringLiteral("17"));
        QCOMPARE(questions->text(), QStringLiteral("17"));
        QTest::keyClick(questions, Qt::Key_Up);
        QCOMPARE(questions->text(), QStringLiteral("18"));
        auto* choices = spin("SpinEdit2");
        choices->selectAll();
        QTest::keyClicks(choices, QStringLiteral("4"));
        QCOMPARE(choices->text(), QStringLiteral("4"));
        accept();
        QCOMPARE(host->quiz().QuestionCount, 18);
        QCOMPARE(host->quiz().ChoiceCount, 4);

        // Typed past the range and accepted at once: the quiz still gets a count it can hold.
        show();
        questions->selectAll();
        QTest::keyClicks(questions, QStringLiteral("150"));
        choices->selectAll();
        QTest::keyClicks(choices, QStringLiteral("9"));
        accept();
        QCOMPARE(host->quiz().QuestionCount, 100);
        QCOMPARE(host->quiz().ChoiceCount, 5);
    }

    // Tab follows the controls as they stand; Alt+A and Alt+C press Accept and Cancel, Return
    // accepts and Escape cancels.
    void keyboardFinishesTheDialog() {
        show();
        QApplication::setActiveWindow(dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        child<QCheckBox>("cookiebox")->setChecked(true);
        const QStringList expected = {QStringLiteral("Edit1"),     QStringLiteral("SpinEdit1"),
                                      QStringLiteral("SpinEdit2"), QStringLiteral("SpinEdit3"),
                                      QStringLiteral("quizid"),    QStringLiteral("FPT"),
                                      QStringLiteral("redirect"),  QStringLiteral("cookiebox"),
                                      QStringLiteral("HomeLog"),   QStringLiteral("Edit1")};
        QCOMPARE(QApplication::focusWidget(), child<QWidget>("Edit1"));
        QCOMPARE(testing::WalkWithTab(expected), expected);
        child<QCheckBox>("cookiebox")->setChecked(false);

        QTest::keyClicks(child<QLineEdit>("Edit1"), QStringLiteral("Cells"));
        QTest::keyClick(child<QLineEdit>("Edit1"), Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(host->quiz().Title.str(), std::string("Cells"));

        show();
        QTest::keyClick(child<QLineEdit>("quizid"), Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));

        show();
        child<QLineEdit>("quizid")->setText(QStringLiteral("Q7"));
        QTest::keyClick(child<QLineEdit>("quizid"), Qt::Key_Return);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(host->quiz().QuizId.str(), std::string("Q7"));
        QCOMPARE(host->saves, 2);

        show();
        child<QLineEdit>("quizid")->setText(QStringLiteral("dropped"));
        QTest::keyClick(child<QLineEdit>("quizid"), Qt::Key_Escape);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(host->quiz().QuizId.str(), std::string("Q7"));
    }

    // Lowering the count over questions that hold something asks first; No keeps everything.
    void loweringTheCountAsksBeforeDroppingQuestions() {
        host->quiz().QuestionCount = 5;
        host->quiz().ChoiceCount = 2;
        host->quiz().Questions[2].QuestionText = "Third";
        host->quiz().Questions[4].PicAddress = "cell.jpg";
        show();
        auto* questions = spin("SpinEdit1");
        questions->selectAll();
        QTest::keyClicks(questions, QStringLiteral("2"));
        fake->answerConfirm(Platform::Answer::No);
        accept();
        QCOMPARE(fake->lastAsked().kind, FakePlatform::Kind::Confirm);
        QCOMPARE(fake->lastAsked().text,
                 QStringLiteral("Questions 3 to 5 hold text and will be removed from the quiz. "
                                "Remove them?"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(host->quiz().QuestionCount, 5);
        QCOMPARE(host->saves, 0);

        fake->answerConfirm(Platform::Answer::Yes);
        accept();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(host->quiz().QuestionCount, 2);

        // Empty questions past the new count go without a question.
        host->quiz().QuestionCount = 4;
        host->quiz().Questions[3].ChoiceB = "kept so far";
        show();
        questions->selectAll();
        QTest::keyClicks(questions, QStringLiteral("3"));
        fake->answerConfirm(Platform::Answer::Yes);
        accept();
        QCOMPARE(fake->lastAsked().text,
                 QStringLiteral("Question 4 holds text and will be removed from the quiz. "
                                "Remove it?"));
        host->quiz().Questions[3].clearStrings();
        host->quiz().QuestionCount = 4;
        show();
        questions->selectAll();
        QTest::keyClicks(questions, QStringLiteral("3"));
        fake->clearAsked();
        accept();
        QVERIFY(fake->asked().isEmpty());
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
