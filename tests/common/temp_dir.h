#pragma once

// Helpers shared by the test topics: a fresh temporary folder per test, whole-file reads and
// writes, and a folder in which nobody (root included) may create files.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace tamberlin::testing {

class TempDir {
public:
    TempDir() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "tamberlin-test-XXXXXX").string();
        if (::mkdtemp(templ.data()) == nullptr) {
            std::abort();
        }
        path_ = templ;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A folder where creating a file fails with "permission denied", also for root: sysfs refuses
// new files to everyone, and for other users a folder without write permission does.
inline std::string UnwritableFolder(const TempDir& scratch) {
    if (::geteuid() == 0) {
        return "/sys";
    }
    const auto folder = scratch.path() / "locked";
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_exec);
    return folder.string();
}

} // namespace tamberlin::testing
