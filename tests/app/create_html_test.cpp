#include "app/main_window.h"
#include "common/temp_dir.h"
#include "document/quiz_file.h"
#include "generator/page_look.h"
#include "generator/quiz_page.h"
#include "platform/fake_platform.h"
#include "window_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include <filesystem>
#include <memory>

using namespace tamberlin;
using tamberlin::testing::MakeQuiz;
using tamberlin::testing::ReadAll;
using tamberlin::testing::TempDir;
using tamberlin::testing::WhenModal;
using tamberlin::testing::WindowTestBase;
using Kind = FakePlatform::Kind;

namespace {

// A quiz whose page look uses every kind of setting, as the preferences dialog stores them.
TQuizRec styledQuiz() {
    TQuizRec quiz = MakeQuiz(3, 4, "Rivers & <Lakes>");
    quiz.CgiTarget = "http://127.0.0.1/cgi-bin/score";
    quiz.LoginAddress = "http://127.0.0.1/login";
    quiz.RedirectAddress = "http://127.0.0.1/done";
    quiz.Questions[1].QuestionText = "Longest?\r\nThink <twice>";
    quiz.Questions[2].PicAddress = "river.gif";
    THtmlPrefs& p = quiz.Prefs;
    p.reset();
    p.CookieRequired = 1;
    p.Author = "R. Teacher";
    p.TitleFontOn = 1;
    p.TitleFontFace = "Sans Serif";
    p.TitleFontSize = 5;
    p.TitleFontColor = 0x000000FF;
    p.TitleFontTag = BuildFontTag(1, 5, 0x000000FF);
    p.QuestionFontOn = 1;
    p.QuestionFontFace = "Handwriting";
    p.QuestionFontSize = 2;
    p.QuestionFontColor = 0x00336699;
    p.QuestionFontTag = BuildFontTag(-1, 2, 0x00336699);
    p.ChoiceFontSize = 6; // kept while its row is off
    p.TextColorOn = 1;
    p.TextColor = 0x00102030;
    p.BgColorOn = 1;
    p.BgColor = 0x00FFFFEE;
    p.FixedBackground = 1;
    p.Alignment = 1;
    return quiz;
}

} // namespace

class CreateHtmlTest : public WindowTestBase {
    Q_OBJECT
private:
    void start(const TQuizRec& quiz) { startWith(quiz, "rivers.qvt"); }

private slots:
    void init() { setUpWindow(); }
    void cleanup() { tearDownWindow(); }

    void pageFromTheWindowEqualsTheHeadlessOne() {
        const TQuizRec quiz = styledQuiz();
        start(quiz);
        fake->expectMessage();
        menuItem("Create1")->trigger();
        // The first line as it always was; the clock files put beside the page follow it.
        QCOMPARE(fake->lastAsked().text.section(u'\n', 0, 0),
                 QStringLiteral("The HTML file ") + path("rivers.htm") +
                     QStringLiteral(" has been created."));
        QCOMPARE(form->htmlFileName(), path("rivers.htm"));
        QVERIFY(menuItem("Preview1")->isEnabled());
        QVERIFY(toolButton("PreviewBtn")->isEnabled());
        QVERIFY(!form->session().quizChanged());

        // What the headless publisher writes for the same saved quiz.
        auto saved = std::make_unique<QuizDocument>();
        saved->ResetQuiz();
        ReadQuizFile(saved->quiz, dir->file("rivers.qvt"));
        const PageLook look = DerivePageLook(saved->quiz.Prefs);
        saved->quiz.Prefs = look.prefs;
        WriteQuizPage(saved->quiz, dir->file("expected.htm"), look.inputs);
        QCOMPARE(ReadAll(dir->file("rivers.htm")), ReadAll(dir->file("expected.htm")));
        QCOMPARE(ReadAll(dir->file("rivers.qdt")), ReadAll(dir->file("expected.qdt")));
        QVERIFY(ReadAll(dir->file("rivers.htm")).find("docookies();startclock()") !=
                std::string::npos);

        // Twice without changes: the same bytes. (The button stays off after the first showing
        // until the editor refreshes it; the menu item is on.)
        QVERIFY(!toolButton("createbtn")->isEnabled());
        const std::string first = ReadAll(dir->file("rivers.htm"));
        fake->expectMessage();
        menuItem("Create1")->trigger();
        QCOMPARE(ReadAll(dir->file("rivers.htm")), first);
    }

