#include "app/main_window.h"

#include "banks/question_bank.h"
#include "window_test_support.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

using namespace tamberlin;
using tamberlin::testing::MakeQuiz;
using tamberlin::testing::WindowTestBase;
using tamberlin::testing::WriteAll;
using Kind = FakePlatform::Kind;
using Answer = Platform::Answer;

class BankMenuTest : public WindowTestBase {
    Q_OBJECT

private:
    QAction* item(const char* name) const {
        return form->findChild<QAction*>(QString::fromLatin1(name));
    }
    template <typename W>
    W* control(const char* name) const {
        return form->findChild<W*>(QString::fromLatin1(name));
    }
    QString file(const std::string& name, const std::string& bytes) {
        WriteAll(dir->file(name), bytes);
        return path(name);
    }
    // Closing asks about unsaved changes exactly when the quiz counts as changed (a window
    // that closes without asking leaves the scripted answer unused, which fails the test).
    bool closingAsksToSave() {
        fake->answerConfirm(Answer::Cancel);
        form->close();
        return lastText() == QString::fromLatin1(kSaveChangesPrompt);
    }
    QString lastText() const { return fake->lastAsked().text; }

private slots:
    void init() { setUpWindow(); }
    void cleanup() { tearDownWindow(); }

    void importWithoutAQuizStartsOne() {
        form = std::make_unique<TForm1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        // Import sits right after Open; Export and Check need a quiz.
        const QList<QAction*> fileItems = control<QMenu>("File1")->actions();
        QCOMPARE(fileItems.indexOf(item("ImportQuestions1")), fileItems.indexOf(item("Open1")) + 1);
        QVERIFY(control<QMenu>("Quiz1")->actions().contains(item("CheckQuiz1")));
        QVERIFY(item("ImportQuestions1")->isEnabled());
        QVERIFY(!item("ExportQuestions1")->isEnabled());
        QVERIFY(!item("CheckQuiz1")->isEnabled());

        const QString bank =
            file("planets.gift", "// a bank\n"
                                 "::one:: Which planet is red? {=Mars ~Venus ~Earth}\n"
                                 "\n"
                                 "Describe Jupiter. {}\n"
                                 "\n"
                                 "Which is largest? {~Mars =Jupiter ~Venus}\n");
        fake->answerOpenFile(bank);
        fake->expectList();
        item("ImportQuestions1")->trigger();
        QCOMPARE(fake->asked().first().fileOptions.fileMustExist, true);
        // The outcome as a list in the file's order: each question imported or skipped, by line.
        QCOMPARE(fake->lastAsked().kind, Kind::List);
        QCOMPARE(lastText(), QStringLiteral("2 questions imported from planets.gift; some of its "
                                            "questions were not (the list gives their lines and "
                                            "why)."));
        QCOMPARE(
            fake->lastAsked().items,
            QStringList({QStringLiteral("Line 2: imported as question 1: Which planet is red?"),
                         QStringLiteral("Line 4: skipped an essay question (only "
                                        "multiple-choice questions with one right answer "
                                        "are imported)"),
                         QStringLiteral("Line 6: imported as question 2: Which is largest?")}));
        QCOMPARE(form->quiz().QuestionCount, 2);
        QCOMPARE(form->quiz().ChoiceCount, 3);
        QCOMPARE(form->quiz().Title.str(), std::string("planets"));
        QCOMPARE(control<QPlainTextEdit>("Memo1")->toPlainText(),
                 QStringLiteral("Which planet is red?"));
        QCOMPARE(control<QLabel>("Label8")->text(), QStringLiteral("1 of 2"));
        QVERIFY(item("ExportQuestions1")->isEnabled() && item("CheckQuiz1")->isEnabled());
        QVERIFY(item("Save1")->isEnabled());
        QVERIFY(closingAsksToSave());
    }

