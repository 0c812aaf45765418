#include "platform/shell_open.h"

#include "platform/platform.h"
#include "qtbridge/qt_paths.h"

#include <QRegularExpression>

namespace tamberlin {

QString LaunchedName(const QString& target) {
    // A web address keeps its host and path: only the scheme and its colon go.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    const QRegularExpressionMatch match = scheme.match(target);
    if (match.hasMatch()) {
        return target.mid(match.capturedLength() - 2);
    }
    // What is launched otherwise is a path of this system (the page, the help page).
    return PathFileNamePart(target);
}

bool OpenThroughShell(const QString& target, const QString& workingFolder) {
    if (platform().shellOpen(target, workingFolder)) {
        return true;
    }
    platform().showErrorBox(QStringLiteral("Failed to execute ") + LaunchedName(target));
    return false;
}

} // namespace tamberlin
