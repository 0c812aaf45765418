#pragma once

// The one way windows are centred: the window's frame over an area, by default the free area of
// the window's screen. Header-only, so that the platform seam's message boxes use it too.

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace tamberlin {

// Moves a window so that its frame is centred over area.
inline void CentreOn(QWidget* window, const QRect& area) {
    const QSize frame = window->frameGeometry().size();
    window->move(area.x() + (area.width() - frame.width()) / 2,
                 area.y() + (area.height() - frame.height()) / 2);
}

// The same over the free area of the window's screen (the primary screen while it has none).
inline void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen != nullptr) {
        CentreOn(window, screen->availableGeometry());
    }
}

} // namespace tamberlin
