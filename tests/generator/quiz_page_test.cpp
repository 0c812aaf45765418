#include "document/errors.h"
#include "generator/quiz_page.h"
#include "generator/quiz_script.h"

#include "common/quiz_builders.h"
#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

using namespace tamberlin;
using tamberlin::testing::FreshDocument;
using tamberlin::testing::ReadAll;
using tamberlin::testing::SetQuestion;
using tamberlin::testing::TempDir;
using tamberlin::testing::UnwritableFolder;
using tamberlin::testing::WriteAll;

namespace {

std::string expected(const std::string& name) {
    const std::string path = std::string(TAMBERLIN_TEST_DATA_DIR) + "/pages/" + name;
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    return ReadAll(path);
}

// Three questions with every font row on, the cookie required, no alignment word, a login
// address, texts that need escaping and a text cut through "&lt;".
std::unique_ptr<QuizDocument> edgeQuiz(PageInputs& inputs) {
    auto doc = FreshDocument();
    TQuizRec& quiz = doc->quiz;
    quiz.Title = "Fish & <Chips> \"quiz\"";
    quiz.QuizId = "FC-01";
    quiz.CgiTarget = "http://127.0.0.1:8080/cgi-bin/score.cgi";
    quiz.LoginAddress = "http://example.org/login";
    quiz.RedirectAddress = "http://example.org/thanks.htm";
    quiz.Interval = 300;
    quiz.QuestionCount = 3;
    quiz.ChoiceCount = 3;
    quiz.Prefs.CookieRequired = 1;
    quiz.Prefs.Alignment = 255;
    quiz.Prefs.TitleFontTag = "<FONT FACE=\"serif\" SIZE=\"5\" COLOR=\"#FF0000\">\r\n";
    quiz.Prefs.QuestionFontTag = "<FONT SIZE=\"3\" COLOR=\"#FFFFFF\">\r\n";
    quiz.Prefs.ChoiceFontTag = "<FONT FACE=\"monospace\" SIZE=\"2\" COLOR=\"#563412\">\r\n";
    SetQuestion(quiz.Questions[0], "first\r\nsecond",
                {"Paris", "A & B", "\"quoted\"", "hidden D", "hidden E"}, "B");
    SetQuestion(quiz.Questions[1], "Is 1 < 2 > 0 & \"x\"?", {"<b>yes</b>", "no", "maybe"}, "",
                "pic 1.gif");
    SetQuestion(quiz.Questions[2], std::string(253, 'x') + "<y", {"1", "2", "3"}, "C");
    inputs = {" BGCOLOR=\"#FFFF00\" TEXT=\"#000080\"", true, true, true};
    return doc;
}

// One question, every font row off (their tags are set but must not appear), no login, a
// cookie byte other than 0 and 1, right alignment, a choice beyond the choice count.
std::unique_ptr<QuizDocument> singleQuiz(PageInputs& inputs) {
    auto doc = FreshDocument();
    TQuizRec& quiz = doc->quiz;
    quiz.Title = "One";
    quiz.Interval = 60;
    quiz.QuestionCount = 1;
    quiz.ChoiceCount = 2;
    quiz.Prefs.CookieRequired = 2;
    quiz.Prefs.Alignment = 2;
    quiz.Prefs.Author = "Ada Lovelace";
    quiz.Prefs.TitleFontTag = "<FONT SIZE=\"7\" COLOR=\"#000000\">\r\n";
    quiz.Prefs.QuestionFontTag = "<FONT SIZE=\"7\" COLOR=\"#000000\">\r\n";
    quiz.Prefs.ChoiceFontTag = "<FONT SIZE=\"7\" COLOR=\"#000000\">\r\n";
    SetQuestion(quiz.Questions[0], "Two plus two?", {"4", "5", "not shown"}, "A");
    // Slot 2 holds text but is not part of the quiz.
    SetQuestion(quiz.Questions[1], "unused", {"u", "v"}, "B");
    inputs = {};
    return doc;
}

std::unique_ptr<QuizDocument> emptyQuiz(PageInputs& inputs) {
    auto doc = FreshDocument();
    doc->quiz.Interval = -5;
    inputs = {};
    return doc;
}

struct GoldenCase {
    const char* name;
    std::unique_ptr<QuizDocument> (*make)(PageInputs&);
};

// CTest names the cases by what gtest prints for them: the name, never the bytes of the case.
void PrintTo(const GoldenCase& golden, std::ostream* out) {
    *out << golden.name;
}

class GoldenPage : public ::testing::TestWithParam<GoldenCase> {};

} // namespace

