#pragma once

#include <array>
#include <filesystem>

namespace tamberlin {

// The files a published page loads from its own folder: the clock script and its pictures.
inline constexpr std::array<const char*, 12> kWebFiles = {
    "clock.js", "0fdg.gif", "1fdg.gif", "2fdg.gif", "3fdg.gif", "4fdg.gif",
    "5fdg.gif", "6fdg.gif", "7fdg.gif", "8fdg.gif", "9fdg.gif", "cfdg.gif"};

// The folder holding the program's copies of the web files: beside the executable (a build
// folder), else the installed data folder found from the executable's folder. Empty when
// neither holds all of them.
std::filesystem::path FindWebFiles();

} // namespace tamberlin
