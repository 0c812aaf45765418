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
// side in the output. So an entry keeps where its string starts, its length, and its first
// eight bytes; a string of up to eight pixels (most of them) is written with one 8-byte store
// and never read back from the output, and a longer one copies the rest from earlier output
// in 16-byte moves. Codes are read 32 bits at a time while the current sub-block holds four
// more bytes. The hot state lives in locals; the rare paths (a new sub-block, a clear code,
// a full table, a stored row) leave the loop.

namespace {

#define TAMBERLIN_INLINE __attribute__((always_inline)) inline

constexpr int kMaxCodes = 4096;

// Gathers the bytes of a sub-block chain into a small window, so that the decoder reads them
// as one contiguous sequence, 64 bits at a time, without minding the length bytes. The chain
// ends at a length byte of 0 or at the end of the data; a sub-block cut short by the end of
// the data gives the bytes that are there.
class ChainWindow {
public:
    static constexpr std::size_t kSize = 16384;
    ChainWindow(const std::uint8_t* chain, const std::uint8_t* chainEnd)
        : next_(chain), chainEnd_(chainEnd) {}

    // Keeps the unread bytes [p, end), moves them to the front and appends more of the chain.
    // Returns the new read position; `end` becomes the end of the window's bytes.
    const std::uint8_t* refill(const std::uint8_t* p, const std::uint8_t*& end) {
        const std::size_t keep = std::size_t(end - p);
        if (keep > 0) {
            std::memmove(bytes_, p, keep);
        }
        std::size_t size = keep;
        while (size < kSize && !done_) {
            if (blockLeft_ == 0) {
                if (next_ >= chainEnd_ || *next_ == 0) {
                    done_ = true;
                    break;
                }
                const std::size_t length = *next_++;
                blockLeft_ = std::min<std::size_t>(length, std::size_t(chainEnd_ - next_));
                continue;
            }
            const std::size_t take = std::min(blockLeft_, kSize - size);
            std::memcpy(bytes_ + size, next_, take);
            next_ += take;
            blockLeft_ -= take;
            size += take;
        }
        std::memset(bytes_ + size, 0, 8);
        end = bytes_ + size;
        return bytes_;
    }
    // The first bytes of the chain.
    const std::uint8_t* start(const std::uint8_t*& end) {
        end = bytes_;
        return refill(bytes_, end);
    }
    bool done() const { return done_; }

private:
    std::uint8_t bytes_[kSize + 8];
    const std::uint8_t* next_;
    const std::uint8_t* chainEnd_;
    std::size_t blockLeft_ = 0;
    bool done_ = false;
};

struct BitState {
    std::uint64_t bits;
    int nbits;
    const std::uint8_t* p;
    const std::uint8_t* end;
    bool ok;
};

TAMBERLIN_INLINE std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// Fewer than eight bytes left in the window: refill it, then read whole words again or, at
// the end of the chain, single bytes until `need` bits are there.
[[gnu::noinline]] BitState FillSlow(BitState s, ChainWindow& window, int need) {
    if (!window.done()) {
        s.p = window.refill(s.p, s.end);
    }
    if (s.end - s.p >= 8) {
        s.bits |= Load64(s.p) << s.nbits;
        s.p += (63 - s.nbits) >> 3;
        s.nbits |= 56;
        s.ok = true;
        return s;
    }
    while (s.nbits < need && s.p < s.end) {
        s.bits |= std::uint64_t{*s.p++} << s.nbits;
        s.nbits += 8;
    }
    s.ok = s.nbits >= need;
    return s;
}

TAMBERLIN_INLINE void Store64(std::uint8_t* p, std::uint64_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    std::memcpy(p, &v, 8);
}

// Copies bytes 8 to len of a string from earlier output `src` to `dst`. The ranges overlap
// when the string repeats its own start (a code equal to the next free code).
[[gnu::noinline]] void CopyTail(std::uint8_t* dst, const std::uint8_t* src, std::uint32_t len) {
    const std::size_t distance = std::size_t(dst - src);
    std::uint32_t i = 8;
    if (distance >= 16) {
        for (; i < len; i += 16) {
            std::memcpy(dst + i, src + i, 16);
        }
    } else {
        for (; i < len; ++i) {
            dst[i] = src[i];
        }
    }
}

[[noreturn]] void RowsOverflow() {
    throw EIndexOutOfBounds();
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
    // One pointer serves both rare events of a write: reaching the end of the next row to
    // report, and running past the image.
    std::uint8_t* checkAt = reportRows ? std::min(base + width, stopAt) : stopAt;
    auto reportRowsUpTo = [&](const std::uint8_t* upTo) {
        const int rows = static_cast<int>(std::min<std::int64_t>((upTo - base) / width, height));
        while (rowsDone < rows) {
            progress(++rowsDone, height);
        }
        checkAt = rowsDone < height ? std::min(base + std::int64_t{rowsDone + 1} * width, stopAt)
                                    : stopAt;
    };
    // Where a string starts is kept as the low 32 bits of its address (the output is smaller
    // than 4 GiB), which needs no register for the output's start in the loop.
    const std::uint32_t baseLow =
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(base));

