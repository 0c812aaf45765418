#pragma once

// The plain controls the windows are laid out with, each made in one place: named (the layout
// name becomes the object name, by which tests and the windows find it), placed, and set up the
// way the windows' flat buttons, captions and frames are. Centring is in widgets/centring.h.

#include <QFrame>
#include <QRect>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;

namespace tamberlin::widgets {

// A flat button that takes no keyboard focus: a tool button that rises under the mouse, or a
// flat push button.
QToolButton* FlatToolButton(QWidget* parent, const QString& name, const QString& text,
                            const QRect& place);
QPushButton* FlatPushButton(QWidget* parent, const QString& name, const QString& text,
                            const QRect& place);
// A flat push button whose caption stays as given while one of its letters is underlined and
// Alt with that letter presses it: a button that takes no focus is reached from the keyboard.
QPushButton* FlatPushButtonWithKey(QWidget* parent, const QString& name, const QString& text,
                                   const QRect& place, qsizetype underlined);
// A label at a point, sized to its text.
QLabel* Caption(QWidget* parent, const QString& name, const QString& text, const QPoint& at);
QLineEdit* LineBox(QWidget* parent, const QString& name, const QRect& place);
// A check box without a caption of its own, sized to its box.
QCheckBox* BareCheckBox(QWidget* parent, const QString& name, const QPoint& at);
QFrame* Bevel(QWidget* parent, const QString& name, const QRect& place, int frameStyle);

} // namespace tamberlin::widgets
