// Our GIF reader against giflib on thousands of generated files: the first image's colour
// indexes and its 256 palette entries must be equal. The files are made with a fixed seed by
// an encoder of the test's own and cover what real files hold: sizes from 1x1 to 600x600,
// global and local tables of every size (also shorter than the code size would need),
// interlaced rows, several frames, smooth (quantized photograph), noisy and flat pictures,
// minimum code sizes 2 to 8, clear codes at every table fill and the full 12-bit table.

#include "imaging/gif_compare.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace tamberlin;
using tamberlin::testing::ReadWithGiflib;

namespace {

using Bytes = std::vector<std::uint8_t>;

// GIF's LZW with the code widths a decoder follows. Besides the clear code that a full table
// needs, a clear code comes whenever the table reaches `clearAt` entries, a fill drawn anew
// after each clear.
class LzwEncoder {
public:
    LzwEncoder(int minCodeSize, std::mt19937& rng, bool earlyClears)
        : minSize_(minCodeSize), clear_(1u << minCodeSize), rng_(rng), earlyClears_(earlyClears) {}

    Bytes encode(const std::vector<std::uint8_t>& pixels) {
        out_.clear();
        if (rng_() % 8 != 0) {
            emit(clear_); // most writers start with a clear code, not all
        }
        resetTable();
        std::int32_t w = -1;
        for (const std::uint8_t p : pixels) {
            if (w < 0) {
                w = p;
                continue;
            }
            const std::int32_t found = find(std::uint32_t(w), p);
            if (found >= 0) {
                w = found;
                continue;
            }
            emit(std::uint32_t(w));
            if (next_ < 4096) {
                add(std::uint32_t(w), p);
            }
            // At 4096 entries the clear code comes at once, or after one more code, which
            // fills the decoder's table to its 4096 codes.
            if (next_ == 4096 && !waited_ && rng_() % 2 == 0) {
                waited_ = true;
            } else if (next_ == 4096 || next_ >= clearAt_) {
                emit(clear_);
                if (rng_() % 16 == 0) {
                    emit(clear_); // a second clear code in a row is skipped
                }
                resetTable();
            }
            w = p;
        }
        if (w >= 0) {
            emit(std::uint32_t(w));
        }
        emit(clear_ + 1);
        if (nbits_ > 0) {
            out_.push_back(std::uint8_t(acc_));
        }
        return out_;
    }

private:
    void resetTable() {
        ++generation_;
        waited_ = false;
        next_ = clear_ + 2;
        clearAt_ = earlyClears_ ? clear_ + 2 + rng_() % (4097 - (clear_ + 2)) : 4096;
    }
    static std::uint32_t slot(std::uint32_t prefix, std::uint8_t p) {
        return ((prefix << 8) ^ p ^ (prefix >> 4) * 0x9E37u) & (kSlots - 1);
    }
    std::int32_t find(std::uint32_t prefix, std::uint8_t p) const {
        const std::uint32_t key = (prefix << 8) | p;
        for (std::uint32_t s = slot(prefix, p);; s = (s + 1) & (kSlots - 1)) {
            if (gen_[s] != generation_) {
                return -1;
            }
            if (key_[s] == key) {
                return std::int32_t(code_[s]);
            }
        }
    }
    void add(std::uint32_t prefix, std::uint8_t p) {
        std::uint32_t s = slot(prefix, p);
        while (gen_[s] == generation_) {
            s = (s + 1) & (kSlots - 1);
        }
        gen_[s] = generation_;
        key_[s] = (prefix << 8) | p;
        code_[s] = std::uint16_t(next_++);
    }
    // Writes a code at the width the decoder reads it, then follows the decoder's table.
    void emit(std::uint32_t code) {
        acc_ |= std::uint64_t{code} << nbits_;
        nbits_ += width_;
        while (nbits_ >= 8) {
            out_.push_back(std::uint8_t(acc_));
            acc_ >>= 8;
            nbits_ -= 8;
        }
        if (code == clear_) {
            width_ = minSize_ + 1;
            decoderNext_ = clear_ + 2;
            firstAfterClear_ = true;
            return;
        }
        if (code == clear_ + 1) {
            return;
        }
        if (firstAfterClear_) {
            firstAfterClear_ = false;
            return;
        }
        if (decoderNext_ < 4096 && ++decoderNext_ == (1u << width_) && width_ < 12) {
            ++width_;
        }
    }

