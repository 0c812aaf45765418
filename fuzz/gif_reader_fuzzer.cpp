// The GIF reader on arbitrary bytes: every input gives a picture or one of the reader's
// errors, never a crash, a hang or a read outside its buffers.

#include "imaging/gif_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        tamberlin::GifPicture picture = tamberlin::ReadGifPicture(data, size);
        // Touch the corners so a wrong size shows up as a bad read.
        if (picture.width > 0 && picture.height > 0) {
            const std::uint8_t* p = picture.pixels.data();
            volatile std::uint8_t sink = p[0];
            sink = p[std::size_t(picture.width) * std::size_t(picture.height) - 1];
            (void)sink;
        }
    } catch (const tamberlin::TamberlinError&) {
    }
    return 0;
}
