#include "imaging/gif_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace tamberlin {

namespace {
constexpr char kIndexOutOfBoundsMessage[] = "Dynamic array index out of bounds";
}

EIndexOutOfBounds::EIndexOutOfBounds() : TamberlinError(kIndexOutOfBoundsMessage) {}

ENotEnoughMemory::ENotEnoughMemory(std::uint64_t requested)
    : TamberlinError("error in TBigByteArray.create: Not enough contiguous memory available\r\n"
                     " requested memory block: " +
                     std::to_string(requested) + " bytes") {}

EOutOfMemory::EOutOfMemory() : TamberlinError("Out of memory") {}

EListIndexError::EListIndexError(int index)
    : TamberlinError("List index out of bounds (" + std::to_string(index) + ")") {}

// ---- Colour tables ----

namespace {

constexpr TRGB kStandard16[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

} // namespace

TColorTable::TColorTable(int count) : count_(count) {
    switch (count) {
    case 2:
        entries_[1] = {255, 255, 255};
        break;
    case 16:
        std::copy(std::begin(kStandard16), std::end(kStandard16), entries_.begin());
        break;
    case 256:
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            entries_[static_cast<std::size_t>(i)] = {v, v, v};
        }
        break;
    default:
        break;
    }
}

// ---- Byte arrays ----

void TBigByteArray::FreeDeleter::operator()(std::uint8_t* p) const {
    std::free(p);
}

TBigByteArray::TBigByteArray(std::int64_t count, std::size_t slack) {
    if (count < 0 || count > std::numeric_limits<std::int32_t>::max()) {
        throw ENotEnoughMemory(static_cast<std::uint64_t>(count));
    }
    // calloc: the rows a short file never fills read as colour index 0, and untouched pages
    // of a large picture cost nothing until they are written.
    auto* p = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(count) + slack, 1));
    if (p == nullptr) {
        throw EOutOfMemory();
    }
    bytes_.reset(p);
    count_ = static_cast<std::int32_t>(count);
}

std::uint8_t TBigByteArray::get(std::int64_t index) const {
    if (index < 1 || index > count_) {
        throw EIndexOutOfBounds();
    }
    return bytes_.get()[index - 1];
}

void TBigByteArray::set(std::int64_t index, std::uint8_t value) {
    if (index < 1 || index > count_) {
        throw EIndexOutOfBounds();
    }
    bytes_.get()[index - 1] = value;
}

std::uint8_t* TBigByteArray::release() {
    count_ = 0;
    return bytes_.release();
}

TByteArray2D::TByteArray2D(int rowLength, int rowCount, std::size_t slack)
    : rowLength_(rowLength), rowCount_(rowCount),
      bytes_(std::int64_t{rowLength} * rowCount, slack) {}

void TByteArray2D::checkRow(int row) const {
    if (row < 1 || row > rowCount_) {
        throw EIndexOutOfBounds();
    }
}

void TByteArray2D::putRow(int row, const std::uint8_t* bytes) {
    checkRow(row);
    if (rowLength_ > 0) {
        std::memcpy(bytes_.data() + std::size_t(row - 1) * std::size_t(rowLength_), bytes,
                    std::size_t(rowLength_));
    }
}

void TByteArray2D::getRow(int row, std::uint8_t* bytes) const {
    checkRow(row);
    if (rowLength_ > 0) {
        std::memcpy(bytes, bytes_.data() + std::size_t(row - 1) * std::size_t(rowLength_),
                    std::size_t(rowLength_));
    }
}

std::vector<std::uint8_t> TByteBuffer::toBytes(const std::uint8_t* dataEnd) const {
    std::vector<std::uint8_t> result;
    const std::uint8_t* p = first;
    while (p != nullptr && p < end && p < dataEnd) {
        const std::size_t length = *p++;
        if (length == 0) {
            break;
        }
        const std::size_t take = std::min<std::size_t>(length, std::size_t(dataEnd - p));
        result.insert(result.end(), p, p + take);
        p += take;
    }
    return result;
}

// ---- Reading the file ----

struct TGifFile::Cursor {
    const std::uint8_t* p;
    const std::uint8_t* end;
    bool atEnd() const { return p >= end; }
    // Reads up to n bytes into dst (the rest stays zero); a file may end inside a field.
    void read(void* dst, std::size_t n) {
        const std::size_t take = std::min<std::size_t>(n, std::size_t(end - p));
        std::memset(dst, 0, n);
        if (take > 0) {
            std::memcpy(dst, p, take);
        }
        p += take;
    }
    bool byte(std::uint8_t& b) {
        if (p >= end) {
            return false;
        }
        b = *p++;
        return true;
    }
    // Skips a chain of data sub-blocks.
    void subBlocks() {
        while (p < end) {
            const std::size_t length = *p++;
            if (length == 0) {
                return;
            }
            p += std::min<std::size_t>(length, std::size_t(end - p));
        }
    }
};

