#include "imaging/gif_reader.h"

#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tamberlin;
using tamberlin::testing::ReadAll;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string DataFile(const std::string& name) {
    return std::string(TAMBERLIN_TEST_DATA_DIR) + "/gif/" + name;
}

Bytes ReadBytes(const std::string& path) {
    const std::string s = ReadAll(path);
    return Bytes(s.begin(), s.end());
}

// Codes of the given widths packed least significant bit first.
Bytes PackCodes(const std::vector<std::pair<int, int>>& codes) {
    Bytes out;
    std::uint32_t acc = 0;
    int n = 0;
    for (auto [code, width] : codes) {
        acc |= std::uint32_t(code) << n;
        n += width;
        while (n >= 8) {
            out.push_back(std::uint8_t(acc & 0xFF));
            acc >>= 8;
            n -= 8;
        }
    }
    if (n > 0) {
        out.push_back(std::uint8_t(acc));
    }
    return out;
}

Bytes SubBlocks(const Bytes& data, bool terminate = true) {
    Bytes out;
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out.push_back(std::uint8_t(n));
        out.insert(out.end(), data.begin() + std::ptrdiff_t(i),
                   data.begin() + std::ptrdiff_t(i + n));
    }
    if (terminate) {
        out.push_back(0);
    }
    return out;
}

void Append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// A header with a 4-colour global table (red, green, blue, white) and the screen size.
Bytes Header(const char* version = "89a", int w = 4, int h = 4) {
    Bytes out = {'G',
                 'I',
                 'F',
                 std::uint8_t(version[0]),
                 std::uint8_t(version[1]),
                 std::uint8_t(version[2])};
    Append(out, {std::uint8_t(w), std::uint8_t(w >> 8), std::uint8_t(h), std::uint8_t(h >> 8), 0x81,
                 0, 0});
    Append(out, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
    return out;
}

// An image descriptor, the minimum code size and the data as sub-blocks.
Bytes Image(int w, int h, int minSize, const Bytes& data, std::uint8_t flags = 0) {
    Bytes out = {',',
                 0,
                 0,
                 0,
                 0,
                 std::uint8_t(w),
                 std::uint8_t(w >> 8),
                 std::uint8_t(h),
                 std::uint8_t(h >> 8),
                 flags,
                 std::uint8_t(minSize)};
    Append(out, SubBlocks(data));
    return out;
}

// A 2x2 image of pixels 0 1 / 2 3 with minimum code size 2 (clear 4, end 5); codes widen to
// 4 bits once code 7 is taken.
Bytes SmallImage() {
    return Image(2, 2, 2, PackCodes({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {5, 4}}));
}

Bytes Gif(const Bytes& body, bool trailer = true) {
    Bytes out = Header();
    Append(out, body);
    if (trailer) {
        out.push_back(';');
    }
    return out;
}

GifPicture Read(const Bytes& file, const GifRowProgress& progress = {}) {
    return ReadGifPicture(file.data(), file.size(), progress);
}

std::string ErrorOf(const Bytes& file) {
    try {
        Read(file);
    } catch (const TamberlinError& e) {
        return e.what();
    }
    return "(no error)";
}

Bytes Pixels(const GifPicture& p) {
    const auto* d = p.pixels.data();
    return Bytes(d, d + std::size_t(p.width) * std::size_t(p.height));
}

} // namespace

