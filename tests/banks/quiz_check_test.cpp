// The quiz checker on a quiz with every problem it knows, and on the example quiz (clean).
#include "banks/quiz_check.h"

#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

using namespace tamberlin;
using tamberlin::testing::ReadAll;
using tamberlin::testing::TempDir;
using tamberlin::testing::WriteAll;

namespace {

const CodePage& cp1252() {
    static const CodePage page("CP1252");
    return page;
}

std::string listed(const std::vector<QuizProblem>& problems) {
    std::string out;
    for (const QuizProblem& p : problems) {
        EXPECT_FALSE(p.advice.empty()) << p.message;
        out += std::to_string(p.question) + ": " + p.message + "\n";
    }
    return out;
}

void fillQuestion(TQuestionRec& q, const std::string& text, const std::string& answer) {
    q.QuestionText = text;
    q.ChoiceA = "one";
    q.ChoiceB = "two";
    q.ChoiceC = "three";
    q.Answer = answer;
}

} // namespace

TEST(CheckQuiz, EveryProblemWithItsQuestion) {
    TempDir dir;
    WriteAll(dir.file("here.gif"), "GIF89a");
    WriteAll(dir.file("clock.js"), "");
    auto doc = std::make_unique<QuizDocument>();
    doc->ClearBlankQuestion();
    doc->ResetQuiz();
    TQuizRec& quiz = doc->quiz;
    quiz.QuestionCount = 8;
    quiz.ChoiceCount = 3;
    quiz.Interval = 60;
    quiz.QuizId = "my quiz";
    quiz.RedirectAddress = "http://example.org/\r\n\"next\"";
    quiz.Prefs.CookieRequired = 1;
    quiz.Prefs.BgImage = "paper.jpg";
    for (int n = 0; n < 8; ++n) {
        fillQuestion(quiz.Questions[static_cast<std::size_t>(n)], "Q?", "A");
    }
    quiz.Questions[0].Answer = "";
    quiz.Questions[1].Answer = "D";
    quiz.Questions[1].ChoiceD = "hidden";
    quiz.Questions[2].QuestionText = " \r\n";
    quiz.Questions[3].ChoiceB = "";
    quiz.Questions[3].ChoiceC = "";
    quiz.Questions[4].ChoiceC = "one ";
    quiz.Questions[5].PicAddress = "gone.gif";
    quiz.Questions[6].PicAddress = "here.gif";
    quiz.Questions[7].PicAddress = "http://example.org/any.gif";

    const std::string quizPath = dir.file("problems.qvt");
    const std::string folder = dir.path().string() + "/";
    EXPECT_EQ(listed(CheckQuiz(quiz, quizPath, cp1252())),
              "0: the quiz has no CGI address: the answers are sent nowhere\n"
              "0: the page requires a login but the quiz has no login address\n"
              "0: the redirect address holds a line break, which breaks the page's form\n"
              "0: the redirect address holds a double quote, which breaks the page's form\n"
              "0: the quiz ID holds a space, a quote or one of < > = `: the page cuts the ID "
              "there\n"
              "0: the page's folder has no 0fdg.gif, 1fdg.gif, 2fdg.gif, 3fdg.gif, 4fdg.gif, "
              "5fdg.gif, 6fdg.gif, 7fdg.gif, 8fdg.gif, 9fdg.gif, cfdg.gif\n"
              "0: the background picture \"paper.jpg\" is not where the page will look for it (" +
                  folder +
                  "paper.jpg)\n"
                  "1: the question has no answer\n"
                  "2: the answer \"D\" is not one of the choices A to C\n"
                  "3: the question has no text\n"
                  "4: choices B and C are empty: the page shows a button without a text\n"
                  "5: choices A and C are the same\n"
                  "6: the picture \"gone.gif\" is not where the page will look for it (" +
                  folder + "gone.gif)\n");

    // The login address stands in the page's script.
    auto other = std::make_unique<QuizDocument>();
    other->quiz = quiz;
    other->quiz.QuestionCount = 0;
    other->quiz.CgiTarget = "http://example.org/cgi-bin/score";
    other->quiz.QuizId = "Q1";
    other->quiz.RedirectAddress = "";
    other->quiz.Prefs.BgImage = "";
    other->quiz.LoginAddress = "http://x/</SCRIPT><b>\\\"";
    EXPECT_EQ(listed(CheckQuiz(other->quiz, quizPath, cp1252())),
              "0: the quiz has no questions\n"
              "0: the login address holds \"</script\", which ends the page's script\n"
              "0: the login address holds a double quote, which breaks the page's script\n"
              "0: the login address holds a backslash, which changes the page's script\n"
              "0: the page's folder has no 0fdg.gif, 1fdg.gif, 2fdg.gif, 3fdg.gif, 4fdg.gif, "
              "5fdg.gif, 6fdg.gif, 7fdg.gif, 8fdg.gif, 9fdg.gif, cfdg.gif\n");
}

