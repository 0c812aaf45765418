#pragma once

// The GIF format's variable-length LZW decoder on its own: it reads a chain of data sub-blocks
// in place and writes colour indexes, reporting what went wrong as a result code (the GIF
// reader turns the codes into its messages). Plain C++: no Qt.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tamberlin {

enum class LzwResult : std::uint8_t {
    Ok,               // the end code, or the end of the data
    BadCodeSize,      // a minimum code size outside 2 to 9
    BadCode,          // a code above the next free one, or the end code right after a clear
    CodeSizeOverflow, // a full 12-bit table followed by another code than a clear code
    RowsOverflow,     // a complete row past the image's last one (any pixel at width 0)
};

struct LzwDecoded {
    LzwResult result = LzwResult::Ok;
    std::int64_t written = 0; // pixels written, less than width * (height + 1)
};

// Called after each completed row of an image of more than 200 rows: (rows done, rows in all).
using LzwRowProgress = std::function<void(int rowsDone, int rows)>;

// Bytes past width * (height + 1) that the decoder may write.
inline constexpr std::size_t kDecodeSlack = 32;

// Decodes the sub-block chain [chain, chainEnd) with the given minimum code size into `out`,
// which holds width * (height + 1) + kDecodeSlack bytes. Rows are stored in the order the
// codes give them; only complete rows count.
LzwDecoded DecodeLzw(const std::uint8_t* chain, const std::uint8_t* chainEnd, int minCodeSize,
                     std::uint8_t* out, int width, int height, const LzwRowProgress& progress);

} // namespace tamberlin
