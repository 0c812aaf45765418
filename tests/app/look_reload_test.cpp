// The page-look dialog is loaded again after Open and after Setup's Accept, so the look of one
// quiz never reaches the file or the page of another.

#include "app/main_window.h"
#include "window_test_support.h"

#include <QAction>
#include <QTest>
#include <QToolButton>

#include <string>

using namespace tamberlin;
using namespace tamberlin::testing;

class LookReloadTest : public WindowTestBase {
    Q_OBJECT

    static TQuizRec styledQuiz() {
        TQuizRec quiz = MakeQuiz(2, 2, "Styled");
        // Its own ID: two quizzes of one folder posting the same ID bring a warning.
        quiz.QuizId = "ST-1";
        quiz.Prefs.Author = "Ann Author";
        quiz.Prefs.BgColorOn = 1;
        quiz.Prefs.BgColor = 0x00FF0000;
        return quiz;
    }
    // Create Html as the author runs it (its Apply stores the dialog's controls into the block);
    // whether the page or the block took the styled quiz's look.
    bool pageCarriesTheStyledLook(const std::string& quizName) {
        fake->expectMessage();
        menuItem("Create1")->trigger();
        const std::string page = ReadAll(dir->file(quizName + ".htm"));
        const THtmlPrefs& stored = form->quiz().Prefs;
        return page.find("Ann Author") != std::string::npos ||
               page.find("BGCOLOR=\"#0000FF\"") != std::string::npos || !stored.Author.empty() ||
               stored.BgColorOn != 0;
    }

private slots:
    void init() { setUpWindow(); }
    void cleanup() { tearDownWindow(); }

    void anotherQuizNeverTakesTheLookOfTheLast() {
        WriteQuizFile(MakeQuiz(2, 2, "Plain"), dir->file("plain.qvt"));
        startWith(styledQuiz(), "styled.qvt");
        QVERIFY(pageCarriesTheStyledLook("styled"));

        // Open: the dialog shows the opened quiz's look.
        fake->answerOpenFile(path("plain.qvt"));
        menuItem("Open1")->trigger();
        QVERIFY(!pageCarriesTheStyledLook("plain"));

        // New, through Setup's Accept: the fresh quiz starts with no look.
        fake->answerOpenFile(path("styled.qvt"));
        menuItem("Open1")->trigger();
        WhenModal([](QWidget* dialog) {
            dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton2"))->click();
        });
        fake->answerSaveFile(path("fresh.qvt"));
        menuItem("New1")->trigger();
        QCOMPARE(form->quizFileName(), path("fresh.qvt"));
        QVERIFY(!pageCarriesTheStyledLook("fresh"));
    }
};

QTEST_MAIN(LookReloadTest)
#include "look_reload_test.moc"
