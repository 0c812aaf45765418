#pragma once

#include <optional>
#include <ostream>
#include <string_view>

namespace tamberlin {

// --scorm: a quiz exported as a package for learning platforms. Returns the exit status when
// argv[1] is --scorm, or nothing otherwise.
std::optional<int> RunScormCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

// Its lines of the usage text.
extern const std::string_view kScormUsage;

} // namespace tamberlin
