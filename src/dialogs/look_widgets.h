#pragma once

// Small controls shared by the picture chooser and the page-look dialog: a picture box that
// centres and shrinks its picture, a colour rectangle that opens the program's one colour
// chooser, a number field with arrows that keeps a typed value until it loses the focus, and an
// editable drop-down list that tells a chosen entry from a typed text.

#include "document/html_prefs.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QImage>
#include <QString>
#include <QWidget>

namespace tamberlin::look {

// Two rules cut a text into folder and file name, and each text keeps to its own:
//
// A picture address read from a quiz file may have been written on another system, so its
// file-name part is the text after its last "/", "\" or ":"; a text with none of them is its
// own file-name part.
QString FileNamePart(const QString& address);
//
// A path of this system (from a file dialog or the command line) is cut at "/" only: ":" and
// "\" are ordinary characters of a file name here.
QString PathFileNamePart(const QString& path);
// The folder part of such a path: everything up to and including its last "/" (empty when none).
QString PathFolderPart(const QString& path);
// A folder of this system (empty for the current folder) and a file name joined with exactly one
// "/".
QString JoinFolderAndName(const QString& folder, const QString& name);

// Moves a window to the middle of its screen.
void CentreOnScreen(QWidget* window);

// A picture area: the picture is centred; one larger than the area is shrunk to fit with its
// proportions kept, a smaller one is shown at its own size.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const QImage& image);
    void clearPicture() { setPicture(QImage()); }
    const QImage& picture() const { return image_; }
    bool hasPicture() const { return !image_.isNull(); }
    // Where the picture is drawn inside the area (empty when there is none).
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

// A colour rectangle. A mouse press while it is enabled runs the program's one colour chooser
// (through the platform seam) and, with OK, takes the chosen colour. A disabled rectangle keeps
// its colour and ignores the mouse.
class ColorShape : public QWidget {
    Q_OBJECT
public:
    explicit ColorShape(QWidget* parent = nullptr);

    TColor color() const { return color_; }
    void setColor(TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TColor color_ = 0x00FFFFFF;
};

// A number field with arrows. It reads as the whole number in its text, or as its minimum when
// the text is not a whole number (an empty field, say). A value set by the program or by the
// arrows stays within the range; a typed number outside it is kept until the field loses the
// keyboard focus, and only then brought into the range. Typed keys are limited to digits, signs
// and the decimal separator.
class NumberField : public QAbstractSpinBox {
    Q_OBJECT
public:
    NumberField(int minimum, int maximum, QWidget* parent = nullptr);

    int value() const;
    void setValue(int value);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int clamp(int value) const;

    int minimum_;
    int maximum_;
};

// An editable drop-down list that knows whether an entry is selected: picking an entry from the
// list selects it; typing into the box leaves no entry selected, whatever the text.
class EntryBox : public QComboBox {
    Q_OBJECT
public:
    EntryBox(const QStringList& entries, QWidget* parent = nullptr);

    // The position of the selected entry, or -1 when none is.
    int selectedEntry() const { return selected_; }
    // Selects an entry by position; any other value leaves the box empty with none selected.
    void selectEntry(int index);
    // Shows a text; the entry that equals it exactly (capital letters count) becomes the
    // selected one, and when none does no entry is selected.
    void setBoxText(const QString& text);
    QString boxText() const { return currentText(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Qt takes Enter after a text that equals an entry as a choice of that entry; here only a
    // choice from the list selects, so an activation while Enter is handled is not one.
    void passEnter(QKeyEvent* event, QObject* to);

    int selected_ = -1;
    bool handlingEnter_ = false;
};

} // namespace tamberlin::look
