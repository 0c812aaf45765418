#include "imaging/lzw.h"

#include <algorithm>
#include <cstring>

namespace tamberlin {

// Every table entry is a string that already lies in the output: a new code is the previous
// code's string followed by the first pixel of the current one, and those bytes sit side by
// side in the output. So an entry keeps where its string starts, its length, and its first
// eight bytes; a string of up to eight pixels (most of them) is written with one 8-byte store
// and never read back from the output, and a longer one copies the rest from earlier output
// in 16-byte moves. Codes are read from a window that gathers the sub-blocks, 64 bits at a
// time. The hot state lives in locals; the rare paths (a refill of the window, a clear code,
// a full table, a reported row, a failure) leave the loop.

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

} // namespace

LzwDecoded DecodeLzw(const std::uint8_t* chain, const std::uint8_t* chainEnd, int minCodeSize,
                     std::uint8_t* out, int width, int height, const LzwRowProgress& progress) {
    if (minCodeSize < 2 || minCodeSize > 9) {
        return {LzwResult::BadCodeSize, 0};
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
    LzwResult failure = LzwResult::Ok;
    // The first code after clear codes (or at the start): one pixel, no new entry; a code
    // from the end code upwards is taken as 0. False when the pixel passes the image.
    auto firstCode = [&]() __attribute__((always_inline))->bool {
        const std::uint32_t c = code > endCode ? 0 : code;
        if (1 >= stopAt - out) {
            failure = LzwResult::RowsOverflow;
            return false;
        }
        *out = static_cast<std::uint8_t>(c & 0xFF);
        prevHead = c & 0xFF;
        prevLen = 1;
        ++out;
        return true;
    };
    // After a clear code: skips further ones and handles the first code. False at the end of
    // the data or on a failure (which is then set).
    auto afterClear = [&]() __attribute__((always_inline))->bool {
        reset();
        do {
            if (!readCode()) {
                return false;
            }
        } while (code == clear);
        if (code == endCode) {
            failure = LzwResult::BadCode;
            return false;
        }
        return firstCode();
    };

    // Decoding starts in the state a clear code sets up.
    if (!readCode() || code == endCode) {
        return {LzwResult::Ok, 0};
    }
    if (!(code == clear ? afterClear() : firstCode())) {
        return {failure, out - base};
    }

    while (readCode()) {
        if (code > nextFree) [[unlikely]] {
            failure = LzwResult::BadCode;
            break;
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
                failure = LzwResult::RowsOverflow;
                break;
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
                    failure = LzwResult::CodeSizeOverflow;
                    break;
                }
                if (!afterClear()) {
                    break;
                }
            }
        }
    }
    if (failure == LzwResult::Ok && reportRows) {
        reportRowsUpTo(out);
    }
    return {failure, out - base};
}

#undef TAMBERLIN_INLINE

} // namespace tamberlin
