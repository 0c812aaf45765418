#pragma once

#include <QString>

namespace tamberlin {

// The file-name part of what the shell was asked to open, as the failure message names it. For a
// web address ("scheme://...") it is everything from the two slashes after the scheme on; for a
// local path (a path of this system), the text after its last "/".
QString LaunchedName(const QString& target);

// Asks the desktop to open a document or web address through the platform seam. When that fails,
// shows the error box "Failed to execute <file-name part>" and returns false.
bool OpenThroughShell(const QString& target, const QString& workingFolder = {});

} // namespace tamberlin
