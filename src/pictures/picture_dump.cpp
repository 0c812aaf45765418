// picture-dump FILE [OUT.ppm]: loads FILE through the picture loader and prints
// "WIDTHxHEIGHT", or the error message with exit status 1; with OUT.ppm it also writes the
// decoded pixels as a binary PPM.

#include "pictures/picture_loader.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: picture-dump FILE [OUT.ppm]\n");
        return 2;
    }
    const tamberlin::LoadedPicture picture = tamberlin::LoadPictureFile(args[1]);
    if (!picture.error.isEmpty()) {
        std::printf("%s\n", picture.error.toUtf8().constData());
        return 1;
    }
    std::printf("%dx%d\n", picture.image.width(), picture.image.height());
    if (args.size() == 3) {
        const QImage rgb = picture.image.convertToFormat(QImage::Format_RGB888);
        QFile out(args[2]);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "Cannot create file \"%s\". %s\n", args[2].toUtf8().constData(),
                         out.errorString().toUtf8().constData());
            return 1;
        }
        out.write(QStringLiteral("P6\n%1 %2\n255\n").arg(rgb.width()).arg(rgb.height()).toLatin1());
        for (int y = 0; y < rgb.height(); ++y) {
            out.write(reinterpret_cast<const char*>(rgb.constScanLine(y)), qint64{rgb.width()} * 3);
        }
        if (!out.flush()) {
            std::fprintf(stderr, "%s\n", out.errorString().toUtf8().constData());
            return 1;
        }
    }
    return 0;
}
