// Feeds arbitrary bytes to the results receiver's form decoder: it must refuse or accept them
// without reading outside its buffers; accepted fields must survive being encoded again, and
// the submission picked from them must keep to its bounds and be valid UTF-8.
#include "document/code_page.h"
#include "results/form.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string encode(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80         ? 1
                                   : (c >> 5) == 6  ? 2
                                   : (c >> 4) == 14 ? 3
                                   : (c >> 3) == 30 ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tamberlin::results;
    static const tamberlin::CodePage cp1251("CP1251");
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const FormFields form = DecodeForm(body);
    if (!form.error.empty()) {
        return 0;
    }
    std::string again;
    for (const auto& [name, value] : form.fields) {
        again += (again.empty() ? "" : "&") + encode(name) + "=" + encode(value);
    }
    const FormFields back = DecodeForm(again);
    if (!back.error.empty() || back.fields != form.fields) {
        std::abort();
    }
    std::string error;
    if (const auto s = ReadSubmission(form, cp1251, error)) {
        // A code page byte becomes at most three bytes of UTF-8.
        for (const std::string* text :
             {&s->quizId, &s->name, &s->email, &s->url, &s->lapsed, &s->score}) {
            if (text->size() > 3 * 255 || !validUtf8(*text)) {
                std::abort();
            }
        }
        if (s->answers.size() > kMaxAnswerFields) {
            std::abort();
        }
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
