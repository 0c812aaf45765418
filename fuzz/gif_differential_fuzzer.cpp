// Our GIF reader against giflib on arbitrary bytes: where both read the file, the first
// image's colour indexes and its 256 palette entries are equal; where ours fails, the message
// is one of the reader's own. (Where only giflib reads the file, ours has a reason of its own
// to refuse it: it decodes every frame, wants a clear code after a full table, and refuses
// rows past the image and unknown extension labels, all of which giflib lets pass.)

#include "imaging/gif_compare.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool IsReaderMessage(const std::string& m) {
    static const char* const kExact[] = {
        "Gif Version must be 87a or 89a",
        "Bad code Size",
        "Bad code",
        "Code size overflow",
        "Dynamic array index out of bounds",
        "Out of memory",
        "List index out of bounds (0)",
    };
    for (const char* e : kExact) {
        if (m == e) {
            return true;
        }
    }
    const auto startsWith = [&](const std::string& prefix, std::size_t rest) {
        return m.compare(0, prefix.size(), prefix) == 0 &&
               (rest == 0 ? m.size() > prefix.size() : m.size() == prefix.size() + rest);
    };
    return startsWith("Unrecognized extension block.\r\nCode = $", 2) ||
           startsWith("error in TBigByteArray.create: Not enough contiguous memory available\r\n"
                      " requested memory block: ",
                      0);
}

[[noreturn]] void Mismatch(const char* what, std::size_t at) {
    std::fprintf(stderr, "our reader and giflib differ: %s %zu\n", what, at);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tamberlin::GifPicture ours;
    try {
        ours = tamberlin::ReadGifPicture(data, size);
    } catch (const tamberlin::TamberlinError& e) {
        if (!IsReaderMessage(e.what())) {
            std::fprintf(stderr, "not one of the reader's messages: %s\n", e.what());
            std::abort();
        }
        return 0;
    }
    // giflib reserves every frame at once; keep it to frames the fuzzer's memory allows.
    if (tamberlin::testing::detail::LargestFrameArea(data, size) > (std::int64_t{1} << 22)) {
        return 0;
    }
    const auto theirs = tamberlin::testing::ReadWithGiflib(data, size);
    if (!theirs.ok) {
        return 0;
    }
    if (ours.width != theirs.width || ours.height != theirs.height) {
        Mismatch("size", 0);
    }
    for (std::size_t i = 0; i < 256; ++i) {
        if (!(ours.palette[i] == theirs.palette[i])) {
            Mismatch("palette entry", i);
        }
    }
    const std::size_t count = std::size_t(ours.width) * std::size_t(ours.height);
    for (std::size_t i = 0; i < count; ++i) {
        if (ours.pixels.data()[i] != theirs.indexes[i]) {
            Mismatch("pixel", i);
        }
    }
    return 0;
}
