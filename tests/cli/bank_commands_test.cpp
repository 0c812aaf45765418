#include "banks/question_bank.h"
#include "cli/command_line.h"
#include "document/quiz.h"
#include "document/quiz_file.h"

#include "common/headless_run.h"
#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace tamberlin;
using tamberlin::testing::ReadAll;
using tamberlin::testing::TempDir;
using tamberlin::testing::WriteAll;

namespace {

using tamberlin::testing::Outcome;

Outcome run(std::vector<std::string> args) {
    return tamberlin::testing::RunHeadless(std::move(args));
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string example() {
    return std::string(TAMBERLIN_SOURCE_DIR) + "/examples/solar_system.qvt";
}

std::unique_ptr<QuizDocument> readQuiz(const std::string& path) {
    auto doc = std::make_unique<QuizDocument>();
    doc->ClearBlankQuestion();
    doc->ResetQuiz();
    ReadQuizFile(doc->quiz, path);
    return doc;
}

} // namespace

TEST(ImportOption, MakesAQuizThatPublishes) {
    TempDir dir;
    const std::string bank = dir.file("geography.gift");
    std::filesystem::copy(std::string(TAMBERLIN_TEST_DATA_DIR) + "/banks/platform_export.gift",
                          bank);
    const std::string quizPath = dir.file("geography.qvt");
    const Outcome imported = run({"--import", bank, "-o", quizPath, "--id", "GEO-1", "--cgi",
                                  "http://127.0.0.1/cgi-bin/score", "--seconds", "300"});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, quizPath + ": 6 questions with 5 choices\n");
    EXPECT_TRUE(contains(imported.err, bank + ": line 28: skipped a true/false question"))
        << imported.err;

    auto doc = readQuiz(quizPath);
    EXPECT_EQ(doc->quiz.Title.view(), "geography");
    EXPECT_EQ(doc->quiz.QuizId.view(), "GEO-1");
    EXPECT_EQ(doc->quiz.CgiTarget.view(), "http://127.0.0.1/cgi-bin/score");
    EXPECT_EQ(doc->quiz.Interval, 300);
    EXPECT_EQ(doc->quiz.Questions[0].QuestionText.view(), "What is the capital of France?");
    EXPECT_EQ(doc->quiz.Questions[5].ChoiceA.view(), "\xE0 Paris");

    const Outcome published = run({"--publish", quizPath});
    EXPECT_EQ(published.status, 0) << published.err;
    EXPECT_EQ(published.err, "");
    EXPECT_TRUE(contains(ReadAll(dir.file("geography.htm")), "ans[6]=\"A\";"));
}

TEST(ImportOption, WithoutAnIdTheFileNameGivesOneThatNoOtherQuizPosts) {
    TempDir dir;
    for (const char* unit : {"Unit 3", "Unit 4"}) {
        const std::string bank = dir.file(std::string(unit) + ".gift");
        std::filesystem::copy(std::string(TAMBERLIN_TEST_DATA_DIR) + "/banks/platform_export.gift",
                              bank);
        ASSERT_EQ(run({"--import", bank, "-o", dir.file(std::string(unit) + ".qvt")}).status, 0);
    }
    EXPECT_EQ(readQuiz(dir.file("Unit 3.qvt"))->quiz.QuizId.view(), "Unit_3");
    EXPECT_EQ(readQuiz(dir.file("Unit 4.qvt"))->quiz.QuizId.view(), "Unit_4");
    const Outcome checked = run({"--check", dir.file("Unit 3.qvt")});
    EXPECT_FALSE(contains(checked.out + checked.err, "quiz ID")) << checked.out << checked.err;
    EXPECT_EQ(QuizIdFromFileName("/a/b/Été 2 (final).txt"), "t_2_final");
    EXPECT_EQ(QuizIdFromFileName("---.gift"), "---");
    EXPECT_EQ(QuizIdFromFileName(".gift"), "gift");
    EXPECT_EQ(QuizIdFromFileName("()"), "quiz");
}

