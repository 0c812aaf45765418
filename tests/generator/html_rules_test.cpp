#include "generator/html_rules.h"

#include <gtest/gtest.h>

#include <string>

using namespace tamberlin;

TEST(ColorToHtmlHex, SwapsBlueAndRed) {
    EXPECT_EQ(ColorToHtmlHex(0x000000FF), "FF0000");
    EXPECT_EQ(ColorToHtmlHex(0x00FF8040), "4080FF");
    EXPECT_EQ(ColorToHtmlHex(0x00FFFFFF), "FFFFFF");
    EXPECT_EQ(ColorToHtmlHex(0), "000000");
    EXPECT_EQ(ColorToHtmlHex(0x00123456), "563412");
    // Above 0xFFFFFF the hex text is longer; only its first six digits are paired.
    EXPECT_EQ(ColorToHtmlHex(0x01FF8040), "04F81F");
}

TEST(FontTag, FaceByListPositionSizeAndColour) {
    EXPECT_EQ(BuildFontTag(1, 4, 0x000000FF),
              "<FONT FACE=\"sans-serif\" SIZE=\"4\" COLOR=\"#FF0000\">\r\n");
    EXPECT_EQ(BuildFontTag(-1, 3, 0x00FFFFFF), "<FONT SIZE=\"3\" COLOR=\"#FFFFFF\">\r\n");
    EXPECT_EQ(BuildFontTag(0, 7, 0), "<FONT FACE=\"serif\" SIZE=\"7\" COLOR=\"#000000\">\r\n");
    EXPECT_EQ(BuildFontTag(2, 1, 0x00123456),
              "<FONT FACE=\"monospace\" SIZE=\"1\" COLOR=\"#563412\">\r\n");
}

TEST(FontTag, FaceIndexMatchesOnlyTheListEntriesExactly) {
    EXPECT_EQ(FontFaceIndex("Serif"), 0);
    EXPECT_EQ(FontFaceIndex("Sans Serif"), 1);
    EXPECT_EQ(FontFaceIndex("Monospace"), 2);
    EXPECT_EQ(FontFaceIndex("serif"), -1);
    EXPECT_EQ(FontFaceIndex("Comic"), -1);
    EXPECT_EQ(FontFaceIndex(""), -1);
}

TEST(BodyAttributes, FourPartsInOrder) {
    EXPECT_EQ(BuildBodyAttributes({}), "");
    BodyLook look;
    look.bgColorOn = true;
    look.bgColor = 0x00FF0000;
    look.bgImage = "paper.gif";
    look.textColorOn = true;
    look.textColor = 0x000000FF;
    look.fixedBackground = true;
    EXPECT_EQ(
        BuildBodyAttributes(look),
        " BGCOLOR=\"#0000FF\" BACKGROUND=\"paper.gif\" TEXT=\"#FF0000\" BGPROPERTIES=\"fixed\"");
    look.bgColorOn = false;
    look.bgImage.clear();
    EXPECT_EQ(BuildBodyAttributes(look), " TEXT=\"#FF0000\" BGPROPERTIES=\"fixed\"");
}

TEST(BodyAttributes, CutTo255Characters) {
    BodyLook look;
    look.bgColorOn = true;
    look.bgImage = std::string(250, 'p');
    look.fixedBackground = true;
    const std::string attributes = BuildBodyAttributes(look);
    ASSERT_EQ(attributes.size(), 255u);
    EXPECT_EQ(attributes.substr(0, 33), " BGCOLOR=\"#000000\" BACKGROUND=\"pp");
    EXPECT_EQ(attributes.back(), 'p');
}

TEST(AlignmentWord, OnlyZeroToTwoHaveAWord) {
    EXPECT_EQ(AlignmentWord(0), "LEFT");
    EXPECT_EQ(AlignmentWord(1), "CENTER");
    EXPECT_EQ(AlignmentWord(2), "RIGHT");
    EXPECT_EQ(AlignmentWord(3), "");
    EXPECT_EQ(AlignmentWord(255), "");
}

TEST(HtmlPrefs, ResetGivesTheNewQuizBytesAndKeepsFillerAndOldText) {
    THtmlPrefs prefs{};
    prefs.reset();
    const auto* bytes = reinterpret_cast<const unsigned char*>(&prefs);
    std::string expected(1388, '\0');
    expected += std::string("\x03\0\0\0\x03\0\0\0\x03\0\0\0", 12);
    expected += std::string(4, '\0');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), sizeof prefs), expected);

    prefs.Author = "Someone";
    prefs.Filler1[1] = 0x7E;
    prefs.Filler2[2] = 0x11;
    prefs.reset();
    EXPECT_EQ(bytes[7], 0);       // length byte emptied
    EXPECT_EQ(bytes[8], 'S');     // text after the length kept
    EXPECT_EQ(bytes[1366], 0x7E); // filler carried
    EXPECT_EQ(bytes[1403], 0x11);
}