    static constexpr std::uint32_t kSlots = 8192;
    int minSize_;
    std::uint32_t clear_;
    std::mt19937& rng_;
    bool earlyClears_;
    Bytes out_;
    std::uint64_t acc_ = 0;
    int nbits_ = 0;
    int width_ = minSize_ + 1;
    std::uint32_t decoderNext_ = clear_ + 2;
    bool firstAfterClear_ = true;
    std::uint32_t next_ = 0;
    std::uint32_t clearAt_ = 4096;
    bool waited_ = false;
    std::uint32_t generation_ = 0;
    std::vector<std::uint32_t> gen_ = std::vector<std::uint32_t>(kSlots, 0);
    std::vector<std::uint32_t> key_ = std::vector<std::uint32_t>(kSlots, 0);
    std::vector<std::uint16_t> code_ = std::vector<std::uint16_t>(kSlots, 0);
};

int Below(std::mt19937& rng, int n) {
    return int(rng() % std::uint32_t(n));
}

// A picture's colour indexes below `colours`: a smooth field like a quantized photograph,
// noise, flat areas, or flat areas with noise.
std::vector<std::uint8_t> Picture(std::mt19937& rng, int w, int h, int colours) {
    std::vector<std::uint8_t> px(std::size_t(w) * std::size_t(h));
    const int kind = Below(rng, 4);
    const int fx = 1 + Below(rng, 7), fy = 1 + Below(rng, 7);
    const int rect = 1 + Below(rng, 40);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int v = 0;
            switch (kind) {
            case 0: // smooth: a gradient with a little dither, as quantizers leave it
                v = (x * fx + y * fy) * colours / (w * fx + h * fy) + Below(rng, 3) - 1;
                break;
            case 1:
                v = Below(rng, colours);
                break;
            case 2:
                v = ((x / rect) * 7 + (y / rect) * 13) % colours;
                break;
            default:
                v = Below(rng, 5) == 0 ? Below(rng, colours) : ((x / rect) + (y / rect)) % colours;
                break;
            }
            px[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
                std::uint8_t(std::clamp(v, 0, colours - 1));
        }
    }
    return px;
}

void Put16(Bytes& to, int v) {
    to.push_back(std::uint8_t(v));
    to.push_back(std::uint8_t(v >> 8));
}

void PutTable(Bytes& to, std::mt19937& rng, int count) {
    for (int i = 0; i < count * 3; ++i) {
        to.push_back(std::uint8_t(rng()));
    }
}

void PutSubBlocks(Bytes& to, const Bytes& data, std::mt19937& rng) {
    const std::size_t most = Below(rng, 4) == 0 ? 1 + std::size_t(Below(rng, 255)) : 255;
    for (std::size_t i = 0; i < data.size(); i += most) {
        const std::size_t n = std::min(most, data.size() - i);
        to.push_back(std::uint8_t(n));
        to.insert(to.end(), data.begin() + std::ptrdiff_t(i), data.begin() + std::ptrdiff_t(i + n));
    }
    to.push_back(0);
}

