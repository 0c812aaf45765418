// Importing question banks as teachers have them, and every refusal with its line.
#include "banks/question_bank.h"

#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tamberlin;
using tamberlin::testing::ReadAll;
using tamberlin::testing::TempDir;
using tamberlin::testing::WriteAll;

namespace {

const CodePage& cp1252() {
    static const CodePage page("CP1252");
    return page;
}

std::string dataFile(const std::string& name) {
    return std::string(TAMBERLIN_TEST_DATA_DIR) + "/banks/" + name;
}

std::string notesText(const std::vector<BankNote>& notes) {
    std::string out;
    for (const BankNote& n : notes) {
        out += std::to_string(n.line) + ": " + n.message + "\n";
    }
    return out;
}

// The code page bytes of a UTF-8 text, for comparisons.
std::string cp(const std::string& utf8) {
    return cp1252().fromUtf8(utf8);
}

} // namespace

TEST(ImportGift, PlatformExportKeepsTheMultipleChoiceQuestionsAndSaysWhatItSkipped) {
    const ImportResult r = ImportQuestionFile(dataFile("platform_export.gift"), {}, cp1252());
    ASSERT_TRUE(r.ok()) << r.errorText();
    ASSERT_EQ(r.questions.size(), 6u);

    const BankQuestion& france = r.questions[0];
    EXPECT_EQ(france.line, 10);
    EXPECT_EQ(france.text, "What is the capital of France?");
    EXPECT_EQ(france.choices,
              (std::vector<std::string>{"Paris", "London", "Berlin & Bonn", "Madrid"}));
    EXPECT_EQ(france.answer, 0);

    const BankQuestion& grant = r.questions[1];
    EXPECT_EQ(grant.text, "Who's buried in Grant's tomb?");
    EXPECT_EQ(grant.choices, (std::vector<std::string>{"Grant", "no one", "Jefferson"}));
    EXPECT_EQ(grant.answer, 1);

    EXPECT_EQ(r.questions[2].text, "Grant is _____ in Grant's tomb.");
    EXPECT_EQ(r.questions[2].answer, 1);

    const BankQuestion& escapes = r.questions[3];
    EXPECT_EQ(escapes.text, "In a GIFT file, what do ~ = # { } and : need before them?");
    EXPECT_EQ(escapes.choices,
              (std::vector<std::string>{"a backslash (\\)", "nothing", "a colon: like this"}));

    const BankQuestion& byHand = r.questions[4];
    EXPECT_EQ(byHand.line, 76);
    EXPECT_EQ(byHand.text, "Which of these is a gas giant?\r\nChoose one.");
    EXPECT_EQ(byHand.choices.size(), 5u);
    EXPECT_EQ(byHand.answer, 2);

    EXPECT_EQ(r.questions[5].text, cp("Où se trouve la **Tour Eiffel** ? Prix : 5 €"));
    EXPECT_EQ(r.questions[5].choices[0], cp("à Paris"));
    EXPECT_EQ(r.choiceCount(), 5);

    EXPECT_EQ(notesText(r.notes),
              "6: category \"$course$/top/Default for Geography/Capitals\" ignored (a quiz has "
              "no categories)\n"
              "19: feedback ignored (the page shows none)\n"
              "28: skipped a true/false question (only multiple-choice questions with one right "
              "answer are imported)\n"
              "32: skipped a short answer question (only multiple-choice questions with one "
              "right answer are imported)\n"
              "36: skipped a numeric question (only multiple-choice questions with one right "
              "answer are imported)\n"
              "40: skipped a matching question (only multiple-choice questions with one right "
              "answer are imported)\n"
              "48: skipped an essay question (only multiple-choice questions with one right "
              "answer are imported)\n"
              "52: skipped a multiple-choice question with weighted answers (only "
              "multiple-choice questions with one right answer are imported)\n"
              "61: skipped a multiple-choice question with several right answers (only "
              "multiple-choice questions with one right answer are imported)\n"
              "65: the answers stand inside the question's text; \"_____\" marks their place\n");
}

TEST(ImportAiken, WindowsLineEndsAndBothChoiceStyles) {
    const ImportResult r = ImportQuestionFile(dataFile("windows_notepad.txt"), {}, cp1252());
    ASSERT_TRUE(r.ok()) << r.errorText();
    ASSERT_EQ(r.questions.size(), 3u);
    EXPECT_EQ(r.questions[0].text, "What is the largest planet of the Solar System?");
    EXPECT_EQ(r.questions[0].choices,
              (std::vector<std::string>{"Jupiter", "Saturn", "Neptune", "Earth"}));
    EXPECT_EQ(r.questions[0].answer, 0);
    EXPECT_EQ(r.questions[1].choices, (std::vector<std::string>{"Venus", "Mars"}));
    EXPECT_EQ(r.questions[1].answer, 1);
    EXPECT_EQ(r.questions[2].line, 14);
    EXPECT_EQ(r.questions[2].answer, 2);
    EXPECT_TRUE(r.notes.empty()) << notesText(r.notes);
}

