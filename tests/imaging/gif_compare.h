#pragma once

// Our GIF reader's first image next to giflib's (DGifSlurp) for the same bytes: the colour
// indexes and the 256 palette entries the bitmap uses. Shared by the differential test and
// the differential fuzz target.

#include "imaging/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tamberlin::testing {

// giflib's reading of the first image, or ok == false when giflib refuses the file.
struct GiflibPicture {
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indexes;
    // The palette as the bitmap uses it: the image's local map if it has one, else the global
    // map, laid over the entries a table starts with (the reader's rule for entries the file
    // leaves unfilled).
    std::array<TRGB, 256> palette{};
    int error = 0; // giflib's error code when it refuses the file
};

namespace detail {

struct MemoryInput {
    const std::uint8_t* p;
    std::size_t left;
};

inline int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t take = std::min<std::size_t>(std::size_t(n), in->left);
    std::memcpy(buffer, in->p, take);
    in->p += take;
    in->left -= take;
    return int(take);
}

// The largest frame area in the file, found by walking its blocks (for giving giflib,
// which reserves every frame's pixels at once, only files of a bounded size).
inline std::int64_t LargestFrameArea(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 13;
    if (size < at) {
        return 0;
    }
    if ((data[10] & 0x80) != 0) {
        at += std::size_t(3) << ((data[10] & 7) + 1);
    }
    auto skipSubBlocks = [&] {
        while (at < size && data[at] != 0) {
            at += std::size_t(data[at]) + 1;
        }
        ++at;
    };
    std::int64_t largest = 0;
    while (at < size) {
        const std::uint8_t b = data[at++];
        if (b == '!') {
            ++at;
            skipSubBlocks();
        } else if (b == ',' && at + 9 <= size) {
            const std::int64_t w = data[at + 4] | (data[at + 5] << 8);
            const std::int64_t h = data[at + 6] | (data[at + 7] << 8);
            largest = std::max(largest, w * h);
            const std::uint8_t flags = data[at + 8];
            at += 9;
            if ((flags & 0x80) != 0) {
                at += std::size_t(3) << ((flags & 7) + 1);
            }
            ++at; // the minimum code size
            skipSubBlocks();
        } else {
            break;
        }
    }
    return largest;
}

} // namespace detail

inline GiflibPicture ReadWithGiflib(const std::uint8_t* data, std::size_t size) {
    GiflibPicture result;
    detail::MemoryInput in{data, size};
    int error = 0;
    GifFileType* gif = DGifOpen(&in, detail::ReadFromMemory, &error);
    if (gif == nullptr) {
        result.error = error;
        return result;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        result.error = gif->Error;
    } else if (gif->ImageCount > 0) {
        const SavedImage& first = gif->SavedImages[0];
        result.ok = first.RasterBits != nullptr;
        result.width = first.ImageDesc.Width;
        result.height = first.ImageDesc.Height;
        if (result.ok) {
            result.indexes.assign(first.RasterBits,
                                  first.RasterBits + std::size_t(result.width) * result.height);
        }
        // A local table starts as one made for the global table's count (from the screen
        // flags, which giflib doesn't keep without a global table); the global table starts
        // as black and white.
        const ColorMapObject* map = first.ImageDesc.ColorMap;
        const int globalCount = TColorTable::CountFromSizeCode(size > 10 ? data[10] : 0);
        result.palette = TColorTable(map != nullptr ? globalCount : 2).entries();
        if (map == nullptr) {
            map = gif->SColorMap;
        }
        if (map != nullptr) {
            for (int i = 0; i < std::min(map->ColorCount, 256); ++i) {
                const GifColorType& c = map->Colors[i];
                result.palette[std::size_t(i)] = {c.Red, c.Green, c.Blue};
            }
        }
    }
    DGifCloseFile(gif, &error);
    return result;
}

} // namespace tamberlin::testing
