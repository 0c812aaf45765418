#include "results/form.h"

#include "common/ascii.h"

#include "document/code_page.h"

#include <algorithm>

namespace tamberlin::results {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Decodes one name or value; returns false on a '%' not followed by two hexadecimal digits.
bool decodeComponent(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size()) {
                return false;
            }
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0) {
                return false;
            }
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += c;
        }
    }
    return true;
}

// The question number of an answer field "q1".."q100" (no sign, no leading zero), or 0.
int answerNumber(std::string_view name) {
    if (name.size() < 2 || name.size() > 4 || name[0] != 'q' || name[1] == '0') {
        return 0;
    }
    int number = 0;
    for (char c : name.substr(1)) {
        if (c < '0' || c > '9') {
            return 0;
        }
        number = number * 10 + (c - '0');
    }
    return number <= kMaxAnswerFields ? number : 0;
}

struct FieldRule {
    std::string_view name;
    std::size_t maxBytes;
    std::string Submission::*member;
};

// Bounds in bytes of the code page, as sent: the quiz file's own capacities where the value
// comes from the quiz (ID 100, URL 255), generous ones for what the taker's browser fills in.
constexpr std::size_t kMaxAnswerBytes = 32;
const FieldRule kFieldRules[] = {
    {"ID", 100, &Submission::quizId},    {"name", 255, &Submission::name},
    {"email", 255, &Submission::email},  {"URL", 255, &Submission::url},
    {"lapsed", 64, &Submission::lapsed}, {"score", 32, &Submission::score},
};

} // namespace

FormFields DecodeForm(std::string_view body) {
    FormFields form;
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('&', start);
        if (end == std::string_view::npos) {
            end = body.size();
        }
        const std::string_view pair = body.substr(start, end - start);
        if (!pair.empty()) {
            const std::size_t equals = pair.find('=');
            std::string name;
            std::string value;
            if (!decodeComponent(pair.substr(0, equals), name) ||
                (equals != std::string_view::npos &&
                 !decodeComponent(pair.substr(equals + 1), value))) {
                form.fields.clear();
                form.error = "malformed percent-encoding";
                return form;
            }
            form.fields.emplace_back(std::move(name), std::move(value));
        }
        start = end + 1;
    }
    return form;
}

bool IsFormContentType(std::string_view contentType) {
    constexpr std::string_view expected = "application/x-www-form-urlencoded";
    std::size_t end = contentType.find(';');
    std::string_view type = contentType.substr(0, end);
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) {
        type.remove_suffix(1);
    }
    while (!type.empty() && (type.front() == ' ' || type.front() == '\t')) {
        type.remove_prefix(1);
    }
    return type.size() == expected.size() &&
           std::equal(type.begin(), type.end(), expected.begin(),
                      [](char a, char b) { return AsciiLower(a) == b; });
}

std::optional<Submission> ReadSubmission(const FormFields& form, const CodePage& codePage,
                                         std::string& error) {
    Submission submission;
    bool seen[std::size(kFieldRules)] = {};
    for (const auto& [name, value] : form.fields) {
        if (const int number = answerNumber(name); number != 0) {
            if (value.size() > kMaxAnswerBytes) {
                error = "field " + name + " is longer than " + std::to_string(kMaxAnswerBytes) +
                        " bytes";
                return std::nullopt;
            }
            submission.answers.try_emplace(number, codePage.toUtf8(value));
            continue;
        }
        for (std::size_t i = 0; i < std::size(kFieldRules); ++i) {
            const FieldRule& rule = kFieldRules[i];
            if (name != rule.name) {
                continue;
            }
            if (value.size() > rule.maxBytes) {
                error =
                    "field " + name + " is longer than " + std::to_string(rule.maxBytes) + " bytes";
                return std::nullopt;
            }
            if (!seen[i]) {
                seen[i] = true;
                submission.*rule.member = codePage.toUtf8(value);
                if (rule.member == &Submission::name) {
                    submission.hasName = true;
                }
            }
        }
    }
    if (!seen[0]) {
        error = "no quiz ID (field ID)";
        return std::nullopt;
    }
    // The page copies its e-mail variable into the field even when no cookie set it, and the
    // browser then sends the word "undefined".
    if (submission.email == "undefined") {
        submission.email.clear();
    }
    return submission;
}

} // namespace tamberlin::results