TEST_P(GoldenPage, PageAndListingMatchByteForByte) {
    PageInputs inputs;
    const auto doc = GetParam().make(inputs);
    const std::string name = GetParam().name;
    TempDir dir;
    const std::string pagePath = dir.file(name + ".htm");

    std::string buffer = "left over from an earlier page";
    WriteQuizPage(doc->quiz, pagePath, inputs, buffer);

    const std::string page = expected(name + ".htm");
    EXPECT_EQ(ReadAll(pagePath), page);
    EXPECT_EQ(buffer, page);
    EXPECT_EQ(ReadAll(dir.file(name + ".qdt")), expected(name + ".qdt"));

    // Publishing again from the unchanged quiz replaces both files with the same bytes.
    EXPECT_EQ(WriteQuizPage(doc->quiz, pagePath, inputs), page);
    EXPECT_EQ(ReadAll(pagePath), page);
    EXPECT_EQ(ReadAll(dir.file(name + ".qdt")), expected(name + ".qdt"));
}

INSTANTIATE_TEST_SUITE_P(Quizzes, GoldenPage,
                         ::testing::Values(GoldenCase{"edge", edgeQuiz},
                                           GoldenCase{"single", singleQuiz},
                                           GoldenCase{"empty", emptyQuiz}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EscapeForHtml, ConvertsAngleBracketsAndCarriageReturnsOnly) {
    EXPECT_EQ(EscapeForHtml("a<b>c"), "a&lt;b&gt;c");
    EXPECT_EQ(EscapeForHtml("x\r\ny"), "x<BR>\ny");
    EXPECT_EQ(EscapeForHtml("& \" ' \n"), "& \" ' \n");
    EXPECT_EQ(EscapeForHtml(""), "");
}

TEST(EscapeForHtml, CutsTheResultAt255EvenInsideAConversion) {
    EXPECT_EQ(EscapeForHtml(std::string(251, 'a') + "<"), std::string(251, 'a') + "&lt;");
    EXPECT_EQ(EscapeForHtml(std::string(253, 'a') + "\r\n"), std::string(253, 'a') + "<B");
    EXPECT_EQ(EscapeForHtml(std::string(100, '>')).size(), 255u);
    EXPECT_EQ(EscapeForHtml(std::string(255, 'z')), std::string(255, 'z'));
}

TEST(StripLineBreaks, DropsEveryCarriageReturnAndLineFeed) {
    EXPECT_EQ(StripLineBreaks("a\r\nb\rc\nd"), "abcd");
    EXPECT_EQ(StripLineBreaks("<x> & \"y\"\t"), "<x> & \"y\"\t");
    EXPECT_EQ(StripLineBreaks(std::string(300, 'x') + "\r\n" + std::string(300, 'y')),
              std::string(300, 'x') + std::string(300, 'y'));
}

// Plain bytes are looked at several at a time: a special byte is found wherever it stands.
TEST(EscapeForHtml, FindsSpecialBytesAtEveryPositionOfALongText) {
    for (std::size_t at = 0; at < 40; ++at) {
        for (const char special : {'<', '>', '\r', '\n'}) {
            std::string text(40, 'a');
            text[at] = special;
            const std::string_view converted = special == '<'    ? "&lt;"
                                               : special == '>'  ? "&gt;"
                                               : special == '\r' ? "<BR>"
                                                                 : "\n";
            EXPECT_EQ(EscapeForHtml(text),
                      std::string(at, 'a') + std::string(converted) + std::string(39 - at, 'a'))
                << at;
            if (special == '\r' || special == '\n') {
                EXPECT_EQ(StripLineBreaks(text), std::string(39, 'a')) << at;
            }
        }
    }
}

TEST(ReplaceExtension, UsesTheLastDotOfTheFileNamePart) {
    EXPECT_EQ(ReplaceExtension("/q/test.qvt", ".htm"), "/q/test.htm");
    EXPECT_EQ(ReplaceExtension("/q/a.b.c", ".qdt"), "/q/a.b.qdt");
    EXPECT_EQ(ReplaceExtension("/q.d/test", ".qdt"), "/q.d/test.qdt");
    EXPECT_EQ(ReplaceExtension("C:\\quizzes\\test.qvt", ".htm"), "C:\\quizzes\\test.htm");
    EXPECT_EQ(ReplaceExtension("C:x.y\\name", ".htm"), "C:x.y\\name.htm");
    EXPECT_EQ(ReplaceExtension("noext", ".qdt"), "noext.qdt");
    EXPECT_EQ(ReplaceExtension("", ".qdt"), ".qdt");
}

TEST(QuizScript, LoginAddressIsEscapedInsideBothStringLiterals) {
    auto doc = FreshDocument();
    doc->quiz.LoginAddress = "http://x/a\"b\\c\r\nd";
    const auto lines = QuizScriptLines(doc->quiz);
    EXPECT_EQ(lines.at(5), "\tdocument.location = \"http://x/a\\\"b\\\\c\\r\\nd\"; }");
    int windowLines = 0;
    for (const auto& line : lines) {
        if (line.starts_with("\t\twindow.location = ")) {
            EXPECT_EQ(line, "\t\twindow.location = \"http://x/a\\\"b\\\\c\\r\\nd\";");
            ++windowLines;
        }
    }
    EXPECT_EQ(windowLines, 1);
}

TEST(QuizScript, SameDataGivesTheSameBlockWhateverElseDiffers) {
    auto a = FreshDocument();
    auto b = FreshDocument();
    for (auto* quiz : {&a->quiz, &b->quiz}) {
        quiz->LoginAddress = "http://login";
        quiz->Interval = 90;
        quiz->QuestionCount = 2;
        quiz->ChoiceCount = 4;
        quiz->Questions[0].Answer = "D";
        quiz->Questions[1].Answer = "A";
    }
    b->quiz.Title = "Another";
    b->quiz.Questions[0].QuestionText = "Different";
    b->quiz.Prefs.CookieRequired = 1;
    EXPECT_EQ(QuizScriptLines(a->quiz), QuizScriptLines(b->quiz));
}

TEST(WriteQuizPage, ReplacesExistingFilesWithoutAsking) {
    PageInputs inputs;
    const auto doc = singleQuiz(inputs);
    TempDir dir;
    const std::string pagePath = dir.file("single.htm");
    WriteAll(pagePath, std::string(20000, 'o'));
    WriteAll(dir.file("single.qdt"), std::string(20000, 'o'));
    WriteQuizPage(doc->quiz, pagePath, inputs);
    EXPECT_EQ(ReadAll(pagePath), expected("single.htm"));
    EXPECT_EQ(ReadAll(dir.file("single.qdt")), expected("single.qdt"));
}

TEST(WriteQuizPage, ListingNameFollowsTheExtensionRule) {
    PageInputs inputs;
    const auto doc = emptyQuiz(inputs);
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "v1.0");
    WriteQuizPage(doc->quiz, dir.file("v1.0/page"), inputs);
    EXPECT_EQ(ReadAll(dir.file("v1.0/page.qdt")), expected("empty.qdt"));
    WriteQuizPage(doc->quiz, dir.file("v1.0/quiz.page.html"), inputs);
    EXPECT_EQ(ReadAll(dir.file("v1.0/quiz.page.qdt")), expected("empty.qdt"));
}

