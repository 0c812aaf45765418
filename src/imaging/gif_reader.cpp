#include "imaging/gif_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace tamberlin {

EIndexOutOfBounds::EIndexOutOfBounds() : TamberlinError("Dynamic array index out of bounds") {}

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

// ---- The LZW decoder ----
//
// Every table entry is a string that already lies in the output: a new code is the previous
// code's string followed by the first pixel of the current one, and those bytes sit side by
// side in the output. So an entry keeps only where its string starts and how long it is, and
// emitting a code is one forward copy from earlier output (short strings in one 16-byte move).
// The root codes point into a fixed table of the 256 byte values.

namespace {

struct alignas(64) RootBytes {
    std::uint8_t bytes[256 + kDecodeSlack];
    constexpr RootBytes() : bytes() {
        for (int i = 0; i < 256; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i);
        }
    }
};
constexpr RootBytes kRootBytes;

constexpr int kMaxCodes = 4096;

// Reads codes least significant bit first from a chain of data sub-blocks, 32 bits at a time
// while the current sub-block has four bytes left.
class CodeReader {
public:
    CodeReader(const std::uint8_t* chain, const std::uint8_t* chainEnd)
        : p_(chain), blockEnd_(chain), chainEnd_(chainEnd) {}

    // Makes at least `need` bits available; false when the data runs out first.
    bool fill(int need) {
        if (blockEnd_ - p_ >= 4) {
            std::uint32_t v;
            std::memcpy(&v, p_, 4);
            bits_ |= std::uint64_t{le32(v)} << nbits_;
            nbits_ += 32;
            p_ += 4;
            return true;
        }
        while (nbits_ < need) {
            if (p_ == blockEnd_) {
                if (done_ || p_ >= chainEnd_) {
                    return false;
                }
                const std::uint8_t length = *p_++;
                if (length == 0) {
                    done_ = true;
                    return false;
                }
                blockEnd_ = p_ + std::min<std::ptrdiff_t>(length, chainEnd_ - p_);
                continue;
            }
            bits_ |= std::uint64_t{*p_++} << nbits_;
            nbits_ += 8;
        }
        return true;
    }

    std::uint64_t bits_ = 0;
    int nbits_ = 0;

private:
    static std::uint32_t le32(std::uint32_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        return __builtin_bswap32(v);
#else
        return v;
#endif
    }
    const std::uint8_t* p_;
    const std::uint8_t* blockEnd_;
    const std::uint8_t* chainEnd_;
    bool done_ = false;
};

// Copies `len` bytes from earlier output `src` to `dst`; the ranges overlap only when the
// string repeats its own start (a code equal to the next free code).
inline void EmitString(std::uint8_t* dst, const std::uint8_t* src, std::uint32_t len) {
    const std::uintptr_t distance =
        reinterpret_cast<std::uintptr_t>(dst) - reinterpret_cast<std::uintptr_t>(src);
    if (len <= 16 && distance >= 16) {
        std::memcpy(dst, src, 16);
    } else if (distance >= len) {
        std::memcpy(dst, src, len);
    } else {
        for (std::uint32_t i = 0; i < len; ++i) {
            dst[i] = src[i];
        }
    }
}

} // namespace