// Every generated picture decodes to exactly the indexes and palette an independent decoder
// reads from it.
class GifFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(GifFixture, MatchesIndependentDecoder) {
    const std::string name = GetParam();
    const Bytes file = ReadBytes(DataFile(name + ".gif"));
    const std::string expect = ReadAll(DataFile(name + ".expect"));
    ASSERT_FALSE(file.empty());
    const std::size_t eol = expect.find('\n');
    ASSERT_NE(eol, std::string::npos);
    int w = 0, h = 0;
    ASSERT_EQ(std::sscanf(expect.c_str(), "%d %d", &w, &h), 2);
    const GifPicture picture = Read(file);
    ASSERT_EQ(picture.width, w);
    ASSERT_EQ(picture.height, h);
    const std::string palette = expect.substr(eol + 1, 768);
    for (int i = 0; i < 256; ++i) {
        const TRGB want{std::uint8_t(palette[std::size_t(i) * 3]),
                        std::uint8_t(palette[std::size_t(i) * 3 + 1]),
                        std::uint8_t(palette[std::size_t(i) * 3 + 2])};
        ASSERT_EQ(picture.palette[std::size_t(i)], want) << "palette entry " << i;
    }
    const std::string indexes = expect.substr(eol + 1 + 768);
    ASSERT_EQ(indexes.size(), std::size_t(w) * std::size_t(h));
    const Bytes got = Pixels(picture);
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        ASSERT_EQ(got[i], std::uint8_t(indexes[i]))
            << "pixel " << i % std::size_t(w) << "," << i / std::size_t(w);
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, GifFixture,
                         ::testing::Values("bits1", "bits2", "bits4", "bits8", "local16", "global4",
                                           "interlaced1", "interlaced2", "interlaced3",
                                           "interlaced4", "interlaced5", "interlaced6",
                                           "interlaced7", "interlaced8", "interlaced9",
                                           "interlaced301", "fulltable8", "fulltable2",
                                           "noleadingclear", "animated", "transparent",
                                           "quantized64", "quantized301"));

TEST(GifReader, TransparentPixelsShowTheirPaletteColour) {
    const GifPicture picture = Read(ReadBytes(DataFile("transparent.gif")));
    const Bytes pixels = Pixels(picture);
    ASSERT_NE(std::find(pixels.begin(), pixels.end(), 2), pixels.end());
    TGifFile file;
    const Bytes bytes = ReadBytes(DataFile("transparent.gif"));
    file.Read(bytes.data(), bytes.size());
    ASSERT_EQ(file.images.size(), 1u);
    EXPECT_TRUE(file.images[0].transparent);
    EXPECT_EQ(file.images[0].transparentIndex, 2);
    EXPECT_EQ(picture.palette[2], file.globalTable[2]);
}

TEST(GifReader, AnimationShowsFirstFrameAndDecodesEveryFrame) {
    const Bytes bytes = ReadBytes(DataFile("animated.gif"));
    TGifFile file;
    file.Read(bytes.data(), bytes.size());
    EXPECT_EQ(file.imageCount, 5);
    ASSERT_EQ(file.images.size(), 1u); // later frames are decoded, not kept
    EXPECT_EQ(file.images[0].width, 24);
    // A damaged later frame fails the whole load.
    EXPECT_EQ(ErrorOf(ReadBytes(DataFile("badframe.gif"))), "Bad code");
}

TEST(GifReader, FullTableWithoutClearCodeFails) {
    EXPECT_EQ(ErrorOf(ReadBytes(DataFile("overflow.gif"))), "Code size overflow");
}

TEST(GifReader, VersionIsChecked) {
    for (const char* ok : {"87a", "89a", "87A", "89A"}) {
        Bytes file = Header(ok);
        Append(file, SmallImage());
        EXPECT_EQ(Read(file).width, 2) << ok;
    }
    for (const char* bad : {"88a", "89b", "87 ", "a78"}) {
        Bytes file = Header(bad);
        Append(file, SmallImage());
        EXPECT_EQ(ErrorOf(file), "Gif Version must be 87a or 89a") << bad;
    }
    EXPECT_EQ(ErrorOf({}), "Gif Version must be 87a or 89a");
    // The signature itself is not checked.
    Bytes file = Gif(SmallImage());
    file[0] = 'X';
    file[1] = 'Y';
    EXPECT_EQ(Pixels(Read(file)), (Bytes{0, 1, 2, 3}));
}

