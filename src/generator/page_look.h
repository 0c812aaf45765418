#pragma once

#include "document/html_prefs.h"
#include "generator/quiz_page.h"

namespace tamberlin {

// What the page-look settings of a quiz come to when the preferences window loads them into
// its controls and applies them straight away, untouched: the block as Apply writes it back
// (font tags rebuilt, switches and alignment normalised) and the page writer's inputs.
struct PageLook {
    THtmlPrefs prefs;
    PageInputs inputs;
};

// A font row counts as on only when its switch byte is 1. Its tag is rebuilt from the stored
// face (a FACE attribute only for "Serif", "Sans Serif" or "Monospace" exactly), the stored
// size brought into 1..7 and the stored colour; a row that is off gets an empty tag and keeps
// its face, size and colour. The BODY attributes come from BgColorOn/BgColor, BgImage,
// TextColorOn/TextColor and FixedBackground (a colour only when its switch byte is 1, the
// fixed background when its byte is not 0). An alignment other than 0, 1 or 2 becomes 255.
PageLook DerivePageLook(const THtmlPrefs& stored);

// The size a font row's number field shows for a stored size: brought into 1..7.
std::int32_t ClampFontSize(std::int32_t size);

} // namespace tamberlin
