#pragma once

// A page-look block for the tests of the page-look rule and of its window: stored tags that
// agree with the faces, sizes and colours, and the six switches from the bits of a mask.

#include "document/html_prefs.h"

#include <string>

namespace tamberlin::testing {

inline const char* const kTitleTag = "<FONT FACE=\"sans-serif\" SIZE=\"5\" COLOR=\"#FF0000\">\r\n";
inline const char* const kQuestionTag = "<FONT SIZE=\"2\" COLOR=\"#563412\">\r\n";
inline const char* const kChoiceTag = "<FONT FACE=\"monospace\" SIZE=\"7\" COLOR=\"#00FF00\">\r\n";

// A block whose stored tags agree with its faces, sizes and colours; the six switches from the
// bits of mask (title, question, choice, text colour, background colour, fixed background).
inline void FillPrefs(THtmlPrefs& p, int mask) {
    p.TitleFontOn = mask & 1;
    p.QuestionFontOn = (mask >> 1) & 1;
    p.ChoiceFontOn = (mask >> 2) & 1;
    p.TextColorOn = (mask >> 3) & 1;
    p.BgColorOn = (mask >> 4) & 1;
    p.FixedBackground = (mask >> 5) & 1;
    p.CookieRequired = 1;
    p.Author = "Ann Author";
    p.Alignment = 1;
    p.TitleFontFace = "Sans Serif";
    p.TitleFontSize = 5;
    p.TitleFontColor = 0x000000FF;
    p.TitleFontTag = kTitleTag;
    p.QuestionFontFace = "Courier New"; // typed by hand: no FACE attribute
    p.QuestionFontSize = 2;
    p.QuestionFontColor = 0x00123456;
    p.QuestionFontTag = kQuestionTag;
    p.ChoiceFontFace = "Monospace";
    p.ChoiceFontSize = 7;
    p.ChoiceFontColor = 0x0000FF00;
    p.ChoiceFontTag = kChoiceTag;
    p.TextColor = 0x00FF8040;
    p.BgColor = 0x00204060;
}

// The same with the tags of the rows switched off emptied, as Apply leaves them.
inline void FillConsistentPrefs(THtmlPrefs& p, int mask) {
    FillPrefs(p, mask);
    if (!(mask & 1)) {
        p.TitleFontTag.clear();
    }
    if (!(mask & 2)) {
        p.QuestionFontTag.clear();
    }
    if (!(mask & 4)) {
        p.ChoiceFontTag.clear();
    }
}

// The page's body attributes for the switches of mask, in the page's order.
inline std::string SwitchedBodyAttributes(int mask) {
    std::string body;
    if (mask & 16) {
        body += " BGCOLOR=\"#604020\"";
    }
    if (mask & 8) {
        body += " TEXT=\"#4080FF\"";
    }
    if (mask & 32) {
        body += " BGPROPERTIES=\"fixed\"";
    }
    return body;
}

} // namespace tamberlin::testing
