#pragma once

#include <QString>

namespace tamberlin {

// The help page's file name; the build copies it beside the executable.
inline constexpr char16_t kHelpPageName[] = u"tamberlin_help.htm";

// The installed data folder (share/tamberlin), found from the executable's folder so that a
// program installed under any prefix or DESTDIR finds its own files.
QString InstalledDataFolder(const QString& executableFolder);

// Where the help page is: in the folder that was current when the program started, else beside
// the executable, else in the installed data folder. When it is in none of them, the path in the
// start folder (which the shell then fails to open, so the author hears about it).
QString FindHelpPage(const QString& startFolder, const QString& executableFolder);

// "Help on Tamberlin": finds the help page and opens it through the shell; a failure shows
// "Failed to execute <name>" in the error box. Returns whether the shell took it.
bool OpenHelpPage(const QString& startFolder, const QString& executableFolder);

} // namespace tamberlin
