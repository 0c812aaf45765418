#pragma once

#include <optional>
#include <ostream>
#include <string_view>

namespace tamberlin {

// The question-bank options: --import, --export and --check. Returns the exit status when
// argv[1] is one of them, or nothing otherwise.
std::optional<int> RunBankCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

// Their lines of the usage text.
extern const std::string_view kBankUsage;

} // namespace tamberlin
