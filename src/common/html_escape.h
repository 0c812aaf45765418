#pragma once

#include <string>
#include <string_view>

namespace tamberlin {

// Text made safe for HTML element content and quoted attribute values.
std::string EscapeHtml(std::string_view text);

} // namespace tamberlin