TEST(ImportOption, ARefusalWritesNothingAndUsageErrorsExitWithTwo) {
    TempDir dir;
    const std::string bank = dir.file("bad.txt");
    WriteAll(bank, "Q1?\nA. a\nANSWER: A\n\nQ2?\nA. a\nB. b\nANSWER: Z\n");
    const std::string quizPath = dir.file("quiz.qvt");
    WriteAll(quizPath, "kept");
    const Outcome refused = run({"--import", bank, "-o", quizPath});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "tamberlin: " + bank +
                  ": line 1: question skipped: a question needs 2 to 5 choices; this one has 1\n"
                  "tamberlin: " +
                  bank +
                  ": line 8: question skipped: the answer Z is not one of the question's choices\n"
                  "tamberlin: " +
                  bank +
                  ": the file holds no question that can be imported: line 1: question skipped: "
                  "a question needs 2 to 5 choices; this one has 1; line 8: question skipped: the "
                  "answer Z is not one of the question's choices (the notes list every question "
                  "and why it was skipped)\n"
                  "tamberlin: nothing was written\n");
    EXPECT_EQ(ReadAll(quizPath), "kept");

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--import", bank},
             {"--import", bank, "-o", quizPath, "--seconds", "0"},
             {"--import", bank, "-o", quizPath, "--format", "docx"},
             {"--import", bank, "-o", quizPath, "--pick", "0"},
             {"--import", bank, "-o", quizPath, "--seed", "5"},
             {"--import", bank, "-o", quizPath, "--split", "--pick", "5"},
             {"--import", bank, "-o", quizPath, "--title", "\xCE\xA9mega"},
             {"--export", example()},
             {"--check"}}) {
        EXPECT_EQ(run(args).status, 2) << args.back();
    }
    EXPECT_EQ(ReadAll(quizPath), "kept");
    const Outcome help = run({"--help"});
    for (const char* option : {"--import FILE", "--export QUIZ.qvt", "--check QUIZ.qvt"}) {
        EXPECT_TRUE(contains(help.out, option)) << option;
    }
}

TEST(ExportOption, WritesTheFormatAndSaysWhatItLeavesOut) {
    TempDir dir;
    const Outcome gift = run({"--export", example(), "--format", "gift"});
    EXPECT_EQ(gift.status, 0);
    EXPECT_TRUE(contains(gift.out, "::Question 1::")) << gift.out;
    EXPECT_TRUE(contains(gift.err, ": question 3: GIFT holds no pictures: \"saturn.gif\" is left "
                                   "out"))
        << gift.err;

    const std::string csv = dir.file("solar.csv");
    const Outcome written = run({"--export", example(), "-o", csv});
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.err, "");
    EXPECT_TRUE(ReadAll(csv).starts_with("\xEF\xBB\xBFquestion,A,B,C,D,answer,picture\r\n"));

    // A ".txt" name is Aiken, as in the window's save dialog (it used to be refused here).
    const std::string txt = dir.file("solar.TXT");
    const Outcome aiken = run({"--export", example(), "-o", txt});
    EXPECT_EQ(aiken.status, 0) << aiken.err;
    EXPECT_TRUE(contains(ReadAll(txt), "\nANSWER: ")) << ReadAll(txt);
    EXPECT_EQ(run({"--export", example(), "-o", dir.file("solar.doc")}).status, 2);
}

TEST(CheckOption, CleanProblemsAndUnreadableFiles) {
    const Outcome clean = run({"--check", example()});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, example() + ": no problems found\n");

    TempDir dir;
    const std::string quizPath = dir.file("empty.qvt");
    WriteAll(quizPath, "");
    const Outcome problems = run({"--check", example(), quizPath, dir.file("missing.qvt")});
    EXPECT_EQ(problems.status, 1);
    EXPECT_TRUE(contains(problems.out,
                         quizPath + ": the file ends after 0 bytes; questions past it are empty\n"
                                    "    Open the quiz"))
        << problems.out;
    EXPECT_TRUE(contains(problems.out, quizPath + ": the quiz has no questions\n"));
    EXPECT_TRUE(contains(problems.err, "cannot read quiz file \"" + dir.file("missing.qvt")));
}

TEST(PublishOption, WarnsAboutACutQuizFileAndStillPublishes) {
    TempDir dir;
    const std::string cut = dir.file("cut.qvt");
    WriteAll(cut, ReadAll(example()).substr(0, 6000));
    const Outcome published = run({"--publish", cut});
    EXPECT_EQ(published.status, 0);
    EXPECT_EQ(published.out, dir.file("cut.htm") + "\n");
    EXPECT_EQ(published.err, "tamberlin: warning: \"" + cut +
                                 "\": the file ends after 6000 bytes; questions past it are "
                                 "empty\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("cut.htm")));
}
