#pragma once

#include "document/counted_string.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tamberlin {

// A colour as the system colour chooser hands it back: 0x00BBGGRR.
using TColor = std::uint32_t;

// The page-look block that every quiz carries: 1404 bytes, written to the quiz file as one piece.
// The members sit at their file offsets (little-endian host, no padding), so the block is saved
// and loaded with one copy; the filler is carried through unchanged.
struct THtmlPrefs {
    std::uint8_t TitleFontOn;            // 0
    std::uint8_t QuestionFontOn;         // 1
    std::uint8_t ChoiceFontOn;           // 2
    std::uint8_t TextColorOn;            // 3
    std::uint8_t FixedBackground;        // 4
    std::uint8_t CookieRequired;         // 5
    std::uint8_t BgColorOn;              // 6
    CountedString<200> Author;           // 7
    CountedString<200> TitleFontTag;     // 208
    CountedString<200> QuestionFontTag;  // 409
    CountedString<200> ChoiceFontTag;    // 610
    CountedString<250> BgImage;          // 811
    CountedString<100> TitleFontFace;    // 1062
    CountedString<100> QuestionFontFace; // 1163
    CountedString<100> ChoiceFontFace;   // 1264
    std::uint8_t Filler1[3];             // 1365
    TColor TextColor;                    // 1368
    TColor BgColor;                      // 1372
    TColor TitleFontColor;               // 1376
    TColor QuestionFontColor;            // 1380
    TColor ChoiceFontColor;              // 1384
    std::int32_t TitleFontSize;          // 1388
    std::int32_t QuestionFontSize;       // 1392
    std::int32_t ChoiceFontSize;         // 1396
    std::uint8_t Alignment;              // 1400
    std::uint8_t Filler2[3];             // 1401

    // The new-quiz values: switches off, strings empty (length bytes only), colours black,
    // sizes 3, alignment left. The filler and the bytes after string lengths are left alone.
    void reset();
};

static_assert(sizeof(THtmlPrefs) == 1404);
static_assert(offsetof(THtmlPrefs, Author) == 7);
static_assert(offsetof(THtmlPrefs, BgImage) == 811);
static_assert(offsetof(THtmlPrefs, ChoiceFontFace) == 1264);
static_assert(offsetof(THtmlPrefs, TextColor) == 1368);
static_assert(offsetof(THtmlPrefs, TitleFontSize) == 1388);
static_assert(offsetof(THtmlPrefs, Alignment) == 1400);

} // namespace tamberlin
