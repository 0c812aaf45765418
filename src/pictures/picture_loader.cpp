#include "pictures/picture_loader.h"

#include "document/errors.h"
#include "document/file_io.h"
#include "imaging/gif_reader.h"
#include "imaging/picture_budget.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace tamberlin {

namespace {

QString OutOfMemory() {
    return QStringLiteral("Out of memory");
}

// ---- JPEG, through libjpeg directly ----

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

// Warnings about damaged data (a corrupt or truncated body) end the load as errors do, so a
// damaged picture gives a clear error instead of grey or garbled rows. Extra bytes between
// markers are common in files from cameras and are let through.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code != JWRN_EXTRANEOUS_DATA) {
        JpegErrorExit(cinfo);
    }
}

void JpegOutputMessage(j_common_ptr) {}

// Everything the decode touches after setjmp lives here, outside the function that calls
// setjmp, so the longjmp of an error leaves no object half-built.
struct JpegDecode {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager err{};
    QImage image;
    QByteArray cmykRow;
    QString error;
};

bool RunJpegDecode(JpegDecode& d, const QByteArray& bytes, const PictureProgress& progress) {
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = JpegErrorExit;
    d.err.pub.emit_message = JpegEmitMessage;
    d.err.pub.output_message = JpegOutputMessage;
    if (setjmp(d.err.jump) != 0) {
        d.error = QStringLiteral("JPEG error #%1").arg(d.err.pub.msg_code);
        return false;
    }
    jpeg_create_decompress(&d.cinfo);
    jpeg_mem_src(&d.cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.cinfo, TRUE);
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    const bool grey = d.cinfo.jpeg_color_space == JCS_GRAYSCALE;
    d.cinfo.out_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_RGB;
    if (qint64{d.cinfo.image_width} * d.cinfo.image_height > kMaxPicturePixels) {
        d.error = OutOfMemory();
        return false;
    }
    jpeg_start_decompress(&d.cinfo);
    const int width = static_cast<int>(d.cinfo.output_width);
    const int height = static_cast<int>(d.cinfo.output_height);
    d.image = QImage(width, height, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (d.image.isNull()) {
        d.error = OutOfMemory();
        return false;
    }
    if (cmyk) {
        d.cmykRow.resize(qsizetype{width} * 4);
    }
    const bool inverted = d.cinfo.saw_Adobe_marker;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const int row = static_cast<int>(d.cinfo.output_scanline);
        uchar* line = d.image.scanLine(row);
        JSAMPROW target = cmyk ? reinterpret_cast<JSAMPROW>(d.cmykRow.data()) : line;
        jpeg_read_scanlines(&d.cinfo, &target, 1);
        if (cmyk) {
            const auto* s = reinterpret_cast<const uchar*>(d.cmykRow.constData());
            for (int x = 0; x < width; ++x, s += 4) {
                int c = s[0], m = s[1], y = s[2], k = s[3];
                if (!inverted) {
                    c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
                }
                line[x * 3] = static_cast<uchar>(c * k / 255);
                line[x * 3 + 1] = static_cast<uchar>(m * k / 255);
                line[x * 3 + 2] = static_cast<uchar>(y * k / 255);
            }
        }
        if (progress && height > 200) {
            progress(row + 1, height);
        }
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

LoadedPicture DecodeJpeg(const QByteArray& bytes, const PictureProgress& progress) {
    LoadedPicture result;
    auto d = std::make_unique<JpegDecode>();
    if (RunJpegDecode(*d, bytes, progress)) {
        result.image = std::move(d->image);
    } else {
        result.error = d->error;
    }
    jpeg_destroy_decompress(&d->cinfo);
    return result;
}

// ---- GIF, through our reader ----

void ReleasePixels(void* pixels) {
    std::free(pixels);
}

LoadedPicture DecodeGif(const QByteArray& bytes, const PictureProgress& progress) {
    LoadedPicture result;
    try {
        GifRowProgress rows;
        if (progress) {
            rows = [&progress](int done, int all) { progress(done, all); };
        }
        GifPicture picture =
            ReadGifPicture(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()), rows);
        QList<QRgb> palette;
        palette.reserve(256);
        for (const TRGB& c : picture.palette) {
            palette.append(qRgb(c.r, c.g, c.b));
        }
        if (picture.width == 0 || picture.height == 0) {
            // An empty picture: nothing to show, but the file was read without error.
            result.image = QImage(picture.width, picture.height, QImage::Format_Indexed8);
            result.image.setColorTable(palette);
            return result;
        }
        // The image takes the reader's pixels over without copying them.
        uchar* pixels = picture.pixels.release();
        result.image = QImage(pixels, picture.width, picture.height, picture.width,
                              QImage::Format_Indexed8, ReleasePixels, pixels);
        if (result.image.isNull()) {
            std::free(pixels);
            result.error = OutOfMemory();
            return result;
        }
        result.image.setColorTable(palette);
    } catch (const std::bad_alloc&) {
        result.error = OutOfMemory();
    } catch (const std::exception& e) {
        result.error = QString::fromStdString(e.what());
    }
    return result;
}

// ---- BMP, ICO and PNG, through Qt's readers ----

LoadedPicture DecodeWithQt(const QByteArray& bytes, const char* format, const QString& invalid) {
    LoadedPicture result;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid() && qint64{size.width()} * size.height() > kMaxPicturePixels) {
        result.error = OutOfMemory();
        return result;
    }
    result.image = reader.read();
    if (result.image.isNull()) {
        result.error = invalid;
    }
    return result;
}

