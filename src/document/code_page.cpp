#include "document/code_page.h"

#include "common/ascii.h"
#include "common/utf8.h"

#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <stdexcept>

namespace tamberlin {

namespace {

struct LanguageCodePage {
    std::string_view language;
    int codePage;
};

constexpr LanguageCodePage kLanguageCodePages[] = {
    // Central European
    {"cs", 1250},
    {"pl", 1250},
    {"hu", 1250},
    {"sk", 1250},
    {"sl", 1250},
    {"hr", 1250},
    {"ro", 1250},
    {"sq", 1250},
    {"bs", 1250},
    {"hsb", 1250},
    {"dsb", 1250},
    // Cyrillic
    {"ru", 1251},
    {"uk", 1251},
    {"be", 1251},
    {"bg", 1251},
    {"mk", 1251},
    {"sr", 1251},
    {"kk", 1251},
    {"ky", 1251},
    {"tt", 1251},
    {"mn", 1251},
    {"ba", 1251},
    {"sah", 1251},
    {"tg", 1251},
    // Greek, Turkish, Hebrew, Arabic, Baltic, Vietnamese, Thai
    {"el", 1253},
    {"tr", 1254},
    {"az", 1254},
    {"uz", 1254},
    {"he", 1255},
    {"iw", 1255},
    {"yi", 1255},
    {"ar", 1256},
    {"fa", 1256},
    {"ur", 1256},
    {"ps", 1256},
    {"ug", 1256},
    {"lt", 1257},
    {"lv", 1257},
    {"et", 1257},
    {"vi", 1258},
    {"th", 874},
};

std::string iconvNameFor(int codePage) {
    return "CP" + std::to_string(codePage);
}

} // namespace

CodePage::CodePage(const std::string& iconvName) : name_(iconvName) {
    iconv_t cd = iconv_open("UTF-32LE", iconvName.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error("Unknown code page " + iconvName);
    }
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[8] = {};
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        char32_t c = static_cast<char32_t>(b);
        if (r != static_cast<std::size_t>(-1) && outLeft == sizeof out - 4) {
            c = static_cast<char32_t>(out[0] | (out[1] << 8) | (out[2] << 16) | (out[3] << 24));
        }
        decode_[static_cast<std::size_t>(b)] = c;
    }
    iconv_close(cd);
    // Defined bytes first, so that an undefined byte never takes over a real character.
    for (int b = 0; b < 256; ++b) {
        encode_.try_emplace(decode_[static_cast<std::size_t>(b)], static_cast<std::uint8_t>(b));
    }
}

int CodePage::codePageForLocale(std::string_view localeName) {
    const std::size_t end = localeName.find_first_of("_.@");
    const std::string_view language = localeName.substr(0, end);
    const bool latinScript = localeName.find("@latin") != std::string_view::npos;
    if (language == "sr" && latinScript) {
        return 1250;
    }
    for (const auto& entry : kLanguageCodePages) {
        if (entry.language == language) {
            return entry.codePage;
        }
    }
    return 1252;
}

int CodePage::parseCodePageName(std::string_view text) {
    std::string lower = AsciiLowered(text);
    for (std::string_view prefix : {"windows-", "windows", "cp-", "cp"}) {
        if (lower.starts_with(prefix)) {
            lower.erase(0, prefix.size());
            break;
        }
    }
    if (lower.empty() || lower.size() > 5 ||
        lower.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    const int number = std::atoi(lower.c_str());
    return number == 874 || (number >= 1250 && number <= 1258) ? number : 0;
}

const CodePage& CodePage::system() {
    static const CodePage page = [] {
        if (const char* forced = std::getenv("TAMBERLIN_CODEPAGE")) {
            if (const int number = parseCodePageName(forced); number != 0) {
                return CodePage(iconvNameFor(number));
            }
        }
        std::string locale;
        for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') {
                locale = value;
                break;
            }
        }
        return CodePage(iconvNameFor(codePageForLocale(locale)));
    }();
    return page;
}

std::string CodePage::fromUtf8(std::string_view utf8) const {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t c = DecodeUtf8(utf8, pos);
        const auto found = encode_.find(c);
        out += found != encode_.end() ? static_cast<char>(found->second) : '?';
    }
    return out;
}

std::string CodePage::toUtf8(std::string_view bytes) const {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char b : bytes) {
        AppendUtf8(out, decode_[static_cast<unsigned char>(b)]);
    }
    return out;
}

} // namespace tamberlin