TEST(GifReader, ExtensionsAreReadPastAndUnknownLabelsFail) {
    Bytes body;
    Append(body, {'!', 0xFE});
    Append(body, SubBlocks({'h', 'i'}));
    Append(body, {'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'});
    Append(body, SubBlocks({1, 0, 0}));
    Append(body, {'!', 0x01, 12, 0, 0, 0, 0, 4, 0, 4, 0, 8, 8, 1, 0});
    Append(body, SubBlocks({'t', 'x', 't'}));
    Append(body, {'!', 0xF9, 4, 0x09, 10, 0, 3, 0});
    Append(body, SmallImage());
    Append(body, {'!', 0xFE});
    Append(body, SubBlocks({'e', 'n', 'd'}));
    const Bytes file = Gif(body);
    TGifFile gif;
    gif.Read(file.data(), file.size());
    ASSERT_EQ(gif.images.size(), 1u);
    const TGifSubImage& image = gif.images[0];
    EXPECT_EQ(image.disposal, 2);
    EXPECT_TRUE(image.transparent);
    EXPECT_EQ(image.transparentIndex, 3);
    EXPECT_EQ(Pixels(gif.TakePicture()), (Bytes{0, 1, 2, 3}));

    for (std::uint8_t label : {0x02, 0x00, 0xF8, 0xAB}) {
        Bytes bad;
        Append(bad, {'!', label, 0});
        Append(bad, SmallImage());
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", label);
        EXPECT_EQ(ErrorOf(Gif(bad)),
                  std::string("Unrecognized extension block.\r\nCode = $") + hex);
    }
}

TEST(GifReader, FileEndings) {
    // No trailer, a stray byte after the image, data after the trailer: all load.
    EXPECT_EQ(Pixels(Read(Gif(SmallImage(), false))), (Bytes{0, 1, 2, 3}));
    Bytes stray = SmallImage();
    Append(stray, {'x', ',', 0xFF});
    EXPECT_EQ(Pixels(Read(Gif(stray, false))), (Bytes{0, 1, 2, 3}));
    // Extensions followed by an unknown byte are dropped; the first image stays.
    Bytes trailing = SmallImage();
    Append(trailing, {'!', 0xFE, 0, 'z'});
    EXPECT_EQ(Read(Gif(trailing, false)).width, 2);
    // No image at all.
    EXPECT_EQ(ErrorOf(Gif({})), "List index out of bounds (0)");
    EXPECT_EQ(ErrorOf(Gif({'!', 0xFE, 0})), "List index out of bounds (0)");
    EXPECT_EQ(ErrorOf(Gif({'z', ',', 0, 0})), "List index out of bounds (0)");
}

TEST(GifReader, CodeErrors) {
    // Minimum code size outside 2 to 9.
    for (int size : {0, 1, 10, 12, 255}) {
        EXPECT_EQ(ErrorOf(Gif(Image(2, 2, size, PackCodes({{0, 3}})))), "Bad code Size") << size;
    }
    // A clear code followed by the end code, also after more clear codes.
    EXPECT_EQ(ErrorOf(Gif(Image(2, 2, 2, PackCodes({{4, 3}, {5, 3}})))), "Bad code");
    EXPECT_EQ(ErrorOf(Gif(Image(2, 2, 2, PackCodes({{4, 3}, {4, 3}, {4, 3}, {5, 3}})))),
              "Bad code");
    // A code above the next free code (6 is free after one code; 7 is not).
    EXPECT_EQ(ErrorOf(Gif(Image(2, 2, 2, PackCodes({{4, 3}, {1, 3}, {7, 3}})))), "Bad code");
    // The end code at the very start is an empty image, not an error.
    EXPECT_EQ(Pixels(Read(Gif(Image(2, 2, 2, PackCodes({{5, 3}}))))), (Bytes{0, 0, 0, 0}));
}