    std::uint64_t head[kMaxCodes];
    std::uint32_t where[kMaxCodes]; // where a string starts (low 32 bits of its address)
    std::uint16_t length[kMaxCodes];
    for (std::uint32_t c = 0; c < clear; ++c) {
        head[c] = c & 0xFF;
        where[c] = 0;
        length[c] = 1;
    }
    // The clear and end codes have length 0, which tells them apart from strings with the one
    // test the loop makes anyway. No entry is ever added in their slots.
    for (std::uint32_t c = clear; c <= endCode; ++c) {
        head[c] = 0;
        where[c] = 0;
        length[c] = 0;
    }

    std::uint64_t bits = 0;
    int nbits = 0;
    ChainWindow window(chain, chainEnd);
    const std::uint8_t* end = nullptr;
    const std::uint8_t* p = window.start(end);
    int codeLen = minCodeSize + 1;
    std::uint32_t mask = (1u << codeLen) - 1;
    std::uint32_t nextFree = endCode + 1;
    std::uint32_t limit = 1u << codeLen;
    std::uint64_t prevHead = 0;
    std::uint32_t prevLen = 0;
    std::uint32_t code = 0;

    // Reads one code; false at the end of the data. While the window holds eight more bytes
    // the bit buffer is topped up to 56 or more bits without a branch on how many it held.
    auto readCode = [&]() __attribute__((always_inline))->bool {
        if (end - p >= 8) [[likely]] {
            bits |= Load64(p) << nbits;
            p += (63 - nbits) >> 3;
            nbits |= 56;
        } else if (nbits < codeLen) {
            const BitState s = FillSlow({bits, nbits, p, end, true}, window, codeLen);
            bits = s.bits;
            nbits = s.nbits;
            p = s.p;
            end = s.end;
            if (!s.ok) {
                return false;
            }
        }
        code = static_cast<std::uint32_t>(bits) & mask;
        bits >>= codeLen;
        nbits -= codeLen;
        return true;
    };
    auto reset = [&]() __attribute__((always_inline)) {
        codeLen = minCodeSize + 1;
        mask = (1u << codeLen) - 1;
        nextFree = endCode + 1;
        limit = 1u << codeLen;
    };
    // The first code after clear codes (or at the start): one pixel, no new entry; a code
    // from the end code upwards is taken as 0.
    auto firstCode = [&]() __attribute__((always_inline)) {
        const std::uint32_t c = code > endCode ? 0 : code;
        if (1 >= stopAt - out) {
            RowsOverflow();
        }
        *out = static_cast<std::uint8_t>(c & 0xFF);
        prevHead = c & 0xFF;
        prevLen = 1;
        ++out;
    };
    // After a clear code: skips further ones and handles the first code. False at the end.
    auto afterClear = [&]() __attribute__((always_inline))->bool {
        reset();
        do {
            if (!readCode()) {
                return false;
            }
        } while (code == clear);
        if (code == endCode) {
            throw EGifException("Bad code");
        }
        firstCode();
        return true;
    };

    // Decoding starts in the state a clear code sets up.
    if (!readCode() || code == endCode) {
        return 0;
    }
    if (code == clear) {
        if (!afterClear()) {
            return out - base;
        }
    } else {
        firstCode();
    }

    while (readCode()) {
        if (code > nextFree) [[unlikely]] {
            throw EGifException("Bad code");
        }
        // The new entry: the previous string (the bytes just before `out`) and the first
        // pixel of this one. For a code equal to the next free code that entry is this code's
        // own string. For the clear and end codes the entry is written but not counted, and
        // the next string overwrites it.
        // (The slot of the next free code holds the previous head for a moment, so that a
        // code equal to it reads the previous string's first pixel without a branch.)
        head[nextFree] = prevHead;
        const std::uint64_t first = head[code] & 0xFF;
        // Branch-free: whether the previous string fills the eight bytes is data, not a
        // pattern the processor can predict.
        const std::uint64_t room = std::uint64_t{0} - std::uint64_t{prevLen < 8};
        head[nextFree] = prevHead | ((first << ((8 * prevLen) & 63)) & room);
        where[nextFree] =
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(out)) - prevLen;
        length[nextFree] = static_cast<std::uint16_t>(prevLen + 1);

        const std::uint32_t len = length[code];
        if (len == 0) [[unlikely]] {
            if (code == endCode) {
                break;
            }
            if (!afterClear()) {
                break;
            }
            continue;
        }
        const std::uint64_t h = head[code];
        if (static_cast<std::ptrdiff_t>(len) >= checkAt - out) [[unlikely]] {
            if (static_cast<std::ptrdiff_t>(len) >= stopAt - out) {
                RowsOverflow();
            }
            // The rows this string completes (it is written just below).
            reportRowsUpTo(out + len);
        }
        Store64(out, h);
        if (len > 8) [[unlikely]] {
            CopyTail(out, base + std::uint32_t(where[code] - baseLow), len);
        }
        prevHead = h;
        prevLen = len;
        out += len;
        if (++nextFree == limit) [[unlikely]] {
            if (codeLen < 12) {
                ++codeLen;
                mask = (mask << 1) | 1;
                limit <<= 1;
            } else {
                // The table is full: only a clear code may follow.
                if (!readCode()) {
                    break;
                }
                if (code != clear) {
                    throw EGifException("Code size overflow");
                }
                if (!afterClear()) {
                    break;
                }
            }
        }
    }
    if (reportRows) {
        reportRowsUpTo(out);
    }
    return out - base;
}

#undef TAMBERLIN_INLINE

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
    const std::int64_t written =
        DecodeLzw(image.compressed.first, image.compressed.end, image.minCodeSize, target,
                  image.width, image.height, image.height > 200 ? progress : none);

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
