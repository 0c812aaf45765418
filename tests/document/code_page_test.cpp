#include "document/code_page.h"

#include <gtest/gtest.h>

using namespace tamberlin;

TEST(CodePage, WesternRoundTrip) {
    const CodePage cp("CP1252");
    const std::string text = "Caf\xC3\xA9 \xE2\x82\xAC 5 \xE2\x80\x93 na\xC3\xAF"
                             "ve"; // Café € 5 – naïve
    const std::string bytes = cp.fromUtf8(text);
    EXPECT_EQ(bytes, "Caf\xE9 \x80 5 \x96 na\xEFve");
    EXPECT_EQ(cp.toUtf8(bytes), text);
}

TEST(CodePage, CyrillicRoundTrip) {
    const CodePage cp("CP1251");
    const std::string text = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"; // Привет
    const std::string bytes = cp.fromUtf8(text);
    EXPECT_EQ(bytes, "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(cp.toUtf8(bytes), text);
}

TEST(CodePage, UnrepresentableAndMalformedBecomeQuestionMarks) {
    const CodePage western("CP1252");
    EXPECT_EQ(western.fromUtf8("a\xD0\x9F"
                               "b"),
              "a?b");                                         // Cyrillic in 1252
    EXPECT_EQ(western.fromUtf8("x\xF0\x9F\x98\x80y"), "x?y"); // emoji
    EXPECT_EQ(western.fromUtf8("\xC3"), "?");                 // cut sequence
    EXPECT_EQ(western.fromUtf8("\xC0\xAF"), "??");            // overlong
}

TEST(CodePage, UndefinedBytesSurviveARoundTrip) {
    const CodePage western("CP1252");
    const std::string bytes("\x81\x8D\x8F\x90\x9D", 5);
    EXPECT_EQ(western.fromUtf8(western.toUtf8(bytes)), bytes);
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(western.fromUtf8(western.toUtf8(all)), all);
}

TEST(CodePage, ChosenFromTheLocaleLikeWindows) {
    EXPECT_EQ(CodePage::codePageForLocale("en_US.UTF-8"), 1252);
    EXPECT_EQ(CodePage::codePageForLocale("C"), 1252);
    EXPECT_EQ(CodePage::codePageForLocale(""), 1252);
    EXPECT_EQ(CodePage::codePageForLocale("de_DE@euro"), 1252);
    EXPECT_EQ(CodePage::codePageForLocale("pl_PL.UTF-8"), 1250);
    EXPECT_EQ(CodePage::codePageForLocale("ru_RU.UTF-8"), 1251);
    EXPECT_EQ(CodePage::codePageForLocale("sr_RS@latin"), 1250);
    EXPECT_EQ(CodePage::codePageForLocale("sr_RS"), 1251);
    EXPECT_EQ(CodePage::codePageForLocale("el_GR.UTF-8"), 1253);
    EXPECT_EQ(CodePage::codePageForLocale("tr_TR.UTF-8"), 1254);
    EXPECT_EQ(CodePage::codePageForLocale("he_IL.UTF-8"), 1255);
    EXPECT_EQ(CodePage::codePageForLocale("ar_EG.UTF-8"), 1256);
    EXPECT_EQ(CodePage::codePageForLocale("lt_LT.UTF-8"), 1257);
    EXPECT_EQ(CodePage::codePageForLocale("vi_VN"), 1258);
    EXPECT_EQ(CodePage::codePageForLocale("th_TH.UTF-8"), 874);
}

TEST(CodePage, OverrideNames) {
    EXPECT_EQ(CodePage::parseCodePageName("cp1251"), 1251);
    EXPECT_EQ(CodePage::parseCodePageName("CP1250"), 1250);
    EXPECT_EQ(CodePage::parseCodePageName("windows-1253"), 1253);
    EXPECT_EQ(CodePage::parseCodePageName("874"), 874);
    EXPECT_EQ(CodePage::parseCodePageName("utf-8"), 0);
    EXPECT_EQ(CodePage::parseCodePageName("cp437"), 0);
    EXPECT_EQ(CodePage::parseCodePageName(""), 0);
}