TEST(GifReader, CodeRules) {
    // A code from the end code upwards right after a clear code is taken as 0; the code equal
    // to the next free code repeats the previous string and its first pixel.
    EXPECT_EQ(Pixels(Read(Gif(Image(4, 1, 2, PackCodes({{4, 3}, {7, 3}, {3, 3}, {7, 3}}))))),
              (Bytes{0, 3, 3, 3}));
    // Clear codes in a row are skipped, and the code width resets.
    EXPECT_EQ(Pixels(Read(Gif(Image(
                  2, 2, 2,
                  PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 4}, {4, 3}, {3, 3}, {5, 3}}))))),
              (Bytes{1, 2, 3, 3}));
    // Minimum code size 9: a root code's pixel is its low 8 bits.
    EXPECT_EQ(Pixels(Read(Gif(Image(
                  3, 1, 9, PackCodes({{512, 10}, {0x1FF, 10}, {0x105, 10}, {7, 10}, {513, 10}}))))),
              (Bytes{0xFF, 0x05, 0x07}));
    // Data after the end code is ignored.
    EXPECT_EQ(Pixels(Read(Gif(
                  Image(2, 1, 2, PackCodes({{4, 3}, {1, 3}, {2, 3}, {5, 3}, {3, 3}, {3, 3}}))))),
              (Bytes{1, 2}));
}

TEST(GifReader, RowsAndBounds) {
    // Data that ends early leaves the rest at index 0; the partial row is dropped.
    // (16 bits of codes: no padding bits to be read as one more code.)
    EXPECT_EQ(
        Pixels(Read(Gif(Image(3, 2, 2, PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}}))))),
        (Bytes{1, 2, 3, 0, 0, 0}));
    // A partial row at the end code is dropped too, and so is a partial row past the image.
    EXPECT_EQ(
        Pixels(Read(Gif(Image(2, 1, 2, PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 4}}))))),
        (Bytes{1, 2}));
    // A complete row beyond the last one fails.
    EXPECT_EQ(
        ErrorOf(Gif(Image(2, 1, 2, PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 4}, {5, 4}})))),
        "Dynamic array index out of bounds");
    // A long string that runs past the image fails the same way.
    EXPECT_EQ(ErrorOf(Gif(Image(2, 2, 2, PackCodes({{4, 3}, {1, 3}, {6, 3}, {7, 3}, {5, 4}})))),
              "Dynamic array index out of bounds");
    // Width 0: any pixel fails; no pixel at all is fine.
    EXPECT_EQ(ErrorOf(Gif(Image(0, 5, 2, PackCodes({{4, 3}, {1, 3}, {5, 3}})))),
              "Dynamic array index out of bounds");
    EXPECT_EQ(Read(Gif(Image(0, 5, 2, PackCodes({{5, 3}})))).height, 5);
    // Height 0: the first complete row fails.
    EXPECT_EQ(ErrorOf(Gif(Image(2, 0, 2, PackCodes({{4, 3}, {1, 3}, {1, 3}, {5, 3}})))),
              "Dynamic array index out of bounds");
    // Interlaced: the stream's rows go to 0, 2, 1 for a height of 3.
    EXPECT_EQ(Pixels(Read(
                  Gif(Image(1, 3, 2, PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 4}}), 0x40)))),
              (Bytes{1, 3, 2}));
    // An interlaced image that ends early: the rows that came go to their places, the rest
    // stay 0.
    EXPECT_EQ(Pixels(Read(Gif(Image(1, 3, 2, PackCodes({{4, 3}, {1, 3}, {2, 3}, {5, 3}}), 0x40)))),
              (Bytes{1, 0, 2}));
    EXPECT_EQ(Pixels(Read(Gif(Image(
                  2, 5, 2, PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}, {5, 4}}), 0x40)))),
              (Bytes{1, 2, 0, 0, 0, 0, 0, 0, 3, 1}));
}

