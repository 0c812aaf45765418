#include "generator/page_look.h"

#include "common/page_look_prefs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace tamberlin;

namespace {

THtmlPrefs freshPrefs() {
    THtmlPrefs prefs{};
    prefs.reset();
    return prefs;
}

} // namespace

TEST(DerivePageLook, NewQuizGivesNothingSwitchedOn) {
    const PageLook look = DerivePageLook(freshPrefs());
    EXPECT_FALSE(look.inputs.titleFontOn);
    EXPECT_FALSE(look.inputs.questionFontOn);
    EXPECT_FALSE(look.inputs.choiceFontOn);
    EXPECT_EQ(look.inputs.bodyAttributes, "");
    EXPECT_TRUE(look.prefs.TitleFontTag.empty());
    EXPECT_EQ(look.prefs.Alignment, 0);
}

TEST(DerivePageLook, SwitchedOnRowsGetTheirTagsRebuiltFromFaceSizeAndColour) {
    THtmlPrefs prefs = freshPrefs();
    prefs.TitleFontOn = 1;
    prefs.TitleFontFace = "Sans Serif";
    prefs.TitleFontSize = 4;
    prefs.TitleFontColor = 0x000000FF;
    prefs.TitleFontTag = "<FONT stale>\r\n";
    prefs.QuestionFontOn = 1;
    prefs.QuestionFontFace = "sans serif"; // typed by hand: no FACE attribute
    prefs.QuestionFontSize = 12;
    prefs.QuestionFontColor = 0x00123456;
    prefs.ChoiceFontOn = 1;
    prefs.ChoiceFontFace = "Monospace";
    prefs.ChoiceFontSize = -3;
    prefs.ChoiceFontColor = 0x00FFFFFF;

    const PageLook look = DerivePageLook(prefs);
    EXPECT_TRUE(look.inputs.titleFontOn);
    EXPECT_TRUE(look.inputs.questionFontOn);
    EXPECT_TRUE(look.inputs.choiceFontOn);
    EXPECT_EQ(look.prefs.TitleFontTag.str(),
              "<FONT FACE=\"sans-serif\" SIZE=\"4\" COLOR=\"#FF0000\">\r\n");
    EXPECT_EQ(look.prefs.QuestionFontTag.str(), "<FONT SIZE=\"7\" COLOR=\"#563412\">\r\n");
    EXPECT_EQ(look.prefs.ChoiceFontTag.str(),
              "<FONT FACE=\"monospace\" SIZE=\"1\" COLOR=\"#FFFFFF\">\r\n");
    // The sizes are stored as the number fields show them; faces stay as typed.
    EXPECT_EQ(look.prefs.QuestionFontSize, 7);
    EXPECT_EQ(look.prefs.ChoiceFontSize, 1);
    EXPECT_EQ(look.prefs.QuestionFontFace.str(), "sans serif");
}

TEST(DerivePageLook, OnlyTheByteOneSwitchesARowOnAndOffRowsKeepTheirSettings) {
    THtmlPrefs prefs = freshPrefs();
    prefs.TitleFontOn = 2;
    prefs.TitleFontFace = "Serif";
    prefs.TitleFontSize = 6;
    prefs.TitleFontColor = 0x00ABCDEF;
    prefs.TitleFontTag = "<FONT SIZE=\"6\">\r\n";
    prefs.ChoiceFontOn = 0;
    prefs.ChoiceFontTag = "<FONT SIZE=\"2\">\r\n";

    const PageLook look = DerivePageLook(prefs);
    EXPECT_FALSE(look.inputs.titleFontOn);
    EXPECT_EQ(look.prefs.TitleFontOn, 0);
    EXPECT_TRUE(look.prefs.TitleFontTag.empty());
    EXPECT_TRUE(look.prefs.ChoiceFontTag.empty());
    EXPECT_EQ(look.prefs.TitleFontFace.str(), "Serif");
    EXPECT_EQ(look.prefs.TitleFontSize, 6);
    EXPECT_EQ(look.prefs.TitleFontColor, 0x00ABCDEFu);
}

TEST(DerivePageLook, BodyAttributesFollowTheStoredSwitchesInOrder) {
    THtmlPrefs prefs = freshPrefs();
    prefs.TextColorOn = 1;
    prefs.TextColor = 0x00800000;
    prefs.BgColorOn = 1;
    prefs.BgColor = 0x0000FFFF;
    prefs.BgImage = "back.jpg";
    prefs.FixedBackground = 7;
    const PageLook look = DerivePageLook(prefs);
    EXPECT_EQ(look.inputs.bodyAttributes, " BGCOLOR=\"#FFFF00\" BACKGROUND=\"back.jpg\" "
                                          "TEXT=\"#000080\" BGPROPERTIES=\"fixed\"");
    EXPECT_EQ(look.prefs.FixedBackground, 1);

    // Colours whose switch byte is not 1 stay out; the fixed background needs no picture.
    prefs.TextColorOn = 2;
    prefs.BgColorOn = 0;
    prefs.BgImage = "";
    prefs.FixedBackground = 1;
    EXPECT_EQ(DerivePageLook(prefs).inputs.bodyAttributes, " BGPROPERTIES=\"fixed\"");
    EXPECT_EQ(DerivePageLook(prefs).prefs.TextColorOn, 2);
}

