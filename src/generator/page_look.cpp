#include "generator/page_look.h"

#include <algorithm>

namespace tamberlin {

namespace {

// One font row: the switch, the tag and the fields Apply writes while the row is on.
template <std::size_t TagN, std::size_t FaceN>
bool deriveFontRow(std::uint8_t& on, CountedString<TagN>& tag, const CountedString<FaceN>& face,
                   std::int32_t& size, TColor color) {
    if (on != 1) {
        on = 0;
        tag.clear();
        return false;
    }
    size = ClampFontSize(size);
    tag.store(BuildFontTag(FontFaceIndex(face.view()), size, color));
    return true;
}

} // namespace

std::int32_t ClampFontSize(std::int32_t size) {
    return std::clamp<std::int32_t>(size, 1, 7);
}

PageLook DerivePageLook(const THtmlPrefs& stored) {
    PageLook look{stored, {}};
    THtmlPrefs& p = look.prefs;

    look.inputs.titleFontOn = deriveFontRow(p.TitleFontOn, p.TitleFontTag, p.TitleFontFace,
                                            p.TitleFontSize, p.TitleFontColor);
    look.inputs.questionFontOn =
        deriveFontRow(p.QuestionFontOn, p.QuestionFontTag, p.QuestionFontFace, p.QuestionFontSize,
                      p.QuestionFontColor);
    look.inputs.choiceFontOn = deriveFontRow(p.ChoiceFontOn, p.ChoiceFontTag, p.ChoiceFontFace,
                                             p.ChoiceFontSize, p.ChoiceFontColor);

    BodyLook body;
    body.textColorOn = p.TextColorOn == 1;
    body.textColor = p.TextColor;
    body.bgColorOn = p.BgColorOn == 1;
    body.bgColor = p.BgColor;
    body.bgImage = p.BgImage.str();
    body.fixedBackground = p.FixedBackground != 0;
    p.FixedBackground = body.fixedBackground ? 1 : 0;
    look.inputs.bodyAttributes = BuildBodyAttributes(body);

    if (p.Alignment > 2) {
        p.Alignment = 255;
    }
    return look;
}

} // namespace tamberlin