std::int64_t DecodeLzw(const std::uint8_t* chain, const std::uint8_t* chainEnd, int minCodeSize,
                       std::uint8_t* out, int width, int height, const GifRowProgress& progress) {
    if (minCodeSize < 2 || minCodeSize > 9) {
        throw EGifException("Bad code Size");
    }
    const std::uint32_t clear = 1u << minCodeSize;
    const std::uint32_t endCode = clear + 1;

    // A complete row beyond the last one is an error, so the output never reaches
    // width * (height + 1) pixels; an image of width 0 takes no pixel at all.
    const std::int64_t stop = std::max<std::int64_t>(std::int64_t{width} * (height + 1), 1);
    std::uint8_t* const base = out;
    std::uint8_t* const stopAt = base + stop;

    const bool reportRows = progress && height > 200 && width > 0;
    int rowsDone = 0;
    std::uint8_t* rowMark = reportRows ? base + width : stopAt;

    const std::uint8_t* entry[kMaxCodes];
    std::uint16_t length[kMaxCodes];
    for (std::uint32_t c = 0; c < clear; ++c) {
        entry[c] = &kRootBytes.bytes[c & 0xFF];
        length[c] = 1;
    }

    CodeReader in(chain, chainEnd);
    std::uint64_t bits = 0;
    int nbits = 0;
    int codeLen = minCodeSize + 1;
    std::uint32_t mask = (1u << codeLen) - 1;
    std::uint32_t nextFree = endCode + 1;
    std::uint32_t limit = 1u << codeLen;
    const std::uint8_t* prevOut = nullptr;
    std::uint32_t prevLen = 0;

    auto overflow = [] { throw EIndexOutOfBounds(); };

    // Reads one code into `code`; false at the end of the data.
    auto readCode = [&](std::uint32_t& code) -> bool {
        if (nbits < codeLen) {
            in.bits_ = bits;
            in.nbits_ = nbits;
            const bool ok = in.fill(codeLen);
            bits = in.bits_;
            nbits = in.nbits_;
            if (!ok) {
                return false;
            }
        }
        code = static_cast<std::uint32_t>(bits) & mask;
        bits >>= codeLen;
        nbits -= codeLen;
        return true;
    };

    // The state a clear code sets up, then the first code after the clear codes (read by the
    // caller into `code`, which is not a clear code), output as one pixel.
    auto reset = [&] {
        codeLen = minCodeSize + 1;
        mask = (1u << codeLen) - 1;
        nextFree = endCode + 1;
        limit = 1u << codeLen;
    };
    auto firstCode = [&](std::uint32_t code) {
        if (code > endCode) {
            code = 0;
        }
        if (out + 1 >= stopAt) {
            overflow();
        }
        *out = static_cast<std::uint8_t>(code & 0xFF);
        prevOut = out;
        prevLen = 1;
        ++out;
    };
    // After clear codes: skips further ones and handles the first code. False at the end.
    auto afterClear = [&]() -> bool {
        std::uint32_t code;
        do {
            if (!readCode(code)) {
                return false;
            }
        } while (code == clear);
        if (code == endCode) {
            throw EGifException("Bad code");
        }
        firstCode(code);
        return true;
    };

    // The first code of the data: decoding starts in the state a clear code sets up.
    {
        std::uint32_t code;
        if (!readCode(code) || code == endCode) {
            return 0;
        }
        if (code == clear) {
            if (!afterClear()) {
                return out - base;
            }
        } else {
            firstCode(code);
        }
    }

    for (;;) {
        if (nbits < codeLen) {
            in.bits_ = bits;
            in.nbits_ = nbits;
            const bool ok = in.fill(codeLen);
            bits = in.bits_;
            nbits = in.nbits_;
            if (!ok) {
                break;
            }
        }
        const std::uint32_t code = static_cast<std::uint32_t>(bits) & mask;
        bits >>= codeLen;
        nbits -= codeLen;

        if (code < clear || (code > endCode && code <= nextFree)) [[likely]] {
            // The new entry: the previous string and the first pixel of this one. For a code
            // equal to the next free code that entry is this code's own string.
            entry[nextFree] = prevOut;
            length[nextFree] = static_cast<std::uint16_t>(prevLen + 1);
            const std::uint8_t* src = entry[code];
            const std::uint32_t len = length[code];
            if (static_cast<std::ptrdiff_t>(len) >= stopAt - out) [[unlikely]] {
                overflow();
            }
            EmitString(out, src, len);
            prevOut = out;
            prevLen = len;
            out += len;
            if (++nextFree == limit) [[unlikely]] {
                if (codeLen < 12) {
                    ++codeLen;
                    mask = (mask << 1) | 1;
                    limit <<= 1;
                } else {
                    // The table is full: only a clear code may follow.
                    std::uint32_t next;
                    if (!readCode(next)) {
                        break;
                    }
                    if (next != clear) {
                        throw EGifException("Code size overflow");
                    }
                    reset();
                    if (!afterClear()) {
                        break;
                    }
                }
            }
            if (out >= rowMark) [[unlikely]] {
                const int rows =
                    static_cast<int>(std::min<std::int64_t>((out - base) / width, height));
                while (rowsDone < rows) {
                    progress(++rowsDone, height);
                }
                rowMark = rowsDone < height ? base + std::int64_t{rowsDone + 1} * width : stopAt;
            }
        } else if (code == clear) {
            reset();
            if (!afterClear()) {
                break;
            }
        } else if (code == endCode) {
            break;
        } else {
            throw EGifException("Bad code");
        }
    }
    if (reportRows) {
        const int rows = static_cast<int>(std::min<std::int64_t>((out - base) / width, height));
        while (rowsDone < rows) {
            progress(++rowsDone, height);
        }
    }
    return out - base;
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
    // Skips a chain of data sub-blocks, appending its bytes to `into` when given.
    void subBlocks(std::string* into) {
        while (p < end) {
            const std::size_t length = *p++;
            if (length == 0) {
                return;
            }
            const std::size_t take = std::min<std::size_t>(length, std::size_t(end - p));
            if (into != nullptr) {
                into->append(reinterpret_cast<const char*>(p), take);
            }
            p += take;
        }
    }
};

