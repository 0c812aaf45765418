#include "dialogs/help.h"

#include "dialogs/launch.h"

#include <QFileInfo>

namespace tamberlin {

namespace {

// The folder followed by a separator and the page's name. A folder that is the root ("/") gives
// two separators, which the system reads as one.
QString PageIn(const QString& folder) {
    return folder + u'/' + QString::fromUtf16(kHelpPageName);
}

} // namespace

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
    }
    return inStartFolder;
}

bool OpenHelpPage(const QString& startFolder, const QString& executableFolder) {
    return OpenThroughShell(FindHelpPage(startFolder, executableFolder));
}

} // namespace tamberlin