TEST(CheckQuiz, QuizzesOfOneFolderWhosePagesPostTheSameIdAreNamed) {
    TempDir dir;
    auto quiz = std::make_unique<TQuizRec>();
    quiz->QuizId = "Unit 3";
    WriteQuizFile(*quiz, dir.file("unit3.qvt"));
    quiz->QuizId = "Unit 4";
    WriteQuizFile(*quiz, dir.file("unit4.qvt"));
    EXPECT_EQ(listed(QuizIdProblems(*quiz, dir.file("unit4.qvt"), cp1252())),
              "0: the quiz ID holds a space, a quote or one of < > = `: the page cuts the ID "
              "there\n"
              "0: the page posts the quiz ID \"Unit\", as the page of unit3.qvt in the same folder "
              "does: their results can't be told apart\n");
    quiz->QuizId = "Unit-4";
    EXPECT_EQ(listed(QuizIdProblems(*quiz, dir.file("unit4.qvt"), cp1252())), "");
    // Two quizzes without an ID collide too; Create Html looks at the ID alone.
    quiz->QuizId = "";
    WriteQuizFile(*quiz, dir.file("unit3.qvt"));
    EXPECT_EQ(QuizIdProblems(*quiz, dir.file("unit4.qvt"), cp1252()).size(), 1u);
    EXPECT_TRUE(QuizIdProblems(*quiz, dir.file("unit4.qvt"), cp1252(), IdCheck::TheIdOnly).empty());
}

TEST(CheckQuiz, ExampleQuizIsCleanAndACutCopyIsReported) {
    const std::string example = std::string(TAMBERLIN_SOURCE_DIR) + "/examples/solar_system.qvt";
    EXPECT_EQ(listed(CheckQuizFile(example, cp1252())), "");

    TempDir dir;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(TAMBERLIN_SOURCE_DIR) + "/examples")) {
        std::filesystem::copy(entry.path(), dir.path() / entry.path().filename());
    }
    const std::string cut = dir.file("solar_system.qvt");
    WriteAll(cut, ReadAll(example).substr(0, 5000));
    const std::vector<QuizProblem> problems = CheckQuizFile(cut, cp1252());
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems[0].question, 0);
    EXPECT_EQ(problems[0].message, "the file ends after 5000 bytes; questions past it are empty");
}

// The contrast ratio against the published WCAG values: 21:1 for black on white, 4.48:1 for
// #777777 on white, 2.85:1 for #999999 on white, the same either way round.
TEST(CheckQuiz, ContrastRatioFollowsTheWcagFormula) {
    EXPECT_NEAR(ContrastRatio(0x000000, 0xFFFFFF), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(0x777777, 0xFFFFFF), 4.48, 0.005);
    EXPECT_NEAR(ContrastRatio(0xFFFFFF, 0x999999), 2.85, 0.005);
    EXPECT_NEAR(ContrastRatio(0x0000FF, 0x0000FF), 1.0, 1e-9);
}

// A page whose text cannot be read, or whose time runs out at once, is warned about, naming the
// row; rows switched off and colours far enough apart are not.
TEST(CheckQuiz, UnreadableColoursAndAShortTimeAreWarnedAbout) {
    TQuizRec quiz{};
    quiz.Interval = 1;
    quiz.Prefs.TitleFontOn = 1;
    quiz.Prefs.TitleFontColor = 0xFFFFFF; // white on the browser's white
    quiz.Prefs.QuestionFontOn = 0;
    quiz.Prefs.QuestionFontColor = 0xFFFFFF; // off: not used by the page
    quiz.Prefs.ChoiceFontOn = 1;
    quiz.Prefs.ChoiceFontColor = 0x777777;
    EXPECT_EQ(listed(PublishingWarnings(quiz)),
              "0: the Title Font colour #FFFFFF has too little contrast with the background "
              "colour #FFFFFF (1.0:1, under 3:1): the text is hard or impossible to read\n"
              "0: the time allowed is 1 second (under 30 seconds): the page's time runs out "
              "almost at once\n");

    // A dark background: the browser's black text now fails, the white title and the grey
    // choices (3.6:1) pass.
    quiz.Interval = 30;
    quiz.Prefs.BgColorOn = 1;
    quiz.Prefs.BgColor = 0x202020;
    EXPECT_EQ(listed(PublishingWarnings(quiz)),
              "0: the Text colour #000000 has too little contrast with the background colour "
              "#202020 (1.2:1, under 3:1): the text is hard or impossible to read\n");
}

// A picture that is only in the current folder: the page will not find it, and the advice says
// where to copy it from.
TEST(CheckQuiz, PictureInTheCurrentFolderIsToBeCopiedBesideTheQuiz) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "q");
    std::filesystem::create_directories(dir.path() / "here");
    WriteAll((dir.path() / "here" / "cell.gif").string(), "GIF89a");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path() / "here");
    TQuizRec quiz{};
    quiz.QuestionCount = 1;
    quiz.ChoiceCount = 2;
    quiz.Questions[0].PicAddress = "cell.gif";
    const std::vector<QuizProblem> problems =
        CheckQuiz(quiz, (dir.path() / "q" / "bio.qvt").string(), cp1252());
    std::filesystem::current_path(before);
    bool found = false;
    for (const QuizProblem& problem : problems) {
        if (problem.message.starts_with("the picture \"cell.gif\"")) {
            found = true;
            EXPECT_EQ(problem.advice, "Copy " + (dir.path() / "here" / "cell.gif").string() +
                                          " beside the quiz file.");
        }
    }
    EXPECT_TRUE(found);
}
