#pragma once

#include <cstdint>

namespace tamberlin {

// The most pixels a picture may have, for every format, from the file to the screen: the
// readers refuse a larger picture with "Out of memory" before reserving anything. A question
// picture is shown at most full screen, and 40 million pixels are more than an 8K screen
// holds; the window's painting converts a picture to 4 bytes a pixel, so the budget also keeps
// that copy within 160 MB.
inline constexpr std::int64_t kMaxPicturePixels = 40'000'000;

} // namespace tamberlin