namespace {

// What each failure of the decoder tells the user.
struct DecodeFailure {
    LzwResult result;
    const char* message;
    bool arrayBounds; // raised as the byte array's bounds error, not a format error
};
constexpr DecodeFailure kDecodeFailures[] = {
    {LzwResult::BadCodeSize, "Bad code Size", false},
    {LzwResult::BadCode, "Bad code", false},
    {LzwResult::CodeSizeOverflow, "Code size overflow", false},
    {LzwResult::RowsOverflow, kIndexOutOfBoundsMessage, true},
};

[[noreturn]] void ThrowDecodeFailure(LzwResult result) {
    for (const DecodeFailure& f : kDecodeFailures) {
        if (f.result == result) {
            if (f.arrayBounds) {
                throw EIndexOutOfBounds();
            }
            throw EGifException(f.message);
        }
    }
    throw EGifException("Bad code"); // every failure is in the table
}

int le16(const std::uint8_t* b) {
    return b[0] | (b[1] << 8);
}

// The interlaced row order: rows 0, 8, 16...; 4, 12...; 2, 6, 10...; 1, 3, 5...
template <typename Fn>
void ForEachInterlacedRow(int height, Fn&& fn) {
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    int k = 0;
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = kStart[pass]; row < height; row += kStep[pass]) {
            fn(k++, row);
        }
    }
}

// The rows of an interlaced image were stored in the order they came; puts each in its place.
// A whole image is permuted in place, cycle by cycle, through one row of scratch; an image
// that ended early has only its first `completeRows` rows moved, through a copy of them.
void PutInterlacedRows(TByteArray2D& matrix, int completeRows) {
    const int height = matrix.rowCount();
    const std::size_t width = std::size_t(matrix.rowLength());
    std::uint8_t* rows = matrix.bytes().data();
    if (completeRows < height) {
        const std::vector<std::uint8_t> copy(rows, rows + std::size_t(completeRows) * width);
        std::memset(rows, 0, copy.size());
        ForEachInterlacedRow(height, [&](int k, int row) {
            if (k < completeRows) {
                matrix.putRow(row + 1, copy.data() + std::size_t(k) * width);
            }
        });
        return;
    }
    std::vector<int> source(
        static_cast<std::size_t>(height)); // the stored row that belongs at each row
    ForEachInterlacedRow(height, [&](int k, int row) { source[std::size_t(row)] = k; });
    std::vector<bool> done(static_cast<std::size_t>(height));
    std::vector<std::uint8_t> scratch(width, 0);
    for (int start = 0; start < height; ++start) {
        if (done[std::size_t(start)] || source[std::size_t(start)] == start) {
            continue;
        }
        std::memcpy(scratch.data(), rows + std::size_t(start) * width, width);
        int at = start;
        for (;;) {
            done[std::size_t(at)] = true;
            const int from = source[std::size_t(at)];
            if (from == start) {
                std::memcpy(rows + std::size_t(at) * width, scratch.data(), width);
                break;
            }
            std::memcpy(rows + std::size_t(at) * width, rows + std::size_t(from) * width, width);
            at = from;
        }
    }
}

} // namespace

// Reads one extension past its data; a graphic control extension's fields are kept for the
// image that follows. Nothing else is kept, so a file of many small blocks costs no memory.
void TGifFile::readExtension(Cursor& in, TGraphicControl& control) {
    std::uint8_t label = 0;
    if (!in.byte(label)) {
        return;
    }
    std::uint8_t fixed[13];
    switch (label) {
    case 0xF9:
        in.read(fixed, 6);
        control.disposal = (fixed[1] >> 2) & 7;
        control.transparent = (fixed[1] & 1) != 0;
        control.transparentIndex = fixed[4];
        break;
    case 0x01:
        in.read(fixed, 13);
        in.subBlocks();
        break;
    case 0xFF:
        in.read(fixed, 12);
        in.subBlocks();
        break;
    case 0xFE:
        in.subBlocks();
        break;
    default: {
        char code[3];
        std::snprintf(code, sizeof code, "%02X", label);
        throw EGifException(std::string("Unrecognized extension block.\r\nCode = $") + code);
    }
    }
}

