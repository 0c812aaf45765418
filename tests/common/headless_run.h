#pragma once

#include "cli/command_line.h"

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tamberlin::testing {

// What one headless command printed and returned.
struct Outcome {
    std::optional<int> status;
    std::string out;
    std::string err;
};

// Runs `tamberlin ARGS...` through the command-line entry point, capturing both streams.
inline Outcome RunHeadless(std::vector<std::string> args) {
    args.insert(args.begin(), "tamberlin");
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::ostringstream out;
    std::ostringstream err;
    Outcome result;
    result.status = RunHeadlessCommand(static_cast<int>(args.size()), argv.data(), out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

} // namespace tamberlin::testing
