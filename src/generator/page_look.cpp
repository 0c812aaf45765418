#include "generator/page_look.h"

#include <algorithm>

namespace tamberlin {

namespace {

// The block's fields of one font row.
struct RowFields {
    std::uint8_t& on;
    TColor& color;
    std::int32_t& size;
    decltype(THtmlPrefs::TitleFontTag)& tag;
    decltype(THtmlPrefs::TitleFontFace)& face;
};

std::array<RowFields, 3> rowFields(THtmlPrefs& p) {
    return {
        {{p.TitleFontOn, p.TitleFontColor, p.TitleFontSize, p.TitleFontTag, p.TitleFontFace},
         {p.QuestionFontOn, p.QuestionFontColor, p.QuestionFontSize, p.QuestionFontTag,
          p.QuestionFontFace},
         {p.ChoiceFontOn, p.ChoiceFontColor, p.ChoiceFontSize, p.ChoiceFontTag, p.ChoiceFontFace}}};
}

void applyColour(std::uint8_t& on, TColor& stored, bool formOn, TColor formColor) {
    if (formOn) {
        on = 1;
        stored = formColor;
    } else if (on == 1) {
        on = 0;
    }
}

} // namespace

std::int32_t ClampFontSize(std::int32_t size) {
    return std::clamp<std::int32_t>(size, 1, 7);
}

PageLookForm LoadPageLook(const THtmlPrefs& prefs) {
    PageLookForm form;
    form.author = prefs.Author.str();
    form.alignment = prefs.Alignment <= 2 ? prefs.Alignment : -1;
    form.textColorOn = prefs.TextColorOn == 1;
    form.textColor = form.textColorOn ? prefs.TextColor : kWhite;
    form.bgColorOn = prefs.BgColorOn == 1;
    form.bgColor = form.bgColorOn ? prefs.BgColor : kWhite;
    form.fixedBackground = prefs.FixedBackground != 0;
    form.bgImage = prefs.BgImage.str();

    THtmlPrefs copy = prefs;
    const auto fields = rowFields(copy);
    for (std::size_t i = 0; i < form.rows.size(); ++i) {
        PageLookForm::FontRow& row = form.rows[i];
        if (fields[i].on != 1) {
            continue; // the reset row: off, white, size 3, no face
        }
        row.on = true;
        row.color = fields[i].color;
        row.size = ClampFontSize(fields[i].size);
        row.face = fields[i].face.str();
        row.faceEntry = FontFaceIndex(row.face);
    }
    return form;
}

PageInputs ApplyPageLook(THtmlPrefs& prefs, const PageLookForm& form) {
    const auto fields = rowFields(prefs);
    for (std::size_t i = 0; i < form.rows.size(); ++i) {
        const PageLookForm::FontRow& row = form.rows[i];
        fields[i].on = row.on ? 1 : 0;
        if (row.on) {
            fields[i].color = row.color;
            fields[i].size = row.size;
            fields[i].tag.store(BuildFontTag(row.faceEntry, row.size, row.color));
            fields[i].face.store(row.face);
        } else {
            fields[i].tag.clear();
        }
    }

    applyColour(prefs.TextColorOn, prefs.TextColor, form.textColorOn, form.textColor);
    applyColour(prefs.BgColorOn, prefs.BgColor, form.bgColorOn, form.bgColor);
    prefs.FixedBackground = form.fixedBackground ? 1 : 0;
    prefs.BgImage.store(form.bgImage);
    prefs.Author.store(form.author);
    prefs.Alignment = form.alignment >= 0 && form.alignment <= 2
                          ? static_cast<std::uint8_t>(form.alignment)
                          : kNoAlignment;

    BodyLook body;
    body.textColorOn = form.textColorOn;
    body.textColor = form.textColor;
    body.bgColorOn = form.bgColorOn;
    body.bgColor = form.bgColor;
    body.bgImage = form.bgImage;
    body.fixedBackground = form.fixedBackground;

    PageInputs inputs;
    inputs.bodyAttributes = BuildBodyAttributes(body);
    inputs.titleFontOn = form.title().on;
    inputs.questionFontOn = form.question().on;
    inputs.choiceFontOn = form.choice().on;
    return inputs;
}

PageLook DerivePageLook(const THtmlPrefs& stored) {
    PageLook look{stored, {}};
    look.inputs = ApplyPageLook(look.prefs, LoadPageLook(stored));
    return look;
}

} // namespace tamberlin
