#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tamberlin {
class CodePage;
}

namespace tamberlin::results {

// The largest request body the receiver reads; a quiz of 100 questions posts about 1 KiB.
inline constexpr std::size_t kMaxBodySize = 64 * 1024;
// Questions a quiz can have, so the answer fields q1..q100.
inline constexpr int kMaxAnswerFields = 100;

// One application/x-www-form-urlencoded body split into its fields, in the order sent.
// Names and values are the decoded bytes: '+' is a space, %XX the byte XX.
struct FormFields {
    std::vector<std::pair<std::string, std::string>> fields;
    std::string error; // empty when the body was well formed
};

FormFields DecodeForm(std::string_view body);

// True for "application/x-www-form-urlencoded", in any case, with or without parameters.
bool IsFormContentType(std::string_view contentType);

// What a quiz page posts, converted to UTF-8 from the code page the page was written in.
struct Submission {
    std::string quizId;
    std::string name;
    bool hasName = false;
    std::string email;         // empty also when the page posted "undefined" (no e-mail cookie)
    bool nameVerified = false; // set by the receiver from the login's signed cookie
    std::string url;
    std::string lapsed;
    std::string score;
    std::map<int, std::string> answers; // question number (1..100) to the answer as sent
};

// Picks the quiz page's fields out of a decoded form, checks their lengths and converts the
// text from the code page to UTF-8. Unknown field names (and q0, q101, q01, ...) are ignored;
// of a field sent twice the first counts. Returns nothing and sets error when there is no ID
// or a field is longer than its bound.
std::optional<Submission> ReadSubmission(const FormFields& form, const CodePage& codePage,
                                         std::string& error);

} // namespace tamberlin::results