namespace {

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

} // namespace

void TGifFile::readExtension(Cursor& in, TExtensionList& list) {
    std::uint8_t label = 0;
    if (!in.byte(label)) {
        return;
    }
    TExtension ext;
    auto fixed = [&](std::size_t n) {
        ext.fixed.assign(n, '\0');
        in.read(ext.fixed.data(), n);
    };
    switch (label) {
    case 0xF9:
        ext.kind = ExtensionKind::GraphicControl;
        fixed(6);
        break;
    case 0x01:
        ext.kind = ExtensionKind::PlainText;
        fixed(13);
        in.subBlocks(&ext.data);
        break;
    case 0xFF:
        ext.kind = ExtensionKind::Application;
        fixed(12);
        in.subBlocks(&ext.data);
        break;
    case 0xFE:
        ext.kind = ExtensionKind::Comment;
        in.subBlocks(&ext.data);
        break;
    default: {
        char code[3];
        std::snprintf(code, sizeof code, "%02X", label);
        throw EGifException(std::string("Unrecognized extension block.\r\nCode = $") + code);
    }
    }
    list.push_back(std::move(ext));
}

void TGifFile::readImage(Cursor& in, TExtensionList&& extensions, const GifRowProgress& progress) {
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
    for (const TExtension& ext : extensions) {
        if (ext.kind == ExtensionKind::GraphicControl) {
            const auto packed = static_cast<std::uint8_t>(ext.fixed[1]);
            image.disposal = (packed >> 2) & 7;
            image.transparent = (packed & 1) != 0;
            image.transparentIndex = static_cast<std::uint8_t>(ext.fixed[4]);
        }
    }

    // The pixel matrix: a byte array's count is at most 2^31 - 1, and the pixel buffers of a
    // load (the first image and the one reused frame buffer) stay within kMaxGifPixelBytes.
    const std::int64_t area = std::int64_t{image.width} * image.height;
    if (area > std::numeric_limits<std::int32_t>::max()) {
        throw ENotEnoughMemory(static_cast<std::uint64_t>(area));
    }
    const bool first = imageCount == 0;
    const bool direct = first && !image.interlaced();
    const std::int64_t firstArea =
        first ? area : std::int64_t{images.front().width} * images.front().height;
    const std::int64_t frameArea = direct ? frameBytes_ : std::max(frameBytes_, area);
    if (static_cast<std::uint64_t>(firstArea + frameArea) > kMaxGifPixelBytes) {
        throw EOutOfMemory();
    }
    // The decoder may run one partial row past the image and write a few bytes beyond.
    const std::size_t slack = std::size_t(image.width) + kDecodeSlack;
    std::uint8_t* target;
    if (direct) {
        image.pixels = TByteArray2D(image.width, image.height, slack);
        target = image.pixels.bytes().data();
    } else {
        if (first) {
            image.pixels = TByteArray2D(image.width, image.height);
        }
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
    in.subBlocks(nullptr);
    image.compressed.end = in.p;

    const GifRowProgress none;
    const std::int64_t written =
        DecodeLzw(image.compressed.first, image.compressed.end, image.minCodeSize, target,
                  image.width, image.height, image.height > 200 ? progress : none);

    // Only complete rows go into the picture; rows never filled read as colour index 0.
    const std::int64_t completeRows =
        image.width > 0 ? std::min<std::int64_t>(written / image.width, image.height) : 0;
    const std::int64_t kept = completeRows * image.width;
    if (direct) {
        const std::int64_t dirtyEnd =
            std::min<std::int64_t>(written + std::int64_t(kDecodeSlack), area);
        if (dirtyEnd > kept) {
            std::memset(target + kept, 0, std::size_t(dirtyEnd - kept));
        }
    } else if (first) {
        ForEachInterlacedRow(image.height, [&](int k, int row) {
            if (k < completeRows) {
                image.pixels.putRow(row + 1, target + std::size_t(k) * std::size_t(image.width));
            }
        });
    }

    ++imageCount;
    if (first) {
        image.extensions = std::move(extensions);
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
    TExtensionList extensions;
    for (;;) {
        if (b == ';') {
            break;
        }
        while (b == '!') {
            readExtension(in, extensions);
            if (!in.byte(b)) {
                return;
            }
        }
        if (b == ',') {
            readImage(in, std::move(extensions), progress);
            extensions = TExtensionList();
            if (!in.byte(b)) {
                b = ';';
            }
            continue;
        }
        // A byte that begins no known block ends the reading without error; the extensions
        // just read are dropped.
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
