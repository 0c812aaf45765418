#pragma once

// UTF-8, the program's own text encoding: the one decoder and the one encoder.

#include <cstddef>
#include <string>
#include <string_view>

namespace tamberlin {

// The value DecodeUtf8 returns for a malformed sequence.
inline constexpr char32_t kBadUtf8 = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at text[pos] (pos < text.size()); returns the character and
// advances pos past it, or returns kBadUtf8 and advances by one byte for a malformed sequence
// (a stray or missing continuation byte, an overlong form, a surrogate, above U+10FFFF).
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of one character (up to U+10FFFF) to out.
void AppendUtf8(std::string& out, char32_t c);

} // namespace tamberlin
