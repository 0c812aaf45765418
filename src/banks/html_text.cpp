// HTML as plain text, for the texts of GIFT [html] (and untagged) questions and Moodle XML.
#include "banks/bank_parsing.h"
#include "common/ascii.h"
#include "common/utf8.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>

namespace tamberlin::banks {

namespace {

struct HtmlEntity {
    std::string_view name;
    std::string_view text;
};

#include "banks/html_entities.inc"

char lowerAscii(char c) {
    return AsciiLower(c);
}

// The text a character reference stands for ("amp", "#233", "#xE9"), or nothing.
std::optional<std::string> decodeReference(std::string_view entity) {
    if (entity.size() > 1 && entity[0] == '#') {
        const bool hex = entity[1] == 'x' || entity[1] == 'X';
        const std::string_view digits = entity.substr(hex ? 2 : 1);
        if (digits.empty()) {
            return std::nullopt;
        }
        std::int64_t code = 0;
        for (char d : digits) {
            const int v = std::isdigit(static_cast<unsigned char>(d)) ? d - '0'
                          : hex && std::isxdigit(static_cast<unsigned char>(d))
                              ? lowerAscii(d) - 'a' + 10
                              : -1;
            if (v < 0 || code > 0x10FFFF) {
                return std::nullopt;
            }
            code = code * (hex ? 16 : 10) + v;
        }
        // Control characters and surrogates stay as the reference's text.
        if (code < 0x20 || (code >= 0x7F && code < 0xA0) || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            return std::nullopt;
        }
        std::string out;
        AppendUtf8(out, static_cast<char32_t>(code));
        return out;
    }
    const auto* end = std::end(kHtmlEntities);
    const auto* found =
        std::lower_bound(std::begin(kHtmlEntities), end, entity,
                         [](const HtmlEntity& e, std::string_view name) { return e.name < name; });
    if (found == end || found->name != entity) {
        return std::nullopt;
    }
    // A no-break space is a space here: the page shows the text in one run anyway.
    if (found->text == "\xC2\xA0") {
        return std::string(" ");
    }
    return std::string(found->text);
}

// The value of attribute name in a tag's text (between "<" and ">"), or nothing.
std::optional<std::string_view> attribute(std::string_view tag, std::string_view name) {
    for (std::size_t pos = 0; pos < tag.size();) {
        std::size_t at = pos;
        while (at < tag.size() && !std::isspace(static_cast<unsigned char>(tag[at]))) {
            ++at;
        }
        while (at < tag.size() && std::isspace(static_cast<unsigned char>(tag[at]))) {
            ++at;
        }
        std::size_t nameEnd = at;
        while (nameEnd < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[nameEnd])) ||
                                        tag[nameEnd] == '-' || tag[nameEnd] == '_')) {
            ++nameEnd;
        }
        if (nameEnd == at) {
            return std::nullopt;
        }
        std::string key(tag.substr(at, nameEnd - at));
        std::transform(key.begin(), key.end(), key.begin(), lowerAscii);
        std::size_t eq = nameEnd;
        while (eq < tag.size() && tag[eq] == ' ') {
            ++eq;
        }
        if (eq >= tag.size() || tag[eq] != '=') {
            pos = nameEnd;
            continue;
        }
        std::size_t v = eq + 1;
        while (v < tag.size() && tag[v] == ' ') {
            ++v;
        }
        std::size_t valueEnd;
        std::string_view value;
        if (v < tag.size() && (tag[v] == '"' || tag[v] == '\'')) {
            valueEnd = tag.find(tag[v], v + 1);
            if (valueEnd == std::string_view::npos) {
                return std::nullopt;
            }
            value = tag.substr(v + 1, valueEnd - v - 1);
            ++valueEnd;
        } else {
            valueEnd = v;
            while (valueEnd < tag.size() &&
                   !std::isspace(static_cast<unsigned char>(tag[valueEnd])) &&
                   tag[valueEnd] != '/') {
                ++valueEnd;
            }
            value = tag.substr(v, valueEnd - v);
        }
        if (key == name) {
            return value;
        }
        pos = valueEnd;
    }
    return std::nullopt;
}

} // namespace

std::string HtmlToText(std::string_view html, bool altTexts) {
    std::string flat;
    for (std::size_t i = 0; i < html.size(); ++i) {
        const char c = html[i];
        if (c == '<' && html.substr(i, 4) == "<!--") {
            // A comment, including a word processor's "<!--[if gte mso 9]>...<![endif]-->".
            const std::size_t end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? html.size() : end + 2;
            continue;
        }
        const bool startsTag = c == '<' && i + 1 < html.size() &&
                               (std::isalpha(static_cast<unsigned char>(html[i + 1])) ||
                                html[i + 1] == '/' || html[i + 1] == '!' || html[i + 1] == '?');
        if (startsTag) {
            const std::size_t close = html.find('>', i);
            if (close == std::string_view::npos) {
                flat += html.substr(i);
                break;
            }
            std::string name;
            for (std::size_t k = i + 1; k < close; ++k) {
                const char t = html[k];
                if (t == '/' && name.empty()) {
                    continue;
                }
                if (!std::isalnum(static_cast<unsigned char>(t))) {
                    break;
                }
                name += lowerAscii(t);
            }
            const bool closing = html[i + 1] == '/';
            if (!closing && (name == "script" || name == "style")) {
                // Their contents are no text: skip to the closing tag.
                std::size_t end = close + 1;
                const std::string closeTag = "</" + name;
                while (end < html.size()) {
                    const std::size_t lt = html.find("</", end);
                    if (lt == std::string_view::npos) {
                        end = html.size();
                        break;
                    }
                    std::string candidate(html.substr(lt, closeTag.size()));
                    std::transform(candidate.begin(), candidate.end(), candidate.begin(),
                                   lowerAscii);
                    if (candidate == closeTag) {
                        end = html.find('>', lt);
                        end = end == std::string_view::npos ? html.size() : end;
                        break;
                    }
                    end = lt + 2;
                }
                i = end;
                continue;
            }
            if (name == "br" || name == "p" || name == "div" || name == "li" || name == "tr") {
                flat += '\n';
            } else if (altTexts && name == "img") {
                if (const auto alt = attribute(html.substr(i + 1, close - i - 1), "alt")) {
                    flat += ' ';
                    flat += *alt;
                    flat += ' ';
                }
            }
            i = close;
            continue;
        }
        if (c == '&') {
            // References are short: look for the ";" only nearby, so that a run of "&" stays
            // linear.
            const std::size_t near = html.substr(i, 40).find(';');
            if (near != std::string_view::npos) {
                if (const auto text = decodeReference(html.substr(i + 1, near - 1))) {
                    flat += *text;
                    i += near;
                    continue;
                }
            }
        }
        flat += c;
    }
    // White space runs to one space; line breaks (with the spaces around them) to one break.
    std::string out;
    bool pendingSpace = false;
    bool pendingBreak = false;
    for (char c : flat) {
        if (c == '\n') {
            pendingBreak = true;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            pendingSpace = true;
            continue;
        }
        if (!out.empty()) {
            if (pendingBreak) {
                out += '\n';
            } else if (pendingSpace) {
                out += ' ';
            }
        }
        pendingSpace = pendingBreak = false;
        out += c;
    }
    return out;
}

} // namespace tamberlin::banks
