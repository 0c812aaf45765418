#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

namespace tamberlin {

// The outcome of loading a picture: the image, or the error message to show.
struct LoadedPicture {
    QImage image;
    QString error;
    bool ok() const { return error.isEmpty() && !image.isNull(); }
};

// Called after each decoded row of a long decode: (rows done, rows in all).
using PictureProgress = std::function<void(int rowsDone, int rows)>;

// Loads a picture file by its extension, compared without regard to case:
// jpg/jpeg (libjpeg), gif (our reader), bmp/ico/png (Qt's readers); wmf/emf and any other
// extension fail with a message. A missing or unreadable file fails with
// "Cannot open file "<full path>". <reason>". Never shows anything and never throws.
LoadedPicture LoadPictureFile(const QString& path, const PictureProgress& progress = {});

// LoadPictureFile as an image alone: a null image, with the message in *error, when it fails.
QImage LoadPictureImage(const QString& path, QString* error);

// Decodes a picture held in memory (a Qt resource, for instance) by the extension it would
// have as a file (without the dot), with the same decoders and messages as LoadPictureFile.
LoadedPicture LoadPictureData(const QByteArray& bytes, const QString& extension,
                              const PictureProgress& progress = {});

// One of the program's own pictures kept as a Qt resource (":/..."), decoded through
// LoadPictureData by its extension; a null image when it is missing or cannot be decoded.
QImage LoadResourcePicture(const QString& resourcePath);

} // namespace tamberlin