TEST(DerivePageLook, LongBackgroundAddressCutsTheAttributesAt255) {
    THtmlPrefs prefs = freshPrefs();
    prefs.BgColorOn = 1;
    prefs.BgImage = std::string(250, 'p');
    const std::string attributes = DerivePageLook(prefs).inputs.bodyAttributes;
    EXPECT_EQ(attributes.size(), 255u);
    EXPECT_EQ(attributes.substr(0, 31), " BGCOLOR=\"#000000\" BACKGROUND=\"");
}

TEST(DerivePageLook, AlignmentOutsideTheListBecomesNoSelection) {
    THtmlPrefs prefs = freshPrefs();
    for (const int stored : {0, 1, 2}) {
        prefs.Alignment = static_cast<std::uint8_t>(stored);
        EXPECT_EQ(DerivePageLook(prefs).prefs.Alignment, stored);
    }
    for (const int stored : {3, 100, 255}) {
        prefs.Alignment = static_cast<std::uint8_t>(stored);
        EXPECT_EQ(DerivePageLook(prefs).prefs.Alignment, 255);
    }
}

TEST(PageLookForm, LoadShowsOnlyWhatIsSwitchedOn) {
    THtmlPrefs prefs = freshPrefs();
    prefs.Author = "Ann";
    prefs.Alignment = 7;
    prefs.TextColorOn = 2;
    prefs.TextColor = 0x00123456;
    prefs.BgColorOn = 1;
    prefs.BgColor = 0x00654321;
    prefs.FixedBackground = 3;
    prefs.BgImage = "back.jpg";
    prefs.TitleFontOn = 1;
    prefs.TitleFontFace = "Monospace";
    prefs.TitleFontSize = 9;
    prefs.TitleFontColor = 0x000000FF;
    prefs.QuestionFontOn = 0;
    prefs.QuestionFontFace = "Serif";
    prefs.QuestionFontSize = 6;
    prefs.QuestionFontColor = 0x000000FF;
    prefs.ChoiceFontOn = 1;
    prefs.ChoiceFontFace = "serif"; // typed by hand

    const PageLookForm form = LoadPageLook(prefs);
    EXPECT_EQ(form.author, "Ann");
    EXPECT_EQ(form.alignment, -1);
    EXPECT_FALSE(form.textColorOn);
    EXPECT_EQ(form.textColor, kWhite);
    EXPECT_TRUE(form.bgColorOn);
    EXPECT_EQ(form.bgColor, 0x00654321u);
    EXPECT_TRUE(form.fixedBackground);
    EXPECT_EQ(form.bgImage, "back.jpg");
    EXPECT_TRUE(form.title().on);
    EXPECT_EQ(form.title().size, 7);
    EXPECT_EQ(form.title().faceEntry, 2);
    EXPECT_EQ(form.title().color, 0x000000FFu);
    // A row that is off shows the reset row.
    EXPECT_FALSE(form.question().on);
    EXPECT_EQ(form.question().color, kWhite);
    EXPECT_EQ(form.question().size, 3);
    EXPECT_EQ(form.question().face, "");
    EXPECT_EQ(form.question().faceEntry, -1);
    EXPECT_EQ(form.choice().face, "serif");
    EXPECT_EQ(form.choice().faceEntry, -1);
}

