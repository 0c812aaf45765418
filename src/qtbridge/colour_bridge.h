#pragma once

// The one crossing between the quiz's colours (0x00BBGGRR, as the colour chooser hands them
// back and the page-look block stores them) and Qt's.

#include "document/html_prefs.h"

#include <QColor>

namespace tamberlin {

inline QColor ToQColor(TColor color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

inline TColor FromQColor(const QColor& color) {
    return static_cast<TColor>(color.red()) | (static_cast<TColor>(color.green()) << 8) |
           (static_cast<TColor>(color.blue()) << 16);
}

} // namespace tamberlin
