#include "imaging/picture_loading.h"

#include <QApplication>
#include <QGuiApplication>

namespace tamberlin {

LoadedPicture LoadPictureForWindow(const QString& path) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    LoadedPicture result = LoadPictureFile(path);
    QGuiApplication::restoreOverrideCursor();
    return result;
}

} // namespace tamberlin
