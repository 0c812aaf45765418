#include "document/quiz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

using namespace tamberlin;

namespace {

template <std::size_t N>
std::string rawBytes(const CountedString<N>& s) {
    return std::string(reinterpret_cast<const char*>(s.bytes.data()), s.bytes.size());
}

} // namespace

TEST(CountedString, ShorterTextKeepsTheOldTailAfterItsLength) {
    CountedString<10> s;
    s = "abcde";
    s = "XY";
    EXPECT_EQ(s.str(), "XY");
    EXPECT_EQ(rawBytes(s), std::string("\x02XYcde\0\0\0\0\0", 11));
}

TEST(CountedString, LongTextIsCutToCapacity) {
    CountedString<250> s;
    const std::string longText = std::string(300, 'q') + "tail";
    s = longText;
    EXPECT_EQ(s.size(), 250u);
    EXPECT_EQ(s.str(), std::string(250, 'q'));
    EXPECT_EQ(s.bytes[0], 250);
}

TEST(CountedString, LengthByteAboveCapacityReadsAsCapacity) {
    CountedString<1> answer;
    answer.bytes = {200, 'C'};
    EXPECT_EQ(answer.str(), "C");
    CountedString<3> s;
    s.bytes = {255, 'a', 'b', 'c'};
    EXPECT_EQ(s.str(), "abc");
}

TEST(CountedString, ClearChangesOnlyTheLengthByte) {
    CountedString<4> s;
    s = "wxyz";
    s.clear();
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(rawBytes(s), std::string("\0wxyz", 5));
}

TEST(QuizDocument, ResetZeroesEverySlotAndKeepsRedirectAndInterval) {
    auto doc = std::make_unique<QuizDocument>();
    doc->ClearBlankQuestion();
    doc->quiz.QuestionCount = 10;
    doc->quiz.ChoiceCount = 4;
    doc->quiz.Title = "Capitals";
    doc->quiz.QuizId = "cap-1";
    doc->quiz.CgiTarget = "http://example.invalid/cgi";
    doc->quiz.LoginAddress = "http://example.invalid/login";
    doc->quiz.RedirectAddress = "http://example.invalid/done";
    doc->quiz.Interval = 300;
    doc->quiz.Prefs.TitleFontOn = 1;
    doc->quiz.Prefs.TitleFontSize = 6;
    doc->quiz.Prefs.Alignment = 2;
    doc->quiz.Prefs.Author = "Ann";
    for (auto& q : doc->quiz.Questions) {
        q.QuestionText = "What?";
        q.ChoiceE = "e";
        q.Answer = "B";
    }

    doc->ResetQuiz();

    for (const auto& q : doc->quiz.Questions) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&q);
        EXPECT_TRUE(std::all_of(bytes, bytes + sizeof q, [](unsigned char b) { return b == 0; }));
    }
    EXPECT_EQ(doc->quiz.QuestionCount, 0);
    EXPECT_EQ(doc->quiz.ChoiceCount, 0);
    EXPECT_TRUE(doc->quiz.Title.empty());
    EXPECT_TRUE(doc->quiz.QuizId.empty());
    EXPECT_TRUE(doc->quiz.CgiTarget.empty());
    EXPECT_TRUE(doc->quiz.LoginAddress.empty());
    EXPECT_TRUE(doc->quiz.Prefs.Author.empty());
    EXPECT_EQ(doc->quiz.Prefs.TitleFontOn, 0);
    EXPECT_EQ(doc->quiz.Prefs.TitleFontSize, 3);
    EXPECT_EQ(doc->quiz.Prefs.Alignment, 0);
    // A new quiz starts with the previous quiz's redirect address and interval.
    EXPECT_EQ(doc->quiz.RedirectAddress.str(), "http://example.invalid/done");
    EXPECT_EQ(doc->quiz.Interval, 300);
    // Bytes after an emptied title's length still hold the old text.
    EXPECT_EQ(doc->quiz.Title.bytes[1], 'C');
}

TEST(QuizDocument, LoweredCountsKeepHiddenSlotsUntilReset) {
    auto doc = std::make_unique<QuizDocument>();
    doc->ResetQuiz();
    doc->quiz.QuestionCount = 10;
    doc->quiz.Questions[7].QuestionText = "eighth";
    doc->quiz.QuestionCount = 5;
    doc->quiz.QuestionCount = 10;
    EXPECT_EQ(doc->quiz.Questions[7].QuestionText.str(), "eighth");
}
