// Importing question banks as teachers have them, and every refusal with its line.
#include "banks/question_bank.h"

#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

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
              "52: skipped a multiple-choice question with weighted answers and none worth full "
              "credit (only multiple-choice questions with one right answer are imported)\n"
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

// A question the quiz cannot hold is skipped with its line and the reason; the others come in.
TEST(Import, ABadQuestionIsSkippedWithItsLineAndTheRestComeIn) {
    TempDir dir;
    WriteAll(dir.file("here.gif"), "GIF89a");
    const std::string ok = "Q? {=a ~b}\n\n";
    struct Case {
        BankFormat format;
        std::string text;
        std::size_t imported;
        int line;
        std::string message;
    };
    const std::vector<Case> cases = {
        {BankFormat::Gift, ok + "Q" + std::string(255, 'x') + "? {=a ~b}\n", 1, 3,
         "the question text is 257 characters long; the quiz holds 255"},
        {BankFormat::Gift, ok + "Q?\n{\n=a\n~" + std::string(251, 'y') + "\n}\n", 1, 6,
         "choice B is 251 characters long; the quiz holds 250"},
        {BankFormat::Gift, ok + "Ω? {=a ~b}\n", 1, 3,
         "the question text holds \"Ω\" (U+03A9), which the code page CP1252 cannot hold"},
        {BankFormat::Gift, ok + "Q?\n{=a ~b ~c ~d ~e\n~f}\n", 1, 5,
         "a question holds at most 5 choices; this one has 6"},
        {BankFormat::Gift, ok + "::name without end Q? {=a ~b}\n", 1, 3,
         "the question's name has no closing \"::\""},
        // An unclosed "{" costs its own question only, named at the line where it opens.
        {BankFormat::Gift, ok + "Q?\n{=a\n~b\n\nnext {=c ~d}\n", 2, 4,
         "the answers' \"{\" opened here has no closing \"}\""},
        {BankFormat::Gift, ok + "Q? {=a ~b\n", 1, 3,
         "the answers' \"{\" opened here has no closing \"}\""},
        {BankFormat::Aiken, "Q?\nA. a\nB. b\n\nQ2?\nA. a\nB. b\nANSWER: B\n", 1, 1,
         "expected choice C (\"C. ...\") or the ANSWER line at line 5"},
        {BankFormat::Aiken, "Q?\nA. a\nB. b\nANSWER: C\nQ2?\nA)a\nB)b\nANSWER: A\n", 1, 4,
         "the answer C is not one of the question's choices"},
        {BankFormat::Aiken, "Q?\nA. only\nANSWER: A\nQ2?\nA. a\nB. b\nANSWER: A\n", 1, 1,
         "a question needs 2 to 5 choices; this one has 1"},
        {BankFormat::Aiken, "Q2?\nA. a\nB. b\nANSWER: A\nQ?\nA. a\nB. b\n", 1, 5,
         "the question has no ANSWER line"},
        {BankFormat::Csv, "question,A,B,answer\nQ?,a,b,\nQ2?,a,b,B\n", 1, 2,
         "the answer cell is empty"},
        {BankFormat::Csv, "question,A,B,C,answer\nQ?,a,b,,C\nQ2?,a,b,,b\n", 1, 2,
         "the answer C names an empty choice"},
        {BankFormat::Csv, "question,A,B,answer\nQ?,a,b,A\n\"Q2?,a,b,A\n", 1, 3,
         "a quoted field has no closing quote: the file is not read past this line"},
        {BankFormat::Csv, "question,A,B,answer,picture\nQ?,a,b,A,here.gif\nQ?,a,b,A,gone.gif\n", 1,
         3, "the picture \"gone.gif\" does not exist beside the file"},
        {BankFormat::Csv, "question,A,B,answer\n,a,b,A\nQ?,a,b,2\n", 1, 2,
         "the question has no text"},
        {BankFormat::Csv,
         "question,A,B,answer\n\"Q\nover\nlines " + std::string(250, 'z') + "\",a,b,A\nQ,a,b,b\n",
         1, 2,
         "the question text is 265 characters long; the quiz holds 255 (a line break counts "
         "as two)"},
    };
    for (const Case& c : cases) {
        const ImportResult r =
            ImportQuestions(c.text, c.format, dir.path().string() + "/", cp1252());
        ASSERT_TRUE(r.ok()) << c.message << ": " << r.errorText();
        EXPECT_EQ(r.questions.size(), c.imported) << c.message;
        const auto skipped = std::find_if(r.notes.begin(), r.notes.end(), [](const BankNote& n) {
            return n.kind == NoteKind::Skipped;
        });
        ASSERT_NE(skipped, r.notes.end()) << c.message << "\n" << notesText(r.notes);
        EXPECT_EQ(skipped->line, c.line) << c.message;
        EXPECT_EQ(skipped->message,
                  (c.message.starts_with("a quoted") ? "" : "question skipped: ") + c.message);
    }
}

