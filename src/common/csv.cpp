#include "common/csv.h"

namespace tamberlin {

bool CsvLooksLikeFormula(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    const char c = text.front();
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r' || c == '\n';
}

std::string CsvCell(std::string_view text) {
    std::string value;
    if (CsvLooksLikeFormula(text)) {
        value += '\'';
    }
    value += text;
    const bool quote = value.find_first_of(",;\"\r\n") != std::string::npos ||
                       (!value.empty() && (value.front() == ' ' || value.back() == ' ' ||
                                           value.front() == '\t' || value.back() == '\t'));
    if (!quote) {
        return value;
    }
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
    return out;
}

std::string_view CsvUnguarded(std::string_view cell) {
    if (cell.size() > 1 && cell.front() == '\'' && CsvLooksLikeFormula(cell.substr(1))) {
        cell.remove_prefix(1);
    }
    return cell;
}

} // namespace tamberlin