std::vector<int> InterlacedOrder(int h) {
    std::vector<int> rows;
    for (const auto& [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
        for (int r = start; r < h; r += step) {
            rows.push_back(r);
        }
    }
    return rows;
}

int SizeCodeFor(int count) {
    int code = 0;
    while ((2 << code) < count) {
        ++code;
    }
    return code;
}

struct Case {
    Bytes file;
    std::string what;
};

// One generated file; `n` picks the size range, so small files are many and large ones few.
Case MakeGif(std::mt19937& rng, int n) {
    int w = 0, h = 0;
    if (n == 0) {
        w = h = 1;
    } else if (n == 1) {
        w = h = 600;
    } else if (n % 40 == 0) {
        w = 1 + Below(rng, 600), h = 1 + Below(rng, 600);
    } else if (n % 4 == 0) {
        w = 1 + Below(rng, 200), h = 1 + Below(rng, 200);
    } else {
        w = 1 + Below(rng, 48), h = 1 + Below(rng, 48);
    }
    const int frames = 1 + (Below(rng, 3) == 0 ? Below(rng, 5) : 0);
    const bool global = Below(rng, 5) != 0;
    const int globalCode = Below(rng, 8);
    const int globalCount = 2 << globalCode;

    Bytes out = {'G', 'I', 'F', '8', Below(rng, 2) != 0 ? std::uint8_t('9') : std::uint8_t('7'),
                 'a'};
    Put16(out, w);
    Put16(out, h);
    out.push_back(std::uint8_t((global ? 0x80 : 0) | 0x70 | globalCode));
    out.push_back(0);
    out.push_back(0);
    if (global) {
        PutTable(out, rng, globalCount);
    }
    std::string what =
        std::to_string(w) + "x" + std::to_string(h) + ", " + std::to_string(frames) + " frame(s)";
    for (int f = 0; f < frames; ++f) {
        if (Below(rng, 3) == 0) {
            out.insert(out.end(),
                       {0x21, 0xF9, 4, std::uint8_t(Below(rng, 2)), 10, 0, std::uint8_t(rng()), 0});
        }
        if (Below(rng, 8) == 0) {
            out.insert(out.end(), {0x21, 0xFE});
            // (giflib misreads a comment without any data sub-block)
            PutSubBlocks(out, Bytes(1 + std::size_t(Below(rng, 600)), 'c'), rng);
        }
        const int fw = f == 0 ? w : 1 + Below(rng, w);
        const int fh = f == 0 ? h : 1 + Below(rng, h);
        const int left = f == 0 ? 0 : Below(rng, w - fw + 1);
        const int top = f == 0 ? 0 : Below(rng, h - fh + 1);
        const bool local = Below(rng, 3) == 0 || (!global && Below(rng, 4) != 0);
        const int localCode = Below(rng, 8);
        const bool interlaced = Below(rng, 3) == 0;
        out.push_back(',');
        Put16(out, left);
        Put16(out, top);
        Put16(out, fw);
        Put16(out, fh);
        out.push_back(
            std::uint8_t((local ? 0x80 | localCode : Below(rng, 8)) | (interlaced ? 0x40 : 0)));
        if (local) {
            PutTable(out, rng, 2 << localCode);
        }
        // The code size fits the table, or is larger (a small table read with wide codes),
        // and the pixels may use indexes past the table's end.
        const int tableCount = local ? 2 << localCode : globalCount;
        int minSize = std::max(2, SizeCodeFor(tableCount) + 1);
        if (Below(rng, 4) == 0) {
            minSize = 2 + Below(rng, 7);
        }
        const int colours = Below(rng, 6) == 0 ? 1 << minSize : std::min(tableCount, 1 << minSize);
        const std::vector<std::uint8_t> pixels = Picture(rng, fw, fh, colours);
        std::vector<std::uint8_t> stream;
        stream.reserve(pixels.size());
        if (interlaced) {
            for (const int row : InterlacedOrder(fh)) {
                stream.insert(stream.end(), pixels.begin() + std::ptrdiff_t(row) * fw,
                              pixels.begin() + std::ptrdiff_t(row + 1) * fw);
            }
        } else {
            stream = pixels;
        }
        LzwEncoder lzw(minSize, rng, Below(rng, 2) == 0);
        out.push_back(std::uint8_t(minSize));
        PutSubBlocks(out, lzw.encode(stream), rng);
        if (f == 0) {
            what += std::string(local ? ", local " : ", global ") + std::to_string(tableCount) +
                    " colours, code size " + std::to_string(minSize) +
                    (interlaced ? ", interlaced" : "");
        }
    }
    out.push_back(';');
    return {std::move(out), what};
}

} // namespace

TEST(GifDifferential, GeneratedFilesMatchGiflib) {
    std::mt19937 rng(20261207);
    constexpr int kFiles = 2400;
    int compared = 0;
    for (int n = 0; n < kFiles; ++n) {
        const Case c = MakeGif(rng, n);
        const auto theirs = ReadWithGiflib(c.file.data(), c.file.size());
        ASSERT_TRUE(theirs.ok) << "giflib refuses generated file " << n << " (" << c.what
                               << "): error " << theirs.error;
        GifPicture ours;
        try {
            ours = ReadGifPicture(c.file.data(), c.file.size());
        } catch (const std::exception& e) {
            FAIL() << "file " << n << " (" << c.what << "): " << e.what();
        }
        ASSERT_EQ(ours.width, theirs.width) << "file " << n;
        ASSERT_EQ(ours.height, theirs.height) << "file " << n;
        for (std::size_t i = 0; i < 256; ++i) {
            ASSERT_EQ(ours.palette[i], theirs.palette[i])
                << "file " << n << " (" << c.what << "), palette entry " << i;
        }
        const std::size_t count = std::size_t(ours.width) * std::size_t(ours.height);
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(ours.pixels.data()[i], theirs.indexes[i])
                << "file " << n << " (" << c.what << "), pixel " << i % std::size_t(ours.width)
                << "," << i / std::size_t(ours.width);
        }
        ++compared;
    }
    EXPECT_EQ(compared, kFiles);
}
