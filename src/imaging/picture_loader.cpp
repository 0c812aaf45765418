#include "imaging/picture_loader.h"

#include <QFileInfo>
#include <QImageReader>

namespace tamberlin {

// Provisional loader on Qt's readers; the GIF reader and the libjpeg path replace it.
LoadedPicture LoadPictureFile(const QString& path, const PictureProgress&) {
    LoadedPicture result;
    const QString extension = QFileInfo(path).suffix().toLower();
    static const QStringList known = {QStringLiteral("bmp"),  QStringLiteral("ico"),
                                      QStringLiteral("png"),  QStringLiteral("jpg"),
                                      QStringLiteral("jpeg"), QStringLiteral("gif")};
    if (!known.contains(extension)) {
        result.error =
            QStringLiteral("Unknown picture file extension (.%1)").arg(QFileInfo(path).suffix());
        return result;
    }
    QImageReader reader(path);
    result.image = reader.read();
    if (result.image.isNull()) {
        result.error = QStringLiteral("Cannot open file \"%1\". %2")
                           .arg(QFileInfo(path).absoluteFilePath(), reader.errorString());
    }
    return result;
}

} // namespace tamberlin