void TGifFile::readImage(Cursor& in, const TGraphicControl& control,
                         const GifRowProgress& progress) {
    TGifSubImage image;
    std::uint8_t d[9];
    in.read(d, sizeof d);
    image.left = le16(d);
    image.top = le16(d + 2);
    image.width = le16(d + 4);
    image.height = le16(d + 6);
    image.flags = d[8];
    // An image's table starts as a table made for the global table's colour count.
    image.localTable = TColorTable(globalTable.count());
    image.localTable.setCount(TColorTable::CountFromSizeCode(image.flags));
    if (image.hasLocalTable()) {
        std::uint8_t rgb[256 * 3];
        in.read(rgb, std::size_t(image.localTable.count()) * 3);
        for (int i = 0; i < image.localTable.count(); ++i) {
            image.localTable[i] = {rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]};
        }
    }
    image.disposal = control.disposal;
    image.transparent = control.transparent;
    image.transparentIndex = control.transparentIndex;

    // The pixel matrix: a byte array's count is at most 2^31 - 1, and every image stays within
    // the picture budget, checked before anything is reserved. The first image decodes
    // straight into its matrix (interlaced rows are put in place afterwards); every later
    // image into the one reused frame buffer.
    const std::int64_t area = std::int64_t{image.width} * image.height;
    if (area > std::numeric_limits<std::int32_t>::max()) {
        throw ENotEnoughMemory(static_cast<std::uint64_t>(area));
    }
    if (area > kMaxPicturePixels) {
        throw EOutOfMemory();
    }
    const bool first = imageCount == 0;
    // The decoder may run one partial row past the image and write a few bytes beyond.
    const std::size_t slack = std::size_t(image.width) + kDecodeSlack;
    std::uint8_t* target;
    if (first) {
        image.pixels = TByteArray2D(image.width, image.height, slack);
        target = image.pixels.bytes().data();
    } else {
        if (area > frameBytes_ || std::int64_t(slack) > frameSlack_ || frame_.data() == nullptr) {
            frameBytes_ = std::max(area, frameBytes_);
            frameSlack_ = std::max(std::int64_t(slack), frameSlack_);
            frame_ = TBigByteArray();
            frame_ = TBigByteArray(frameBytes_, std::size_t(frameSlack_));
        }
        target = frame_.data();
    }

    std::uint8_t codeSize = 0;
    in.byte(codeSize);
    image.minCodeSize = codeSize;
    image.compressed.first = in.p;
    in.subBlocks();
    image.compressed.end = in.p;

    const GifRowProgress none;
    const LzwDecoded decoded =
        DecodeLzw(image.compressed.first, image.compressed.end, image.minCodeSize, target,
                  image.width, image.height, image.height > 200 ? progress : none);
    if (decoded.result != LzwResult::Ok) {
        ThrowDecodeFailure(decoded.result);
    }
    const std::int64_t written = decoded.written;

    if (first) {
        // Only complete rows go into the picture; rows never filled read as colour index 0.
        const std::int64_t completeRows =
            image.width > 0 ? std::min<std::int64_t>(written / image.width, image.height) : 0;
        const std::int64_t kept = completeRows * image.width;
        const std::int64_t dirtyEnd =
            std::min<std::int64_t>(written + std::int64_t(kDecodeSlack), area);
        if (dirtyEnd > kept) {
            std::memset(target + kept, 0, std::size_t(dirtyEnd - kept));
        }
        if (image.interlaced() && completeRows > 0) {
            PutInterlacedRows(image.pixels, int(completeRows));
        }
    }

    ++imageCount;
    if (first) {
        images.push_back(std::move(image));
    }
}

void TGifFile::Read(const std::uint8_t* data, std::size_t size, const GifRowProgress& progress) {
    Cursor in{data, data + size};
    std::uint8_t header[6];
    in.read(header, sizeof header);
    version.assign(reinterpret_cast<const char*>(header + 3), 3);
    if (version != "87a" && version != "89a" && version != "87A" && version != "89A") {
        throw EGifException("Gif Version must be 87a or 89a");
    }
    std::uint8_t screen[7];
    in.read(screen, sizeof screen);
    screenWidth = le16(screen);
    screenHeight = le16(screen + 2);
    screenFlags = screen[4];
    backgroundIndex = screen[5];
    aspectRatio = screen[6];
    // The global table starts as black, white, then black, whatever its count.
    globalTable = TColorTable(2);
    globalTable.setCount(TColorTable::CountFromSizeCode(screenFlags));
    if ((screenFlags & 0x80) != 0) {
        std::uint8_t rgb[256 * 3];
        in.read(rgb, std::size_t(globalTable.count()) * 3);
        for (int i = 0; i < globalTable.count(); ++i) {
            globalTable[i] = {rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]};
        }
    }

    std::uint8_t b = 0;
    if (!in.byte(b)) {
        return;
    }
    TGraphicControl control;
    for (;;) {
        if (b == ';') {
            break;
        }
        while (b == '!') {
            readExtension(in, control);
            if (!in.byte(b)) {
                return;
            }
        }
        if (b == ',') {
            readImage(in, control, progress);
            control = TGraphicControl();
            if (!in.byte(b)) {
                b = ';';
            }
            continue;
        }
        // A byte that begins no known block ends the reading without error.
        break;
    }
}

GifPicture TGifFile::TakePicture() {
    if (images.empty()) {
        throw EListIndexError(0);
    }
    TGifSubImage& image = images.front();
    GifPicture picture;
    picture.width = image.width;
    picture.height = image.height;
    picture.palette = image.hasLocalTable() ? image.localTable.entries() : globalTable.entries();
    picture.pixels = std::move(image.pixels.bytes());
    image.pixels = TByteArray2D();
    return picture;
}

GifPicture ReadGifPicture(const std::uint8_t* data, std::size_t size,
                          const GifRowProgress& progress) {
    TGifFile file;
    file.Read(data, size, progress);
    return file.TakePicture();
}

} // namespace tamberlin