// The whole file is refused, and nothing kept, only when no question can be imported; the
// message gives the first reasons and, for a bank in another alphabet, the code page to use.
TEST(Import, RefusalsOnlyWhenNothingCanBeImported) {
    struct Case {
        BankFormat format;
        std::string text;
        int line;
        std::string message;
    };
    const std::vector<Case> cases = {
        {BankFormat::Gift, "// only comments\n", 0,
         "the file holds no question that can be imported"},
        {BankFormat::Gift, "Кто? {=а ~б}\n\nЧто? {=в ~г}\n", 0,
         "the file holds no question that can be imported: line 1: question skipped: the "
         "question text holds \"К\" (U+041A), which the code page CP1252 cannot hold; line 3: "
         "question skipped: the question text holds \"Ч\" (U+0427), which the code page CP1252 "
         "cannot hold (2 questions need another code page: run with TAMBERLIN_CODEPAGE=cp1251 "
         "to import them)"},
        {BankFormat::Aiken, "Q?\nA. a\nB. b\nANSWER: A\nQ\x01?\nA. a\n", 5,
         "the file holds a control character (0x01)"},
        {BankFormat::Csv, "question;A;answer\n", 1,
         "the first row is neither a header naming the question, the choices and the answer "
         "(question,A,B,C,D,answer) nor a question with 2 to 5 choices and the right letter "
         "(What is 2+2?,3,4,5,B)"},
    };
    for (const Case& c : cases) {
        const ImportResult r = ImportQuestions(c.text, c.format, "", cp1252());
        EXPECT_FALSE(r.ok()) << c.message;
        EXPECT_EQ(r.errorLine, c.line) << c.message;
        EXPECT_EQ(r.error, c.message);
        EXPECT_TRUE(r.questions.empty()) << c.message;
    }
    EXPECT_EQ(ImportQuestions(std::string(kMaxBankFileSize + 1, ' '), BankFormat::Csv, "", cp1252())
                  .error,
              "the file is larger than 10 MB");
}