TEST(WriteQuizPage, UnwritablePageFailsWithItsPathAndWritesNoListing) {
    PageInputs inputs;
    const auto doc = singleQuiz(inputs);
    TempDir dir;
    const std::string pagePath = UnwritableFolder(dir) + "/quiz.htm";
    std::string buffer;
    try {
        WriteQuizPage(doc->quiz, pagePath, inputs, buffer);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + pagePath + "\". ", 0), 0u)
            << e.what();
        EXPECT_GT(std::string(e.what()).size(), pagePath.size() + 23);
    }
    // The page was built before the write failed; the buffer keeps it.
    EXPECT_EQ(buffer, expected("single.htm"));
    EXPECT_FALSE(std::filesystem::exists(UnwritableFolder(dir) + "/quiz.qdt"));
}

TEST(WriteQuizPage, EmptyPathFails) {
    PageInputs inputs;
    const auto doc = emptyQuiz(inputs);
    EXPECT_THROW(
        {
            try {
                WriteQuizPage(doc->quiz, "", inputs);
            } catch (const EFCreateError& e) {
                EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"\". ", 0), 0u);
                throw;
            }
        },
        EFCreateError);
}

TEST(WriteQuizPage, UnwritableListingLeavesBothFilesAsTheyWere) {
    PageInputs inputs;
    const auto doc = singleQuiz(inputs);
    TempDir dir;
    // A folder where the listing should go cannot be replaced by a file.
    std::filesystem::create_directory(dir.path() / "quiz.qdt");
    const std::string pagePath = dir.file("quiz.htm");
    WriteAll(pagePath, "the page published before");
    std::string buffer;
    try {
        WriteQuizPage(doc->quiz, pagePath, inputs, buffer);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind("Cannot create file \"" + dir.file("quiz.qdt") + "\". ", 0),
            0u)
            << e.what();
    }
    EXPECT_EQ(buffer, expected("single.htm"));
    EXPECT_EQ(ReadAll(pagePath), "the page published before");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              2);
}

TEST(BuildQuizPage, DamagedCountsNeverReachPastTheQuestionSlots) {
    auto doc = FreshDocument();
    doc->quiz.QuestionCount = 1000;
    doc->quiz.ChoiceCount = 9;
    const QuizPageText text = BuildQuizPage(doc->quiz, {});
    EXPECT_NE(text.page.find("name=q100 "), std::string::npos);
    EXPECT_EQ(text.page.find("name=q101 "), std::string::npos);
    EXPECT_EQ(text.page.find("value=F "), std::string::npos);
    EXPECT_EQ(text.listing.find("\r\n1000\r\n9\r\n"), 0u);
}