TEST(GifReader, MemoryLimits) {
    EXPECT_EQ(ErrorOf(Gif(Image(65535, 65535, 2, PackCodes({{5, 3}})))),
              "error in TBigByteArray.create: Not enough contiguous memory available\r\n"
              " requested memory block: 4294836225 bytes");
    // Within the byte array's count but over the picture budget: fails before allocating.
    EXPECT_EQ(ErrorOf(Gif(Image(32767, 32767, 2, PackCodes({{5, 3}})))), "Out of memory");
    EXPECT_EQ(ErrorOf(Gif(Image(8000, 5001, 2, PackCodes({{5, 3}})))), "Out of memory");
    EXPECT_EQ(Read(Gif(Image(8000, 5000, 2, PackCodes({{5, 3}})))).width, 8000);
    // A later frame over the budget fails too.
    Bytes two = SmallImage();
    Append(two, Image(8000, 5001, 2, PackCodes({{5, 3}})));
    EXPECT_EQ(ErrorOf(Gif(two)), "Out of memory");
    // The limit is checked on later frames too, and a later oversized frame fails.
    Bytes later = SmallImage();
    Append(later, Image(65535, 65535, 2, PackCodes({{5, 3}})));
    EXPECT_NE(ErrorOf(Gif(later)).find("requested memory block: 4294836225 bytes"),
              std::string::npos);
}

// Blocks the bitmap doesn't use cost no memory: ten megabytes of small comment, application,
// plain text and graphic control extensions read within twice the file size plus the first
// image's pixels, under a data-size limit in a child process.
TEST(GifReader, SkippedBlocksStayWithinTwiceTheFileSize) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's own memory doesn't fit a data-size limit";
#else
    Bytes file = Header("89a", 1000, 1000);
    const Bytes kinds[] = {
        {'!', 0xFE, 1, 'c', 0},
        {'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 1, 1, 0},
        {'!', 0x01, 12, 0, 0, 0, 0, 4, 0, 4, 0, 8, 8, 1, 0, 1, 't', 0},
        {'!', 0xF9, 4, 0x09, 10, 0, 3, 0},
    };
    for (std::size_t i = 0; file.size() < 10u << 20; ++i) {
        Append(file, kinds[i % 4]);
    }
    Append(file, Image(1000, 1000, 2, PackCodes({{4, 3}, {1, 3}, {5, 3}})));
    file.push_back(';');
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The limit: what the process holds now (the file among it), once more the file,
        // the first image's pixels and a little for the allocator.
        std::ifstream status("/proc/self/status");
        std::string line;
        long dataKb = 0;
        while (std::getline(status, line)) {
            if (line.rfind("VmData:", 0) == 0) {
                dataKb = std::stol(line.substr(7));
            }
        }
        const rlim_t limit = rlim_t(dataKb) * 1024 + file.size() + 1000 * 1000 + (4u << 20);
        const rlimit lim{limit, limit};
        if (dataKb == 0 || setrlimit(RLIMIT_DATA, &lim) != 0) {
            _exit(3);
        }
        try {
            const GifPicture picture = Read(file);
            _exit(picture.width == 1000 ? 0 : 2);
        } catch (...) {
            _exit(1);
        }
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the read ran out of memory";
#endif
}