TEST(PageLookForm, ApplyStoresTheFormAndReturnsThePageInputs) {
    THtmlPrefs prefs = freshPrefs();
    prefs.CookieRequired = 1;
    prefs.TextColorOn = 1;
    prefs.TextColor = 0x00FF8040;
    prefs.BgColorOn = 9;
    prefs.QuestionFontOn = 1;
    prefs.QuestionFontTag = "<FONT old>\r\n";
    prefs.QuestionFontSize = 5;

    PageLookForm form;
    form.author = std::string(210, 'a');
    form.alignment = 1;
    form.bgImage = std::string(260, 'p');
    form.title().on = true;
    form.title().size = 12; // typed and applied without leaving the field
    form.title().face = "Sans Serif";
    form.title().faceEntry = -1; // typed, not chosen: no FACE attribute
    form.choice().on = true;
    form.choice().faceEntry = 0;
    form.choice().face = "Serif";
    form.choice().color = 0x00FF0000;

    const PageInputs inputs = ApplyPageLook(prefs, form);
    EXPECT_TRUE(inputs.titleFontOn);
    EXPECT_FALSE(inputs.questionFontOn);
    EXPECT_TRUE(inputs.choiceFontOn);
    EXPECT_EQ(prefs.TitleFontTag.str(), "<FONT SIZE=\"12\" COLOR=\"#FFFFFF\">\r\n");
    EXPECT_EQ(prefs.TitleFontSize, 12);
    EXPECT_EQ(prefs.TitleFontFace.str(), "Sans Serif");
    EXPECT_EQ(prefs.ChoiceFontTag.str(), "<FONT FACE=\"serif\" SIZE=\"3\" COLOR=\"#0000FF\">\r\n");
    // A row switched off loses only its tag.
    EXPECT_EQ(prefs.QuestionFontOn, 0);
    EXPECT_TRUE(prefs.QuestionFontTag.empty());
    EXPECT_EQ(prefs.QuestionFontSize, 5);
    // Colours off keep their values; only a switch byte of 1 is turned off.
    EXPECT_EQ(prefs.TextColorOn, 0);
    EXPECT_EQ(prefs.TextColor, 0x00FF8040u);
    EXPECT_EQ(prefs.BgColorOn, 9);
    EXPECT_EQ(prefs.Author.size(), 200u);
    EXPECT_EQ(prefs.BgImage.size(), 250u);
    EXPECT_EQ(prefs.Alignment, 1);
    EXPECT_EQ(prefs.CookieRequired, 1);
    // The page gets the whole address, cut with the attributes at 255.
    EXPECT_EQ(inputs.bodyAttributes, (" BACKGROUND=\"" + std::string(260, 'p')).substr(0, 255));

    form.alignment = -1;
    form.textColorOn = true;
    form.bgImage.clear();
    ApplyPageLook(prefs, form);
    EXPECT_EQ(prefs.Alignment, 255);
    EXPECT_EQ(prefs.TextColorOn, 1);
    EXPECT_EQ(prefs.TextColor, kWhite);
}

// Every combination of the six switches: the form shows exactly the rows and colours that are
// on, and Apply gives the block back byte for byte but for the tags of the rows switched off,
// with the page's inputs following the switches.
TEST(PageLookForm, EverySwitchCombinationLoadsAndAppliesBack) {
    const TColor colour[3] = {0x000000FF, 0x00123456, 0x0000FF00};
    const std::int32_t size[3] = {5, 2, 7};
    const char* face[3] = {"Sans Serif", "Courier New", "Monospace"};
    for (int mask = 0; mask < 64; ++mask) {
        SCOPED_TRACE("switches " + std::to_string(mask));
        THtmlPrefs stored = freshPrefs();
        tamberlin::testing::FillPrefs(stored, mask);
        const PageLookForm form = LoadPageLook(stored);
        const bool rowOn[3] = {(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0};
        const bool textOn = mask & 8, bgOn = mask & 16, fixed = mask & 32;
        EXPECT_EQ(form.textColorOn, textOn);
        EXPECT_EQ(form.textColor, textOn ? TColor{0x00FF8040} : kWhite);
        EXPECT_EQ(form.bgColorOn, bgOn);
        EXPECT_EQ(form.bgColor, bgOn ? TColor{0x00204060} : kWhite);
        EXPECT_EQ(form.fixedBackground, fixed);
        EXPECT_EQ(form.author, "Ann Author");
        EXPECT_EQ(form.alignment, 1);
        for (int row = 0; row < 3; ++row) {
            const PageLookForm::FontRow& shown = form.rows[static_cast<std::size_t>(row)];
            EXPECT_EQ(shown.on, rowOn[row]) << row;
            EXPECT_EQ(shown.color, rowOn[row] ? colour[row] : kWhite) << row;
            EXPECT_EQ(shown.size, rowOn[row] ? size[row] : kDefaultFontSize) << row;
            EXPECT_EQ(shown.face, rowOn[row] ? face[row] : "") << row;
        }

        THtmlPrefs applied = stored;
        const PageInputs inputs = ApplyPageLook(applied, form);
        THtmlPrefs expected = freshPrefs();
        tamberlin::testing::FillConsistentPrefs(expected, mask);
        EXPECT_EQ(std::memcmp(&applied, &expected, sizeof(THtmlPrefs)), 0);
        const std::string body = tamberlin::testing::SwitchedBodyAttributes(mask);
        EXPECT_EQ(inputs.bodyAttributes, body);
        EXPECT_EQ(inputs.titleFontOn, rowOn[0]);
        EXPECT_EQ(inputs.questionFontOn, rowOn[1]);
        EXPECT_EQ(inputs.choiceFontOn, rowOn[2]);
        EXPECT_EQ(DerivePageLook(stored).inputs.bodyAttributes, body);
    }
}