enum class PictureKind { Unknown, Bitmap, Icon, Png, Jpeg, Gif, Metafile };

PictureKind KindOf(const QString& extension) {
    const QString ext = extension.toLower();
    if (ext == u"bmp") {
        return PictureKind::Bitmap;
    }
    if (ext == u"ico") {
        return PictureKind::Icon;
    }
    if (ext == u"png") {
        return PictureKind::Png;
    }
    if (ext == u"jpg" || ext == u"jpeg") {
        return PictureKind::Jpeg;
    }
    if (ext == u"gif") {
        return PictureKind::Gif;
    }
    if (ext == u"wmf" || ext == u"emf") {
        return PictureKind::Metafile;
    }
    return PictureKind::Unknown;
}

LoadedPicture Decode(PictureKind kind, const QString& extension, const QByteArray& bytes,
                     const PictureProgress& progress) {
    switch (kind) {
    case PictureKind::Jpeg:
        return DecodeJpeg(bytes, progress);
    case PictureKind::Gif:
        return DecodeGif(bytes, progress);
    case PictureKind::Bitmap:
        return DecodeWithQt(bytes, "bmp", QStringLiteral("Bitmap image is not valid"));
    case PictureKind::Icon:
        return DecodeWithQt(bytes, "ico", QStringLiteral("Icon image is not valid"));
    case PictureKind::Png:
        return DecodeWithQt(bytes, "png", QStringLiteral("PNG image is not valid"));
    case PictureKind::Metafile: {
        LoadedPicture result;
        result.error = QStringLiteral("Metafile pictures (.%1) can't be shown here").arg(extension);
        return result;
    }
    case PictureKind::Unknown:
        break;
    }
    LoadedPicture result;
    result.error = QStringLiteral("Unknown picture file extension (.%1)").arg(extension);
    return result;
}

// The largest picture file the loader reads: more than a picture within the budget takes in
// any of the formats. A larger file is refused before it is read.
constexpr std::size_t kMaxPictureFileBytes = std::size_t{256} << 20;

} // namespace

LoadedPicture LoadPictureData(const QByteArray& bytes, const QString& extension,
                              const PictureProgress& progress) {
    return Decode(KindOf(extension), extension, bytes, progress);
}

LoadedPicture LoadPictureFile(const QString& path, const PictureProgress& progress) {
    const QFileInfo info(path);
    const QString extension = info.suffix();
    const PictureKind kind = KindOf(extension);
    if (kind == PictureKind::Unknown) {
        return Decode(kind, extension, {}, progress);
    }
    // The project's one file reader: a regular file only, opened without waiting (a named
    // pipe can't hang the window), at most one byte past the cap.
    LoadedPicture result;
    std::string bytes;
    int err = 0;
    try {
        err =
            ReadFilePrefix(QFile::encodeName(path).toStdString(), kMaxPictureFileBytes + 1, bytes);
    } catch (const std::bad_alloc&) {
        result.error = OutOfMemory();
        return result;
    }
    if (err == 0 && bytes.size() > kMaxPictureFileBytes) {
        err = EFBIG;
    }
    if (err != 0) {
        result.error =
            QStringLiteral("Cannot open file \"%1\". %2")
                .arg(info.absoluteFilePath(), QString::fromStdString(SystemErrorText(err)));
        return result;
    }
    // The decoders read the bytes where they are.
    return Decode(kind, extension,
                  QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())),
                  progress);
}

QImage LoadResourcePicture(const QString& resourcePath) {
    QFile resource(resourcePath);
    if (!resource.open(QIODevice::ReadOnly)) {
        return {};
    }
    return LoadPictureData(resource.readAll(), QFileInfo(resourcePath).suffix()).image;
}

QImage LoadPictureImage(const QString& path, QString* error) {
    LoadedPicture loaded = LoadPictureFile(path);
    *error = loaded.error;
    return loaded.ok() ? loaded.image : QImage();
}

} // namespace tamberlin
