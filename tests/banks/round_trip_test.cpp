// quiz -> export -> import -> quiz gives back the same questions, choices, answers and (CSV)
// pictures, for the example quiz and a 100-question quiz with every choice count.
#include "banks/question_bank.h"
#include "document/quiz_file.h"

#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace tamberlin;
using tamberlin::testing::TempDir;
using tamberlin::testing::WriteAll;

namespace {

const CodePage& cp1252() {
    static const CodePage page("CP1252");
    return page;
}

std::unique_ptr<QuizDocument> newDocument() {
    auto doc = std::make_unique<QuizDocument>();
    doc->ClearBlankQuestion();
    doc->ResetQuiz();
    return doc;
}

// A quiz that uses what the formats must carry: the characters they escape or quote, line
// breaks in questions, code page letters, full-length texts, leading "[" and "%", and 2 to 5
// choices per question in a five-choice quiz. Every seventh question has a picture in folder.
std::unique_ptr<QuizDocument> hundredQuestions(const std::string& folder) {
    auto doc = newDocument();
    TQuizRec& quiz = doc->quiz;
    quiz.Title = "A hundred questions";
    quiz.QuestionCount = 100;
    quiz.ChoiceCount = 5;
    const std::string texts[] = {
        "Which of ~ = # { } : \\ and \"quotes\", commas, semicolons; is special?",
        "first line\r\nsecond line\r\nthird line",
        cp1252().fromUtf8("Café, € and Ñandú: which is a bird?"),
        "[note] a text that starts with a bracket",
        std::string(255, 'q'),
        "// looks like a comment but is not one",
        "$CATEGORY: not a category",
        "What is 50% of 10?",
        "Ends with a backslash \\",
        "::name:: is not a name here",
    };
    const std::string choices[] = {
        "%50% of them", "a -> b",          std::string(250, 'c'),      "=equals", "~tilde", "#hash",
        "x, y; \"z\"",  "[plain] bracket", cp1252().fromUtf8("Ärger"), "}{"};
    for (int i = 0; i < 100; ++i) {
        TQuestionRec& q = quiz.Questions[static_cast<std::size_t>(i)];
        const int count = 2 + i % 4;
        q.QuestionText = i == 4 ? texts[4] : texts[i % 10] + " #" + std::to_string(i + 1);
        for (int k = 0; k < count; ++k) {
            q.choice(k) = choices[(i + k) % 10] + (k == 0 ? "" : " " + std::to_string(k));
        }
        q.Answer = std::string(1, ChoiceLetter(i % count));
        if (i % 7 == 0) {
            const std::string name = "picture " + std::to_string(i) + ".gif";
            WriteAll(folder + name, "GIF89a");
            q.PicAddress = name;
        }
    }
    return doc;
}

void expectSameQuestions(const TQuizRec& want, const TQuizRec& got, bool pictures,
                         const std::string& what) {
    ASSERT_EQ(got.QuestionCount, want.QuestionCount) << what;
    ASSERT_EQ(got.ChoiceCount, want.ChoiceCount) << what;
    for (int n = 0; n < want.QuestionCount; ++n) {
        const TQuestionRec& w = want.Questions[static_cast<std::size_t>(n)];
        const TQuestionRec& g = got.Questions[static_cast<std::size_t>(n)];
        const std::string where = what + " question " + std::to_string(n + 1);
        EXPECT_EQ(g.QuestionText.view(), w.QuestionText.view()) << where;
        for (int k = 0; k < want.ChoiceCount; ++k) {
            EXPECT_EQ(g.choice(k).view(), w.choice(k).view()) << where << " choice " << k;
        }
        EXPECT_EQ(g.Answer.view(), w.Answer.view()) << where;
        if (pictures) {
            EXPECT_EQ(g.PicAddress.view(), w.PicAddress.view()) << where;
        }
    }
}

void roundTrip(const TQuizRec& quiz, const std::string& folder, const std::string& what) {
    for (BankFormat format : {BankFormat::Gift, BankFormat::Aiken, BankFormat::Csv}) {
        const std::string name = what + " " + std::string(BankFormatName(format));
        const ExportResult exported = ExportQuestions(quiz, format, cp1252());
        for (const BankNote& note : exported.notes) {
            // Only the pictures GIFT and Aiken cannot hold are reported.
            EXPECT_NE(note.message.find("holds no pictures"), std::string::npos)
                << name << ": question " << note.line << ": " << note.message;
        }
        const ImportResult imported = ImportQuestions(exported.text, format, folder, cp1252());
        ASSERT_TRUE(imported.ok()) << name << ": " << imported.errorText();
        auto back = newDocument();
        ASSERT_TRUE(AppendImported(back->quiz, imported.questions).ok());
        expectSameQuestions(quiz, back->quiz, format == BankFormat::Csv, name);
    }
}

} // namespace

TEST(RoundTrip, ExampleQuiz) {
    const std::string folder = std::string(TAMBERLIN_SOURCE_DIR) + "/examples/";
    auto doc = newDocument();
    ReadQuizFile(doc->quiz, folder + "solar_system.qvt");
    ASSERT_EQ(doc->quiz.QuestionCount, 10);
    roundTrip(doc->quiz, folder, "example");
}

TEST(RoundTrip, HundredQuestionsWithEveryChoiceCount) {
    TempDir dir;
    const std::string folder = dir.path().string() + "/";
    auto doc = hundredQuestions(folder);
    roundTrip(doc->quiz, folder, "hundred");

    // GIFT and Aiken say which pictures they leave out.
    const ExportResult gift = ExportQuestions(doc->quiz, BankFormat::Gift, cp1252());
    ASSERT_EQ(gift.notes.size(), 15u);
    EXPECT_EQ(gift.notes[1].line, 8);
    EXPECT_EQ(gift.notes[1].message, "GIFT holds no pictures: \"picture 7.gif\" is left out");
}

// For each choice count the quiz may have, a full quiz of that many choices survives too.
TEST(RoundTrip, EveryQuizChoiceCount) {
    for (int choices = 2; choices <= 5; ++choices) {
        auto doc = newDocument();
        doc->quiz.QuestionCount = 3;
        doc->quiz.ChoiceCount = choices;
        for (int n = 0; n < 3; ++n) {
            TQuestionRec& q = doc->quiz.Questions[static_cast<std::size_t>(n)];
            q.QuestionText = "Q" + std::to_string(n);
            for (int k = 0; k < choices; ++k) {
                q.choice(k) = std::string(1, ChoiceLetter(k)) + std::to_string(n);
            }
            q.Answer = std::string(1, ChoiceLetter(choices - 1 - n % choices));
        }
        roundTrip(doc->quiz, "", std::to_string(choices) + " choices");
    }
}
