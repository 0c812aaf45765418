#include "generator/html_rules.h"

#include <cstdio>

namespace tamberlin {

std::string ColorToHtmlHex(TColor color) {
    // At least six digits; a value above 0xFFFFFF gives more, and only the first six count.
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06X", static_cast<unsigned>(color));
    const std::string_view hex(digits);
    std::string result;
    result.reserve(6);
    result.append(hex.substr(4, 2));
    result.append(hex.substr(2, 2));
    result.append(hex.substr(0, 2));
    return result;
}

int FontFaceIndex(std::string_view faceText) {
    for (int i = 0; i < 3; ++i) {
        if (kFontFaceNames[i] == faceText) {
            return i;
        }
    }
    return -1;
}

std::string BuildFontTag(int faceIndex, std::int32_t size, TColor color) {
    static constexpr std::string_view faces[3] = {" FACE=\"serif\"", " FACE=\"sans-serif\"",
                                                  " FACE=\"monospace\""};
    std::string tag = "<FONT";
    if (faceIndex >= 0 && faceIndex < 3) {
        tag += faces[faceIndex];
    }
    tag += " SIZE=\"" + std::to_string(size) + "\"";
    tag += " COLOR=\"#" + ColorToHtmlHex(color) + "\">\r\n";
    return tag;
}

std::string BuildBodyAttributes(const BodyLook& look) {
    std::string attributes;
    if (look.bgColorOn) {
        attributes += " BGCOLOR=\"#" + ColorToHtmlHex(look.bgColor) + "\"";
    }
    if (!look.bgImage.empty()) {
        attributes += " BACKGROUND=\"" + look.bgImage + "\"";
    }
    if (look.textColorOn) {
        attributes += " TEXT=\"#" + ColorToHtmlHex(look.textColor) + "\"";
    }
    if (look.fixedBackground) {
        attributes += " BGPROPERTIES=\"fixed\"";
    }
    if (attributes.size() > kBodyAttributesCapacity) {
        attributes.resize(kBodyAttributesCapacity);
    }
    return attributes;
}

std::string_view AlignmentWord(std::uint8_t alignment) {
    switch (alignment) {
    case 0:
        return "LEFT";
    case 1:
        return "CENTER";
    case 2:
        return "RIGHT";
    default:
        return "";
    }
}

} // namespace tamberlin
