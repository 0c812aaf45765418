#include "common/csv.h"

#include <gtest/gtest.h>

using tamberlin::CsvCell;
using tamberlin::CsvUnguarded;

// What a spreadsheet would run stays text: every lead character that starts a formula or a
// command gets the apostrophe, quoted where the cell needs quotes anyway; the reader's side
// takes the apostrophe off again and nothing else.
TEST(CsvCell, FormulaCellsStayText) {
    EXPECT_EQ(CsvCell("=HYPERLINK(\"x\")"), "\"'=HYPERLINK(\"\"x\"\")\"");
    EXPECT_EQ(CsvCell("+1"), "'+1");
    EXPECT_EQ(CsvCell("-5 is negative"), "'-5 is negative");
    EXPECT_EQ(CsvCell("@SUM(A1)"), "'@SUM(A1)");
    EXPECT_EQ(CsvCell("\tx"), "'\tx");
    EXPECT_EQ(CsvCell("\rx"), "\"'\rx\"");
    EXPECT_EQ(CsvCell("a=b"), "a=b");
    for (const char* text : {"=1+1", "+1", "-5", "@x", "\tx", "\rx", "plain", "'kept", "'"}) {
        std::string cell = CsvCell(text);
        if (cell.front() == '"') {
            cell = cell.substr(1, cell.size() - 2);
        }
        EXPECT_EQ(CsvUnguarded(cell), text) << text;
    }
}

TEST(CsvCell, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(CsvCell(""), "");
    EXPECT_EQ(CsvCell("Mars"), "Mars");
    EXPECT_EQ(CsvCell("Lee, \"Ann\"\nB"), "\"Lee, \"\"Ann\"\"\nB\"");
    EXPECT_EQ(CsvCell("a;b"), "\"a;b\"");
    EXPECT_EQ(CsvCell(" edged "), "\" edged \"");
    EXPECT_EQ(CsvCell("Zoë"), "Zoë");
}
