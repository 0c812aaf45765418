#pragma once

// What the window tests share: answering a modal dialog once it is open, the scripted platform
// installed for a test's lifetime, pictures made on the spot, and text from the core's bytes.

#include "platform/fake_platform.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace tamberlin::testing {

// Presses Tab as often as names has entries, starting from the focus as it is, and gives the
// object name of each control the focus stood on (a list's or number field's own line edit
// stands for the control that holds it, found among names).
inline QStringList WalkWithTab(const QStringList& names) {
    QStringList walked;
    for (qsizetype i = 0; i < names.size(); ++i) {
        QWidget* focused = QApplication::focusWidget();
        while (focused != nullptr && !names.contains(focused->objectName())) {
            focused = focused->parentWidget();
        }
        walked << (focused != nullptr ? focused->objectName() : QStringLiteral("?"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return walked;
}

// Runs act on the next modal window as soon as it is open (it must close it, or let the code
// under test close it).
inline void WhenModal(std::function<void(QWidget*)> act) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, weak = std::weak_ptr<std::function<void()>>(poll)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            act(modal);
        } else if (auto again = weak.lock()) {
            QTimer::singleShot(5, [again] { (*again)(); });
        }
    };
    // The timer's copy keeps the poll alive until it has run.
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

// A window's control, found by its layout name.
template <class T>
T* Child(const QObject* owner, const char* name) {
    T* found = owner->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("no control %s", name);
    }
    return found;
}

// Installs a scripted platform for the lifetime of a test object and restores the real one.
class ScriptedPlatform {
public:
    ScriptedPlatform() { setPlatform(&fake); }
    ~ScriptedPlatform() { setPlatform(nullptr); }
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;

    FakePlatform fake;
};

// A small picture file of the given size, one colour; the format follows the extension.
inline QString MakePicture(const QString& path, int width = 40, int height = 20) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 40));
    if (!image.save(path)) {
        qFatal("cannot write the test picture %s", qPrintable(path));
    }
    return path;
}

inline QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace tamberlin::testing
