#include "app/command_line.h"

#include <string_view>

namespace tamberlin {

std::optional<int> RunHeadlessCommand(int argc, char** argv, std::ostream& out, std::ostream&) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            out << "tamberlin " << TAMBERLIN_VERSION << "\n";
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace tamberlin
