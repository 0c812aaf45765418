#include "platform/platform.h"

#include "platform/qt_platform.h"

#include <QDir>
#include <QFileInfo>

namespace tamberlin {

namespace {

Platform* installed = nullptr;

void makeChosenFolderCurrent(const std::optional<QString>& chosen) {
    if (chosen && !chosen->isEmpty()) {
        QDir::setCurrent(QFileInfo(*chosen).absolutePath());
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