TEST(ImportCsv, SpreadsheetWithSemicolonsAndAByteOrderMark) {
    const ImportResult r = ImportQuestionFile(dataFile("calc_semicolons.csv"), {}, cp1252());
    ASSERT_TRUE(r.ok()) << r.errorText();
    ASSERT_EQ(r.questions.size(), 4u);
    EXPECT_EQ(r.questions[0].text, "Which planet has the rings shown?");
    EXPECT_EQ(r.questions[0].choices, (std::vector<std::string>{"Saturn", "Mars", "Venus"}));
    EXPECT_EQ(r.questions[0].picture, "map.gif");
    EXPECT_EQ(r.questions[1].text, "Which is larger; the Sun or the Moon?");
    EXPECT_EQ(r.questions[1].answer, 0);
    EXPECT_EQ(r.questions[2].text, "A \"quoted\" question\r\nover two lines");
    EXPECT_EQ(r.questions[2].choices.size(), 5u);
    EXPECT_EQ(r.questions[2].choices[0], "one; two");
    EXPECT_EQ(r.questions[2].answer, 4);
    EXPECT_EQ(r.questions[3].line, 7);
    EXPECT_EQ(r.questions[3].text, cp("Año de la llegada a la Luna (€ 0)"));
    EXPECT_EQ(notesText(r.notes), "1: column \"category\" ignored\n");
}

// Every refusal names the line and why, and hands back no question at all.
TEST(Import, RefusalsNameTheLineAndKeepNothing) {
    TempDir dir;
    WriteAll(dir.file("here.gif"), "GIF89a");
    const std::string ok = "Q? {=a ~b}\n\n";
    std::string hundredAndOne;
    for (int i = 0; i < 101; ++i) {
        hundredAndOne += ok;
    }
    struct Case {
        BankFormat format;
        std::string text;
        int line;
        std::string message;
    };
    const std::vector<Case> cases = {
        {BankFormat::Gift, ok + "Q" + std::string(255, 'x') + "? {=a ~b}\n", 3,
         "the question text is 257 characters long; the quiz holds 255"},
        {BankFormat::Gift, ok + "Q?\n{\n=a\n~" + std::string(251, 'y') + "\n}\n", 6,
         "choice B is 251 characters long; the quiz holds 250"},
        {BankFormat::Gift, ok + "Ω? {=a ~b}\n", 3,
         "the question text holds \"Ω\" (U+03A9), which the code page CP1252 cannot hold"},
        {BankFormat::Gift, hundredAndOne, 201,
         "a quiz holds at most 100 questions; this is question 101"},
        {BankFormat::Gift, ok + "Q?\n{=a ~b ~c ~d ~e\n~f}\n", 5,
         "a question holds at most 5 choices; this one has 6"},
        {BankFormat::Gift, ok + "::name without end Q? {=a ~b}\n", 3,
         "the question's name has no closing \"::\""},
        {BankFormat::Gift, ok + "Q? {=a\n~b\n\nnext {=c ~d}\n", 6,
         "a \"{\" inside the answers: the \"}\" before it is missing"},
        {BankFormat::Gift, ok + "Q? {=a ~b}\nnext? {=c ~d}\n", 4,
         "a second \"{\" in one question: leave a blank line between questions"},
        {BankFormat::Gift, ok + "Q? {=a ~b\n", 3, "the answers' \"{\" has no closing \"}\""},
        {BankFormat::Gift, ok + "Q\xE9? {=a ~b}\n", 3,
         "the file holds bytes that are not UTF-8 text (save the file as UTF-8)"},
        {BankFormat::Gift, "// only comments\n", 0,
         "the file holds no question that can be imported"},
        {BankFormat::Aiken, "Q?\nA. a\nB. b\n\nQ2?\nA. a\nB. b\nANSWER: B\n", 5,
         "expected choice C (\"C. ...\") or the ANSWER line"},
        {BankFormat::Aiken, "Q?\nA. a\nB. b\nANSWER: C\n", 4,
         "the answer C is not one of the question's choices"},
        {BankFormat::Aiken, "Q?\nA. only\nANSWER: A\n", 1,
         "a question needs 2 to 5 choices; this one has 1"},
        {BankFormat::Aiken, "Q?\nA. a\nB. b\n", 1, "the question has no ANSWER line"},
        {BankFormat::Aiken, "Q?\nA. a\nB. b\nANSWER: A\nQ\x01?\nA. a\n", 5,
         "the file holds a control character (0x01)"},
        {BankFormat::Csv, "question,A,B,answer\nQ?,a,b,\n", 2, "the answer cell is empty"},
        {BankFormat::Csv, "question,A,B,C,answer\nQ?,a,b,,C\n", 2,
         "the answer C names an empty choice"},
        {BankFormat::Csv, "question,A,B,answer\nQ?,a,b,A\n\"Q2?,a,b,A\n", 3,
         "a quoted field has no closing quote"},
        {BankFormat::Csv, "question,A,B,answer,picture\nQ?,a,b,A,here.gif\nQ?,a,b,A,gone.gif\n", 3,
         "the picture \"gone.gif\" does not exist beside the file"},
        {BankFormat::Csv, "question,A,B,answer\n,a,b,A\n", 2, "the question has no text"},
        {BankFormat::Csv, "question;A;answer\n", 1,
         "the header row must name the columns question, A, B and answer "
         "(question,A,B,C,D,E,answer,picture)"},
        {BankFormat::Csv,
         "question,A,B,answer\n\"Q\nover\nlines " + std::string(250, 'z') + "\",a,b,A\n", 2,
         "the question text is 265 characters long; the quiz holds 255 (a line break counts "
         "as two)"},
    };
    for (const Case& c : cases) {
        const ImportResult r =
            ImportQuestions(c.text, c.format, dir.path().string() + "/", cp1252());
        EXPECT_FALSE(r.ok()) << c.message;
        EXPECT_EQ(r.errorLine, c.line) << c.message;
        EXPECT_EQ(r.error, c.message);
        EXPECT_TRUE(r.questions.empty()) << c.message;
    }
    EXPECT_EQ(ImportQuestions(std::string(kMaxBankFileSize + 1, ' '), BankFormat::Csv, "", cp1252())
                  .error,
              "the file is larger than 10 MB");
}

