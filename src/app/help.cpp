#include "app/help.h"

#include "platform/shell_open.h"

#include <QDir>
#include <QFileInfo>

// The data folder relative to the executable's folder; the build sets it from the install layout.
#ifndef TAMBERLIN_DATA_FROM_BIN
#define TAMBERLIN_DATA_FROM_BIN "../share/tamberlin"
#endif

namespace tamberlin {

namespace {

// The folder followed by a separator and the page's name. A folder that is the root ("/") gives
// two separators, which the system reads as one.
QString PageIn(const QString& folder) {
    return folder + u'/' + QString::fromUtf16(kHelpPageName);
}

} // namespace

QString InstalledDataFolder(const QString& executableFolder) {
    return QDir::cleanPath(executableFolder + u'/' + QStringLiteral(TAMBERLIN_DATA_FROM_BIN));
}

QString FindHelpPage(const QString& startFolder, const QString& executableFolder) {
    const QString inStartFolder = PageIn(startFolder);
    if (QFileInfo(inStartFolder).isFile()) {
        return inStartFolder;
    }
    if (!executableFolder.isEmpty()) {
        const QString besideProgram = PageIn(executableFolder);
        if (QFileInfo(besideProgram).isFile()) {
            return besideProgram;
        }
        const QString installed = PageIn(InstalledDataFolder(executableFolder));
        if (QFileInfo(installed).isFile()) {
            return installed;
        }
    }
    return inStartFolder;
}

bool OpenHelpPage(const QString& startFolder, const QString& executableFolder) {
    return OpenThroughShell(FindHelpPage(startFolder, executableFolder));
}

} // namespace tamberlin
