#pragma once

// The HTML the page-look settings come to: colours, FONT tags, the BODY tag's attributes and the
// question paragraphs' alignment.

#include "document/html_prefs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tamberlin {

// The entries of a font row's face box, in list order.
inline constexpr std::string_view kFontFaceNames[3] = {"Serif", "Sans Serif", "Monospace"};
inline constexpr std::size_t kBodyAttributesCapacity = 255;

// The six capital hex digits RRGGBB that follow "#" in an HTML colour.
std::string ColorToHtmlHex(TColor color);

// The opening FONT tag of a font row, ending in CR LF. faceIndex is the position of the
// selected face entry (0 serif, 1 sans-serif, 2 monospace); any other value means no entry is
// selected and the tag gets no FACE attribute.
std::string BuildFontTag(int faceIndex, std::int32_t size, TColor color);

// The position of a face text among kFontFaceNames, or -1 when it is none of them exactly.
int FontFaceIndex(std::string_view faceText);

struct BodyLook {
    bool bgColorOn = false;
    TColor bgColor = 0;
    std::string bgImage;
    bool textColorOn = false;
    TColor textColor = 0;
    bool fixedBackground = false;
};

// The attributes that end the page's BODY tag: background colour, background picture, text
// colour, fixed background, each with a leading space when present; cut to 255 characters.
std::string BuildBodyAttributes(const BodyLook& look);

// The word of the question paragraphs' align attribute: LEFT, CENTER, RIGHT, or empty.
std::string_view AlignmentWord(std::uint8_t alignment);

} // namespace tamberlin
