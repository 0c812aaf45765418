#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tamberlin {

// A number in plain decimal (a minus sign only for a negative value), held without allocating.
class DecimalText {
public:
    explicit DecimalText(std::int64_t value) {
        size_ = static_cast<std::size_t>(
            std::to_chars(digits_, digits_ + sizeof digits_, value).ptr - digits_);
    }
    std::string_view view() const { return {digits_, size_}; }

private:
    char digits_[24];
    std::size_t size_;
};

} // namespace tamberlin
