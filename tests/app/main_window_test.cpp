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
        QVERIFY(!form->Save1->isEnabled());
        QVERIFY(!form->SaveAs1->isEnabled());
        QVERIFY(!form->Script1->menuAction()->isEnabled());
        QCOMPARE(form->findChild<QAction*>(QStringLiteral("Script1")), form->Script1->menuAction());
        QVERIFY(form->Create1->isEnabled());
        QVERIFY(!form->createbtn->isEnabled());
        QVERIFY(!form->Preview1->isEnabled());
        QVERIFY(!form->PreviewBtn->isEnabled());
        QVERIFY(form->Setup->isEnabled());
        QVERIFY(form->New1->isEnabled() && form->Open1->isEnabled());
        for (QAction* item : {form->ClearQ, form->PostQuestion1, form->FirstQuestion1,
                              form->PrevQuestion1, form->NextQuestion, form->LastQuestion1}) {
            QVERIFY2(!item->isEnabled(), qPrintable(item->objectName()));
        }
        QVERIFY(!form->Memo1->isEnabled());
        QVERIFY(!form->Edit1->isEnabled());
        QCOMPARE(form->Label9->text(), QStringLiteral("Quiz Title:"));
        QCOMPARE(form->centralWidget()->size(), QSize(569, 494));
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->backgroundPicture().size(), QSize(570, 489));
        QCOMPARE(form->StartFolder, QDir::currentPath());
        // The menus carry their captions and access keys.
        QCOMPARE(form->File1->title(), QStringLiteral("&File"));
        QCOMPARE(form->Script1->title(), QStringLiteral("&HTML"));
        QCOMPARE(form->FirstQuestion1->text(), QStringLiteral("&First Question "));
        QCOMPARE(form->PreviewBtn->text(), QStringLiteral(" Preview"));
        QCOMPARE(form->findChild<QWidget*>(QStringLiteral("Edit3"))->geometry(),
                 QRect(32, 360, 525, 24));
        QCOMPARE(form->PostBtn->focusPolicy(), Qt::NoFocus);
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
        form->New1->trigger();

        QCOMPARE(takeAsked(), QStringList{QStringLiteral("save dialog:")});
        QCOMPARE(ReadAll(file.toStdString()).size(), QuizFileSize(3));
        QCOMPARE(form->quiz().QuestionCount, 3);
        QCOMPARE(form->quiz().ChoiceCount, 3);
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + file);
        QCOMPARE(form->Label9->text(), QStringLiteral("Quiz Title: Moons"));
        QCOMPARE(form->Label8->text(), QStringLiteral("1 of 3"));
        QVERIFY(!form->QuizChanged && !form->QuestionChanged);
        QVERIFY(form->Save1->isEnabled() && form->SaveAs1->isEnabled());
        QVERIFY(form->Script1->menuAction()->isEnabled());
        QVERIFY(form->createbtn->isEnabled());
        // Three choices: A to C on and white, D and E off.
        QVERIFY(form->Edit3->isEnabled() && form->Label3->isEnabled());
        QVERIFY(!form->Edit4->isEnabled() && !form->Edit5->isEnabled());
        QCOMPARE(form->Edit1->palette().color(QPalette::Base), QColor(Qt::white));
        QVERIFY(form->Edit4->palette().color(QPalette::Base) != QColor(Qt::white));
        QVERIFY(!form->FirstBtn->isEnabled() && !form->PrevBtn->isEnabled());
        QVERIFY(form->NextBtn->isEnabled() && form->LastBtn->isEnabled());
        QVERIFY(form->ClearBtn->isEnabled() && form->InsertImgBtn->isEnabled());
    }

    void setupFromMenuLeavesQuizChanged() {
        startWith(MakeQuiz(2, 2));
        acceptSetup();
        form->Setup->trigger();
        // Accept saved the quiz to its file, yet the quiz counts as changed.
        QVERIFY(form->QuizChanged);
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
        form->qsetup()->installEventFilter(&cancelSetup);
        replaceText(form->Edit1, QStringLiteral("new A"));
        form->Edit2->clear();

        // Yes with a store that stops, and Cancel: Setup ends before its dialog.
        fake->answerConfirm(Answer::Yes);
        fake->expectMessage();
        form->Setup->trigger();
        fake->answerConfirm(Answer::Cancel);
        form->Setup->trigger();
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("confirmation:Save changes?"),
                                           QStringLiteral("message:Choice B missing"),
                                           QStringLiteral("confirmation:Save changes?")}));
        QCOMPARE(cancelSetup.shown, 0);
        // No, with the dialog cancelled: the edits are still there, still marked.
        fake->answerConfirm(Answer::No);
        form->Setup->trigger();
        QCOMPARE(cancelSetup.shown, 1);
        QCOMPARE(form->Edit1->text(), QStringLiteral("new A"));
        QVERIFY(form->QuestionChanged);
        form->qsetup()->removeEventFilter(&cancelSetup);

        // Yes, then Accept: the edits are in the slot and the editor starts again clean.
        type(form->Edit2, QStringLiteral("new B"));
        fake->answerConfirm(Answer::Yes);
        acceptSetup();
        form->Setup->trigger();
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("new A"));
        QCOMPARE(q(slot(0).ChoiceB.str()), QStringLiteral("new B"));
        QVERIFY(!form->QuestionChanged && form->QuizChanged);
        QVERIFY(!form->PostBtn->isEnabled());
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
        form->New1->trigger();
        QCOMPARE(form->windowTitle(), caption);
        QVERIFY(form->QuizFileName.isEmpty());
        QCOMPARE(form->quiz().QuestionCount, 0);
        QVERIFY(!form->Memo1->isEnabled());
        QVERIFY(form->createbtn->isEnabled());
        QVERIFY(!form->Script1->menuAction()->isEnabled());
        QVERIFY(!form->QuizChanged);
    }

    void newQuizNeverSavedIsOfferedForSavingOnExit() {
        startEmpty();
        acceptSetup();
        fake->answerSaveFile(std::nullopt);
        form->New1->trigger();
        QVERIFY(form->QuizFileName.isEmpty() && form->editorOn());
        QVERIFY(form->QuizChanged);
        // Exit asks; Yes shows the save dialog again, and cancelling it keeps the window open.
        fake->answerConfirm(Answer::Yes);
        fake->answerSaveFile(std::nullopt);
        QVERIFY(!form->close());
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("save dialog:"),
                                           QStringLiteral("confirmation:") + kChangesPrompt,
                                           QStringLiteral("save dialog:")}));
        fake->answerConfirm(Answer::Yes);
        fake->answerSaveFile(path("kept.qvt"));
        QVERIFY(form->close());
        QCOMPARE(ReadAll(dir->file("kept.qvt")).size(), QuizFileSize(1));
    }

    void yesWithTheEditorOffSavesWithoutStoring() {
        startWith(MakeQuiz(2, 2));
        WhenModal([](QWidget* dialog) {
            dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
        });
        form->New1->trigger();
        // Clear still runs with the editor off and marks both flags.
        fake->answerConfirm(Answer::Yes);
        form->ClearBtn->click();
        QVERIFY(form->QuizChanged && form->QuestionChanged && !form->editorOn());
        fake->answerConfirm(Answer::Yes);
        fake->answerSaveFile(path("empty.qvt"));
        QVERIFY(form->close());
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("confirmation:Clear this entry?"),
                                           QStringLiteral("confirmation:") + kChangesPrompt,
                                           QStringLiteral("save dialog:")}));
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
        form->New1->trigger();
        QCOMPARE(shownInterval, QStringLiteral("75"));
        QCOMPARE(shownRedirect, QStringLiteral("http://example.test/done"));
        QCOMPARE(form->quiz().Interval, 75);
        QCOMPARE(form->quiz().QuestionCount, 1);
    }

    void answerBoxTakesCapitalsWithinTheChoices() {
        startWith(MakeQuiz(2, 3));
        // Typed over the slot's letter: shown as a capital, then refused.
        QCOMPARE(form->Edit6->text(), QStringLiteral("A"));
        form->Edit6->selectAll();
        fake->expectMessage();
        type(form->Edit6, QStringLiteral("d"));
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Value must be A - C")});
        QCOMPARE(form->Edit6->text(), QString());

        type(form->Edit6, QStringLiteral("b"));
        QCOMPARE(form->Edit6->text(), QStringLiteral("B"));
        QVERIFY(takeAsked().isEmpty());

        // Deleting the letter is refused with the same message.
        fake->expectMessage();
        QTest::keyClick(form->Edit6, Qt::Key_Backspace);
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Value must be A - C")});
        QCOMPARE(form->Edit6->text(), QString());
        QVERIFY(!form->Updating);
    }

    void storeStopsAtTheFirstMissingField() {
        startWith(MakeQuiz(2, 3));
        form->activateWindow();
        replaceText(form->Edit1, QStringLiteral("Mercury"));
        form->Edit3->clear();
        form->Memo1->setFocus();
        QTest::keyClick(form->Memo1, Qt::Key_End, Qt::ControlModifier);
        type(form->Memo1, QStringLiteral(" new"));
        fake->expectMessage();
        form->PostBtn->click();
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Choice C missing")});
        QCOMPARE(QApplication::focusWidget(), form->Edit3);
        // Nothing reached the slot, not even the fields before the check.
        QCOMPARE(q(slot(0).QuestionText.str()), QStringLiteral("Question 1"));
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Q1 choice A"));
        QCOMPARE(q(slot(0).ChoiceC.str()), QStringLiteral("Q1 choice C"));
        QVERIFY(form->QuestionChanged);
        QVERIFY(!form->QuizChanged);

        type(form->Edit3, QStringLiteral("Venus"));
        // Emptied by the program, the answer box is checked all the same.
        fake->expectMessage();
        form->Edit6->setText(QString());
        fake->expectMessage();
        form->PostQuestion1->trigger();
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("message:Value must be A - C"),
                                           QStringLiteral("message:No Answer")}));
        QCOMPARE(QApplication::focusWidget(), form->Edit6);

        type(form->Edit6, QStringLiteral("c"));
        QVERIFY(form->PostBtn->isEnabled() && !form->createbtn->isEnabled());
        QVERIFY(!form->Create1->isEnabled());
        form->PostBtn->click();
        QVERIFY(takeAsked().isEmpty());
        QCOMPARE(q(slot(0).Answer.str()), QStringLiteral("C"));
        QCOMPARE(q(slot(0).QuestionText.str()), QStringLiteral("Question 1 new"));
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Mercury"));
        QCOMPARE(q(slot(0).ChoiceC.str()), QStringLiteral("Venus"));
        QVERIFY(form->QuizChanged && !form->QuestionChanged);
        QVERIFY(!form->PostBtn->isEnabled() && !form->PostQuestion1->isEnabled());
        QVERIFY(form->createbtn->isEnabled() && form->Create1->isEnabled());
        // The next key press, even one that changes nothing, turns it round again.
        QTest::keyClick(form->Edit2, Qt::Key_Left);
        type(form->Edit2, QStringLiteral("x"));
        QVERIFY(form->PostBtn->isEnabled() && !form->createbtn->isEnabled());
    }

    void emptyQuestionTextIsStored() {
        startWith(MakeQuiz(1, 2));
        form->Memo1->selectAll();
        QTest::keyClick(form->Memo1, Qt::Key_Delete);
        form->PostBtn->click();
        QVERIFY(slot(0).QuestionText.empty());
        QVERIFY(!form->QuestionChanged);
    }

    void questionTextChangesOnlyWhenTheAuthorEditsIt() {
        TQuizRec quiz = MakeQuiz(2, 2);
        // A non-breaking space before "?" and lone line ends, as a file from elsewhere may hold.
        const std::string text = "Quelle plan\xE8te\xA0? A\rB\nC";
        quiz.Questions[0].QuestionText = text;
        startWith(quiz);
        type(form->Edit1, QStringLiteral("!"));
        form->PostBtn->click();
        QCOMPARE(slot(0).QuestionText.str(), text);

        // Edited, the text keeps its non-breaking space and holds CR LF between its lines.
        form->Memo1->setFocus();
        QTest::keyClick(form->Memo1, Qt::Key_End, Qt::ControlModifier);
        type(form->Memo1, QStringLiteral("!"));
        form->PostBtn->click();
        QCOMPARE(slot(0).QuestionText.str(), std::string("Quelle plan\xE8te\xA0? A\r\nB\r\nC!"));
    }

    void lengthWarnings() {
        startWith(MakeQuiz(1, 3));
        // A line break counts as two: 253 letters and one break make 255, still allowed.
        form->Memo1->setPlainText(QString(253, u'x') + u'\n');
        QVERIFY(takeAsked().isEmpty());
        fake->expectMessage();
        QTest::keyClick(form->Memo1, Qt::Key_End, Qt::ControlModifier);
        type(form->Memo1, QStringLiteral("y"));
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Only 255 characters allowed!")});
        // Setting the text a box already holds is no change: no check runs.
        form->Memo1->setPlainText(form->Memo1->toPlainText());
        QVERIFY(takeAsked().isEmpty());
        fake->expectMessage();
        type(form->Edit1, QStringLiteral("z"));
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Only 255 characters allowed!")});
        form->PostBtn->click();
        QCOMPARE(slot(0).QuestionText.size(), 255u);
        QCOMPARE(q(slot(0).QuestionText.str()).right(3), QStringLiteral("x\r\n"));
        takeAsked();

        form->Memo1->setPlainText(QStringLiteral("short"));
        fake->expectMessage();
        form->Edit3->setText(QString(251, u'c'));
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Only 250 characters allowed")});
        fake->expectMessage();
        type(form->Memo1, QStringLiteral("!"));
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("message:Only 250 characters allowed")});
        form->PostBtn->click();
        QCOMPARE(slot(0).ChoiceC.size(), 250u);
    }

    void navigationAsksAboutUnstoredEdits() {
        startWith(MakeQuiz(3, 2));
        type(form->Edit1, QStringLiteral("!"));

        fake->answerConfirm(Answer::Cancel);
        form->NextBtn->click();
        QCOMPARE(form->CurrentQuestion, 0);
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Save changes?"));
        QCOMPARE(
            fake->lastAsked().buttons,
            (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No"), QStringLiteral("Cancel")}));

        fake->answerConfirm(Answer::No);
        form->NextBtn->click();
        QCOMPARE(form->CurrentQuestion, 1);
        QCOMPARE(form->Label8->text(), QStringLiteral("2 of 3"));
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Q1 choice A"));
        QVERIFY(!form->QuestionChanged);

        type(form->Edit2, QStringLiteral("?"));
        fake->answerConfirm(Answer::Yes);
        form->LastQuestion1->trigger();
        QCOMPARE(q(slot(1).ChoiceB.str()), QStringLiteral("Q2 choice B?"));
        QCOMPARE(form->CurrentQuestion, 2);
        QVERIFY(!form->NextBtn->isEnabled() && !form->LastQuestion1->isEnabled());
        QVERIFY(form->PrevBtn->isEnabled() && form->FirstQuestion1->isEnabled());

        // An arrow key alone marks the question changed.
        QTest::keyClick(form->Edit1, Qt::Key_Right);
        fake->answerConfirm(Answer::No);
        form->FirstBtn->click();
        QCOMPARE(form->CurrentQuestion, 0);
        QVERIFY(takeAsked().size() == 4);

        // "Start of Quiz" when Previous runs although it is at the first question.
        fake->expectMessage();
        form->PrevBtnClick();
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Start of Quiz"));
    }

    void editsMadeWithoutTypingAreNotDroppedSilently() {
        startWith(MakeQuiz(3, 2));
        form->activateWindow();
        form->Memo1->setFocus();
        // Keys that only move the focus mark nothing.
        QTest::keyClick(form->Memo1, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), form->Memo1);
        QVERIFY(!form->QuestionChanged);

        // A paste with the mouse (the context menu's Paste), then Next.
        QApplication::clipboard()->setText(QStringLiteral(" pasted"));
        form->Edit2->end(false);
        form->Edit2->paste();
        QVERIFY(form->QuestionChanged && form->PostBtn->isEnabled());
        fake->answerConfirm(Answer::Yes);
        form->NextBtn->click();
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("confirmation:Save changes?")});
        QCOMPARE(q(slot(0).ChoiceB.str()), QStringLiteral("Q1 choice B pasted"));
        QCOMPARE(form->CurrentQuestion, 1);
        // Showing the next question is the program's change: nothing is marked.
        QVERIFY(!form->QuestionChanged);

        // Text committed by an input method.
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("\u00e9"));
        QApplication::sendEvent(form->Edit1, &composed);
        QVERIFY(form->QuestionChanged);
        fake->answerConfirm(Answer::No);
        form->NextBtn->click();
        QVERIFY(!form->QuestionChanged);

        // A drop onto the question box.
        auto* dropped = new QMimeData;
        dropped->setText(QStringLiteral("dropped "));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, dropped, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(form->Memo1->viewport(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form->Memo1->viewport(), &drop);
        delete dropped;
        QVERIFY(form->Memo1->toPlainText().contains(QStringLiteral("dropped")));
        QVERIFY(form->QuestionChanged);
        fake->answerConfirm(Answer::Cancel);
        form->FirstBtn->click();
        QCOMPARE(form->CurrentQuestion, 2);
    }

    void yesWithAFailingStoreStaysOnTheQuestion() {
        startWith(MakeQuiz(2, 2));
        replaceText(form->Edit1, QStringLiteral("new A"));
        form->Edit2->clear();
        fake->answerConfirm(Answer::Yes);
        fake->expectMessage();
        form->NextBtn->click();
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("confirmation:Save changes?"),
                                           QStringLiteral("message:Choice B missing")}));
        QCOMPARE(form->CurrentQuestion, 0);
        QCOMPARE(form->Edit1->text(), QStringLiteral("new A"));
        QVERIFY(form->QuestionChanged);
        // Dropping the edits then leaves the slot whole, as it was.
        fake->answerConfirm(Answer::No);
        form->NextBtn->click();
        QCOMPARE(form->CurrentQuestion, 1);
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Q1 choice A"));
    }

    void oneQuestionQuiz() {
        startWith(MakeQuiz(1, 5, "H<sub>2</sub>O"));
        QCOMPARE(form->Label9->text(), QStringLiteral("Quiz Title: H<sub>2</sub>O"));
        QCOMPARE(form->Label9->textFormat(), Qt::PlainText);
        QCOMPARE(form->Label8->text(), QStringLiteral("1 of 1"));
        for (QToolButton* button : {form->FirstBtn, form->PrevBtn, form->NextBtn, form->LastBtn}) {
            QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
        }
        QVERIFY(form->Edit5->isEnabled());
        QCOMPARE(form->Edit5->text(), QStringLiteral("Q1 choice E"));
        QCOMPARE(form->Edit6->text(), QStringLiteral("A"));
    }

    void droppedChoicesStayVisibleInGrey() {
        TQuizRec quiz = MakeQuiz(1, 2);
        quiz.Questions[0].ChoiceD = "kept D";
        startWith(quiz);
        QCOMPARE(form->Edit4->text(), QStringLiteral("kept D"));
        QVERIFY(!form->Edit4->isEnabled());
        QVERIFY(!form->Label4->isEnabled());
    }

    void clearAsksAndOnlyYesClears() {
        startWith(MakeQuiz(2, 2));
        fake->answerConfirm(Answer::No);
        form->ClearBtn->click();
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Clear this entry?"));
        QCOMPARE(fake->lastAsked().buttons,
                 (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")}));
        // The close box answers Cancel: that backs out too.
        fake->answerConfirm(Answer::Cancel);
        form->ClearQ->trigger();
        QCOMPARE(form->Edit1->text(), QStringLiteral("Q1 choice A"));
        QVERIFY(!form->QuizChanged && !form->QuestionChanged);

        fake->answerConfirm(Answer::Yes);
        form->ClearBtn->click();
        QCOMPARE(form->Edit1->text(), QString());
        QCOMPARE(form->Memo1->toPlainText(), QString());
        QCOMPARE(form->Edit6->text(), QString());
        QVERIFY(form->QuizChanged && form->QuestionChanged);
        // The slot changes only on Store.
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Q1 choice A"));
        QVERIFY(!form->ClearImgBtn->isEnabled());
    }

    void typedPictureAddressIsNotDroppedSilently() {
        startWith(MakeQuiz(2, 2));
        type(form->qpicaddress, QStringLiteral("sun.jpg"));
        QVERIFY(form->QuestionChanged);
        fake->answerConfirm(Answer::Yes);
        form->NextBtn->click();
        QCOMPARE(q(slot(0).PicAddress.str()), QStringLiteral("sun.jpg"));
        QCOMPARE(form->CurrentQuestion, 1);
    }

    void pictureThatCannotBeLoadedStillShowsTheQuestion() {
        TQuizRec quiz = MakeQuiz(2, 2);
        quiz.Questions[1].PicAddress = "/no/such/picture.jpg";
        startWith(quiz);
        // What the window shows while the error box is up.
        QStringList shownAtError;
        fake->onUnexpected = [&](const FakePlatform::Question& question) {
            shownAtError << FakePlatform::kindName(question.kind) << form->Memo1->toPlainText()
                         << form->Edit1->text() << form->Label8->text();
        };
        form->NextBtn->click();
        fake->onUnexpected = nullptr;
        QCOMPARE(shownAtError,
                 (QStringList{QStringLiteral("error"), QStringLiteral("Question 2"),
                              QStringLiteral("Q2 choice A"), QStringLiteral("2 of 2")}));
        QVERIFY(fake->lastAsked().text.startsWith(
            QStringLiteral("Cannot open file \"/no/such/picture.jpg\".")));
        QCOMPARE(form->Edit1->text(), QStringLiteral("Q2 choice A"));
        QCOMPARE(form->Label8->text(), QStringLiteral("2 of 2"));
        QVERIFY(form->ClearImgBtn->isEnabled());
    }

    void closingAsksOnlyWithChanges() {
        startWith(MakeQuiz(1, 2));
        QVERIFY(form->close());
        QVERIFY(takeAsked().isEmpty());
    }

    void closingWithYesStoresAndSaves() {
        startWith(MakeQuiz(2, 2));
        type(form->Edit2, QStringLiteral(" edited"));
        fake->answerConfirm(Answer::Yes);
        QVERIFY(form->FormCloseQuery());
        TQuizRec reread{};
        ReadQuizFile(reread, dir->file("quiz.qvt"));
        QCOMPARE(q(reread.Questions[0].ChoiceB.str()), QStringLiteral("Q1 choice B edited"));
        QVERIFY(!form->QuizChanged && !form->QuestionChanged);
    }

    void closingWithYesStopsWhenWorkWouldBeLost() {
        startWith(MakeQuiz(2, 2));
        // A store that stops at a check keeps the window open.
        form->Edit1->clear();
        type(form->Edit2, QStringLiteral("!"));
        fake->answerConfirm(Answer::Yes);
        fake->expectMessage();
        QVERIFY(!form->FormCloseQuery());
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Choice A missing"));

        // A save that fails keeps it open too.
        type(form->Edit1, QStringLiteral("A again"));
        form->QuizFileName = q(testing::UnwritableFolder(*dir) + "/quiz.qvt");
        fake->answerConfirm(Answer::Yes);
        fake->expectError();
        QVERIFY(!form->FormCloseQuery());
        QCOMPARE(fake->lastAsked().text, QStringLiteral("File access denied."));
        QVERIFY(form->QuizChanged);

        // A cancelled Save As as well.
        form->QuizFileName.clear();
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
        type(form->Edit1, QStringLiteral("!"));
        QVERIFY(!form->QuizChanged && form->QuestionChanged);
        fake->answerConfirm(Answer::Yes);
        fake->answerSaveFile(std::nullopt);
        form->New1->trigger();
        QCOMPARE(takeAsked(), (QStringList{QStringLiteral("confirmation:") + kChangesPrompt,
                                           QStringLiteral("save dialog:")}));
        // New stopped: the quiz and its file are still there, the edit stored.
        QCOMPARE(form->quiz().QuestionCount, 2);
        QCOMPARE(form->QuizFileName, path("quiz.qvt"));
        QCOMPARE(q(slot(0).ChoiceA.str()), QStringLiteral("Q1 choice A!"));

        // Yes with a chosen name saves there even though the quiz has a file, then goes on.
        fake->answerConfirm(Answer::Yes);
        fake->answerSaveFile(path("copy.qvt"));
        WhenModal([](QWidget* dialog) {
            dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
        });
        form->New1->trigger();
        TQuizRec copy{};
        ReadQuizFile(copy, dir->file("copy.qvt"));
        QCOMPARE(q(copy.Questions[0].ChoiceA.str()), QStringLiteral("Q1 choice A!"));
        QCOMPARE(form->quiz().QuestionCount, 0);
    }

    void newPromptCancelStopsAndNoDropsTheWork() {
        startWith(MakeQuiz(2, 2));
        type(form->Edit1, QStringLiteral("!"));
        form->PostBtn->click();
        fake->answerConfirm(Answer::Cancel);
        form->New1->trigger();
        QCOMPARE(form->quiz().QuestionCount, 2);
        QVERIFY(form->QuizChanged && form->editorOn());

        fake->answerConfirm(Answer::No);
        acceptSetup();
        fake->answerSaveFile(path("fresh.qvt"));
        form->New1->trigger();
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
        type(form->Edit1, QStringLiteral("!"));
        fake->answerConfirm(Answer::Cancel);
        form->Open1->trigger();
        QCOMPARE(takeAsked(), QStringList{QStringLiteral("confirmation:") + kChangesPrompt});

        // Yes stores and saves before the dialog; cancelling the dialog then keeps the quiz.
        fake->answerConfirm(Answer::Yes);
        fake->answerOpenFile(std::nullopt);
        form->Open1->trigger();
        TQuizRec saved{};
        ReadQuizFile(saved, dir->file("quiz.qvt"));
        QCOMPARE(q(saved.Questions[0].ChoiceA.str()), QStringLiteral("Q1 choice A!"));
        QCOMPARE(form->QuizFileName, path("quiz.qvt"));
        QVERIFY(!form->QuizChanged && !form->QuestionChanged);
        takeAsked();
        type(form->Edit1, QStringLiteral("!"));

        fake->answerConfirm(Answer::No);
        fake->answerOpenFile(path("other.qvt"));
        form->Open1->trigger();
        const auto& options = fake->lastAsked().fileOptions;
        QCOMPARE(options.filter, QStringLiteral("Tamberlin files (*.qvt)|*.qvt"));
        QCOMPARE(options.defaultExtension, QStringLiteral("qvt"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + path("other.qvt"));
        QCOMPARE(form->Label9->text(), QStringLiteral("Quiz Title: Other"));
        QCOMPARE(form->Label8->text(), QStringLiteral("1 of 4"));
        QVERIFY(!form->QuizChanged && !form->QuestionChanged);
        QVERIFY(!form->Preview1->isEnabled());
        QCOMPARE(QDir::currentPath(), q(dir->path().string()));
    }

    void buttonsAfterEveryOpenShowACleanQuestion() {
        WriteQuizFile(MakeQuiz(3, 2, "Other"), dir->file("other.qvt"));
        auto clean = [this](const char* kind) {
            QVERIFY2(!form->QuizChanged && !form->QuestionChanged, kind);
            QVERIFY2(!form->PostBtn->isEnabled() && !form->PostQuestion1->isEnabled(), kind);
            QVERIFY2(form->createbtn->isEnabled() && form->Create1->isEnabled(), kind);
        };
        // At start-up, before the first showing switches the button off.
        WriteQuizFile(MakeQuiz(2, 2), dir->file("quiz.qvt"));
        form = std::make_unique<TForm1>(path("quiz.qvt"));
        clean("start-up");
        form->show();

        // Over unstored edits dropped with No, over a clean quiz, and after a failed open.
        type(form->Edit1, QStringLiteral("!"));
        fake->answerConfirm(Answer::No);
        fake->answerOpenFile(path("other.qvt"));
        form->Open1->trigger();
        clean("over dropped edits");
        fake->answerOpenFile(path("quiz.qvt"));
        form->Open1->trigger();
        clean("over a clean quiz");
        fake->answerOpenFile(path("missing.qvt"));
        fake->expectError();
        form->Open1->trigger();
        fake->answerOpenFile(path("other.qvt"));
        form->Open1->trigger();
        clean("after a failed open");
    }

    void failedOpenLeavesNoQuizBoundToTheOldFile() {
        startWith(MakeQuiz(2, 2));
        form->PageCreated(path("quiz.htm"));
        fake->answerOpenFile(path("missing.qvt"));
        fake->expectError();
        form->Open1->trigger();
        QCOMPARE(fake->lastAsked().text, QStringLiteral("File not found."));
        QVERIFY(form->QuizFileName.isEmpty());
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin Free"));
        QVERIFY(!form->Save1->isEnabled() && !form->SaveAs1->isEnabled());
        QVERIFY(!form->Script1->menuAction()->isEnabled());
        QVERIFY(!form->createbtn->isEnabled() && !form->PreviewBtn->isEnabled());
        QVERIFY(!form->Memo1->isEnabled());
        QVERIFY(!form->NextBtn->isEnabled());
        QCOMPARE(form->quiz().QuestionCount, 0);
        // The earlier quiz's file is untouched.
        QCOMPARE(ReadAll(dir->file("quiz.qvt")).size(), QuizFileSize(2));
    }

    void saveAndSaveAsSetNameCaptionAndFlag() {
        startWith(MakeQuiz(2, 2));
        const QString caption = form->windowTitle();
        type(form->Edit1, QStringLiteral("!"));
        form->PostBtn->click();
        QVERIFY(form->QuizChanged);
        form->Save1->trigger();
        QVERIFY(!form->QuizChanged);
        QCOMPARE(form->windowTitle(), caption);
        QVERIFY(takeAsked().isEmpty());

        // Save As onto an existing file replaces it without a question; long paths are kept.
        const std::string longFolder =
            dir->file(std::string(120, 'f')) + "/" + std::string(120, 'g');
        std::filesystem::create_directories(longFolder);
        const QString target = q(longFolder + "/renamed.qvt");
        WriteAll(target.toStdString(), "old");
        form->QuizChanged = true;
        fake->answerSaveFile(target);
        form->SaveAs1->trigger();
        QCOMPARE(fake->lastAsked().kind, Kind::SaveFile);
        QCOMPARE(fake->lastAsked().fileOptions.filter,
                 QStringLiteral("Tamberlin files (*.qvt)|*.qvt"));
        QCOMPARE(fake->lastAsked().fileOptions.defaultExtension, QStringLiteral("qvt"));
        QVERIFY(target.size() > 255);
        QCOMPARE(form->QuizFileName, target);
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + target);
        QCOMPARE(ReadAll(target.toStdString()).size(), QuizFileSize(2));
        QVERIFY(!form->QuizChanged);

        // A failed Save As keeps the name, the caption and the flag.
        form->QuizChanged = true;
        fake->answerSaveFile(q(testing::UnwritableFolder(*dir) + "/x.qvt"));
        fake->expectError();
        form->SaveAs1->trigger();
        QCOMPARE(form->QuizFileName, target);
        QVERIFY(form->QuizChanged);
    }

    void htmlOptionsSavesWhenItCloses() {
        startEmpty();
        acceptSetup();
        fake->answerSaveFile(std::nullopt);
        form->New1->trigger();
        auto cancelOptions = [] {
            WhenModal([](QWidget* dialog) {
                dialog->findChild<QAbstractButton*>(QStringLiteral("SpeedButton1"))->click();
            });
        };
        // Unnamed, the quiz is saved through the save dialog even though the dialog was cancelled.
        cancelOptions();
        fake->answerSaveFile(path("options.qvt"));
        form->HtmlOptions1->trigger();
        QCOMPARE(takeAsked(),
                 (QStringList{QStringLiteral("save dialog:"), QStringLiteral("save dialog:")}));
        QCOMPARE(form->QuizFileName, path("options.qvt"));
        QVERIFY(!form->QuizChanged);
        // Named, it is saved to its file without a question.
        type(form->Memo1, QStringLiteral("Why?"));
        type(form->Edit1, QStringLiteral("Because"));
        type(form->Edit2, QStringLiteral("Why not"));
        type(form->Edit6, QStringLiteral("a"));
        form->PostBtn->click();
        cancelOptions();
        form->HtmlOptions1->trigger();
        QVERIFY(takeAsked().isEmpty());
        TQuizRec saved{};
        ReadQuizFile(saved, dir->file("options.qvt"));
        QCOMPARE(q(saved.Questions[0].QuestionText.str()), QStringLiteral("Why?"));
        QVERIFY(!form->QuizChanged);
    }

    void commandLineFileIsTakenAsGiven() {
        WriteQuizFile(MakeQuiz(3, 4, "Mixed"), dir->file("Mixed Case.qvt"));
        form = std::make_unique<TForm1>(path("Mixed Case.qvt"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + path("Mixed Case.qvt"));
        QVERIFY(form->Save1->isEnabled());
        QVERIFY(form->Create1->isEnabled());
        form->show();
        // The first showing switches the Create HTML button off.
        QVERIFY(!form->createbtn->isEnabled());
        QVERIFY(form->Create1->isEnabled());
        QCOMPARE(form->Label8->text(), QStringLiteral("1 of 3"));
    }

    void failingCommandLineFileStartsWithNoQuiz() {
        fake->expectError();
        form = std::make_unique<TForm1>(QStringLiteral("\"") + path("quiz.qvt") + u'"');
        QCOMPARE(fake->lastAsked().text, QStringLiteral("File not found."));
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin Free"));
        QVERIFY(!form->Save1->isEnabled());
        QVERIFY(!form->Script1->menuAction()->isEnabled());
        QVERIFY(!form->Memo1->isEnabled());
    }

    void editedQuizSavesTheExpectedBytes() {
        // Bytes after a text's length survive: a long text stored under a short one.
        TQuizRec quiz = MakeQuiz(3, 3);
        quiz.Questions[1].ChoiceB = "a rather long old choice";
        quiz.Questions[1].ChoiceB = "short";
        startWith(quiz);
        form->NextBtn->click();
        QVERIFY(takeAsked().isEmpty());
        replaceText(form->Edit2, QStringLiteral("Mars"));
        form->Memo1->setFocus();
        QTest::keyClick(form->Memo1, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(form->Memo1, Qt::Key_Return);
        type(form->Memo1, QStringLiteral("second line"));
        form->Edit6->selectAll();
        type(form->Edit6, QStringLiteral("c"));
        fake->answerConfirm(Answer::Yes);
        form->NextBtn->click();
        form->Save1->trigger();

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
        form->New1->trigger();
        QCOMPARE(form->Label8->text(), QStringLiteral("1 of 10"));

        for (int i = 0; i < 10; ++i) {
            const QString n = QString::number(i + 1);
            type(form->Memo1, QStringLiteral("How many moons has planet ") + n + u'?');
            QLineEdit* boxes[] = {form->Edit1, form->Edit2, form->Edit3, form->Edit4};
            for (int k = 0; k < 4; ++k) {
                type(boxes[k], n + QStringLiteral(" moons, ") + QChar(u'a' + k));
            }
            type(form->Edit6, QString(QChar(u'a' + i % 4)));
            if (i < 9) {
                fake->answerConfirm(Answer::Yes);
                form->NextBtn->click();
                QCOMPARE(form->CurrentQuestion, i + 1);
            } else {
                form->PostBtn->click();
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
        form->LastBtn->click();
        QCOMPARE(form->Edit3->text(), QStringLiteral("10 moons, c"));
        QCOMPARE(form->Edit6->text(), QStringLiteral("B"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