    void anIdThatThePageCutsIsWarnedOf() {
        TQuizRec other = MakeQuiz(1, 2, "Unit 3");
        other.QuizId = "Unit 3";
        WriteQuizFile(other, dir->file("unit3.qvt"));
        TQuizRec quiz = MakeQuiz(1, 2, "Unit 4");
        quiz.QuizId = "Unit 4";
        start(quiz);
        fake->expectMessage();
        menuItem("Create1")->trigger();
        const auto& asked = fake->asked();
        QCOMPARE(asked.size(), 1);
        // One message: the line that says the page was made, then the warnings below it.
        QCOMPARE(asked[0].text.section(u'\n', 0, 0), QStringLiteral("The HTML file ") +
                                                         path("rivers.htm") +
                                                         QStringLiteral(" has been created."));
        QVERIFY(asked[0].text.contains(QStringLiteral("\nWarning: the quiz ID holds a space")));
    }

    void unnamedQuizAsksTwiceAndWritesNothingWhenBothAreCancelled() {
        form = std::make_unique<TForm1>();
        form->CreateDialogs();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->quiz() = MakeQuiz(1, 2);
        fake->answerSaveFile(std::nullopt);
        fake->answerSaveFile(std::nullopt);
        menuItem("Create1")->trigger();
        QCOMPARE(fake->asked().size(), 2);
        QVERIFY(form->htmlFileName().isEmpty());
        QVERIFY(!menuItem("Preview1")->isEnabled());
        QVERIFY(std::filesystem::is_empty(dir->path()));
    }

    void unnamedQuizNamedInTheFirstDialogIsSavedAndPublished() {
        form = std::make_unique<TForm1>();
        form->CreateDialogs();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->quiz() = MakeQuiz(2, 3);
        fake->answerSaveFile(path("new.qvt"));
        fake->expectMessage();
        menuItem("Create1")->trigger();
        QVERIFY(std::filesystem::exists(dir->file("new.qvt")));
        QVERIFY(std::filesystem::exists(dir->file("new.htm")));
        QVERIFY(std::filesystem::exists(dir->file("new.qdt")));
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + path("new.qvt"));
    }

    void failedSaveWritesNoPage() {
        start(MakeQuiz(2, 2));
        std::filesystem::permissions(dir->file("rivers.qvt"), std::filesystem::perms::owner_read);
        fake->expectError();
        menuItem("Create1")->trigger();
        QCOMPARE(fake->lastAsked().text, QStringLiteral("File access denied."));
        QVERIFY(!std::filesystem::exists(dir->file("rivers.htm")));
        QVERIFY(!menuItem("Preview1")->isEnabled());
    }

    void unwritablePageEndsTheCommandWithTheCreateError() {
        start(MakeQuiz(2, 2));
        // The listing's name taken by a folder: neither file is written.
        std::filesystem::create_directory(dir->file("rivers.qdt"));
        fake->expectError();
        menuItem("Create1")->trigger();
        QVERIFY(fake->lastAsked().text.startsWith(QStringLiteral("Cannot create file \"") +
                                                  path("rivers.qdt") + QStringLiteral("\". ")));
        QVERIFY(!std::filesystem::exists(dir->file("rivers.htm")));
        QVERIFY(!menuItem("Preview1")->isEnabled());

        // A page that cannot be created: no listing, no message.
        std::filesystem::remove(dir->file("rivers.qdt"));
        std::filesystem::remove(dir->file("rivers.htm"));
        std::filesystem::create_directory(dir->file("rivers.htm"));
        fake->expectError();
        menuItem("Create1")->trigger();
        QVERIFY(fake->lastAsked().text.startsWith(QStringLiteral("Cannot create file \"") +
                                                  path("rivers.htm") + QStringLiteral("\". ")));
        QVERIFY(!std::filesystem::exists(dir->file("rivers.qdt")));
        QVERIFY(!menuItem("Preview1")->isEnabled());
    }

    void previewOpensThePageWithTheStartFolder() {
        // The folder current at start-up is the start folder; the current folder moves on.
        std::filesystem::create_directory(dir->path() / "start");
        QDir::setCurrent(path("start"));
        start(MakeQuiz(1, 2));
        QDir::setCurrent(path(""));
        fake->expectMessage();
        menuItem("Create1")->trigger();
        fake->answerShellOpen(true);
        toolButton("PreviewBtn")->click();
        QCOMPARE(fake->lastAsked().text, path("rivers.htm"));
        QCOMPARE(fake->lastAsked().workingFolder, path("start"));

        fake->answerShellOpen(false);
        fake->expectErrorBox();
        menuItem("Preview1")->trigger();
        QCOMPARE(fake->lastAsked().caption, QStringLiteral("Error"));
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Failed to execute rivers.htm"));
    }
};

QTEST_MAIN(CreateHtmlTest)
#include "create_html_test.moc"
