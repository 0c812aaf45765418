#include "app/main_window.h"

#include "common/temp_dir.h"
#include "document/quiz_file.h"
#include "platform/fake_platform.h"
#include "window_test_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace tamberlin;
using tamberlin::testing::MakeQuiz;
using tamberlin::testing::ReadAll;
using tamberlin::testing::TempDir;
using tamberlin::testing::WhenModal;
using tamberlin::testing::WindowTestBase;
using tamberlin::testing::WriteAll;
using Kind = FakePlatform::Kind;
using Answer = Platform::Answer;

namespace {

const QString kChangesPrompt = QString::fromLatin1(kSaveChangesPrompt);

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

class MainWindowTest : public WindowTestBase {
    Q_OBJECT

private:
    QString path(const char* name) const { return q(dir->file(name)); }

    // Writes a quiz file and opens it at start-up (the dialogs are created when first used).
    void startWith(const TQuizRec& quiz, const char* name = "quiz.qvt") {
        WriteQuizFile(quiz, dir->file(name));
        form = std::make_unique<TForm1>(path(name));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void startEmpty() {
        form = std::make_unique<TForm1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    // Types into a box the way an author does (key-down and text change).
    static void type(QWidget* box, const QString& text) { QTest::keyClicks(box, text); }
    static void replaceText(QLineEdit* box, const QString& text) {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }

    // The questions the fake was asked, as "kind:text" lines, and forget them.
    QStringList takeAsked() {
        QStringList lines;
        for (const auto& question : fake->asked()) {
            lines << FakePlatform::kindName(question.kind) + u':' + question.text;
        }
        fake->clearAsked();
        return lines;
    }

    // Accepts the setup dialog as it stands, or runs setup on it first.
    void acceptSetup(std::function<void(QWidget*)> setup = {}) {
        WhenModal([setup](QWidget* dialog) {
            if (setup) {
                setup(dialog);
            }
            dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton2"))->click();
        });
    }

    const TQuestionRec& slot(int n) const {
        return form->quiz().Questions[static_cast<std::size_t>(n)];
    }

private slots:
    void init() { setUpWindow(); }
    void cleanup() { tearDownWindow(); }

    void startsWithNoQuiz() {
        startEmpty();
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin Free"));
        QVERIFY(!menuItem("Save1")->isEnabled());
        QVERIFY(!menuItem("SaveAs1")->isEnabled());
        QVERIFY(!menuNamed("Script1")->menuAction()->isEnabled());
        QCOMPARE(form->findChild<QAction*>(QStringLiteral("Script1")),
                 menuNamed("Script1")->menuAction());
        QVERIFY(menuItem("Create1")->isEnabled());
        QVERIFY(!toolButton("createbtn")->isEnabled());
        QVERIFY(!menuItem("Preview1")->isEnabled());
        QVERIFY(!toolButton("PreviewBtn")->isEnabled());
        QVERIFY(menuItem("Setup")->isEnabled());
        QVERIFY(menuItem("New1")->isEnabled() && menuItem("Open1")->isEnabled());
        for (QAction* item :
             {menuItem("ClearQ"), menuItem("PostQuestion1"), menuItem("FirstQuestion1"),
              menuItem("PrevQuestion1"), menuItem("NextQuestion"), menuItem("LastQuestion1")}) {
            QVERIFY2(!item->isEnabled(), qPrintable(item->objectName()));
        }
        QVERIFY(!textBox("Memo1")->isEnabled());
        QVERIFY(!edit("Edit1")->isEnabled());
        QCOMPARE(textLabel("Label9")->text(), QStringLiteral("Quiz Title:"));
        QCOMPARE(form->centralWidget()->size(), QSize(569, 494));
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->backgroundPicture().size(), QSize(570, 489));
        QCOMPARE(form->startFolder(), QDir::currentPath());
        // The menus carry their captions and access keys.
        QCOMPARE(menuNamed("File1")->title(), QStringLiteral("&File"));
        QCOMPARE(menuNamed("Script1")->title(), QStringLiteral("&HTML"));
        QCOMPARE(menuItem("FirstQuestion1")->text(), QStringLiteral("&First Question "));
        QCOMPARE(toolButton("PreviewBtn")->text(), QStringLiteral(" Preview"));
        QCOMPARE(form->findChild<QWidget*>(QStringLiteral("Edit3"))->geometry(),
                 QRect(32, 360, 525, 24));
        QCOMPARE(toolButton("PostBtn")->focusPolicy(), Qt::NoFocus);
        QVERIFY(takeAsked().isEmpty());
    }

    void newQuizFromNothingSavesThroughSetup() {
        startEmpty();
        const QString file = path("new.qvt");
        acceptSetup([](QWidget* dialog) {
            auto* questions = dialog->findChild<QAbstractSpinBox*>(QStringLiteral("SpinEdit1"));
            auto* choices = dialog->findChild<QAbstractSpinBox*>(QStringLiteral("SpinEdit2"));
            questions->stepBy(2);
            choices->stepBy(1);
            auto* title = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
            QTest::keyClicks(title, QStringLiteral("Moons"));
        });
        fake->answerSaveFile(file);
        menuItem("New1")->trigger();

        QCOMPARE(takeAsked(), QStringList{QStringLiteral("save dialog:")});
        QCOMPARE(ReadAll(file.toStdString()).size(), QuizFileSize(3));
        QCOMPARE(form->quiz().QuestionCount, 3);
        QCOMPARE(form->quiz().ChoiceCount, 3);
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + file);
        QCOMPARE(textLabel("Label9")->text(), QStringLiteral("Quiz Title: Moons"));
        QCOMPARE(textLabel("Label8")->text(), QStringLiteral("1 of 3"));
        QVERIFY(!form->session().quizChanged() && !form->session().questionChanged());
        QVERIFY(menuItem("Save1")->isEnabled() && menuItem("SaveAs1")->isEnabled());
        QVERIFY(menuNamed("Script1")->menuAction()->isEnabled());
        QVERIFY(toolButton("createbtn")->isEnabled());
        // Three choices: A to C on and white, D and E off.
        QVERIFY(edit("Edit3")->isEnabled() && textLabel("Label3")->isEnabled());
        QVERIFY(!edit("Edit4")->isEnabled() && !edit("Edit5")->isEnabled());
        QCOMPARE(edit("Edit1")->palette().color(QPalette::Base), QColor(Qt::white));
        QVERIFY(edit("Edit4")->palette().color(QPalette::Base) != QColor(Qt::white));
        QVERIFY(!toolButton("FirstBtn")->isEnabled() && !toolButton("PrevBtn")->isEnabled());
        QVERIFY(toolButton("NextBtn")->isEnabled() && toolButton("LastBtn")->isEnabled());
        QVERIFY(toolButton("ClearBtn")->isEnabled() && toolButton("InsertImgBtn")->isEnabled());
    }