// What teachers' files hold: a question right under its category, typos that leave an empty
// answer, partial credit on wrong answers, HTML from word processors, spreadsheet layouts and
// files saved in the system's code page.
TEST(Import, WhatTeachersFilesHold) {
    const ImportResult gift = ImportQuestions(
        "$CATEGORY: Unit 1\n"
        "Is it {~=as ~like} you say?\n"
        "\n"
        "Pick {=%100%right ~%-50%wrong ~%0%other}\n"
        "\n"
        "<!--[if gte mso 9]><xml>junk</xml><![endif]--><i>Is</i> 3 < 5 &amp; 7 > 2&rsquo;s "
        "&Eacute;t&eacute;?<script>x()</script><style>p \\{ color: red \\}</style> {=yes ~no}\n"
        "\n"
        "Cloze {1:MC:=a~b} here\n",
        BankFormat::Gift, "", cp1252());
    ASSERT_TRUE(gift.ok()) << gift.errorText();
    ASSERT_EQ(gift.questions.size(), 3u);
    EXPECT_EQ(gift.questions[0].line, 2);
    EXPECT_EQ(gift.questions[0].choices, (std::vector<std::string>{"as", "like"}));
    EXPECT_EQ(gift.questions[0].answer, 0);
    EXPECT_EQ(gift.questions[1].choices, (std::vector<std::string>{"right", "wrong", "other"}));
    EXPECT_EQ(gift.questions[2].text, cp("Is 3 < 5 & 7 > 2’s Été?"));
    EXPECT_EQ(notesText(gift.notes),
              "1: category \"Unit 1\" ignored (a quiz has no categories)\n"
              "2: the answers stand inside the question's text; \"_____\" marks their place\n"
              "2: an empty answer left out\n"
              "4: partial credit dropped: only the full-credit answer counts as right\n"
              "8: skipped a cloze question (answers in several places of the text) (only "
              "multiple-choice questions with one right answer are imported)\n");

    const ImportResult game =
        ImportQuestions(",Question - max 120 characters,Answer 1,Answer 2,Answer 3,Answer 4,"
                        "Time limit (sec),Correct answer(s)\n"
                        "1,Which?,a,b,c,,20,2\n"
                        "2,Text?,x,y,,,20,y\n"
                        "3,Both?,x,y,,,20,\"1,2\"\n",
                        BankFormat::Csv, "", cp1252());
    ASSERT_TRUE(game.ok()) << game.errorText();
    ASSERT_EQ(game.questions.size(), 2u);
    EXPECT_EQ(game.questions[0].answer, 1);
    EXPECT_EQ(game.questions[1].answer, 1);
    EXPECT_EQ(notesText(game.notes),
              "1: column \"Time limit (sec)\" ignored\n"
              "4: question skipped: the answer \"1,2\" names several right choices (a quiz "
              "question has one)\n");

    const ImportResult options =
        ImportQuestions("Correct Answer\tOption A\tQuestion Text\tOption B\nb\tno\tWhy?\tyes\n",
                        BankFormat::Csv, "", cp1252());
    ASSERT_TRUE(options.ok()) << options.errorText();
    EXPECT_EQ(options.questions[0].choices, (std::vector<std::string>{"no", "yes"}));
    EXPECT_EQ(options.questions[0].answer, 1);

    const ImportResult ansi =
        ImportQuestions("Caf\xE9?;th\xE9;caf\xE9;A\n", BankFormat::Csv, "", cp1252());
    ASSERT_TRUE(ansi.ok()) << ansi.errorText();
    EXPECT_EQ(ansi.questions[0].text, "Caf\xE9?");
    EXPECT_EQ(notesText(ansi.notes), "1: the file is not UTF-8 text: it is read in the code page "
                                     "CP1252 (save it as UTF-8 if that is wrong)\n");
}

// Past the 100 a quiz holds: the first 100 with a note, random draws that a seed repeats, and
// parts of at most 100.
TEST(Import, MoreThanAQuizHolds) {
    std::string bank;
    for (int i = 1; i <= 250; ++i) {
        bank += "Q" + std::to_string(i) + "? {=a ~b}\n\n";
    }
    ImportResult all = ImportQuestions(bank, BankFormat::Gift, "", cp1252());
    ASSERT_EQ(all.questions.size(), 250u);
    ImportResult first = all;
    KeepFirstQuestions(first);
    ASSERT_EQ(first.questions.size(), 100u);
    EXPECT_EQ(first.notes.back().kind, NoteKind::LeftOut);
    EXPECT_EQ(first.notes.back().line, 201);
    EXPECT_NE(first.notes.back().message.find("the 150 from this line on are left"),
              std::string::npos);

    ImportResult a = all, b = all, c = all;
    PickQuestions(a, 30, 7);
    PickQuestions(b, 30, 7);
    PickQuestions(c, 30, 8);
    ASSERT_EQ(a.questions.size(), 30u);
    std::vector<int> linesA, linesB, linesC;
    for (std::size_t n = 0; n < 30; ++n) {
        linesA.push_back(a.questions[n].line);
        linesB.push_back(b.questions[n].line);
        linesC.push_back(c.questions[n].line);
    }
    EXPECT_EQ(linesA, linesB);
    EXPECT_NE(linesA, linesC);
    EXPECT_TRUE(std::is_sorted(linesA.begin(), linesA.end()));
    EXPECT_EQ(std::adjacent_find(linesA.begin(), linesA.end()), linesA.end());

    const auto parts = SplitQuestions(all.questions);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[2].size(), 50u);
    EXPECT_EQ(parts[1].front().text, "Q101?");
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
