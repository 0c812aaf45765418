#include "imaging/gif_reader.h"
#include "pictures/picture_loader.h"
#include "pictures/picture_loading.h"

#include "common/temp_dir.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <QtTest/QtTest>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/stat.h>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

using namespace tamberlin;
using tamberlin::testing::TempDir;

namespace {

QString Data(const char* name) {
    return QStringLiteral(TAMBERLIN_TEST_DATA_DIR "/gif/") + QString::fromLatin1(name);
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A 64x48 JPEG written with libjpeg: left half red, right half blue (or, in grey, black and
// white).
QByteArray MakeJpeg(int width = 64, int height = 48, bool grey = false) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(std::size_t(width) * 3);
    for (int x = 0; x < width; ++x) {
        const bool left = x < width / 2;
        if (grey) {
            row[std::size_t(x)] = left ? 0 : 255;
            continue;
        }
        row[std::size_t(x) * 3] = left ? 255 : 0;
        row[std::size_t(x) * 3 + 1] = 0;
        row[std::size_t(x) * 3 + 2] = left ? 0 : 255;
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

// A 16x16 four-channel JPEG with the given raw CMYK bytes (libjpeg marks it as Adobe's,
// whose readers take the channels as stored inverted).
QByteArray MakeCmykJpeg(const unsigned char cmyk[4]) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = 16;
    cinfo.image_height = 16;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(16 * 4);
    for (int x = 0; x < 16; ++x) {
        std::memcpy(row.data() + x * 4, cmyk, 4);
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

// The offset of the first byte of entropy-coded data (just after the start-of-scan header).
qsizetype ScanDataStart(const QByteArray& jpeg) {
    const qsizetype sos = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
    const int length = (uchar(jpeg[sos + 2]) << 8) | uchar(jpeg[sos + 3]);
    return sos + 2 + length;
}

QString JpegError(int code) {
    return QStringLiteral("JPEG error #%1").arg(code);
}

} // namespace

class PictureLoaderTest : public QObject {
    Q_OBJECT

private slots:
    void gifByExtensionInAnyCase();
    void gifErrorsComeThrough();
    void gifPaletteAsTheReaderGives();
    void pictureOverTheBudgetFailsBeforeReserving();
    void namedPipeNeverBlocks();
    void qtFormatsAndPng();
    void jpegDecodes();
    void damagedJpegFails();
    void refusedExtensions();
    void missingOrUnreadableFile();
    void picturesHeldInMemory();
    void windowLoadRestoresCursorAndNests();
    void windowLoadRepaintsTallPictures();
    void pictureDumpTool();
};

void PictureLoaderTest::gifByExtensionInAnyCase() {
    TempDir dir;
    const QByteArray gif = FileBytes(Data("bits4.gif"));
    const QString expect = Data("bits4.expect");
    const QByteArray want = FileBytes(expect);
    const qsizetype start = want.indexOf('\n') + 1;
    for (const char* name : {"a.gif", "b.GIF", "c.Gif"}) {
        const QString path = Q(dir.file(name));
        Write(path, gif);
        const LoadedPicture p = LoadPictureFile(path);
        QVERIFY2(p.ok(), qPrintable(p.error));
        QCOMPARE(p.image.format(), QImage::Format_Indexed8);
        QCOMPARE(p.image.size(), QSize(37, 23));
        QCOMPARE(p.image.colorCount(), 256);
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 37; ++x) {
                const int index = uchar(want[start + 768 + y * 37 + x]);
                QCOMPARE(p.image.pixelIndex(x, y), index);
                const QRgb c = p.image.color(index);
                QCOMPARE(qRed(c), int(uchar(want[start + index * 3])));
                QCOMPARE(qBlue(c), int(uchar(want[start + index * 3 + 2])));
            }
        }
    }
}

void PictureLoaderTest::gifErrorsComeThrough() {
    TempDir dir;
    const QString path = Q(dir.file("bad.gif"));
    Write(path, QByteArray("GIF88a\x01\x00\x01\x00\x00\x00\x00;", 14));
    QCOMPARE(LoadPictureFile(path).error, QStringLiteral("Gif Version must be 87a or 89a"));
    Write(path, QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14));
    QCOMPARE(LoadPictureFile(path).error, QStringLiteral("List index out of bounds (0)"));
    Write(path, QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00!\x02\x00;", 17));
    QCOMPARE(LoadPictureFile(path).error,
             QStringLiteral("Unrecognized extension block.\r\nCode = $02"));
    const LoadedPicture failed = LoadPictureFile(Data("overflow.gif"));
    QCOMPARE(failed.error, QStringLiteral("Code size overflow"));
    QVERIFY(failed.image.isNull());
}

// The image the windows get holds exactly the reader's palette and indexes, and painting it
// (as the question picture does) shows every pixel in its palette colour.
void PictureLoaderTest::gifPaletteAsTheReaderGives() {
    for (const char* name : {"bits8.gif", "local16.gif", "global4.gif", "animated.gif",
                             "interlaced301.gif", "quantized64.gif", "quantized301.gif"}) {
        const QByteArray bytes = FileBytes(Data(name));
        const GifPicture reader = ReadGifPicture(
            reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
        const LoadedPicture p = LoadPictureFile(Data(name));
        QVERIFY2(p.ok(), qPrintable(p.error));
        const QList<QRgb> table = p.image.colorTable();
        QCOMPARE(table.size(), 256);
        for (int i = 0; i < 256; ++i) {
            const TRGB& c = reader.palette[std::size_t(i)];
            QCOMPARE(table[i], qRgb(c.r, c.g, c.b));
        }
        QImage painted(p.image.size(), QImage::Format_RGB32);
        QPainter(&painted).drawImage(0, 0, p.image);
        for (int y = 0; y < p.image.height(); ++y) {
            for (int x = 0; x < p.image.width(); ++x) {
                const std::uint8_t index = reader.pixels.data()[y * reader.width + x];
                QCOMPARE(p.image.pixelIndex(x, y), int(index));
                const TRGB& c = reader.palette[index];
                QCOMPARE(painted.pixel(x, y), qRgb(c.r, c.g, c.b));
            }
        }
    }
}

// A 41-byte GIF whose image claims 32767x32767 pixels: "Out of memory" at once, in the
// window's loading and in picture-dump, instead of gigabytes for the conversion.
void PictureLoaderTest::pictureOverTheBudgetFailsBeforeReserving() {
    TempDir dir;
    const QString path = Q(dir.file("huge.gif"));
    QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00"
                   "\x00\x00\x00\xff\xff\xff"
                   ",\x00\x00\x00\x00\xff\x7f\xff\x7f\x00"
                   "\x02\x08\x84\x8f\xa9\xcb\xed\x0f\x63\x2b\x00;",
                   41);
    Write(path, gif);
    QCOMPARE(gif.size(), 41);
    QCOMPARE(LoadPictureForWindow(path).error, QStringLiteral("Out of memory"));
    QProcess tool;
    tool.start(QStringLiteral(PICTURE_DUMP), {path, Q(dir.file("out.ppm"))});
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 1);
    QCOMPARE(tool.readAllStandardOutput(), QByteArray("Out of memory\n"));
    QVERIFY(!QFile::exists(Q(dir.file("out.ppm"))));
}

// A named pipe with no writer in a picture's place is refused at once, by picture-dump and by
// the window's loading, instead of waiting for ever for data.
void PictureLoaderTest::namedPipeNeverBlocks() {
    TempDir dir;
    const QString path = Q(dir.file("pipe.gif"));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const QString refused = QStringLiteral("Cannot open file \"%1\". %2")
                                .arg(path, QString::fromLocal8Bit(std::strerror(EINVAL)));
    QProcess tool;
    tool.start(QStringLiteral(PICTURE_DUMP), {path});
    const bool finished = tool.waitForFinished(10000);
    if (!finished) {
        tool.kill();
        tool.waitForFinished();
    }
    QVERIFY2(finished, "picture-dump waits on the pipe");
    QCOMPARE(tool.exitCode(), 1);
    QCOMPARE(QString::fromLocal8Bit(tool.readAllStandardOutput()), refused + u'\n');
    QCOMPARE(LoadPictureForWindow(path).error, refused);
}

void PictureLoaderTest::qtFormatsAndPng() {
    TempDir dir;
    QImage source(5, 4, QImage::Format_RGB32);
    source.fill(qRgb(10, 200, 30));
    source.setPixel(1, 2, qRgb(250, 5, 6));
    for (const char* name : {"p.png", "P.PNG", "b.bmp", "B.Bmp"}) {
        const QString path = Q(dir.file(name));
        const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
        QVERIFY(source.save(path, format.constData()));
        const LoadedPicture p = LoadPictureFile(path);
        QVERIFY2(p.ok(), qPrintable(p.error));
        QCOMPARE(p.image.size(), QSize(5, 4));
        QCOMPARE(p.image.pixel(1, 2), qRgb(250, 5, 6));
        QCOMPARE(p.image.pixel(0, 0), qRgb(10, 200, 30));
    }
    const QString ico = Q(dir.file("i.ico"));
    QVERIFY(QImage(16, 16, QImage::Format_ARGB32).save(ico, "ico"));
    QVERIFY(LoadPictureFile(ico).ok());
    // Contents that don't match the extension fail with the format's message.
    const QString fake = Q(dir.file("fake.png"));
    Write(fake, "not a picture");
    QCOMPARE(LoadPictureFile(fake).error, QStringLiteral("PNG image is not valid"));
    const QString fakeBmp = Q(dir.file("fake.bmp"));
    Write(fakeBmp, "not a picture");
    QCOMPARE(LoadPictureFile(fakeBmp).error, QStringLiteral("Bitmap image is not valid"));
}

void PictureLoaderTest::jpegDecodes() {
    TempDir dir;
    for (const char* name : {"a.jpg", "b.JPEG", "c.Jpg"}) {
        const QString path = Q(dir.file(name));
        Write(path, MakeJpeg());
        const LoadedPicture p = LoadPictureFile(path);
        QVERIFY2(p.ok(), qPrintable(p.error));
        QCOMPARE(p.image.size(), QSize(64, 48));
        const QRgb left = p.image.pixel(8, 24);
        const QRgb right = p.image.pixel(56, 24);
        QVERIFY(qRed(left) > 220 && qBlue(left) < 40);
        QVERIFY(qBlue(right) > 220 && qRed(right) < 40);
    }
    const LoadedPicture grey = LoadPictureData(MakeJpeg(64, 48, true), QStringLiteral("jpg"));
    QVERIFY2(grey.ok(), qPrintable(grey.error));
    QVERIFY(qGray(grey.image.pixel(8, 24)) < 30);
    QVERIFY(qGray(grey.image.pixel(56, 24)) > 225);
    // CMYK as Adobe stores it (inverted): full "no cyan" and "no black" with full magenta and
    // yellow ink is red.
    const unsigned char red[4] = {255, 0, 0, 255};
    const LoadedPicture cmyk = LoadPictureData(MakeCmykJpeg(red), QStringLiteral("jpg"));
    QVERIFY2(cmyk.ok(), qPrintable(cmyk.error));
    const QRgb c = cmyk.image.pixel(8, 8);
    QVERIFY2(qRed(c) > 240 && qGreen(c) < 15 && qBlue(c) < 15, qPrintable(QString::number(c, 16)));
}

void PictureLoaderTest::damagedJpegFails() {
    TempDir dir;
    const QString path = Q(dir.file("bad.jpg"));
    // Not a JPEG at all: libjpeg's "not a JPEG file" code.
    Write(path, "hello");
    QCOMPARE(LoadPictureFile(path).error, JpegError(JERR_NO_SOI));
    // A corrupt body: a marker in the middle of the entropy-coded data.
    QByteArray jpeg = MakeJpeg(256, 256);
    const qsizetype body = ScanDataStart(jpeg);
    QByteArray corrupt = jpeg;
    for (qsizetype i = body + 40; i < body + 60; ++i) {
        corrupt[i] = char(0xFF);
    }
    corrupt[body + 60] = char(0xD3); // a restart marker the file never announced
    Write(path, corrupt);
    LoadedPicture p = LoadPictureFile(path);
    QVERIFY2(p.error.startsWith(QStringLiteral("JPEG error #")), qPrintable(p.error));
    QVERIFY(p.image.isNull());
    // A body cut short.
    Write(path, jpeg.left(body + 100));
    p = LoadPictureFile(path);
    QCOMPARE(p.error, JpegError(JWRN_JPEG_EOF));
    // A header that claims a size past the loader's limit.
    QByteArray huge = MakeJpeg();
    const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC0", 2));
    huge[sof + 5] = char(0x75); // 30000 x 30000
    huge[sof + 6] = char(0x30);
    huge[sof + 7] = char(0x75);
    huge[sof + 8] = char(0x30);
    Write(path, huge);
    QCOMPARE(LoadPictureFile(path).error, QStringLiteral("Out of memory"));
}

void PictureLoaderTest::refusedExtensions() {
    TempDir dir;
    for (const char* name : {"m.wmf", "M.EMF"}) {
        const QString path = Q(dir.file(name));
        Write(path, "metafile");
        const QString ext = QFileInfo(path).suffix();
        QCOMPARE(LoadPictureFile(path).error,
                 QStringLiteral("Metafile pictures (.%1) can't be shown here").arg(ext));
    }
    QCOMPARE(LoadPictureFile(Q(dir.file("x.Tif"))).error,
             QStringLiteral("Unknown picture file extension (.Tif)"));
    QCOMPARE(LoadPictureFile(Q(dir.file("noextension"))).error,
             QStringLiteral("Unknown picture file extension (.)"));
    QCOMPARE(LoadPictureFile(QString()).error,
             QStringLiteral("Unknown picture file extension (.)"));
}

void PictureLoaderTest::missingOrUnreadableFile() {
    TempDir dir;
    const QString missing = Q(dir.file("missing.gif"));
    QCOMPARE(LoadPictureFile(missing).error,
             QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    // A bare name is looked up in the current folder and reported by its full path.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(Q(dir.path().string())));
    QCOMPARE(
        LoadPictureFile(QStringLiteral("nothere.JPG")).error,
        QStringLiteral("Cannot open file \"%1\". No such file or directory")
            .arg(QDir(Q(dir.path().string())).absoluteFilePath(QStringLiteral("nothere.JPG"))));
    QDir::setCurrent(before);
    const QString folder = Q(dir.file("folder.png"));
    QVERIFY(QDir().mkdir(folder));
    QCOMPARE(LoadPictureFile(folder).error,
             QStringLiteral("Cannot open file \"%1\". Is a directory").arg(folder));
}

void PictureLoaderTest::picturesHeldInMemory() {
    const LoadedPicture jpeg = LoadPictureData(MakeJpeg(), QStringLiteral("JPG"));
    QVERIFY2(jpeg.ok(), qPrintable(jpeg.error));
    QCOMPARE(jpeg.image.size(), QSize(64, 48));
    const LoadedPicture gif =
        LoadPictureData(FileBytes(Data("animated.gif")), QStringLiteral("gif"));
    QVERIFY2(gif.ok(), qPrintable(gif.error));
    QCOMPARE(gif.image.size(), QSize(24, 18));
    QCOMPARE(LoadPictureData(QByteArray("xx"), QStringLiteral("jpeg")).error,
             JpegError(JERR_NO_SOI));
    QCOMPARE(LoadPictureData(QByteArray(), QStringLiteral("tga")).error,
             QStringLiteral("Unknown picture file extension (.tga)"));
}

void PictureLoaderTest::windowLoadRestoresCursorAndNests() {
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QVERIFY(!PictureLoadRunning());
    // An error restores the cursor too.
    QVERIFY(!LoadPictureForWindow(Data("overflow.gif")).ok());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    // A load started by a timer during another load's repaints runs to its end at once, and
    // the outer load then finishes with its own picture.
    LoadedPicture nested;
    bool nestedDuringLoad = false;
    QTimer::singleShot(0, [&] {
        nestedDuringLoad = PictureLoadRunning();
        nested = LoadPictureForWindow(Data("bits8.gif"));
    });
    const LoadedPicture outer = LoadPictureForWindow(Data("interlaced301.gif"));
    QVERIFY2(outer.ok(), qPrintable(outer.error));
    QCOMPARE(outer.image.size(), QSize(211, 301));
    QVERIFY(nestedDuringLoad);
    QVERIFY2(nested.ok(), qPrintable(nested.error));
    QCOMPARE(nested.image.size(), QSize(37, 23));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QVERIFY(!PictureLoadRunning());
}

namespace {

class PaintCounter : public QWidget {
public:
    int paints = 0;
    bool paintedDuringLoad = false;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        paintedDuringLoad = paintedDuringLoad || PictureLoadRunning();
        QPainter(this).fillRect(rect(), Qt::white);
    }
};

} // namespace

void PictureLoaderTest::windowLoadRepaintsTallPictures() {
    PaintCounter widget;
    widget.resize(50, 50);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QCoreApplication::processEvents();
    // A picture of 200 rows or fewer: no repaint in the middle of the load.
    widget.update();
    QVERIFY(LoadPictureForWindow(Data("fulltable8.gif")).ok());
    QVERIFY(!widget.paintedDuringLoad);
    QCoreApplication::processEvents();
    // More than 200 rows: the window repaints while the rows are stored.
    widget.update();
    QVERIFY(LoadPictureForWindow(Data("interlaced301.gif")).ok());
    QVERIFY(widget.paintedDuringLoad);
}

void PictureLoaderTest::pictureDumpTool() {
    TempDir dir;
    const QString ppm = Q(dir.file("out.ppm"));
    QProcess tool;
    tool.start(QStringLiteral(PICTURE_DUMP), {Data("transparent.gif"), ppm});
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(tool.readAllStandardOutput(), QByteArray("12x12\n"));
    const QByteArray out = FileBytes(ppm);
    const QByteArray header("P6\n12 12\n255\n");
    QVERIFY(out.startsWith(header));
    QCOMPARE(out.size(), header.size() + 12 * 12 * 3);
    const LoadedPicture p = LoadPictureFile(Data("transparent.gif"));
    for (int i = 0; i < 144; ++i) {
        const QRgb c = p.image.pixel(i % 12, i / 12);
        QCOMPARE(uchar(out[header.size() + i * 3]), uchar(qRed(c)));
        QCOMPARE(uchar(out[header.size() + i * 3 + 1]), uchar(qGreen(c)));
        QCOMPARE(uchar(out[header.size() + i * 3 + 2]), uchar(qBlue(c)));
    }
    tool.start(QStringLiteral(PICTURE_DUMP), {Data("badframe.gif")});
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 1);
    QCOMPARE(tool.readAllStandardOutput(), QByteArray("Bad code\n"));
}

QTEST_MAIN(PictureLoaderTest)
#include "picture_loader_test.moc"