TEST(Import, FormatFromTheFileName) {
    EXPECT_EQ(DetectBankFormat("x/Bank.GIFT", ""), BankFormat::Gift);
    EXPECT_EQ(DetectBankFormat("bank.csv", ""), BankFormat::Csv);
    EXPECT_EQ(DetectBankFormat("bank.txt", "// c {\nQ?\nA. a\nB. b\nANSWER: A\n"),
              BankFormat::Aiken);
    EXPECT_EQ(DetectBankFormat("bank.txt", "Q? {=a ~b}\n"), BankFormat::Gift);
    EXPECT_EQ(DetectBankFormat("bank.txt", "nothing"), std::nullopt);
    EXPECT_EQ(DetectBankFormat("bank.doc", "Q? {=a ~b}"), std::nullopt);
}

TEST(Import, AppendingGrowsTheQuizAndItsChoicesButNeverPast100) {
    auto doc = std::make_unique<QuizDocument>();
    doc->ClearBlankQuestion();
    doc->ResetQuiz();
    TQuizRec& quiz = doc->quiz;
    quiz.QuestionCount = 98;
    quiz.ChoiceCount = 3;
    quiz.Questions[98].ChoiceD = "stale text from a hidden slot";
    const ImportResult r =
        ImportQuestions("Q1? {=a ~b}\n\nQ2? {~a ~b ~c =d}\n", BankFormat::Gift, "", cp1252());
    ASSERT_TRUE(r.ok());
    const AppendResult a = AppendImported(quiz, r.questions);
    ASSERT_TRUE(a.ok()) << a.error;
    EXPECT_EQ(a.firstIndex, 98);
    EXPECT_EQ(quiz.QuestionCount, 100);
    EXPECT_EQ(quiz.ChoiceCount, 4);
    EXPECT_EQ(quiz.Questions[98].ChoiceD.view(), "");
    EXPECT_EQ(quiz.Questions[99].ChoiceD.view(), "d");
    EXPECT_EQ(quiz.Questions[99].Answer.view(), "D");
    EXPECT_EQ(a.notes.size(), 1u);

    const AppendResult full = AppendImported(quiz, r.questions);
    EXPECT_FALSE(full.ok());
    EXPECT_EQ(full.error, "the quiz has 100 questions; 2 more would pass the 100 a quiz holds");
    EXPECT_EQ(quiz.QuestionCount, 100);
}
