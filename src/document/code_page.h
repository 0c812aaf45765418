#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tamberlin {

// A single-byte code page. Every text in the quiz block, the page and the listing is kept in
// "the system code page"; the program's own strings are UTF-8 and cross over through this.
class CodePage {
public:
    // Builds the tables for a code page that iconv knows ("CP1252", "CP1251", ...).
    // Throws std::runtime_error when iconv does not know it.
    explicit CodePage(const std::string& iconvName);

    // The code page the program uses: TAMBERLIN_CODEPAGE when set and known (for example
    // "cp1251", "1251" or "windows-1251"), otherwise the one the user's locale calls for.
    static const CodePage& system();

    // The Windows code page number for a locale name such as "ru_RU.UTF-8" (1252 for C/POSIX
    // and for languages written with the Western alphabet).
    static int codePageForLocale(std::string_view localeName);
    // The code page number named by a TAMBERLIN_CODEPAGE value, or 0 when it names none.
    static int parseCodePageName(std::string_view text);

    const std::string& name() const { return name_; }

    // UTF-8 to the code page; a character the code page cannot hold becomes "?", and so does
    // each byte of a malformed UTF-8 sequence.
    std::string fromUtf8(std::string_view utf8) const;
    // The code page to UTF-8. A byte the code page leaves undefined stands for the character
    // with the same number, so that it survives a round trip.
    std::string toUtf8(std::string_view bytes) const;

private:
    std::string name_;
    std::array<char32_t, 256> decode_{};
    std::unordered_map<char32_t, std::uint8_t> encode_;
};

} // namespace tamberlin
