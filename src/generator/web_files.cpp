#include "generator/web_files.h"

#include <system_error>

// The installed data folder relative to the executable's folder; the build sets it from the
// install layout.
#ifndef TAMBERLIN_DATA_FROM_BIN
#define TAMBERLIN_DATA_FROM_BIN "../share/tamberlin"
#endif

namespace tamberlin {

std::filesystem::path FindWebFiles() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
    const fs::path folder = executable.parent_path();
    for (const fs::path& candidate :
         {folder, (folder / TAMBERLIN_DATA_FROM_BIN).lexically_normal()}) {
        bool complete = true;
        for (const char* name : kWebFiles) {
            complete = complete && fs::is_regular_file(candidate / name, ec);
        }
        if (complete) {
            return candidate;
        }
    }
    return {};
}

} // namespace tamberlin
