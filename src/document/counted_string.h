#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tamberlin {

// A text of fixed capacity N kept in N + 1 bytes: a length byte L, then N character bytes of
// which the first L are the text (single-byte code page). Storing cuts the text to N bytes and
// rewrites only the length byte and the first L bytes; the bytes after them keep what an earlier,
// longer text left there, so that they go back to the quiz file unchanged.
template <std::size_t N>
struct CountedString {
    static_assert(N >= 1 && N <= 255, "a length byte holds at most 255");
    static constexpr std::size_t capacity = N;

    std::array<std::uint8_t, N + 1> bytes{};

    // The text's length; a length byte above the capacity (only a damaged file holds one)
    // counts as the capacity.
    std::size_t size() const { return std::min<std::size_t>(bytes[0], N); }
    bool empty() const { return size() == 0; }

    std::string_view view() const {
        return {reinterpret_cast<const char*>(bytes.data() + 1), size()};
    }
    std::string str() const { return std::string(view()); }

    void store(std::string_view text) {
        const std::size_t length = std::min(text.size(), N);
        bytes[0] = static_cast<std::uint8_t>(length);
        std::copy_n(reinterpret_cast<const std::uint8_t*>(text.data()), length, bytes.begin() + 1);
    }
    // Sets only the length byte to zero, as emptying a text does.
    void clear() { bytes[0] = 0; }

    CountedString& operator=(std::string_view text) {
        store(text);
        return *this;
    }
    bool operator==(std::string_view text) const { return view() == text; }
};

} // namespace tamberlin
