#pragma once

// The files a published page loads from its own folder (clock.js and the clock's digit
// pictures): where the program keeps its copies, and how they are put beside a page.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace tamberlin {

inline constexpr std::array<const char*, 12> kWebFiles = {
    "clock.js", "0fdg.gif", "1fdg.gif", "2fdg.gif", "3fdg.gif", "4fdg.gif",
    "5fdg.gif", "6fdg.gif", "7fdg.gif", "8fdg.gif", "9fdg.gif", "cfdg.gif"};

// The folder holding the program's copies: beside the executable (a build folder), else the
// installed data folder found from the executable's folder; empty when neither has them all.
std::filesystem::path FindWebFiles();

// What putting the program's copies into a folder finds for each file, before anything is
// written: missing there, already the same, or different (the author's own, say).
struct WebFilePlan {
    struct Entry {
        std::string name;
        std::string target;
        std::string bytes; // the program's copy
        enum State { Missing, Same, Differs } state = Missing;
    };
    std::vector<Entry> entries;
    // Set when a copy of the program's could not be read; nothing else is then planned.
    std::string error;
};
WebFilePlan PlanWebFiles(const std::filesystem::path& source, const std::filesystem::path& folder);

// Writes one planned file; 0 or the system's error number.
int WriteWebFile(const WebFilePlan::Entry& entry);

// Puts the clock files that are missing in folder there, never replacing a file that differs.
struct WebFilesCopied {
    std::vector<std::string> copied; // file names
    std::vector<std::string> kept;   // different files left as they were
    std::string error;               // empty when every missing file was written
};
WebFilesCopied CopyMissingWebFiles(const std::filesystem::path& folder);

} // namespace tamberlin