    void setupFromMenuLeavesQuizChanged() {
        startWith(MakeQuiz(2, 2));
        acceptSetup();
        menuItem("Setup")->trigger();
        // Accept saved the quiz to its file, yet the quiz counts as changed.
        QVERIFY(form->session().quizChanged());
        QVERIFY(takeAsked().isEmpty());
        fake->answerConfirm(Answer::No);
        QVERIFY(form->FormCloseQuery());
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("confirmation:") + kChangesPrompt});
    }

    void setupAsksAboutUnstoredEditsFirst() {
        startWith(MakeQuiz(2, 2));
        form->CreateDialogs();
        // Counts the showings of the setup dialog and cancels each.
        struct CancelSetup : QObject {
            int shown = 0;
            bool eventFilter(QObject* dialog, QEvent* event) override {
                if (event->type() == QEvent::Show) {
                    ++shown;
                    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
                }
                return false;
            }
        } cancelSetup;
        form->findChild<Tqsetup*>()->installEventFilter(&cancelSetup);
        replaceText(edit("Edit1"), QStringLiteral("new A"));
        edit("Edit2")->clear();

        // Yes with a store that stops, and Cancel: Setup ends before its dialog.
        fake->answerConfirm(Answer::Yes);
        fake->expectMessage();
        menuItem("Setup")->trigger();
        fake->answerConfirm(Answer::Cancel);
        menuItem("Setup")->trigger();
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("confirmation:Save changes?"),
                                           QStringLiteral("message:Choice B missing"),
                                           QStringLiteral("confirmation:Save changes?")}));
        QCOMPARE(cancelSetup.shown, 0);
        // No, with the dialog cancelled: the edits are still there, still marked.
        fake->answerConfirm(Answer::No);
        menuItem("Setup")->trigger();
        QCOMPARE(cancelSetup.shown, 1);
        QCOMPARE(edit("Edit1")->text(), QStringLiteral("new A"));
        QVERIFY(form->session().questionChanged());
        form->findChild<Tqsetup*>()->removeEventFilter(&cancelSetup);

        // Yes, then Accept: the edits are in the slot and the editor starts again clean.
        type(edit("Edit2"), QStringLiteral("new B"));
        fake->answerConfirm(Answer::Yes);
        acceptSetup();
        menuItem("Setup")->trigger();
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("new A"));
        QCOMPARE(q(slot(0).ChoiceB.str()), QStringLiteral("new B"));
        QVERIFY(!form->session().questionChanged() && form->session().quizChanged());
        QVERIFY(!toolButton("PostBtn")->isEnabled());
        TQuizRec saved{};
        ReadQuizFile(saved, dir->file("quiz.qvt"));
        QCOMPARE(q(saved.Questions[0].ChoiceA.str()), QStringLiteral("new A"));
    }

    void newWithSetupCancelledLeavesNoQuiz() {
        startWith(MakeQuiz(2, 2));
        const QString caption = form->windowTitle();
        WhenModal([](QWidget* dialog) {
            dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
        });
        menuItem("New1")->trigger();
        QCOMPARE(form->windowTitle(), caption);
        QVERIFY(form->quizFileName().isEmpty());
        QCOMPARE(form->quiz().QuestionCount, 0);
        QVERIFY(!textBox("Memo1")->isEnabled());
        QVERIFY(!menuNamed("Script1")->menuAction()->isEnabled());
        QVERIFY(!form->session().quizChanged());
        // Without a quiz nothing publishes, saves, stores, clears or moves.
        for (const char* name : {"createbtn", "PreviewBtn", "PostBtn", "ClearBtn", "NextBtn",
                                 "LastBtn", "InsertImgBtn"}) {
            QVERIFY2(!toolButton(name)->isEnabled(), name);
        }
        for (const char* name : {"Save1", "SaveAs1", "ClearQ", "NextQuestion", "LastQuestion1"}) {
            QVERIFY2(!menuItem(name)->isEnabled(), name);
        }
        QVERIFY(menuItem("Setup")->isEnabled() && menuItem("New1")->isEnabled());
    }

    void newKeepsRedirectAndInterval() {
        TQuizRec quiz = MakeQuiz(1, 2);
        quiz.RedirectAddress = "http://example.test/done";
        quiz.Interval = 75;
        startWith(quiz);
        QString shownInterval;
        QString shownRedirect;
        acceptSetup([&](QWidget* dialog) {
            shownInterval =
                dialog->findChild<QAbstractSpinBox*>(QStringLiteral("SpinEdit3"))->text();
            shownRedirect = dialog->findChild<QLineEdit*>(QStringLiteral("redirect"))->text();
        });
        fake->answerSaveFile(path("second.qvt"));
        menuItem("New1")->trigger();
        QCOMPARE(shownInterval, QStringLiteral("75"));
        QCOMPARE(shownRedirect, QStringLiteral("http://example.test/done"));
        QCOMPARE(form->quiz().Interval, 75);
        QCOMPARE(form->quiz().QuestionCount, 1);
    }

    void answerBoxTakesCapitalsWithinTheChoices() {
        startWith(MakeQuiz(2, 3));
        // Typed over the slot's letter: shown as a capital, then refused.
        QCOMPARE(edit("Edit6")->text(), QStringLiteral("A"));
        edit("Edit6")->selectAll();
        fake->expectMessage();
        type(edit("Edit6"), QStringLiteral("d"));
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Value must be A - C")});
        QCOMPARE(edit("Edit6")->text(), QString());

        type(edit("Edit6"), QStringLiteral("b"));
        QCOMPARE(edit("Edit6")->text(), QStringLiteral("B"));
        QVERIFY(takeAsked().isEmpty());

        // Deleting the letter is refused with the same message.
        fake->expectMessage();
        QTest::keyClick(edit("Edit6"), Qt::Key_Backspace);
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Value must be A - C")});
        QCOMPARE(edit("Edit6")->text(), QString());
        QVERIFY(!form->updating());
    }

    void storeStopsAtTheFirstMissingField() {
        startWith(MakeQuiz(2, 3));
        form->activateWindow();
        replaceText(edit("Edit1"), QStringLiteral("Mercury"));
        edit("Edit3")->clear();
        textBox("Memo1")->setFocus();
        QTest::keyClick(textBox("Memo1"), Qt::Key_End, Qt::ControlModifier);
        type(textBox("Memo1"), QStringLiteral(" new"));
        fake->expectMessage();
        toolButton("PostBtn")->click();
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Choice C missing")});
        QCOMPARE(QApplication::focusWidget(), edit("Edit3"));
        // Nothing reached the slot, not even the fields before the check.
        QCOMPARE(q(slot(0).QuestionText.str()), QStringLiteral("Question 1"));
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Q1 choice A"));
        QCOMPARE(q(slot(0).ChoiceC.str()), QStringLiteral("Q1 choice C"));
        QVERIFY(form->session().questionChanged());
        QVERIFY(!form->session().quizChanged());

        type(edit("Edit3"), QStringLiteral("Venus"));
        // Emptied by the program, the answer box is checked all the same.
        fake->expectMessage();
        edit("Edit6")->setText(QString());
        fake->expectMessage();
        menuItem("PostQuestion1")->trigger();
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("message:Value must be A - C"),
                                           QStringLiteral("message:No Answer")}));
        QCOMPARE(QApplication::focusWidget(), edit("Edit6"));

        type(edit("Edit6"), QStringLiteral("c"));
        QVERIFY(toolButton("PostBtn")->isEnabled() && !toolButton("createbtn")->isEnabled());
        QVERIFY(!menuItem("Create1")->isEnabled());
        toolButton("PostBtn")->click();
        QVERIFY(takeAsked().isEmpty());
        QCOMPARE(q(slot(0).Answer.str()), QStringLiteral("C"));
        QCOMPARE(q(slot(0).QuestionText.str()), QStringLiteral("Question 1 new"));
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Mercury"));
        QCOMPARE(q(slot(0).ChoiceC.str()), QStringLiteral("Venus"));
        QVERIFY(form->session().quizChanged() && !form->session().questionChanged());
        QVERIFY(!toolButton("PostBtn")->isEnabled() && !menuItem("PostQuestion1")->isEnabled());
        QVERIFY(toolButton("createbtn")->isEnabled() && menuItem("Create1")->isEnabled());
        // The next key press, even one that changes nothing, turns it round again.
        QTest::keyClick(edit("Edit2"), Qt::Key_Left);
        type(edit("Edit2"), QStringLiteral("x"));
        QVERIFY(toolButton("PostBtn")->isEnabled() && !toolButton("createbtn")->isEnabled());
    }

    void emptyQuestionTextIsStored() {
        startWith(MakeQuiz(1, 2));
        textBox("Memo1")->selectAll();
        QTest::keyClick(textBox("Memo1"), Qt::Key_Delete);
        toolButton("PostBtn")->click();
        QVERIFY(slot(0).QuestionText.empty());
        QVERIFY(!form->session().questionChanged());
    }

    void questionTextChangesOnlyWhenTheAuthorEditsIt() {
        TQuizRec quiz = MakeQuiz(2, 2);
        // A non-breaking space before "?" and lone line ends, as a file from elsewhere may hold.
        const std::string text = "Quelle plan\xE8te\xA0? A\rB\nC";
        quiz.Questions[0].QuestionText = text;
        startWith(quiz);
        type(edit("Edit1"), QStringLiteral("!"));
        toolButton("PostBtn")->click();
        QCOMPARE(slot(0).QuestionText.str(), text);

        // Edited, the text keeps its non-breaking space and holds CR LF between its lines.
        textBox("Memo1")->setFocus();
        QTest::keyClick(textBox("Memo1"), Qt::Key_End, Qt::ControlModifier);
        type(textBox("Memo1"), QStringLiteral("!"));
        toolButton("PostBtn")->click();
        QCOMPARE(slot(0).QuestionText.str(), std::string("Quelle plan\xE8te\xA0? A\r\nB\r\nC!"));
    }

    // At the limit a box takes no more characters and says so once, however many keys follow;
    // the keys after the message still reach the box whole.
    void lengthLimitsStopTheBoxAndSaySoOnce() {
        startWith(MakeQuiz(1, 3));
        // A line break counts as two: 253 letters and one break make 255, still allowed.
        textBox("Memo1")->setPlainText(QString(253, u'x') + u'\n');
        QVERIFY(takeAsked().isEmpty());
        fake->expectMessage();
        QTest::keyClick(textBox("Memo1"), Qt::Key_End, Qt::ControlModifier);
        type(textBox("Memo1"), QStringLiteral("yyyy"));
        QTest::keyClick(textBox("Memo1"), Qt::Key_Return);
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Only 255 characters allowed!")});
        QCOMPARE(textBox("Memo1")->toPlainText(), QString(253, u'x') + u'\n');
        // Room made again: typing goes on, and the next overflow is told once more.
        QTest::keyClick(textBox("Memo1"), Qt::Key_Backspace);
        QTest::keyClick(textBox("Memo1"), Qt::Key_Backspace);
        type(textBox("Memo1"), QStringLiteral("ab"));
        fake->expectMessage();
        type(textBox("Memo1"), QStringLiteral("cd"));
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Only 255 characters allowed!")});
        QCOMPARE(textBox("Memo1")->toPlainText(), QString(252, u'x') + QStringLiteral("abc"));
        // Setting the text a box already holds is no change: no check runs.
        textBox("Memo1")->setPlainText(textBox("Memo1")->toPlainText());
        QVERIFY(takeAsked().isEmpty());

        // A choice stops at 250, a paste past it is refused whole; the author is told once.
        textBox("Memo1")->setPlainText(QStringLiteral("short"));
        edit("Edit3")->setText(QString(248, u'c'));
        takeAsked();
        fake->expectMessage();
        type(edit("Edit3"), QStringLiteral("123456"));
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Only 250 characters allowed")});
        QCOMPARE(edit("Edit3")->text(), QString(248, u'c') + QStringLiteral("12"));
        edit("Edit3")->setCursorPosition(10);
        edit("Edit3")->insert(QStringLiteral("pasted"));
        QCOMPARE(edit("Edit3")->text(), QString(248, u'c') + QStringLiteral("12"));
        QVERIFY(takeAsked().isEmpty());
        type(edit("Edit1"), QStringLiteral("a"));
        type(edit("Edit2"), QStringLiteral("b"));
        type(edit("Edit6"), QStringLiteral("c"));
        toolButton("PostBtn")->click();
        QCOMPARE(slot(0).ChoiceC.size(), 250u);
    }

    void navigationAsksAboutUnstoredEdits() {
        startWith(MakeQuiz(3, 2));
        type(edit("Edit1"), QStringLiteral("!"));

        fake->answerConfirm(Answer::Cancel);
        toolButton("NextBtn")->click();
        QCOMPARE(form->session().currentQuestion(), 0);
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Save changes?"));
        QCOMPARE(
            fake->lastAsked().buttons,
            (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No"), QStringLiteral("Cancel")}));

        fake->answerConfirm(Answer::No);
        toolButton("NextBtn")->click();
        QCOMPARE(form->session().currentQuestion(), 1);
        QCOMPARE(textLabel("Label8")->text(), QStringLiteral("2 of 3"));
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Q1 choice A"));
        QVERIFY(!form->session().questionChanged());

        type(edit("Edit2"), QStringLiteral("?"));
        fake->answerConfirm(Answer::Yes);
        menuItem("LastQuestion1")->trigger();
        QCOMPARE(q(slot(1).ChoiceB.str()), QStringLiteral("Q2 choice B?"));
        QCOMPARE(form->session().currentQuestion(), 2);
        QVERIFY(!toolButton("NextBtn")->isEnabled() && !menuItem("LastQuestion1")->isEnabled());
        QVERIFY(toolButton("PrevBtn")->isEnabled() && menuItem("FirstQuestion1")->isEnabled());

        // Keys that change no text mark nothing: no question on the way out.
        for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Alt, Qt::Key_Control,
                                  Qt::Key_Escape, Qt::Key_Return, Qt::Key_Home}) {
            QTest::keyClick(edit("Edit1"), key);
        }
        QTest::keyClick(textBox("Memo1"), Qt::Key_Down);
        QVERIFY(!form->session().questionChanged());
        toolButton("FirstBtn")->click();
        QCOMPARE(form->session().currentQuestion(), 0);
        QVERIFY(takeAsked().size() == 3);
        // "Start of Quiz" when Previous runs at the first question: the session's tests.
    }

    void editsMadeWithoutTypingAreNotDroppedSilently() {
        startWith(MakeQuiz(3, 2));
        form->activateWindow();
        textBox("Memo1")->setFocus();
        // Keys that only move the focus mark nothing.
        QTest::keyClick(textBox("Memo1"), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), textBox("Memo1"));
        QVERIFY(!form->session().questionChanged());

        // A paste with the mouse (the context menu's Paste), then Next.
        QApplication::clipboard()->setText(QStringLiteral(" pasted"));
        edit("Edit2")->end(false);
        edit("Edit2")->paste();
        QVERIFY(form->session().questionChanged() && toolButton("PostBtn")->isEnabled());
        fake->answerConfirm(Answer::Yes);
        toolButton("NextBtn")->click();
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("confirmation:Save changes?")});
        QCOMPARE(q(slot(0).ChoiceB.str()), QStringLiteral("Q1 choice B pasted"));
        QCOMPARE(form->session().currentQuestion(), 1);
        // Showing the next question is the program's change: nothing is marked.
        QVERIFY(!form->session().questionChanged());

        // Text committed by an input method.
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("\u00e9"));
        QApplication::sendEvent(edit("Edit1"), &composed);
        QVERIFY(form->session().questionChanged());
        fake->answerConfirm(Answer::No);
        toolButton("NextBtn")->click();
        QVERIFY(!form->session().questionChanged());

        // A drop onto the question box.
        auto* dropped = new QMimeData;
        dropped->setText(QStringLiteral("dropped "));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, dropped, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(textBox("Memo1")->viewport(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(textBox("Memo1")->viewport(), &drop);
        delete dropped;
        QVERIFY(textBox("Memo1")->toPlainText().contains(QStringLiteral("dropped")));
        QVERIFY(form->session().questionChanged());
        fake->answerConfirm(Answer::Cancel);
        toolButton("FirstBtn")->click();
        QCOMPARE(form->session().currentQuestion(), 2);
    }

    void yesWithAFailingStoreStaysOnTheQuestion() {
        startWith(MakeQuiz(2, 2));
        replaceText(edit("Edit1"), QStringLiteral("new A"));
        edit("Edit2")->clear();
        fake->answerConfirm(Answer::Yes);
        fake->expectMessage();
        toolButton("NextBtn")->click();
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("confirmation:Save changes?"),
                                           QStringLiteral("message:Choice B missing")}));
        QCOMPARE(form->session().currentQuestion(), 0);
        QCOMPARE(edit("Edit1")->text(), QStringLiteral("new A"));
        QVERIFY(form->session().questionChanged());
        // Dropping the edits then leaves the slot whole, as it was.
        fake->answerConfirm(Answer::No);
        toolButton("NextBtn")->click();
        QCOMPARE(form->session().currentQuestion(), 1);
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Q1 choice A"));
    }

    void oneQuestionQuiz() {
        startWith(MakeQuiz(1, 5, "H<sub>2</sub>O"));
        QCOMPARE(textLabel("Label9")->text(), QStringLiteral("Quiz Title: H<sub>2</sub>O"));
        QCOMPARE(textLabel("Label9")->textFormat(), Qt::PlainText);
        QCOMPARE(textLabel("Label8")->text(), QStringLiteral("1 of 1"));
        for (QToolButton* button : {toolButton("FirstBtn"), toolButton("PrevBtn"),
                                    toolButton("NextBtn"), toolButton("LastBtn")}) {
            QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
        }
        QVERIFY(edit("Edit5")->isEnabled());
        QCOMPARE(edit("Edit5")->text(), QStringLiteral("Q1 choice E"));
        QCOMPARE(edit("Edit6")->text(), QStringLiteral("A"));
    }

    void droppedChoicesStayVisibleInGrey() {
        TQuizRec quiz = MakeQuiz(1, 2);
        quiz.Questions[0].ChoiceD = "kept D";
        startWith(quiz);
        QCOMPARE(edit("Edit4")->text(), QStringLiteral("kept D"));
        QVERIFY(!edit("Edit4")->isEnabled());
        QVERIFY(!textLabel("Label4")->isEnabled());
    }

    void clearAsksAndOnlyYesClears() {
        startWith(MakeQuiz(2, 2));
        fake->answerConfirm(Answer::No);
        toolButton("ClearBtn")->click();
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Clear this entry?"));
        QCOMPARE(fake->lastAsked().buttons,
                 (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")}));
        // The close box answers Cancel: that backs out too.
        fake->answerConfirm(Answer::Cancel);
        menuItem("ClearQ")->trigger();
        QCOMPARE(edit("Edit1")->text(), QStringLiteral("Q1 choice A"));
        QVERIFY(!form->session().quizChanged() && !form->session().questionChanged());

        fake->answerConfirm(Answer::Yes);
        toolButton("ClearBtn")->click();
        QCOMPARE(edit("Edit1")->text(), QString());
        QCOMPARE(textBox("Memo1")->toPlainText(), QString());
        QCOMPARE(edit("Edit6")->text(), QString());
        QVERIFY(form->session().quizChanged() && form->session().questionChanged());
        // The slot changes only on Store.
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Q1 choice A"));
        QVERIFY(!toolButton("ClearImgBtn")->isEnabled());
    }

    void typedPictureAddressIsNotDroppedSilently() {
        startWith(MakeQuiz(2, 2));
        type(edit("qpicaddress"), QStringLiteral("sun.jpg"));
        QVERIFY(form->session().questionChanged());
        fake->answerConfirm(Answer::Yes);
        toolButton("NextBtn")->click();
        QCOMPARE(q(slot(0).PicAddress.str()), QStringLiteral("sun.jpg"));
        QCOMPARE(form->session().currentQuestion(), 1);
    }

    void pictureThatCannotBeLoadedStillShowsTheQuestion() {
        TQuizRec quiz = MakeQuiz(2, 2);
        quiz.Questions[1].PicAddress = "/no/such/picture.jpg";
        startWith(quiz);
        // What the window shows while the error box is up.
        QStringList shownAtError;
        fake->onUnexpected = [&](const FakePlatform::Question& question) {
            shownAtError << FakePlatform::kindName(question.kind) << textBox("Memo1")->toPlainText()
                         << edit("Edit1")->text() << textLabel("Label8")->text();
        };
        toolButton("NextBtn")->click();
        fake->onUnexpected = nullptr;
        QCOMPARE(shownAtError,
                 (QStringList{QStringLiteral("error"), QStringLiteral("Question 2"),
                              QStringLiteral("Q2 choice A"), QStringLiteral("2 of 2")}));
        QVERIFY(fake->lastAsked().text.startsWith(
            QStringLiteral("Cannot open file \"/no/such/picture.jpg\".")));
        QCOMPARE(edit("Edit1")->text(), QStringLiteral("Q2 choice A"));
        QCOMPARE(textLabel("Label8")->text(), QStringLiteral("2 of 2"));
        QVERIFY(toolButton("ClearImgBtn")->isEnabled());
    }

    void closingAsksOnlyWithChanges() {
        startWith(MakeQuiz(1, 2));
        QVERIFY(form->close());
        QVERIFY(takeAsked().isEmpty());
    }

    void closingWithYesStoresAndSaves() {
        startWith(MakeQuiz(2, 2));
        type(edit("Edit2"), QStringLiteral(" edited"));
        fake->answerConfirm(Answer::Yes);
        QVERIFY(form->FormCloseQuery());
        TQuizRec reread{};
        ReadQuizFile(reread, dir->file("quiz.qvt"));
        QCOMPARE(q(reread.Questions[0].ChoiceB.str()), QStringLiteral("Q1 choice B edited"));
        QVERIFY(!form->session().quizChanged() && !form->session().questionChanged());
    }

    void closingWithYesStopsWhenWorkWouldBeLost() {
        startWith(MakeQuiz(2, 2));
        // A store that stops at a check keeps the window open.
        edit("Edit1")->clear();
        type(edit("Edit2"), QStringLiteral("!"));
        fake->answerConfirm(Answer::Yes);
        fake->expectMessage();
        QVERIFY(!form->FormCloseQuery());
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Choice A missing"));

        // A save that fails keeps it open too (a file without write permission is refused).
        type(edit("Edit1"), QStringLiteral("A again"));
        std::filesystem::permissions(dir->file("quiz.qvt"), std::filesystem::perms::owner_read);
        fake->answerConfirm(Answer::Yes);
        fake->expectError();
        QVERIFY(!form->FormCloseQuery());
        QCOMPARE(fake->lastAsked().text, QStringLiteral("File access denied."));
        QVERIFY(form->session().quizChanged());

        // A cancelled Save As as well: a quiz set up whose save dialog was cancelled.
        form = std::make_unique<TForm1>();
        acceptSetup();
        fake->answerSaveFile(std::nullopt);
        menuItem("New1")->trigger();
        QVERIFY(form->quizFileName().isEmpty() && form->session().editing());
        fake->answerConfirm(Answer::Yes);
        fake->answerSaveFile(std::nullopt);
        QVERIFY(!form->FormCloseQuery());

        fake->answerConfirm(Answer::Cancel);
        QVERIFY(!form->FormCloseQuery());
        fake->answerConfirm(Answer::No);
        QVERIFY(form->FormCloseQuery());
    }

    void newAsksForUnstoredEditsAndStopsOnCancelledSave() {
        startWith(MakeQuiz(2, 2));
        type(edit("Edit1"), QStringLiteral("!"));
        QVERIFY(!form->session().quizChanged() && form->session().questionChanged());
        fake->answerConfirm(Answer::Yes);
        fake->answerSaveFile(std::nullopt);
        menuItem("New1")->trigger();
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("confirmation:") + kChangesPrompt,
                                           QStringLiteral("save dialog:")}));
        // New stopped: the quiz and its file are still there, the edit stored.
        QCOMPARE(form->quiz().QuestionCount, 2);
        QCOMPARE(form->quizFileName(), path("quiz.qvt"));
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Q1 choice A!"));

        // Yes with a chosen name saves there even though the quiz has a file, then goes on.
        fake->answerConfirm(Answer::Yes);
        fake->answerSaveFile(path("copy.qvt"));
        WhenModal([](QWidget* dialog) {
            dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
        });
        menuItem("New1")->trigger();
        TQuizRec copy{};
        ReadQuizFile(copy, dir->file("copy.qvt"));
        QCOMPARE(q(copy.Questions[0].ChoiceA.str()), QStringLiteral("Q1 choice A!"));
        QCOMPARE(form->quiz().QuestionCount, 0);
    }

    void newPromptCancelStopsAndNoDropsTheWork() {
        startWith(MakeQuiz(2, 2));
        type(edit("Edit1"), QStringLiteral("!"));
        toolButton("PostBtn")->click();
        fake->answerConfirm(Answer::Cancel);
        menuItem("New1")->trigger();
        QCOMPARE(form->quiz().QuestionCount, 2);
        QVERIFY(form->session().quizChanged() && form->session().editing());

        fake->answerConfirm(Answer::No);
        acceptSetup();
        fake->answerSaveFile(path("fresh.qvt"));
        menuItem("New1")->trigger();
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("confirmation:") + kChangesPrompt,
                                           QStringLiteral("confirmation:") + kChangesPrompt,
                                           QStringLiteral("save dialog:")}));
        QCOMPARE(form->quiz().QuestionCount, 1);
        QVERIFY(slot(0).ChoiceA.empty());
        // The earlier quiz's file never got the dropped change.
        TQuizRec old{};
        ReadQuizFile(old, dir->file("quiz.qvt"));
        QCOMPARE(q(old.Questions[0].ChoiceA.str()), QStringLiteral("Q1 choice A"));
    }

    void openAsksFirstAndLeavesACleanQuiz() {
        WriteQuizFile(MakeQuiz(4, 2, "Other"), dir->file("other.qvt"));
        startWith(MakeQuiz(2, 2));
        type(edit("Edit1"), QStringLiteral("!"));
        fake->answerConfirm(Answer::Cancel);
        menuItem("Open1")->trigger();
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("confirmation:") + kChangesPrompt});

        // Yes stores and saves before the dialog; cancelling the dialog then keeps the quiz.
        fake->answerConfirm(Answer::Yes);
        fake->answerOpenFile(std::nullopt);
        menuItem("Open1")->trigger();
        TQuizRec saved{};
        ReadQuizFile(saved, dir->file("quiz.qvt"));
        QCOMPARE(q(saved.Questions[0].ChoiceA.str()), QStringLiteral("Q1 choice A!"));
        QCOMPARE(form->quizFileName(), path("quiz.qvt"));
        QVERIFY(!form->session().quizChanged() && !form->session().questionChanged());
        takeAsked();
        type(edit("Edit1"), QStringLiteral("!"));

        fake->answerConfirm(Answer::No);
        fake->answerOpenFile(path("other.qvt"));
        menuItem("Open1")->trigger();
        const auto& options = fake->lastAsked().fileOptions;
        QCOMPARE(options.filter, QStringLiteral("Tamberlin files (*.qvt)|*.qvt"));
        QCOMPARE(options.defaultExtension, QStringLiteral("qvt"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + path("other.qvt"));
        QCOMPARE(textLabel("Label9")->text(), QStringLiteral("Quiz Title: Other"));
        QCOMPARE(textLabel("Label8")->text(), QStringLiteral("1 of 4"));
        QVERIFY(!form->session().quizChanged() && !form->session().questionChanged());
        QVERIFY(!menuItem("Preview1")->isEnabled());
        QCOMPARE(QDir::currentPath(), q(dir->path().string()));
    }

    void buttonsAfterEveryOpenShowACleanQuestion() {
        WriteQuizFile(MakeQuiz(3, 2, "Other"), dir->file("other.qvt"));
        auto clean = [this](const char* kind) {
            QVERIFY2(!form->session().quizChanged() && !form->session().questionChanged(), kind);
            QVERIFY2(!toolButton("PostBtn")->isEnabled() && !menuItem("PostQuestion1")->isEnabled(),
                     kind);
            QVERIFY2(toolButton("createbtn")->isEnabled() && menuItem("Create1")->isEnabled(),
                     kind);
        };
        // At start-up, before the first showing switches the button off.
        WriteQuizFile(MakeQuiz(2, 2), dir->file("quiz.qvt"));
        form = std::make_unique<TForm1>(path("quiz.qvt"));
        clean("start-up");
        form->show();

        // Over unstored edits dropped with No, over a clean quiz, and after a failed open.
        type(edit("Edit1"), QStringLiteral("!"));
        fake->answerConfirm(Answer::No);
        fake->answerOpenFile(path("other.qvt"));
        menuItem("Open1")->trigger();
        clean("over dropped edits");
        fake->answerOpenFile(path("quiz.qvt"));
        menuItem("Open1")->trigger();
        clean("over a clean quiz");
        fake->answerOpenFile(path("missing.qvt"));
        fake->expectError();
        menuItem("Open1")->trigger();
        fake->answerOpenFile(path("other.qvt"));
        menuItem("Open1")->trigger();
        clean("after a failed open");
    }

    void failedOpenLeavesNoQuizBoundToTheOldFile() {
        startWith(MakeQuiz(2, 2));
        fake->expectMessage();
        menuItem("Create1")->trigger();
        QVERIFY(menuItem("Preview1")->isEnabled());
        fake->answerOpenFile(path("missing.qvt"));
        fake->expectError();
        menuItem("Open1")->trigger();
        QCOMPARE(fake->lastAsked().text, QStringLiteral("File not found."));
        QVERIFY(form->quizFileName().isEmpty());
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin Free"));
        QVERIFY(!menuItem("Save1")->isEnabled() && !menuItem("SaveAs1")->isEnabled());
        QVERIFY(!menuNamed("Script1")->menuAction()->isEnabled());
        QVERIFY(!toolButton("createbtn")->isEnabled() && !toolButton("PreviewBtn")->isEnabled());
        QVERIFY(!textBox("Memo1")->isEnabled());
        QVERIFY(!toolButton("NextBtn")->isEnabled());
        QCOMPARE(form->quiz().QuestionCount, 0);
        // The earlier quiz's file is untouched.
        QCOMPARE(ReadAll(dir->file("quiz.qvt")).size(), QuizFileSize(2));
    }

    void saveAndSaveAsSetNameCaptionAndFlag() {
        startWith(MakeQuiz(2, 2));
        const QString caption = form->windowTitle();
        type(edit("Edit1"), QStringLiteral("!"));
        toolButton("PostBtn")->click();
        QVERIFY(form->session().quizChanged());
        menuItem("Save1")->trigger();
        QVERIFY(!form->session().quizChanged());
        QCOMPARE(form->windowTitle(), caption);
        QVERIFY(takeAsked().isEmpty());

        // Save As onto an existing file replaces it without a question; long paths are kept.
        const std::string longFolder =
            dir->file(std::string(120, 'f')) + "/" + std::string(120, 'g');
        std::filesystem::create_directories(longFolder);
        const QString target = q(longFolder + "/renamed.qvt");
        WriteAll(target.toStdString(), "old");
        type(edit("Edit1"), QStringLiteral("?"));
        toolButton("PostBtn")->click();
        QVERIFY(form->session().quizChanged());
        fake->answerSaveFile(target);
        menuItem("SaveAs1")->trigger();
        QCOMPARE(fake->lastAsked().kind, Kind::SaveFile);
        QCOMPARE(fake->lastAsked().fileOptions.filter,
                 QStringLiteral("Tamberlin files (*.qvt)|*.qvt"));
        QCOMPARE(fake->lastAsked().fileOptions.defaultExtension, QStringLiteral("qvt"));
        QVERIFY(target.size() > 255);
        QCOMPARE(form->quizFileName(), target);
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + target);
        QCOMPARE(ReadAll(target.toStdString()).size(), QuizFileSize(2));
        QVERIFY(!form->session().quizChanged());

        // A failed Save As keeps the name, the caption and the flag.
        type(edit("Edit1"), QStringLiteral("?"));
        toolButton("PostBtn")->click();
        fake->answerSaveFile(q(testing::UnwritableFolder(*dir) + "/x.qvt"));
        fake->expectError();
        menuItem("SaveAs1")->trigger();
        QCOMPARE(form->quizFileName(), target);
        QVERIFY(form->session().quizChanged());
    }

    // Cancel in Html Options writes nothing: a stored edit stays unsaved, and No at exit still
    // drops it. Apply saves.
    void htmlOptionsCancelWritesNothing() {
        startWith(MakeQuiz(2, 2));
        const std::string before = ReadAll(dir->file("quiz.qvt"));
        QTest::keyClick(textBox("Memo1"), Qt::Key_End, Qt::ControlModifier);
        type(textBox("Memo1"), QStringLiteral(" edited"));
        toolButton("PostBtn")->click();
        WhenModal([](QWidget* dialog) {
            dialog->findChild<QAbstractButton*>(QStringLiteral("SpeedButton1"))->click();
        });
        menuItem("HtmlOptions1")->trigger();
        QVERIFY(takeAsked().isEmpty());
        QCOMPARE(ReadAll(dir->file("quiz.qvt")), before);
        QVERIFY(form->session().quizChanged());

        WhenModal([](QWidget* dialog) {
            dialog->findChild<QAbstractButton*>(QStringLiteral("ApplyBtn"))->click();
        });
        menuItem("HtmlOptions1")->trigger();
        TQuizRec saved{};
        ReadQuizFile(saved, dir->file("quiz.qvt"));
        QCOMPARE(q(saved.Questions[0].QuestionText.str()), QStringLiteral("Question 1 edited"));
        QVERIFY(!form->session().quizChanged());
    }

    void commandLineFileIsTakenAsGiven() {
        WriteQuizFile(MakeQuiz(3, 4, "Mixed"), dir->file("Mixed Case.qvt"));
        form = std::make_unique<TForm1>(path("Mixed Case.qvt"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + path("Mixed Case.qvt"));
        QVERIFY(menuItem("Save1")->isEnabled());
        QVERIFY(menuItem("Create1")->isEnabled());
        form->show();
        // The first showing switches the Create HTML button off.
        QVERIFY(!toolButton("createbtn")->isEnabled());
        QVERIFY(menuItem("Create1")->isEnabled());
        QCOMPARE(textLabel("Label8")->text(), QStringLiteral("1 of 3"));
    }

    void failingCommandLineFileStartsWithNoQuiz() {
        fake->expectError();
        form = std::make_unique<TForm1>(QStringLiteral("\"") + path("quiz.qvt") + u'"');
        QCOMPARE(fake->lastAsked().text, QStringLiteral("File not found."));
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin Free"));
        QVERIFY(!menuItem("Save1")->isEnabled());
        QVERIFY(!menuNamed("Script1")->menuAction()->isEnabled());
        QVERIFY(!textBox("Memo1")->isEnabled());
    }

    void editedQuizSavesTheExpectedBytes() {
        // Bytes after a text's length survive: a long text stored under a short one.
        TQuizRec quiz = MakeQuiz(3, 3);
        quiz.Questions[1].ChoiceB = "a rather long old choice";
        quiz.Questions[1].ChoiceB = "short";
        startWith(quiz);
        toolButton("NextBtn")->click();
        QVERIFY(takeAsked().isEmpty());
        replaceText(edit("Edit2"), QStringLiteral("Mars"));
        textBox("Memo1")->setFocus();
        QTest::keyClick(textBox("Memo1"), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(textBox("Memo1"), Qt::Key_Return);
        type(textBox("Memo1"), QStringLiteral("second line"));
        edit("Edit6")->selectAll();
        type(edit("Edit6"), QStringLiteral("c"));
        fake->answerConfirm(Answer::Yes);
        toolButton("NextBtn")->click();
        menuItem("Save1")->trigger();

        TQuizRec expected = quiz;
        expected.Questions[1].ChoiceB = "Mars";
        expected.Questions[1].QuestionText = "Question 2\r\nsecond line";
        expected.Questions[1].Answer = "C";
        const std::string bytes = ReadAll(dir->file("quiz.qvt"));
        QCOMPARE(bytes.size(), QuizFileSize(3));
        QVERIFY(bytes == SerializeQuiz(expected));
        // "Mars" over "short": the old fifth letter and the rest of the old text follow.
        const std::size_t choiceB = kQuizHeaderSize + kQuestionRecSize + 758;
        QCOMPARE(bytes.substr(choiceB, 8), std::string("\x04Marsthe"));
    }

    void authorWritesTenQuestionsAndFindsThemAfterRestart() {
        startEmpty();
        const QString file = path("ten.qvt");
        acceptSetup([](QWidget* dialog) {
            dialog->findChild<QAbstractSpinBox*>(QStringLiteral("SpinEdit1"))->stepBy(9);
            dialog->findChild<QAbstractSpinBox*>(QStringLiteral("SpinEdit2"))->stepBy(2);
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("Edit1")),
                             QStringLiteral("Ten of them"));
        });
        fake->answerSaveFile(file);
        menuItem("New1")->trigger();
        QCOMPARE(textLabel("Label8")->text(), QStringLiteral("1 of 10"));

        for (int i = 0; i < 10; ++i) {
            const QString n = QString::number(i + 1);
            type(textBox("Memo1"), QStringLiteral("How many moons has planet ") + n + u'?');
            QLineEdit* boxes[] = {edit("Edit1"), edit("Edit2"), edit("Edit3"), edit("Edit4")};
            for (int k = 0; k < 4; ++k) {
                type(boxes[k], n + QStringLiteral(" moons, ") + QChar(u'a' + k));
            }
            type(edit("Edit6"), QString(QChar(u'a' + i % 4)));
            if (i < 9) {
                fake->answerConfirm(Answer::Yes);
                toolButton("NextBtn")->click();
                QCOMPARE(form->session().currentQuestion(), i + 1);
            } else {
                toolButton("PostBtn")->click();
            }
        }
        QCOMPARE(takeAsked().size(), 10); // the save dialog and nine "Save changes?"
        fake->answerConfirm(Answer::Yes);
        QVERIFY(form->close());
        form.reset();

        form = std::make_unique<TForm1>(file);
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + file);
        QCOMPARE(form->quiz().QuestionCount, 10);
        QCOMPARE(form->quiz().ChoiceCount, 4);
        for (int i = 0; i < 10; ++i) {
            const TQuestionRec& question = slot(i);
            const QString n = QString::number(i + 1);
            QCOMPARE(q(question.QuestionText.str()),
                     QStringLiteral("How many moons has planet ") + n + u'?');
            QCOMPARE(q(question.ChoiceD.str()), n + QStringLiteral(" moons, d"));
            QCOMPARE(q(question.Answer.str()), QString(QChar(u'A' + i % 4)));
        }
        toolButton("LastBtn")->click();
        QCOMPARE(edit("Edit3")->text(), QStringLiteral("10 moons, c"));
        QCOMPARE(edit("Edit6")->text(), QStringLiteral("B"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