TEST(GifReader, ColourTables) {
    const TColorTable two(2);
    EXPECT_EQ(two[0], (TRGB{0, 0, 0}));
    EXPECT_EQ(two[1], (TRGB{255, 255, 255}));
    EXPECT_EQ(two[2], (TRGB{0, 0, 0}));
    const TColorTable sixteen(16);
    EXPECT_EQ(sixteen[1], (TRGB{128, 0, 0}));
    EXPECT_EQ(sixteen[8], (TRGB{192, 192, 192}));
    EXPECT_EQ(sixteen[11], (TRGB{255, 255, 0}));
    EXPECT_EQ(sixteen[15], (TRGB{255, 255, 255}));
    EXPECT_EQ(sixteen[16], (TRGB{0, 0, 0}));
    const TColorTable grey(256);
    EXPECT_EQ(grey[77], (TRGB{77, 77, 77}));
    const TColorTable other(8);
    EXPECT_EQ(other[1], (TRGB{0, 0, 0}));
    // Without a global table the picture's palette is the global table's starting contents.
    Bytes file = Header();
    file[10] = 0x02; // no table flag, size code 2
    file.resize(13);
    Append(file, SmallImage());
    const GifPicture picture = Read(file);
    EXPECT_EQ(picture.palette[0], (TRGB{0, 0, 0}));
    EXPECT_EQ(picture.palette[1], (TRGB{255, 255, 255}));
    EXPECT_EQ(picture.palette[2], (TRGB{0, 0, 0}));
}

TEST(GifReader, ByteArrays) {
    TBigByteArray a(3);
    a.set(1, 7);
    a.set(3, 9);
    EXPECT_EQ(a.get(1), 7);
    EXPECT_EQ(a.get(2), 0);
    EXPECT_THROW(a.get(0), EIndexOutOfBounds);
    EXPECT_THROW(a.set(4, 1), EIndexOutOfBounds);
    EXPECT_THROW(TBigByteArray(std::int64_t{1} << 31), ENotEnoughMemory);
    TByteArray2D m(2, 2);
    const std::uint8_t row[2] = {5, 6};
    m.putRow(2, row);
    std::uint8_t back[2] = {};
    m.getRow(2, back);
    EXPECT_EQ(back[1], 6);
    EXPECT_THROW(m.putRow(3, row), EIndexOutOfBounds);
    EXPECT_THROW(m.getRow(0, back), EIndexOutOfBounds);
}

TEST(GifReader, ProgressIsReportedPerRowOnlyForTallImages) {
    std::vector<int> rows;
    const GifRowProgress record = [&rows](int done, int all) {
        EXPECT_EQ(all, 301);
        rows.push_back(done);
    };
    Read(ReadBytes(DataFile("interlaced301.gif")), record);
    ASSERT_EQ(rows.size(), 301u);
    for (int i = 0; i < 301; ++i) {
        ASSERT_EQ(rows[std::size_t(i)], i + 1);
    }
    rows.clear();
    Read(ReadBytes(DataFile("fulltable8.gif")), record); // 200 rows
    EXPECT_TRUE(rows.empty());
}

// Every prefix of every test picture and single-byte damage give a picture or one of the
// reader's errors, never a crash (the sanitizer build checks the reads and writes).
TEST(GifReader, DamagedFilesNeverCrash) {
    for (const char* name : {"animated", "interlaced9", "bits4", "local16", "noleadingclear"}) {
        const Bytes file = ReadBytes(DataFile(std::string(name) + ".gif"));
        for (std::size_t n = 0; n <= file.size(); ++n) {
            const Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(n));
            try {
                Read(cut);
            } catch (const TamberlinError&) {
            }
        }
        for (std::size_t i = 0; i < file.size(); ++i) {
            for (std::uint8_t v : {0x00, 0xFF, 0x2C, 0x80}) {
                Bytes damaged = file;
                damaged[i] = v;
                try {
                    Read(damaged);
                } catch (const TamberlinError&) {
                }
            }
        }
    }
}

// The fuzzer's corpus (files it found that reach different paths of the reader) is kept as
// seeds; each must give a picture or one of the reader's errors.
TEST(GifReader, FuzzedFilesGivePictureOrError) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TAMBERLIN_FUZZ_SEEDS_DIR)) {
        const Bytes file = ReadBytes(entry.path().string());
        ++files;
        try {
            const GifPicture picture = Read(file);
            EXPECT_GE(picture.width, 0);
        } catch (const TamberlinError& e) {
            EXPECT_NE(std::string(e.what()), "");
        }
    }
    EXPECT_GT(files, 100);
}
