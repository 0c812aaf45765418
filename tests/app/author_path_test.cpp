// The main window as a new teacher uses it, keys and all: setting up and typing on, the menus'
// keys, characters the code page cannot keep, the answer letter on a Greek keyboard, pictures
// beside a quiz opened from elsewhere, the clock files and warnings of Create Html, and the
// titles of the question-bank dialogs. Run with the Greek code page (cp1253).

#include "window_test_support.h"

#include <QAbstractButton>
#include <QKeySequence>

#include <filesystem>

using namespace tamberlin;
using tamberlin::testing::MakePicture;
using tamberlin::testing::MakeQuiz;
using tamberlin::testing::ReadAll;
using tamberlin::testing::WhenModal;
using tamberlin::testing::WindowTestBase;
using tamberlin::testing::WriteAll;
using Answer = Platform::Answer;
using Kind = FakePlatform::Kind;

class AuthorPathTest : public WindowTestBase {
    Q_OBJECT

private:
    void activate() {
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

private slots:
    void init() { setUpWindow(); }
    void cleanup() { tearDownWindow(); }

    // New, Set Up finished with Alt+A, and the author types the first question straight away:
    // the keys go into the question box, not to the menu bar.
    void afterSetupTypingGoesIntoTheQuestion() {
        form = std::make_unique<TForm1>();
        form->CreateDialogs();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        activate();
        fake->answerSaveFile(path("cells.qvt"));
        WhenModal([](QWidget* dialog) {
            QApplication::setActiveWindow(dialog);
            auto* title = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
            QTest::keyClicks(title, QStringLiteral("Cells"));
            QTest::keyClick(title, Qt::Key_A, Qt::AltModifier);
        });
        QTest::keyClick(form.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(form->quiz().Title.str(), std::string("Cells"));
        QTRY_COMPARE(form->focusWidget(), textBox("Memo1"));
        QTest::keyClicks(form->focusWidget(), QStringLiteral("Which organelle"));
        QCOMPARE(textBox("Memo1")->toPlainText(), QStringLiteral("Which organelle"));
        QCOMPARE(form->menuBar()->activeAction(), nullptr);
        QVERIFY(!std::filesystem::exists(dir->file("cells.htm")));
    }

    // The usual keys reach the commands from inside the boxes; no menu has two items with the
    // same underlined letter (checked over every item, whoever added it).
    void keysAndUnderlinedLetters() {
        startWith(MakeQuiz(3, 2), "keys.qvt");
        activate();
        for (QAction* top : form->menuBar()->actions()) {
            QMenu* menu = top->menu();
            QVERIFY(menu != nullptr);
            QHash<int, QString> letters;
            for (QAction* item : menu->actions()) {
                const QKeySequence letter = QKeySequence::mnemonic(item->text());
                if (item->isSeparator() || letter.isEmpty()) {
                    continue;
                }
                QVERIFY2(!letters.contains(letter[0].toCombined()),
                         qPrintable(item->text() + QStringLiteral(" and ") +
                                    letters.value(letter[0].toCombined())));
                letters.insert(letter[0].toCombined(), item->text());
            }
        }
        QCOMPARE(menuItem("New1")->shortcut(), QKeySequence(QKeySequence::New));
        QCOMPARE(menuItem("Open1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(menuItem("Save1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(menuItem("SaveAs1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
        QCOMPARE(menuItem("Exit1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

        QPlainTextEdit* memo = textBox("Memo1");
        memo->setFocus();
        QTest::keyClick(memo, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(form->session().currentQuestion(), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(form->session().currentQuestion(), 2);
        edit("Edit1")->setFocus();
        QTest::keyClick(edit("Edit1"), Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(form->session().currentQuestion(), 1);
        QTest::keyClick(edit("Edit1"), Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(form->session().currentQuestion(), 0);

        // Ctrl+Return stores, without a line break in the question; Ctrl+S saves.
        memo->setFocus();
        QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(memo, QStringLiteral("?"));
        QTest::keyClick(memo, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(form->session().slot(0).QuestionText.str()),
                 QStringLiteral("Question 1?"));
        QTest::keyClick(memo, Qt::Key_S, Qt::ControlModifier);
        TQuizRec saved{};
        ReadQuizFile(saved, dir->file("keys.qvt"));
        QCOMPARE(saved.Questions[0].QuestionText.str(), std::string("Question 1?"));
    }

    // Characters the code page cannot hold are named before the store; No goes back to them,
    // Yes stores them as "?".
    void charactersTheCodePageCannotHoldAreNamed() {
        startWith(MakeQuiz(1, 3), "greek.qvt");
        textBox("Memo1")->setPlainText(QStringLiteral("Κύτταρο ≈ 细胞"));
        edit("Edit2")->setText(QStringLiteral("клетка ✓"));
        fake->answerConfirm(Answer::No);
        toolButton("PostBtn")->click();
        QCOMPARE(fake->lastAsked().kind, Kind::Confirm);
        QCOMPARE(fake->lastAsked().text,
                 QStringLiteral("The question and choice B have characters that can't be stored "
                                "in the quiz (≈, 细, 胞, к, л, е, т, а, ✓); each would be stored "
                                "as \"?\". Store the question anyway?"));
        QCOMPARE(form->session().slot(0).QuestionText.str(), std::string("Question 1"));
        QVERIFY(form->session().questionChanged());

        fake->answerConfirm(Answer::Yes);
        toolButton("PostBtn")->click();
        QCOMPARE(form->session().slot(0).ChoiceB.str(), std::string("?????? ?"));
        QVERIFY(!form->session().questionChanged());

        // Greek alone is kept without a question.
        textBox("Memo1")->setPlainText(QStringLiteral("Κύτταρο"));
        edit("Edit2")->setText(QStringLiteral("Πυρήνας"));
        toolButton("PostBtn")->click();
        QVERIFY(!form->session().questionChanged());
    }

    // On a Greek or Cyrillic keyboard the letters that look like A to E are the answer letters.
    void answerLetterFromAGreekOrCyrillicKeyboard() {
        startWith(MakeQuiz(1, 3), "letters.qvt");
        QLineEdit* answer = edit("Edit6");
        for (const auto& [typed, letter] :
             {std::pair{u'β', u'B'}, std::pair{u'α', u'A'}, std::pair{u'с', u'C'},
              std::pair{u'а', u'A'}, std::pair{u'В', u'B'}}) {
            answer->selectAll();
            // The key as a Greek or Cyrillic keyboard layout delivers it.
            const QString text(QChar{typed});
            QKeyEvent press(QEvent::KeyPress, QChar(typed).toUpper().unicode(), Qt::NoModifier,
                            text);
            QApplication::sendEvent(answer, &press);
            QCOMPARE(answer->text(), QString(QChar(letter)));
        }
        QVERIFY(fake->asked().isEmpty());
    }

    // A quiz opened from the command line while another folder is current finds its pictures
    // beside itself, as its page does; a name only in the current folder is still found there.
    void picturesAreFoundBesideTheQuizFile() {
        const std::filesystem::path quizFolder = dir->path() / "q";
        const std::filesystem::path elsewhere = dir->path() / "elsewhere";
        std::filesystem::create_directories(quizFolder);
        std::filesystem::create_directories(elsewhere);
        MakePicture(QString::fromStdString((quizFolder / "chloroplast.bmp").string()));
        MakePicture(QString::fromStdString((elsewhere / "nucleus.bmp").string()));
        TQuizRec quiz = MakeQuiz(2, 2);
        quiz.Questions[0].PicAddress = "chloroplast.bmp";
        quiz.Questions[1].PicAddress = "nucleus.bmp";
        quiz.Prefs.BgImage = "chloroplast.bmp";
        WriteQuizFile(quiz, (quizFolder / "biology.qvt").string());
        QDir::setCurrent(QString::fromStdString(elsewhere.string()));
        form =
            std::make_unique<TForm1>(QString::fromStdString((quizFolder / "biology.qvt").string()));
        form->CreateDialogs();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(pictureBox("Image1")->hasPicture());
        QVERIFY(fake->asked().isEmpty());
        toolButton("NextBtn")->click();
        QVERIFY(pictureBox("Image1")->hasPicture());
        QVERIFY(fake->asked().isEmpty());
        // The page-look window's preview finds the background there too.
        WhenModal([](QWidget* dialog) {
            QVERIFY(
                dialog->findChild<widgets::PictureBox*>(QStringLiteral("Image1"))->hasPicture());
            dialog->findChild<QAbstractButton*>(QStringLiteral("SpeedButton1"))->click();
        });
        menuItem("HtmlOptions1")->trigger();
        QVERIFY(fake->asked().isEmpty());
    }

    // Create Html puts the missing clock files beside the page, leaves a different one alone
    // and says so, and warns about unreadable colours and a time allowed under 30 seconds;
    // the message's first line is as it always was.
    void createHtmlCopiesTheClockFilesAndWarns() {
        TQuizRec quiz = MakeQuiz(1, 2);
        quiz.Interval = 1;
        quiz.Prefs.TitleFontOn = 1;
        quiz.Prefs.TitleFontColor = 0x00FFFFFF;
        WriteAll(dir->file("clock.js"), "// the author's own clock\n");
        startWith(quiz, "cells.qvt");
        fake->expectMessage();
        menuItem("Create1")->trigger();
        const QStringList lines = fake->lastAsked().text.split(u'\n');
        QCOMPARE(lines.value(0), QStringLiteral("The HTML file ") + path("cells.htm") +
                                     QStringLiteral(" has been created."));
        QCOMPARE(lines.value(1), QString());
        QCOMPARE(lines.value(2), QStringLiteral("Copied beside the page: 0fdg.gif, 1fdg.gif, "
                                                "2fdg.gif, 3fdg.gif, 4fdg.gif, 5fdg.gif, "
                                                "6fdg.gif, 7fdg.gif, 8fdg.gif, 9fdg.gif, "
                                                "cfdg.gif."));
        QCOMPARE(lines.value(3), QStringLiteral("Left as they were (they differ from the "
                                                "program's copies): clock.js."));
        QVERIFY2(lines.value(4).startsWith(QStringLiteral("Warning: the Title Font colour #FFFFFF "
                                                          "has too little contrast with the "
                                                          "background colour #FFFFFF (1.0:1")),
                 qPrintable(lines.value(4)));
        QVERIFY2(lines.value(5).startsWith(QStringLiteral("Warning: the time allowed is 1 "
                                                          "second (under 30 seconds)")),
                 qPrintable(lines.value(5)));
        QCOMPARE(lines.size(), 6);
        QCOMPARE(ReadAll(dir->file("clock.js")), std::string("// the author's own clock\n"));
        const std::filesystem::path program =
            std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
        QCOMPARE(ReadAll(dir->file("cfdg.gif")), ReadAll((program / "cfdg.gif").string()));

        // A second run finds everything in place: only the different file is mentioned.
        fake->expectMessage();
        menuItem("Create1")->trigger();
        QVERIFY(!fake->lastAsked().text.contains(QStringLiteral("Copied")));
        QVERIFY(fake->lastAsked().text.contains(QStringLiteral("clock.js")));
    }

    // The question-bank dialogs say what they are for.
    void bankDialogsAreTitled() {
        startWith(MakeQuiz(1, 2), "bank.qvt");
        fake->answerOpenFile(std::nullopt);
        menuItem("ImportQuestions1")->trigger();
        QCOMPARE(fake->lastAsked().fileOptions.title, QStringLiteral("Import Questions"));
        fake->answerSaveFile(std::nullopt);
        menuItem("ExportQuestions1")->trigger();
        QCOMPARE(fake->lastAsked().fileOptions.title, QStringLiteral("Export Questions"));
    }
};

QTEST_MAIN(AuthorPathTest)
#include "author_path_test.moc"
