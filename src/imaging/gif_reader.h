#pragma once

// The GIF reader: reads a GIF file (87a or 89a) held in memory and turns its first image into
// an 8-bit picture with a 256-entry palette. Plain C++: no Qt.
//
// Every image of the file is read and decoded, so a damaged later frame fails the load, but
// only the first image keeps its pixels; later frames are decoded into one reused buffer.

#include "common/tamberlin_error.h"
#include "imaging/lzw.h"
#include "imaging/picture_budget.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tamberlin {

// A format error of the GIF file.
class EGifException : public TamberlinError {
public:
    using TamberlinError::TamberlinError;
};

// A byte array read or written outside its bounds: "Dynamic array index out of bounds".
class EIndexOutOfBounds : public TamberlinError {
public:
    EIndexOutOfBounds();
};

// A byte array larger than a signed 32-bit count can hold.
class ENotEnoughMemory : public TamberlinError {
public:
    explicit ENotEnoughMemory(std::uint64_t requested);
};

// Memory for the pixels can't be had (or would pass the reader's limit): "Out of memory".
class EOutOfMemory : public TamberlinError {
public:
    EOutOfMemory();
};

// The file holds no image: "List index out of bounds (0)".
class EListIndexError : public TamberlinError {
public:
    explicit EListIndexError(int index);
};

struct TRGB {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const TRGB&, const TRGB&) = default;
};

// A colour table: its colour count and 256 entries. Entries the file doesn't fill keep the
// starting contents of the count the table was made for.
class TColorTable {
public:
    explicit TColorTable(int count = 2);
    // The count from a 3-bit size code: 2^(code+1).
    static int CountFromSizeCode(int code) { return 2 << (code & 7); }
    int count() const { return count_; }
    void setCount(int count) { count_ = count; }
    TRGB& operator[](int index) { return entries_[static_cast<std::size_t>(index)]; }
    const TRGB& operator[](int index) const { return entries_[static_cast<std::size_t>(index)]; }
    const std::array<TRGB, 256>& entries() const { return entries_; }

private:
    int count_;
    std::array<TRGB, 256> entries_{};
};

// A byte array indexed from 1 to count (a signed 32-bit number). Its memory starts zeroed.
class TBigByteArray {
public:
    TBigByteArray() = default;
    // Fails with ENotEnoughMemory above 2^31 - 1 bytes and EOutOfMemory when the memory can't
    // be had. `slack` bytes beyond the count are reserved for the decoder's fast writes.
    explicit TBigByteArray(std::int64_t count, std::size_t slack = 0);
    std::int32_t count() const { return count_; }
    std::uint8_t get(std::int64_t index) const;
    void set(std::int64_t index, std::uint8_t value);
    std::uint8_t* data() { return bytes_.get(); }
    const std::uint8_t* data() const { return bytes_.get(); }
    // Hands the memory over (to be released with std::free).
    std::uint8_t* release();

private:
    struct FreeDeleter {
        void operator()(std::uint8_t* p) const;
    };
    std::int32_t count_ = 0;
    std::unique_ptr<std::uint8_t, FreeDeleter> bytes_;
};

// Rows of equal length over one TBigByteArray; rows are indexed from 1 and copied whole.
class TByteArray2D {
public:
    TByteArray2D() = default;
    TByteArray2D(int rowLength, int rowCount, std::size_t slack = 0);
    int rowLength() const { return rowLength_; }
    int rowCount() const { return rowCount_; }
    void putRow(int row, const std::uint8_t* bytes);
    void getRow(int row, std::uint8_t* bytes) const;
    TBigByteArray& bytes() { return bytes_; }
    const TBigByteArray& bytes() const { return bytes_; }

private:
    void checkRow(int row) const;
    int rowLength_ = 0;
    int rowCount_ = 0;
    TBigByteArray bytes_;
};

// Where an image's compressed data lies in the file: a chain of data sub-blocks, read back
// as one byte sequence. The bytes stay in the file; nothing is copied.
struct TByteBuffer {
    const std::uint8_t* first = nullptr; // the first length byte of the chain
    const std::uint8_t* end = nullptr;   // just past the chain
    // The bytes of the chain as one sequence (for tests and tools; decoding reads in place).
    std::vector<std::uint8_t> toBytes(const std::uint8_t* dataEnd) const;
};

// The extension labels. Extensions are read past without keeping their data; only the
// graphic control extension's disposal and transparency are recorded with the image.
enum class ExtensionKind : std::uint8_t {
    PlainText = 0x01,
    GraphicControl = 0xF9,
    Comment = 0xFE,
    Application = 0xFF,
};

// What the last graphic control extension before an image said.
struct TGraphicControl {
    int disposal = 0;
    bool transparent = false;
    int transparentIndex = 0;
};

struct TGifSubImage {
    int left = 0, top = 0, width = 0, height = 0;
    std::uint8_t flags = 0;
    bool hasLocalTable() const { return (flags & 0x80) != 0; }
    bool interlaced() const { return (flags & 0x40) != 0; }
    TColorTable localTable;
    int minCodeSize = 0;
    TByteBuffer compressed;
    TByteArray2D pixels; // kept for the first image only
    int disposal = 0;
    bool transparent = false;
    int transparentIndex = 0;
};

// Called after each stored row of an image of more than 200 rows: (rows done, rows in all).
using GifRowProgress = LzwRowProgress;

// The result of a load: the first image, 8 bits a pixel, rows top to bottom, no padding.
struct GifPicture {
    int width = 0;
    int height = 0;
    std::array<TRGB, 256> palette{};
    TBigByteArray pixels;
};

class TGifFile {
public:
    // Reads the whole file; throws one of the error kinds above.
    void Read(const std::uint8_t* data, std::size_t size, const GifRowProgress& progress = {});
    // The first image as the picture (its pixels move out of this file).
    GifPicture TakePicture();

    std::string version;
    int screenWidth = 0, screenHeight = 0;
    std::uint8_t screenFlags = 0;
    int backgroundIndex = 0;
    int aspectRatio = 0;
    TColorTable globalTable;
    std::vector<TGifSubImage> images; // only the first image is kept
    int imageCount = 0;               // every image read

private:
    struct Cursor;
    void readImage(Cursor& in, const TGraphicControl& control, const GifRowProgress& progress);
    void readExtension(Cursor& in, TGraphicControl& control);
    TBigByteArray frame_; // the reused buffer for every image but a non-interlaced first one
    std::int64_t frameBytes_ = 0;
    std::int64_t frameSlack_ = 0;
};

// Reads a GIF file held in memory and returns its first image; throws on failure.
GifPicture ReadGifPicture(const std::uint8_t* data, std::size_t size,
                          const GifRowProgress& progress = {});

} // namespace tamberlin
