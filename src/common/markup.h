#pragma once

// Text made safe for the markup the programs write: HTML pages and XML files.

#include <string>
#include <string_view>

namespace tamberlin {

// Text made safe for HTML or XML element content and quoted attribute values.
inline std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace tamberlin
