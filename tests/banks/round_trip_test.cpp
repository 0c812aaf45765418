// quiz -> export -> import -> quiz gives back the same questions, choices, answers and (CSV,
// Moodle XML) pictures, for the example quiz and a 100-question quiz with every choice count.
#include "banks/question_bank.h"
#include "document/quiz_file.h"

#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
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
    for (BankFormat format :
         {BankFormat::Gift, BankFormat::Aiken, BankFormat::Csv, BankFormat::MoodleXml}) {
        const std::string name = what + " " + std::string(BankFormatName(format));
        const ExportResult exported = ExportQuestions(quiz, format, cp1252(), folder);
        for (const BankNote& note : exported.notes) {
            // Only the pictures GIFT and Aiken cannot hold are reported.
            EXPECT_NE(note.message.find("holds no pictures"), std::string::npos)
                << name << ": question " << note.line << ": " << note.message;
        }
        const ImportResult imported = ImportQuestions(exported.text, format, folder, cp1252());
        ASSERT_TRUE(imported.ok()) << name << ": " << imported.errorText();
        auto back = newDocument();
        ASSERT_TRUE(AppendImported(back->quiz, imported.questions).ok());
        const bool pictures = format == BankFormat::Csv || format == BankFormat::MoodleXml;
        expectSameQuestions(quiz, back->quiz, pictures, name);
        if (format != BankFormat::MoodleXml) {
            continue;
        }
        // The pictures travel inside the file: written elsewhere, they are the same bytes.
        TempDir elsewhere;
        std::vector<BankQuestion> questions = imported.questions;
        EXPECT_TRUE(
            WriteEmbeddedPictures(questions, elsewhere.path().string() + "/", cp1252()).empty());
        for (const BankQuestion& q : questions) {
            if (!q.picture.empty()) {
                EXPECT_EQ(ReadAll(elsewhere.file(cp1252().toUtf8(q.picture))),
                          ReadAll(folder + cp1252().toUtf8(q.picture)))
                    << name << " line " << q.line;
            }
        }
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

// Moodle XML as platforms write it: the first picture the text shows, the old picture field,
// partial credit, several right answers, other kinds, and the changes a round trip would make.
TEST(MoodleXml, PicturesKindsAndNotes) {
    const std::string dot("GIF89a\x01\x00\x01\x00", 10);
    const std::string xml =
        "<?xml version=\"1.0\"?>\n<quiz>\n"
        "<question type=\"category\"><category><text>$course$/Unit</text></category></question>\n"
        "<question type=\"multichoice\"><questiontext format=\"html\"><text><![CDATA["
        "<p>Which&nbsp;one? <img src=\"@@PLUGINFILE@@/a%20b.gif\"> <img "
        "src=\"@@PLUGINFILE@@/c.svg\"></p><style>p{}</style>]]></text>"
        "<file name=\"c.svg\" encoding=\"base64\">PHN2Zy8+</file>"
        "<file name=\"a b.gif\" encoding=\"base64\">R0lGODlhAQABAA==</file></questiontext>"
        "<answer fraction=\"100\" format=\"plain_text\"><text>one &lt;1&gt;</text></answer>"
        "<answer fraction=\"-33.3\"><text><![CDATA[<img src=\"x\" alt=\"two\">]]></text></answer>"
        "<answer fraction=\"0\"><text></text></answer></question>\n"
        "<question type=\"multichoice\"><questiontext><text>Old</text></questiontext>"
        "<image>old.gif</image><image_base64>R0lG\nODlh\nAQABAA==</image_base64>"
        "<answer fraction=\"100.0\"><text>a</text></answer>"
        "<answer fraction=\"0\"><text>b</text></answer></question>\n"
        "<question type=\"multichoice\"><questiontext><text>Two</text></questiontext>"
        "<answer fraction=\"50\"><text>a</text></answer>"
        "<answer fraction=\"50\"><text>b</text></answer></question>\n"
        "<question type=\"ddwtos\"><questiontext><text>D</text></questiontext></question>\n"
        "</quiz>\n";
    const ImportResult r = ImportQuestions(xml, BankFormat::MoodleXml, "", cp1252());
    ASSERT_TRUE(r.ok()) << r.errorText();
    ASSERT_EQ(r.questions.size(), 2u);
    EXPECT_EQ(r.questions[0].text, "Which one?");
    EXPECT_EQ(r.questions[0].choices, (std::vector<std::string>{"one <1>", "two"}));
    EXPECT_EQ(r.questions[0].picture, "a b.gif");
    EXPECT_EQ(r.questions[0].pictureData, dot);
    EXPECT_EQ(r.questions[1].picture, "old.gif");
    EXPECT_EQ(r.questions[1].pictureData, dot);
    std::string notes;
    for (const BankNote& n : r.notes) {
        notes += std::to_string(n.line) + ": " + n.message + "\n";
    }
    EXPECT_EQ(notes, "3: category \"$course$/Unit\" ignored (a quiz has no categories)\n"
                     "4: the picture \"c.svg\" is left out (a question shows one picture)\n"
                     "4: an empty answer left out\n"
                     "4: partial credit dropped: only the full-credit answer counts as right\n"
                     "4: the pictures in the choices are left out (their alt texts are kept)\n"
                     "8: skipped a multiple-choice question without a full-credit answer (only "
                     "multiple-choice questions with one right answer are imported)\n"
                     "9: skipped a question of the kind \"ddwtos\" (only multiple-choice questions "
                     "with one right answer are imported)\n");

    // A second import beside the first with other bytes under the same name keeps both.
    TempDir dir;
    WriteAll(dir.file("a b.gif"), "other");
    std::vector<BankQuestion> questions = r.questions;
    EXPECT_TRUE(WriteEmbeddedPictures(questions, dir.path().string() + "/", cp1252()).empty());
    EXPECT_EQ(questions[0].picture, "a b-2.gif");
    EXPECT_EQ(ReadAll(dir.file("a b-2.gif")), dot);
    EXPECT_EQ(ReadAll(dir.file("a b.gif")), "other");

    for (const auto& [bytes, line, error] :
         {std::tuple<std::string, int, std::string>{"<quiz><question>", 1, ""},
          {"<?xml version=\"1.0\"?>\n<questions/>", 0,
           "the file is no Moodle XML question export (its outer element is not <quiz>)"}}) {
        const ImportResult bad = ImportQuestions(bytes, BankFormat::MoodleXml, "", cp1252());
        EXPECT_FALSE(bad.ok());
        EXPECT_EQ(bad.errorLine, line);
        if (!error.empty()) {
            EXPECT_EQ(bad.error, error);
        } else {
            EXPECT_TRUE(bad.error.starts_with("the file is not XML: ")) << bad.error;
        }
    }
}

// Export notes every change reading the file back would make.
TEST(RoundTrip, ExportNotesWhatAReadBackChanges) {
    auto doc = newDocument();
    TQuizRec& quiz = doc->quiz;
    quiz.QuestionCount = 2;
    quiz.ChoiceCount = 3;
    quiz.Questions[0].QuestionText = " padded ";
    quiz.Questions[0].ChoiceA = "a";
    quiz.Questions[0].ChoiceC = "c";
    quiz.Questions[0].Answer = "A";
    quiz.Questions[1].QuestionText = "A. looks like a choice";
    quiz.Questions[1].ChoiceA = "x";
    quiz.Questions[1].ChoiceB = "y ";
    quiz.Questions[1].Answer = "B";
    auto messages = [&](BankFormat format) {
        std::string out;
        for (const BankNote& n : ExportQuestions(quiz, format, cp1252()).notes) {
            out += std::to_string(n.line) + ": " + n.message + "\n";
        }
        return out;
    };
    EXPECT_EQ(messages(BankFormat::Gift),
              "1: choice B is empty\n"
              "1: the spaces at the ends of the question text are left out\n"
              "1: choice B is empty: GIFT readers leave an empty answer out, and the choices "
              "after it move up\n"
              "2: the spaces at the ends of choice B are left out\n");
    EXPECT_EQ(messages(BankFormat::Aiken),
              "1: choice B is empty\n"
              "1: the spaces at the ends of the question text are left out\n"
              "2: the spaces at the ends of choice B are left out\n"
              "2: the question's first line starts like a choice or the ANSWER line; it will "
              "not read back the same\n");
}
