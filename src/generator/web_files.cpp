#include "generator/web_files.h"

#include "document/file_io.h"

#include <cstring>
#include <system_error>

namespace tamberlin {

namespace {

constexpr std::size_t kMaxWebFileSize = 1 << 20;

} // namespace

// The installed data folder relative to the executable's folder; the build sets it from the
// install layout.
#ifndef TAMBERLIN_DATA_FROM_BIN
#define TAMBERLIN_DATA_FROM_BIN "../share/tamberlin"
#endif

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

WebFilePlan PlanWebFiles(const std::filesystem::path& source, const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    WebFilePlan plan;
    for (const char* name : kWebFiles) {
        WebFilePlan::Entry entry{name, (folder / name).string(), {}, WebFilePlan::Entry::Missing};
        if (const int e = ReadFilePrefix((source / name).string(), kMaxWebFileSize, entry.bytes);
            e != 0) {
            plan.entries.clear();
            plan.error = "cannot read " + (source / name).string() + ": " + std::strerror(e);
            return plan;
        }
        std::error_code ec;
        if (fs::exists(fs::symlink_status(entry.target, ec))) {
            std::string there;
            const int e = ReadFilePrefix(entry.target, kMaxWebFileSize + 1, there);
            entry.state = e == 0 && there == entry.bytes ? WebFilePlan::Entry::Same
                                                         : WebFilePlan::Entry::Differs;
        }
        plan.entries.push_back(std::move(entry));
    }
    return plan;
}

int WriteWebFile(const WebFilePlan::Entry& entry) {
    return WriteFileAtomically(entry.target, entry.bytes);
}

WebFilesCopied CopyMissingWebFiles(const std::filesystem::path& folder) {
    WebFilesCopied result;
    const std::filesystem::path source = FindWebFiles();
    if (source.empty()) {
        result.error = "the program's clock.js and clock pictures were not found";
        return result;
    }
    const WebFilePlan plan = PlanWebFiles(source, folder);
    if (!plan.error.empty()) {
        result.error = plan.error;
        return result;
    }
    for (const WebFilePlan::Entry& entry : plan.entries) {
        if (entry.state == WebFilePlan::Entry::Differs) {
            result.kept.push_back(entry.name);
        } else if (entry.state == WebFilePlan::Entry::Missing) {
            if (const int e = WriteWebFile(entry); e != 0) {
                result.error = "cannot write " + entry.target + ": " + std::strerror(e);
                continue;
            }
            result.copied.push_back(entry.name);
        }
    }
    return result;
}

} // namespace tamberlin
