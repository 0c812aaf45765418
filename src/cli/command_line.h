#pragma once

#include <optional>
#include <ostream>

namespace tamberlin {

// The headless options (no display needed). Returns the exit status when the arguments ask for
// one of them, or nothing when they are the desktop program's (no arguments, or one quiz file).
std::optional<int> RunHeadlessCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace tamberlin
