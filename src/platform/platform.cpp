#include "platform/platform.h"

#include "platform/qt_platform.h"

#include <QDir>
#include <QFileInfo>

namespace tamberlin {

namespace {

Platform* installed = nullptr;

// A chosen name is made absolute against the folder that is current while the dialog runs, and
// that name's folder then becomes current. The caller gets the absolute name: a relative one
// would point elsewhere as soon as the current folder changes.
void makeChosenFolderCurrent(std::optional<QString>& chosen) {
    if (chosen && !chosen->isEmpty()) {
        const QFileInfo info(*chosen);
        *chosen = info.absoluteFilePath();
        QDir::setCurrent(info.absolutePath());
    }
}

} // namespace

QString Platform::standardErrorText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') {
        return message + u'.';
    }
    return message;
}

std::optional<QString> Platform::getOpenFileName(const FileDialogOptions& options) {
    auto chosen = doGetOpenFileName(options);
    makeChosenFolderCurrent(chosen);
    return chosen;
}

std::optional<QString> Platform::getSaveFileName(const FileDialogOptions& options) {
    auto chosen = doGetSaveFileName(options);
    makeChosenFolderCurrent(chosen);
    return chosen;
}

std::optional<std::uint32_t> Platform::chooseColor() {
    auto chosen = doChooseColor(lastColor_);
    if (chosen) {
        lastColor_ = *chosen;
    }
    return chosen;
}

Platform& platform() {
    if (installed != nullptr) {
        return *installed;
    }
    static QtPlatform qtPlatform;
    return qtPlatform;
}

void setPlatform(Platform* platform) {
    installed = platform;
}

} // namespace tamberlin