    void importIntoAnOpenQuizKeepsEditsAndRefusesBadFiles() {
        startWith(MakeQuiz(2, 3), "quiz.qvt");
        auto* memo = control<QPlainTextEdit>("Memo1");
        memo->moveCursor(QTextCursor::End);
        QTest::keyClicks(memo, QStringLiteral(" edited"));

        // A refused file changes nothing and asks nothing about the edits.
        const QString bad = file("bad.txt", "Q one?\r\nA. x\r\nANSWER: A\r\n\r\n"
                                            "Q two?\r\nA. x\r\nB. y\r\nANSWER: F\r\n");
        fake->answerOpenFile(bad);
        fake->expectError();
        item("ImportQuestions1")->trigger();
        QVERIFY2(lastText().startsWith(QStringLiteral("bad.txt: the file holds no question that "
                                                      "can be imported: line 1: ")),
                 qPrintable(lastText()));
        QCOMPARE(form->quiz().QuestionCount, 2);
        QCOMPARE(memo->toPlainText(), QStringLiteral("Question 1 edited"));

        const QString good =
            file("five.aiken", "Which?\nA. a\nB. b\nC. c\nD. d\nE. e\nANSWER: E\n");
        fake->answerOpenFile(good);
        fake->answerConfirm(Answer::Cancel);
        item("ImportQuestions1")->trigger();
        QCOMPARE(lastText(), QStringLiteral("Save changes?"));
        QCOMPARE(form->quiz().QuestionCount, 2);
        QCOMPARE(memo->toPlainText(), QStringLiteral("Question 1 edited"));

        // Yes stores the edits, then the questions come after the last one, with the choice
        // count raised to what they need and its boxes on.
        fake->answerOpenFile(good);
        fake->answerConfirm(Answer::Yes);
        fake->expectList();
        item("ImportQuestions1")->trigger();
        QVERIFY2(fake->lastAsked().items.join(u'\n').contains(QStringLiteral("5 choices")),
                 qPrintable(fake->lastAsked().items.join(u'\n')));
        QCOMPARE(form->quiz().Questions[0].QuestionText.str(), std::string("Question 1 edited"));
        QCOMPARE(form->quiz().QuestionCount, 3);
        QCOMPARE(form->quiz().ChoiceCount, 5);
        QCOMPARE(control<QLabel>("Label8")->text(), QStringLiteral("3 of 3"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("Which?"));
        QVERIFY(control<QLineEdit>("Edit5")->isEnabled());
        QCOMPARE(control<QLineEdit>("Edit5")->text(), QStringLiteral("e"));
        QCOMPARE(control<QLineEdit>("Edit6")->text(), QStringLiteral("E"));
        QVERIFY(closingAsksToSave());
    }

    // A bank larger than the room left: the author picks the first ones or a random draw, or
    // cancels and nothing changes.
    void aBankLargerThanTheRoomLeft() {
        startWith(MakeQuiz(2, 3), "quiz.qvt");
        std::string text;
        for (int n = 1; n <= 120; ++n) {
            text += "Q" + std::to_string(n) + "? {=a ~b}\n\n";
        }
        const QString bank = file("big.gift", text);
        fake->answerOpenFile(bank);
        fake->answerChoice(std::nullopt);
        item("ImportQuestions1")->trigger();
        QCOMPARE(lastText(), QStringLiteral("big.gift holds 120 questions, and the quiz has room "
                                            "for 98 more. Which should come in?"));
        QCOMPARE(fake->lastAsked().buttons,
                 QStringList({QStringLiteral("The first 98"), QStringLiteral("98 drawn at random"),
                              QStringLiteral("Cancel")}));
        QCOMPARE(form->quiz().QuestionCount, 2);

        fake->answerOpenFile(bank);
        fake->answerChoice(1);
        fake->expectList();
        item("ImportQuestions1")->trigger();
        QCOMPARE(form->quiz().QuestionCount, 100);
        QVERIFY(fake->lastAsked().items.first().contains(QStringLiteral("98 questions drawn at "
                                                                        "random")));
        QVERIFY(closingAsksToSave());
    }

    void exportAndCheck() {
        TQuizRec quiz = MakeQuiz(3, 4);
        quiz.CgiTarget = "http://127.0.0.1/cgi-bin/score";
        quiz.Interval = 60;
        startWith(quiz, "quiz.qvt");
        for (const char* name :
             {"clock.js", "0fdg.gif", "1fdg.gif", "2fdg.gif", "3fdg.gif", "4fdg.gif", "5fdg.gif",
              "6fdg.gif", "7fdg.gif", "8fdg.gif", "9fdg.gif", "cfdg.gif"}) {
            WriteAll(dir->file(name), "");
        }
        fake->expectMessage();
        item("CheckQuiz1")->trigger();
        QCOMPARE(lastText(), QStringLiteral("No problems found."));

        // The file's name gives the format; importing the file gives the questions back.
        fake->answerSaveFile(path("out.csv"));
        fake->expectMessage();
        item("ExportQuestions1")->trigger();
        QCOMPARE(fake->asked().at(1).fileOptions.defaultExtension, QStringLiteral("gift"));
        QCOMPARE(lastText(), QStringLiteral("3 questions written to ") + path("out.csv") + u'.');
        const ImportResult back = ImportQuestionFile(dir->file("out.csv"), std::nullopt);
        QVERIFY2(back.ok(), back.error.c_str());
        QCOMPARE(back.questions.size(), std::size_t{3});
        QCOMPARE(back.questions[2].text, std::string("Question 3"));
        QCOMPARE(back.questions[2].choices.at(3), std::string("Q3 choice D"));
        QCOMPARE(back.questions[2].answer, 2);

        form->quiz().Questions[1].QuestionText.clear();
        fake->expectMessage();
        item("CheckQuiz1")->trigger();
        QVERIFY2(lastText().startsWith(QStringLiteral("Question 2: the question has no text\n")),
                 qPrintable(lastText()));
    }
};

QTEST_MAIN(BankMenuTest)
#include "bank_menu_test.moc"
