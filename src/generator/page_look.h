#pragma once

#include "document/html_prefs.h"
#include "generator/html_rules.h"
#include "generator/quiz_page.h"

#include <array>
#include <cstdint>
#include <string>

namespace tamberlin {

inline constexpr TColor kWhite = 0x00FFFFFF;
inline constexpr std::int32_t kDefaultFontSize = 3;
inline constexpr std::uint8_t kNoAlignment = 255;

// What the page-look window shows, as plain values: the window moves a form to and from its
// controls, and the rules below turn it into the quiz's page-look block and the page's inputs.
// Texts are in the system code page.
struct PageLookForm {
    struct FontRow {
        bool on = false;
        TColor color = kWhite;
        // What the size field reads as: a typed number is kept as typed, even outside 1..7.
        std::int32_t size = kDefaultFontSize;
        // The face box: its text, and the position of the entry chosen from the list (-1 when
        // none is, for example when a face was typed by hand).
        std::string face;
        int faceEntry = -1;
    };

    std::string author;
    // The alignment list's chosen entry: 0 left, 1 centre, 2 right, -1 none.
    int alignment = -1;
    bool textColorOn = false;
    TColor textColor = kWhite;
    bool bgColorOn = false;
    TColor bgColor = kWhite;
    bool fixedBackground = false;
    // The background picture's address exactly as it goes into the page; empty for none.
    std::string bgImage;
    // Title, question and choice rows, in that order.
    std::array<FontRow, 3> rows{};

    FontRow& title() { return rows[0]; }
    FontRow& question() { return rows[1]; }
    FontRow& choice() { return rows[2]; }
    const FontRow& title() const { return rows[0]; }
    const FontRow& question() const { return rows[1]; }
    const FontRow& choice() const { return rows[2]; }
};

// The loading step: what the window shows for a block. A colour switch or a font row counts as
// on only when its byte is 1; a colour that is off shows white; a font row that is off shows
// white, size 3 and no face, whatever the block still holds for it. A stored size is brought
// into 1..7; the face entry is the one whose text equals the stored face exactly. An alignment
// other than 0, 1 or 2 selects no entry.
PageLookForm LoadPageLook(const THtmlPrefs& prefs);

// Apply: writes the form into the block and returns the page's inputs. A row that is on takes
// its colour, size, face and a FONT tag rebuilt from them (a FACE attribute only for a face
// chosen from the list); a row that is off gets an empty tag and keeps its other fields. A colour
// that is on is stored with its switch 1; one that is off keeps its value and switches from 1 to
// 0 (any other switch byte is left as it is). CookieRequired is never touched.
PageInputs ApplyPageLook(THtmlPrefs& prefs, const PageLookForm& form);

// What the page-look settings of a quiz come to when the window loads them and applies them
// straight away, untouched: the block as Apply writes it back and the page writer's inputs.
struct PageLook {
    THtmlPrefs prefs;
    PageInputs inputs;
};
PageLook DerivePageLook(const THtmlPrefs& stored);

// The size a font row's number field shows for a stored size: brought into 1..7.
std::int32_t ClampFontSize(std::int32_t size);

} // namespace tamberlin
