#include "document/html_prefs.h"

namespace tamberlin {

void THtmlPrefs::reset() {
    TitleFontOn = QuestionFontOn = ChoiceFontOn = 0;
    TextColorOn = FixedBackground = CookieRequired = BgColorOn = 0;
    Author.clear();
    TitleFontTag.clear();
    QuestionFontTag.clear();
    ChoiceFontTag.clear();
    BgImage.clear();
    TitleFontFace.clear();
    QuestionFontFace.clear();
    ChoiceFontFace.clear();
    TextColor = BgColor = TitleFontColor = QuestionFontColor = ChoiceFontColor = 0;
    TitleFontSize = QuestionFontSize = ChoiceFontSize = 3;
    Alignment = 0;
}

} // namespace tamberlin
